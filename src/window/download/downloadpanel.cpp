#include "app/form1.h"

#include "app/alphaimage.h"
#include "app/captionlabel.h"
#include "app/pictures.h"
#include "app/twips.h"
#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "download/stagetext.h"
#include "platform/messagebox.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "platform/savedialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

// The download panel: saves the looked-up song's audio as an MP3 file with the window's
// downloader, showing each stage on the status line and the progress on the bar.

namespace {

// Songs go into the "Music" folder next to a program run from its build folder; an
// installed program uses the user's music folder instead.
QString defaultDownloadFolder()
{
    return platform::usesUserFolders() ? platform::userMusicFolder()
                                       : platform::programFolder() + QStringLiteral("/Music");
}

QString defaultFolderNote()
{
    if (!platform::usesUserFolders())
        return QStringLiteral("默认路径：当前程序文件目录下“Music”文件夹中( 音乐名称自动填写 )");
    return QStringLiteral("默认路径：%1 文件夹中( 音乐名称自动填写 )")
        .arg(QDir::toNativeSeparators(platform::userMusicFolder()));
}

const QString kStart = QStringLiteral("开始下载");
const QString kStop = QStringLiteral("停止下载");

// A one-line label. One sized to its caption grows with it: the song and singer
// names come from the page and may be longer than the line's design width.
CaptionLabel *text(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                   bool sizedToCaption = false)
{
    auto *l = named(new CaptionLabel(QString(), sizedToCaption, parent), name, geometry);
    l->setWordWrap(false);
    l->setCaption(caption);
    // At least as tall as a line of its text, so that no line is cut at the bottom.
    const int lineHeight =
        l->fontMetrics().boundingRect(QRect(0, 0, l->width(), 1000), int(l->alignment()), l->text()).height();
    l->resize(l->width(), std::max(l->height(), lineHeight));
    return l;
}

// The note of the path strip on one line at its place when it fits; a longer one (a long
// music folder) wraps onto two lines centred in the strip, shortened only beyond that.
void fitNote(CaptionLabel *note, const QRect &place)
{
    const QFontMetrics metrics = note->fontMetrics();
    const QString text = note->caption();
    note->setWordWrap(false);
    const QRect line = metrics.boundingRect(QRect(0, 0, place.width(), 1000), int(note->alignment()), text);
    note->setGeometry(place.x(), place.y(), place.width(), std::max(place.height(), line.height()));
    if (line.width() <= place.width())
        return;
    const int room = note->parentWidget()->height() - 2;
    note->setWordWrap(true);
    if (note->heightForWidth(place.width()) > room)
        note->setText(metrics.elidedText(text, Qt::ElideMiddle, 2 * place.width() - metrics.averageCharWidth() * 4));
    const int height = std::min(room, note->heightForWidth(place.width()));
    note->setGeometry(place.x(), (note->parentWidget()->height() - height) / 2, place.width(), height);
}

// The path strip's note, whole in its tooltip.
void setNote(CaptionLabel *note, const QString &text)
{
    note->setCaption(text);
    note->setToolTip(text);
    fitNote(note, tw(240, 240, 5850, 180));
}

void showCentred(QWidget *panel, const QWidget *window)
{
    const float left = float(window->width()) / 2 - float(panel->width()) / 2;
    const float top = float(window->height()) / 2 - float(panel->height()) / 2;
    panel->move(qRound(left), qRound(top));
    panel->show();
    panel->raise();
}

// Sets the bar's value at once but leaves its painting to the next turn of the event
// loop: QProgressBar::setValue paints on the spot, which for small files cost more than
// copying them. The transfer hands over to the event loop every few milliseconds, so the
// bar still moves at screen rate.
void setValueUnpainted(QProgressBar *bar, int value)
{
    if (bar->value() == value)
        return;
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true); // asks for one paint
}

} // namespace

void Form1::buildDownloadPanel()
{
    Picture3 = pictureBox(this, "Picture3", tw(4560, 840, 7455, 6495));
    Picture3->hide();

    Label12 = text(Picture3, "Label12", QStringLiteral("音乐下载器"), tw(360, 360, 1425, 375));
    QFont title = font();
    title.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                       QStringLiteral("Noto Sans CJK SC")});
    title.setPointSizeF(14.25);
    Label12->setFont(title);
    Label12->resize(Label12->sizeHint().expandedTo(Label12->size()));

    aicAlphaImage4 = named(new AlphaImage(Picture3), "aicAlphaImage4", tw(6960, 120, 240, 240));
    aicAlphaImage4->setPicture(storedPicture(QStringLiteral("close.png")));
    aicAlphaImage4->setToolTip(QStringLiteral("关闭"));
    aicAlphaImage4->setCursor(Qt::PointingHandCursor);

    Picture6 = pictureBox(Picture3, "Picture6", tw(360, 960, 6615, 735));
    Label15 = text(Picture6, "Label15",
                   QStringLiteral("默认路径：当前程序文件目录下“Music”文件夹中( 音乐名称自动填写 )"),
                   tw(240, 240, 5850, 180));

    Picture4 = pictureBox(Picture3, "Picture4", tw(360, 1920, 6615, 735));
    Label13 = text(Picture4, "Label13", QStringLiteral("如需更换在此请选择下载的路径："), tw(120, 240, 2700, 180));
    Command1 = named(new QPushButton(QStringLiteral("浏览.."), Picture4), "Command1", tw(4920, 120, 1575, 495));

    Picture5 = pictureBox(Picture3, "Picture5", tw(360, 2880, 6615, 3255));
    Label14 = text(Picture5, "Label14", QStringLiteral("音乐信息："), tw(240, 240, 900, 180));
    Label17 = text(Picture5, "Label17", QStringLiteral("演唱歌手："), tw(240, 840, 900, 180), true);
    Label16 = text(Picture5, "Label16", QStringLiteral("音乐名称："), tw(240, 1200, 900, 180), true);
    ProgressBar1 = named(new QProgressBar(Picture5), "ProgressBar1", tw(240, 1800, 6015, 375));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Command6 = named(new QPushButton(kStart, Picture5), "Command6", tw(240, 2280, 6135, 615));
    // Beside the strip's heading: whether the saved file carries the song's names.
    writeTagsCheck = named(new QCheckBox(QStringLiteral("写入歌名、歌手与头像"), Picture5), "writeTagsCheck",
                           tw(3300, 195, 3100, 300));
    writeTagsCheck->setChecked(true);
    writeTagsCheck->setToolTip(QStringLiteral("保存时把歌名、歌手、描述和歌手头像写入音乐文件"));

    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(aicAlphaImage4, &AlphaImage::pressed, this, &Form1::aicAlphaImage4_Click);
}

void Form1::createDownloader()
{
    Cdf = new Cls_DownLoad(this);
    Cdf->setObjectName(QStringLiteral("Cdf"));
    batch = new BatchDownload(this);
    batch->setObjectName(QStringLiteral("batch"));
    connect(batch, &BatchDownload::workStarted, this, &Form1::showQueuedWork);
    connect(batch, &BatchDownload::workNamed, this, &Form1::showQueuedNames);
    connect(batch, &BatchDownload::workStateChanged, this, &Form1::showWorkState);
    connect(batch, &BatchDownload::progressed, this, [this](int percent) { setValueUnpainted(ProgressBar1, percent); });
    // Whoever ends the downloader (the program going away) ends the queue with it.
    connect(Cdf, &Cls_DownLoad::abandoned, batch, &BatchDownload::abandon);
    // The panel follows every stage as it happens, inside the transfer. (The program's
    // ending cuts a running transfer short and removes its partial file by itself.)
    connect(Cdf, &Cls_DownLoad::entDLFileDowning, this, &Form1::Cdf_entDLFileDowning, Qt::DirectConnection);
    connect(Cdf, &Cls_DownLoad::entDLFileStatus, this, &Form1::Cdf_entDLFileStatus, Qt::DirectConnection);
}

void Form1::Command2_Click()
{
    const bool looked = !record.strMusicUrl.isEmpty();
    setStatus(looked ? QStringLiteral("正在下载音乐..") : QStringLiteral("请先进行解析.."));
    takePanelSong();
    if (looked)
        showCentred(Picture3, this);
}

bool Form1::panelIdle() const
{
    return Command6->text() == kStart && !(Cdf && Cdf->isBusy()) && !(batch && batch->isRunning());
}

// The song on show becomes the panel's: its names on the panel, its default path, its
// media kind for the save dialog, and the address that 开始下载 saves.
void Form1::takePanelSong()
{
    panelSong = PanelSong{songNameOfCaption(Label2->caption()), record.strUserName,
                          record.mediaOfThisPage ? record.strMusicUrl : QString(), record.mediaKind, songTags,
                          lookups};
    pathChosen = false;
    nameTyped = false;
    strSavePath = download::defaultSavePath(defaultDownloadFolder(), panelSong.song, panelSong.singer, panelSong.kind);
    showPanelSong();
    setNote(Label15, defaultFolderNote());
    ProgressBar1->setValue(0);
}

void Form1::showPanelSong()
{
    Label16->setCaption(QStringLiteral("音乐名称：") + panelSong.song);
    Label17->setCaption(QStringLiteral("演唱歌手：") + panelSong.singer);
}

// A lookup (or a rebuilt address) changed the song on show. An open, idle panel follows
// it as if it had been opened for it; a folder chosen with 浏览.. stays, and so does a
// file name the user typed there (with the new song's extension). A running transfer
// keeps the file and the address it started with.
void Form1::followSongOnShow()
{
    if (!Picture3->isVisible() || !panelIdle())
        return;
    if (!pathChosen) {
        takePanelSong();
        return;
    }
    const PanelSong before = panelSong;
    const QFileInfo chosenPath(strSavePath);
    const bool typed = nameTyped;
    takePanelSong();
    pathChosen = true;
    nameTyped = typed;
    QString name = download::defaultFileName(panelSong.song, panelSong.singer, panelSong.kind);
    if (typed) {
        name = chosenPath.fileName();
        const QString oldSuffix = QLatin1Char('.') + mediaSuffix(before.kind);
        if (before.kind != panelSong.kind && name.endsWith(oldSuffix, Qt::CaseInsensitive))
            name = name.left(name.size() - oldSuffix.size()) + QLatin1Char('.') + mediaSuffix(panelSong.kind);
    }
    strSavePath = chosenPath.absoluteDir().filePath(name);
}

void Form1::Command1_Click()
{
    const QString presetName = download::defaultFileName(panelSong.song, panelSong.singer, panelSong.kind);
    const platform::SaveDialogRequest request{QStringLiteral("选择要下载的路径"),
                                              download::saveDialogFilter(panelSong.kind), presetName,
                                              mediaSuffix(panelSong.kind)};
    const std::optional<QString> chosen = platform::saveFileDialog(this, request);
    if (!chosen || chosen->isEmpty())
        return;
    strSavePath = *chosen;
    pathChosen = true;
    nameTyped = QFileInfo(strSavePath).fileName() != presetName;
    setStatus(QStringLiteral("已更换下载路径：") + strSavePath);
}

void Form1::Command6_Click()
{
    const bool queueRuns = batch && batch->isRunning();
    if (strSavePath.isEmpty() && !queueRuns) {
        platform::messageBox(this, QStringLiteral("请先选择要下载的文件路径!"), platform::MessageIcon::Exclamation,
                             platform::MessageButtons::Ok);
        return;
    }
    if (Command6->text() == kStart) {
        // A stopped transfer still finishing its last chunk: one transfer at a time.
        if (!Cdf || Cdf->isBusy() || queueRuns)
            return;
        // The panel's song, never whatever is on show by now: a lookup during the transfer
        // changes the song on show, not the file being written.
        const QString address = panelSong.address;
        const QString path = strSavePath;
        if (address.isEmpty()) {
            // The page on show named no audio of its own: nothing of another song is saved.
            setStatus(QStringLiteral("请先进行解析.."));
            return;
        }
        Command6->setText(kStop);
        Command2->setEnabled(false);
        QDir().mkpath(QFileInfo(path).absolutePath());
        download::SaveDetails details;
        details.referrer = panelSong.tags.sourcePage;
        if (writeTagsCheck->isChecked())
            details.tags = panelSong.tags;
        const qint64 written = Cdf->DLFile(address, path, 10000, details);
        // Whatever became of the transfer, the panel is ready for the next one.
        Command6->setText(kStart);
        Command2->setEnabled(true);
        // A stop the user confirmed keeps what came under the song's name, as the panel
        // always has (its question said the file would be damaged). Any other unfinished
        // transfer leaves the song's name alone.
        if (Cdf->lastResult() == Cls_DownLoad::Result::Stopped)
            download::keepStoppedPart(path);
        if (Cdf->lastResult() == Cls_DownLoad::Result::Completed && written != 0 && QFileInfo::exists(path)) {
            // Without a file manager or an opener the note says where the song went.
            const QPointer<Form1> self(this);
            platform::revealFile(path, [self, path] {
                if (self)
                    self->noteSavedFolder(QFileInfo(path).absolutePath());
            });
        }
        saveEnded(path, false, Cdf->lastResult() == Cls_DownLoad::Result::Stopped);
    } else if (Command6->text() == kStop) {
        const platform::MessageAnswer answer = platform::messageBox(
            this, QStringLiteral("当前正在下载中..停止将损坏下载文件!"), platform::MessageIcon::Information,
            platform::MessageButtons::YesNo);
        if (answer == platform::MessageAnswer::Yes) {
            Command6->setText(kStart);
            if (batch && batch->isRunning())
                batch->stop(); // the current transfer, and the rest of the queue with it
            else
                Cdf->DLFileStop();
            Command2->setEnabled(true);
        }
    }
}

void Form1::setWriteTags(bool on)
{
    writeTagsCheck->setChecked(on);
    if (batch)
        batch->setTagging(on);
}

void Form1::noteSavedFolder(const QString &folder)
{
    setNote(Label15, QStringLiteral("已保存在：%1 文件夹中").arg(QDir::toNativeSeparators(folder)));
}

void Form1::aicAlphaImage4_Click()
{
    // Only the panel goes away; a running transfer goes on.
    Picture3->hide();
}

void Form1::Cdf_entDLFileDowning(const QString &sRemoteURL, qint64 lDownLoaded, qint64 lFilesize, qint64 lSpeed)
{
    Q_UNUSED(sRemoteURL);
    Q_UNUSED(lSpeed);
    setValueUnpainted(ProgressBar1, download::progressPercent(lDownLoaded, lFilesize));
}

void Form1::Cdf_entDLFileStatus(int TmpState)
{
    // A queue shows its own line ("正在下载第 k/N 首 ..") and keeps its stop button.
    if (batch && batch->isRunning())
        return;
    if (TmpState == 6)
        Command6->setText(kStart);
    const QString text = download::stageText(TmpState, Cdf->lastResult());
    if (!text.isEmpty())
        setStatus(text);
}

// Saves works one after another into the default folder, in the download panel: its
// captions name the current work, the status line counts the works, and the button
// reads 停止下载 and stops the queue while it runs. The folder is shown once at the end.
void Form1::downloadWorks(const QList<QueuedWork> &works)
{
    if (works.isEmpty() || !Cdf || !batch || Cdf->isBusy() || batch->isRunning())
        return;
    setNote(Label15, defaultFolderNote());
    showCentred(Picture3, this);
    ProgressBar1->setValue(0);
    Command6->setText(kStop);
    Command2->setEnabled(false);

    const QString folder = defaultDownloadFolder();
    const QPointer<Form1> self(this);
    batch->setTagging(writeTagsCheck->isChecked());
    const BatchDownload::Tally tally = batch->run(works, folder);
    if (!self)
        return;
    Command6->setText(kStart);
    Command2->setEnabled(true);
    // The names of the queue's last work go: the panel shows the song that 开始下载 saves.
    showPanelSong();
    updateWorksActions();
    if (tally.stopped) {
        setStatus(QStringLiteral("停止音乐下载"));
        saveEnded(folder, true, true);
        return;
    }
    setStatus(BatchDownload::summaryText(tally));
    saveEnded(folder, true, false);
    if (tally.saved + tally.skipped > 0) {
        platform::showFolder(folder, [self, folder] {
            if (self)
                self->noteSavedFolder(folder);
        });
    }
}

void Form1::showQueuedWork(int position, int count)
{
    updateWorksActions();
    setStatus(BatchDownload::workText(position, count));
}

void Form1::showQueuedNames(const QString &song, const QString &singer)
{
    Label16->setCaption(QStringLiteral("音乐名称：") + song);
    Label17->setCaption(QStringLiteral("演唱歌手：") + singer);
}
