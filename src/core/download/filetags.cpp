#include "download/filetags.h"

#include "download/fileattributes.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <id3v2tag.h>
#include <mpegheader.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <tbytevectorstream.h>
#include <textidentificationframe.h>
#include <urllinkframe.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace download {

namespace {

// Padding beyond TagLib's own in a tag written ahead of a body, so that a player's later
// edit (a rating, a corrected name) fits in it and does not rewrite the file.
constexpr qsizetype kTagRoom = 4096;

TagResult failed(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return TagResult::Failed;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

TagLib::String tagText(const QString &text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

bool hasTags(const SongTags &tags)
{
    return !tags.title.isEmpty() || !tags.artist.isEmpty() || !tags.comment.isEmpty()
           || !tags.cover.isEmpty() || !tags.sourcePage.isEmpty();
}

// Deletes the tag's frames with this id that match, and those that TagLib could not
// read as a Frame.
template<typename Frame, typename Match>
void removeFrames(TagLib::ID3v2::Tag *tag, const char *id, Match match)
{
    // A copy: removeFrame changes the tag's own list.
    const TagLib::ID3v2::FrameList frames = tag->frameList(id);
    for (TagLib::ID3v2::Frame *frame : frames) {
        if (auto *typed = dynamic_cast<Frame *>(frame); !typed || match(*typed))
            tag->removeFrame(frame);
    }
}

void setTextFrame(TagLib::ID3v2::Tag *tag, const char *id, const QString &text)
{
    if (text.isEmpty())
        return;
    tag->removeFrames(id);
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(tagText(text));
    tag->addFrame(frame);
}

void setMpegFrames(TagLib::ID3v2::Tag *tag, const SongTags &tags, const QByteArray &coverType)
{
    using namespace TagLib::ID3v2;
    setTextFrame(tag, "TIT2", tags.title);
    setTextFrame(tag, "TPE1", tags.artist);
    if (!tags.comment.isEmpty()) {
        removeFrames<CommentsFrame>(tag, "COMM", [](const CommentsFrame &f) { return f.description().isEmpty(); });
        auto *frame = new CommentsFrame(TagLib::String::UTF8);
        frame->setLanguage("XXX"); // unknown: descriptions come in any language
        frame->setText(tagText(tags.comment));
        tag->addFrame(frame);
    }
    if (!coverType.isEmpty()) {
        removeFrames<AttachedPictureFrame>(tag, "APIC", [](const AttachedPictureFrame &f) {
            return f.type() == AttachedPictureFrame::FrontCover;
        });
        auto *frame = new AttachedPictureFrame;
        frame->setTextEncoding(TagLib::String::UTF8);
        frame->setMimeType(TagLib::String(coverType.toStdString(), TagLib::String::Latin1));
        frame->setType(AttachedPictureFrame::FrontCover);
        frame->setPicture(TagLib::ByteVector(tags.cover.constData(), unsigned(tags.cover.size())));
        tag->addFrame(frame);
    }
    // URL frames are Latin-1 by definition: an address with Chinese in it goes
    // percent-encoded.
    const QByteArray page = QUrl(tags.sourcePage).toEncoded();
    if (!tags.sourcePage.isEmpty() && !page.isEmpty()) {
        tag->removeFrames("WOAS");
        auto *frame = new UrlLinkFrame("WOAS");
        frame->setUrl(TagLib::String(page.toStdString(), TagLib::String::Latin1));
        tag->addFrame(frame);
    }
}

bool tagMpeg(TagLib::MPEG::File &file, const SongTags &tags, const QByteArray &coverType)
{
    setMpegFrames(file.ID3v2Tag(true), tags, coverType);
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

bool tagMp4(TagLib::MP4::File &file, const SongTags &tags, const QByteArray &coverType)
{
    TagLib::MP4::Tag *tag = file.tag();
    const auto setText = [tag](const char *key, const QString &text) {
        if (!text.isEmpty())
            tag->setItem(key, TagLib::MP4::Item(TagLib::StringList(tagText(text))));
    };
    setText("\251nam", tags.title);
    setText("\251ART", tags.artist);
    setText("\251cmt", tags.comment);
    using TagLib::MP4::CoverArt;
    const CoverArt::Format format = coverType == "image/jpeg" || coverType == "image/jpg" ? CoverArt::JPEG
                                    : coverType == "image/png"                            ? CoverArt::PNG
                                    : coverType == "image/gif"                            ? CoverArt::GIF
                                    : coverType == "image/bmp"                            ? CoverArt::BMP
                                                                                          : CoverArt::Unknown;
    if (format != CoverArt::Unknown) {
        TagLib::MP4::CoverArtList covers;
        covers.append(CoverArt(format, TagLib::ByteVector(tags.cover.constData(), unsigned(tags.cover.size()))));
        tag->setItem("covr", TagLib::MP4::Item(covers));
    }
    return file.save();
}

// An in-memory file whose reads are copies. TagLib's own stream hands out views of its
// one buffer, and while TagLib holds on to any of them the first write into the buffer
// copies all of it: tagging a video would take three times its size in memory.
class FileInMemory : public TagLib::ByteVectorStream
{
public:
    FileInMemory() : ByteVectorStream(TagLib::ByteVector()) {}
    TagLib::ByteVector readBlock(unsigned long length) override
    {
        const TagLib::ByteVector view = ByteVectorStream::readBlock(length);
        return TagLib::ByteVector(view.data(), view.size());
    }
};

// Reads the whole file into the stream's buffer, with room behind it for the tags to
// grow into: a buffer that TagLib has to enlarge is copied whole.
bool readInto(QFile &file, FileInMemory &stream, qint64 room, QString *why)
{
    const qint64 size = file.size();
    if (size + room > qint64(INT_MAX)) { // TagLib's buffers and offsets
        *why = QStringLiteral("the file is too large to tag");
        return false;
    }
    TagLib::ByteVector *data = stream.data();
    data->resize(unsigned(size + room)); // shrinking keeps the capacity
    data->resize(unsigned(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(data->data() + done, size - done);
        if (got <= 0) {
            *why = got < 0 ? file.errorString() : QStringLiteral("the file shrank while being read");
            return false;
        }
        done += got;
    }
    return true;
}

// Writes bytes to a new file beside target, with source's mode, owner and user
// attributes, flushes it to disk and renames it over target.
bool replaceWith(const QString &source, const QString &target, const TagLib::ByteVector &bytes, QString *why)
{
    struct stat original {};
    if (::stat(QFile::encodeName(source).constData(), &original) != 0) {
        *why = systemError();
        return false;
    }
    QTemporaryFile out(target + QStringLiteral(".tagging-XXXXXX"));
    if (!out.open()) {
        *why = QStringLiteral("cannot create a file beside it: %1").arg(out.errorString());
        return false;
    }
    if (out.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !out.flush()) {
        *why = out.errorString();
        return false;
    }
    const int fd = out.handle();
    if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
        // Only root may give a file away: someone else's file becomes ours, as an
        // editor's save would make it.
    }
    if (::fchmod(fd, original.st_mode & 07777) != 0 || ::fsync(fd) != 0) {
        *why = systemError();
        return false;
    }
    copyUserAttributes(source, out.fileName());
    if (::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
        *why = QStringLiteral("cannot replace it: %1").arg(systemError());
        return false;
    }
    out.setAutoRemove(false);
    // The new name on disk too, so that a crash now brings back one file or the other.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).path()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

// Whether MPEG audio frames follow one another from the first one TagLib found. TagLib
// takes two frame headers in a row anywhere in the file for MPEG audio, and random
// bytes have them about once in a gigabyte (a compressed picture or a broken download
// looks much like random bytes); a run of frames of one sample rate does not happen by
// chance. Six frames are about 0.15 s of sound.
bool mpegFramesFollow(TagLib::MPEG::File &file)
{
    constexpr int kFrames = 6;
    long offset = file.firstFrameOffset();
    int sampleRate = 0;
    for (int i = 0; i < kFrames; ++i) {
        if (offset < 0)
            return false;
        const TagLib::MPEG::Header header(&file, offset, false);
        if (!header.isValid() || header.frameLength() <= 0 || (i > 0 && header.sampleRate() != sampleRate))
            return false;
        sampleRate = header.sampleRate();
        offset += header.frameLength();
    }
    return true;
}

// An audio stream TagLib can measure: its MPEG reader calls any file valid, a picture or a
// web page too, only without a sample rate.
bool hasAudio(TagLib::File &file)
{
    return file.isValid() && file.audioProperties() && file.audioProperties()->sampleRate() > 0;
}

quint32 syncSafe(const char *bytes)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 7) | (quint8(bytes[i]) & 0x7F);
    return value;
}

} // namespace

BodyKind bodyKindOf(const QByteArray &head)
{
    if (head.size() >= 8 && head.mid(4, 4) == "ftyp")
        return BodyKind::Mp4;
    if (head.startsWith("ID3") || (head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0))
        return BodyKind::Mpeg;
    return BodyKind::Other;
}

qint64 id3v2Length(const QByteArray &head)
{
    if (head.size() < 10)
        return head.startsWith(QByteArray("ID3").left(head.size())) ? -1 : 0;
    if (!head.startsWith("ID3"))
        return 0;
    const bool footer = quint8(head[5]) & 0x10;
    return 10 + qint64(syncSafe(head.constData() + 6)) + (footer ? 10 : 0);
}

QByteArray mpegTagAhead(const QByteArray &head, const SongTags &tags)
{
    if (!hasTags(tags))
        return {};
    TagLib::ByteVectorStream stream(TagLib::ByteVector(head.constData(), unsigned(head.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance());
    if (!hasAudio(file) || !mpegFramesFollow(file))
        return {};
    TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
    setMpegFrames(tag, tags, coverMimeType(tags.cover, tags.coverType));
    const TagLib::ByteVector rendered = tag->render(TagLib::ID3v2::v4);
    QByteArray out(rendered.data(), qsizetype(rendered.size()));
    if (out.size() < 10 || tag->header()->footerPresent())
        return out;
    // Room for a player's later edits in the padding, the body starting on a 4 KiB
    // boundary: the tag's size in its header (syncsafe) counts the padding.
    const qsizetype total = (out.size() + kTagRoom + 4095) / 4096 * 4096;
    out.resize(total, '\0');
    quint32 size = quint32(total - 10);
    for (int i = 9; i >= 6; --i, size >>= 7)
        out[i] = char(size & 0x7F);
    return out;
}

qint64 trailingTagsLength(const QByteArray &tail)
{
    qint64 cut = 0;
    if (tail.size() >= 128 && tail.right(128).startsWith("TAG"))
        cut = 128;
    // An APE tag's footer: "APETAGEX", version, the size of items and footer (little
    // endian), item count, flags (bit 31: a header comes first, 32 bytes more).
    if (tail.size() >= cut + 32) {
        const QByteArray footer = tail.mid(tail.size() - cut - 32, 32);
        if (footer.startsWith("APETAGEX")) {
            const auto le32 = [&footer](int at) {
                return quint32(quint8(footer[at])) | quint32(quint8(footer[at + 1])) << 8
                       | quint32(quint8(footer[at + 2])) << 16 | quint32(quint8(footer[at + 3])) << 24;
            };
            cut += le32(12) + ((le32(20) & 0x80000000u) ? 32 : 0);
        }
    }
    return cut;
}

QByteArray coverMimeType(const QByteArray &cover, const QByteArray &coverType)
{
    if (cover.isEmpty())
        return {};
    const qsizetype parameters = coverType.indexOf(';');
    const QByteArray served = (parameters < 0 ? coverType : coverType.first(parameters)).trimmed().toLower();
    if (served.startsWith("image/") && served.size() > 6)
        return served;
    if (cover.startsWith("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (cover.startsWith("\x89PNG\r\n\x1A\n"))
        return "image/png";
    if (cover.startsWith("GIF87a") || cover.startsWith("GIF89a"))
        return "image/gif";
    if (cover.startsWith("RIFF") && cover.mid(8, 4) == "WEBP")
        return "image/webp";
    return {};
}

TagResult writeSongTags(const QString &path, const SongTags &tags, QString *error, const QString &destination)
{
    const QFileInfo info(path);
    const QString source = info.exists() ? info.canonicalFilePath() : path;
    const QString target = destination.isEmpty() ? source : destination;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failed(error, QStringLiteral("cannot read %1: %2").arg(path, in.errorString()));
    // A file that does not even begin like an MP3 (an ID3 tag or a frame header) or an MP4
    // (its file type box) is not read any further: searching a large one for frames costs
    // seconds.
    if (bodyKindOf(in.peek(12)) == BodyKind::Other)
        return TagResult::NotMedia;
    FileInMemory stream;
    QString why;
    // The tags, their padding and the index entries that they move.
    const qint64 room = 3 * (tags.title.size() + tags.artist.size() + tags.comment.size() + tags.sourcePage.size())
                        + tags.cover.size() + 256 * 1024;
    if (!readInto(in, stream, room, &why))
        return failed(error, QStringLiteral("cannot read %1: %2").arg(path, why));
    in.close();

    // Both readers must find an audio stream they can measure.
    // MP4 first: the MPEG reader searches the whole file for frame headers and can find
    // them inside an MP4's media data.
    std::unique_ptr<TagLib::MP4::File> mp4 = std::make_unique<TagLib::MP4::File>(&stream);
    std::unique_ptr<TagLib::MPEG::File> mpeg;
    if (!hasAudio(*mp4)) {
        mp4.reset();
        mpeg = std::make_unique<TagLib::MPEG::File>(&stream, TagLib::ID3v2::FrameFactory::instance());
        if (!hasAudio(*mpeg) || !mpegFramesFollow(*mpeg))
            return TagResult::NotMedia;
    }
    if (!hasTags(tags) && destination.isEmpty())
        return TagResult::Written;
    if (destination.isEmpty() && ::access(QFile::encodeName(target).constData(), W_OK) != 0)
        return failed(error, QStringLiteral("cannot tag %1: %2").arg(path, systemError()));

    const QByteArray coverType = coverMimeType(tags.cover, tags.coverType);
    const bool saved = !hasTags(tags) || (mp4 ? tagMp4(*mp4, tags, coverType) : tagMpeg(*mpeg, tags, coverType));
    mp4.reset();
    mpeg.reset();
    if (!saved)
        return failed(error, QStringLiteral("cannot tag %1: TagLib could not save the tags").arg(path));
    if (!replaceWith(source, target, *stream.data(), &why))
        return failed(error, QStringLiteral("cannot tag %1: %2").arg(path, why));
    return TagResult::Written;
}

} // namespace download
