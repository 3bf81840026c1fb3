#include "progress.h"

#include "download/batchdownload.h"
#include "download/cls_download.h"
#include "download/stagetext.h"
#include "output.h"

namespace {

constexpr qint64 kRedrawMs = 100;

} // namespace

Progress::Mode Progress::modeFor(bool quiet, bool terminal)
{
    if (quiet)
        return Mode::Quiet;
    return terminal ? Mode::Bar : Mode::Lines;
}

Progress::Progress(Cls_DownLoad *transfer, Mode mode, std::FILE *stream)
    : m_transfer(transfer)
    , m_mode(mode)
    , m_stream(stream)
{
    if (mode == Mode::Quiet)
        return;
    // Inside the transfer, as each stage and chunk happens.
    connect(transfer, &Cls_DownLoad::entDLFileStatus, this, &Progress::stage, Qt::DirectConnection);
    if (mode == Mode::Bar) {
        connect(transfer, &Cls_DownLoad::entDLFileDowning, this,
                [this](const QString &, qint64 done, qint64 total, qint64) { chunk(done, total); },
                Qt::DirectConnection);
    }
}

Progress::~Progress()
{
    endBar();
}

void Progress::follow(BatchDownload *queue)
{
    if (m_mode == Mode::Quiet)
        return;
    connect(queue, &BatchDownload::workStarted, this,
            [this](int position, int count) { note(BatchDownload::workText(position, count)); });
    connect(queue, &BatchDownload::workNamed, this, [this](const QString &song, const QString &singer) {
        note(QStringLiteral("  ") + song + QStringLiteral(" - ") + singer);
    });
    // A server that asked a work to wait: a line when the wait begins, not one a second.
    connect(queue, &BatchDownload::workStateChanged, this, [this](int index, const BatchDownload::WorkState &state) {
        if (state.kind != BatchDownload::WorkState::Kind::ServerBusy) {
            m_serverWaits.remove(index);
        } else if (!m_serverWaits.contains(index)) {
            m_serverWaits.insert(index);
            note(BatchDownload::serverBusyText(state.seconds));
        }
    });
    if (m_mode != Mode::Bar)
        return;
    // Several works are under way at once: the bar counts the bytes of all of them.
    connect(queue, &BatchDownload::workProgressed, this, [this](int index, const QString &, qint64 written, qint64) {
        if (!m_since.isValid())
            m_since.start();
        m_queueDone += written - m_queueWritten.value(index);
        m_queueWritten.insert(index, written);
        chunk(m_queueDone, 0);
    });
}

void Progress::note(const QString &line)
{
    if (m_mode == Mode::Quiet)
        return;
    endBar();
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), m_stream);
    std::fflush(m_stream);
}

void Progress::stage(int state)
{
    if (m_mode == Mode::Lines) {
        const QString text = download::stageText(state, m_transfer->lastResult());
        if (!text.isEmpty())
            note(text);
        return;
    }
    if (state == 4) {
        m_since.start();
        m_drawn.invalidate();
        m_pending = false;
    } else if (state == 9 && m_pending) {
        // The data ended: the bar shows what came, also of a size never announced.
        draw(m_done, m_total);
    } else if (state == 6) {
        endBar();
    }
}

void Progress::chunk(qint64 done, qint64 total)
{
    m_done = done;
    m_total = total;
    // The last chunk always shows, so the bar ends on what was written.
    const bool last = total > 0 && done >= total;
    m_pending = m_drawn.isValid() && m_drawn.elapsed() < kRedrawMs && !last;
    if (m_pending)
        return;
    draw(done, total);
}

void Progress::draw(qint64 done, qint64 total)
{
    m_drawn.start();
    m_pending = false;
    const double seconds = m_since.isValid() ? m_since.nsecsElapsed() / 1e9 : 0;
    // Back to the line's start, the new line over the old, the rest of the old one cleared.
    const QString line = QLatin1Char('\r') + progressLine(done, total, seconds) + QStringLiteral("\x1b[K");
    std::fputs(line.toUtf8().constData(), m_stream);
    std::fflush(m_stream);
    m_barOpen = true;
}

void Progress::endBar()
{
    if (!m_barOpen)
        return;
    m_barOpen = false;
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
}
