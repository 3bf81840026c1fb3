#pragma once

#include "song/mediakind.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class Cls_DownLoad;

// One work of the list to save: what its row holds.
struct QueuedWork {
    QString workId;
    QString title;
    QString address; // the resolve address
};

// Saves a list of works one after another with the window's downloader. Each work is
// resolved and its share page read and cut as a double click does, but into a record
// and slots of its own, so the song the window shows is never touched. The audio goes
// to "<folder>/<song> - <singer>.mp3"; a second work of the same names gets " (2)"
// before the extension, a third " (3)", and so on.
//
// A file that is already there with the size the server announces (asked with a HEAD
// request, only when the file exists) is skipped. A work that fails at any step is
// tried once more after the others, then counted as failed; the partial file of a
// failed or stopped transfer is removed. Like a transfer, run() returns when the
// queue is over and keeps the windows live meanwhile.
class BatchDownload : public QObject
{
    Q_OBJECT
public:
    struct Tally {
        int saved = 0;
        int skipped = 0;
        int failed = 0;
        bool stopped = false; // ended by stop(), or by the program quitting
    };

    BatchDownload(Cls_DownLoad *downloader, QObject *parent = nullptr);
    ~BatchDownload() override;

    Tally run(const QList<QueuedWork> &works, const QString &folder);

    // "正在下载第 k/N 首 ..": work `position` of `count` is under way.
    static QString workText(int position, int count);
    // The line that sums a finished run up: saved, skipped and failed works.
    static QString summaryText(const Tally &tally);
    bool isRunning() const { return m_running; }

    // Ends the current transfer after its next chunk and drops the rest of the queue.
    void stop();

signals:
    // Work `position` (from 1) of `count` is starting, or starting again.
    void workStarted(int position, int count);
    // The current work's share page was read: its song and singer names.
    void workNamed(const QString &song, const QString &singer);

private:
    enum class Outcome { Saved, Skipped, Failed, Ended };
    Outcome save(int index, const QueuedWork &work);
    QString reservePath(int index, const QString &song, const QString &singer, MediaKind kind);
    void removeUnfinished();
    void endQueue();

    QPointer<Cls_DownLoad> m_cdf;
    QString m_folder;
    bool m_running = false;
    bool m_ended = false;
    QString m_unfinished;             // the file whose part is being written, until it is whole
    QHash<int, QString> m_paths;      // each work's file, once its page was read
    QSet<QString> m_taken;            // the files given to works of this run
};
