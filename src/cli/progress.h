#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <cstdio>

class BatchDownload;
class Cls_DownLoad;

// Follows a transfer on the error stream. On a terminal it redraws one progress bar
// line in place (at most ten times a second); elsewhere (a log, a pipe) it writes the
// status text of each stage on a line of its own, as the window's status line shows it.
class Progress : public QObject
{
public:
    enum class Mode { Quiet, Lines, Bar };
    // Bar on a terminal, Lines elsewhere, Quiet when asked to.
    static Mode modeFor(bool quiet, bool terminal);

    Progress(Cls_DownLoad *transfer, Mode mode, std::FILE *stream = stderr);
    ~Progress() override;

    // The queue's own lines as well: which work of how many, and its names.
    void follow(BatchDownload *queue);
    // A line of its own, after a bar under way.
    void note(const QString &line);
    Mode mode() const { return m_mode; }

private:
    void stage(int state);
    void chunk(qint64 done, qint64 total);
    void draw(qint64 done, qint64 total);
    void endBar();

    Cls_DownLoad *m_transfer;
    Mode m_mode;
    std::FILE *m_stream;
    QElapsedTimer m_since;   // since the transfer began writing
    QElapsedTimer m_drawn;   // since the bar was last drawn
    bool m_barOpen = false;  // the bar's line waits for its line end
    qint64 m_done = 0, m_total = 0; // the last chunk's figures...
    bool m_pending = false;         // ...not drawn yet
    QHash<int, qint64> m_queueWritten; // a queue's works: the bytes each has written
    QSet<int> m_serverWaits;           // a queue's works waiting for their server now
    qint64 m_queueDone = 0;
};
