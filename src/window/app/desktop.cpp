#include "app/form1.h"

#include "app/captionlabel.h"
#include "download/cls_download.h"
#include "platform/exit.h"
#include "platform/launcherentry.h"
#include "platform/mci.h"
#include "platform/mediacontrols.h"
#include "platform/mprisroot.h"
#include "platform/notifier.h"
#include "player/playcommands.h"
#include "song/songlookup.h"
#include "works/singerpage.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

// The window in the desktop: addresses handed over by another start or dropped on it,
// playback in the desktop's media controls, a save's progress on the launcher and word
// when it ends. Each service is a small class in platform/; here the window tells them
// what it does and answers what they ask, in the words of its own handlers.

namespace {

const QString kStopCaption = QStringLiteral("停止播放");

bool isSharePage(const QString &address)
{
    return !song::refusalOfShareAddress(address);
}

bool isSingerPage(const QString &address)
{
    return !works::refusalOfSingerAddress(address) && !isSharePage(address);
}

// What a drag carries: its first link (a browser's or a file manager's), or else the
// first line of its text.
QString droppedAddress(const QMimeData *data)
{
    if (data->hasUrls())
        return data->urls().value(0).toString();
    return data->text().trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

void Form1::installDesktopServices()
{
    // A link dropped on an address box goes where one dropped anywhere else goes.
    setAcceptDrops(true);
    Text1->setAcceptDrops(false);
    Text2->setAcceptDrops(false);

    // The media keys and the shell's media widget press Command7; a pause stops, as the
    // window plays and stops only.
    mediaControls = new platform::MediaControls(this);
    const auto pressCommand7If = [this](bool whilePlaying) {
        return [this, whilePlaying] {
            if ((Command7->text() == kStopCaption) == whilePlaying)
                Command7_Click();
        };
    };
    connect(mediaControls, &platform::MediaControls::playRequested, this, pressCommand7If(false));
    connect(mediaControls, &platform::MediaControls::pauseRequested, this, pressCommand7If(true));
    connect(mediaControls, &platform::MediaControls::stopRequested, this, pressCommand7If(true));
    connect(mediaControls, &platform::MediaControls::playPauseRequested, this, &Form1::Command7_Click);
    connect(mediaControls, &platform::MediaControls::volumeRequested, this, [this](double volume) {
        Slider1->setValue(qRound(volume * Slider1->maximum()));
        Slider1_Scroll();
    });
    connect(mediaControls, &platform::MediaControls::raiseRequested, this, [this] { handOver(QString()); });
    connect(Slider1, &QAbstractSlider::valueChanged, this, &Form1::showPlayback);
    showPlayback();
    platform::MprisRoot::publish(mediaControls);

    // A save's share done on the launcher, and for a queue the works it still has to do.
    launcher = new platform::LauncherEntry(this);
    connect(Cdf, &Cls_DownLoad::entDLFileStatus, this, [this](int stage) {
        if (stage == 1 && !batch->isRunning())
            launcher->showProgress(0);
    });
    connect(Cdf, &Cls_DownLoad::entDLFileDowning, this, [this](const QString &, qint64 done, qint64 size, qint64) {
        if (size > 0 && !batch->isRunning())
            launcher->showProgress(double(done) / double(size));
    });
    connect(batch, &BatchDownload::progressed, this, [this](int percent) { launcher->showProgress(percent / 100.0); });
    connect(batch, &BatchDownload::workStateChanged, this, [this](int index, const BatchDownload::WorkState &state) {
        using Kind = BatchDownload::WorkState::Kind;
        if (worksLeft.isEmpty())
            launcher->showProgress(0);
        if (state.kind == Kind::Waiting || state.kind == Kind::Running)
            worksLeft.insert(index);
        else
            worksLeft.remove(index);
        launcher->showCount(int(worksLeft.size()));
    });

    notifier = new platform::Notifier(this);
}

// Tells the media controls what plays, or what a press would play, and at which volume.
void Form1::showPlayback()
{
    if (!mediaControls)
        return;
    const bool playing = Command7->text() == kStopCaption;
    // A lookup while a song plays changes the song on show, not the song that plays.
    const platform::MciDeviceStatus device = platform::mciDeviceStatus(player::kAlias);
    if (!(playing && device.open && device.address != record.strMusicUrl)) {
        mediaControls->setTrack({songNameOfCaption(Label2->caption()), record.strUserName, avatarAddress,
                                 record.strMusicUrl, record.strMusicUrl.isEmpty() ? 0 : std::max<quint64>(lookups, 1)});
    }
    mediaControls->setPlaying(playing);
    mediaControls->setVolume(double(Slider1->value()) / Slider1->maximum());
}

// A download or a queue is over: the launcher forgets it, and when it ended by itself
// while the user was elsewhere the desktop says how, in the status line's words.
void Form1::saveEnded(const QString &place, bool isFolder, bool stopped)
{
    worksLeft.clear();
    if (launcher)
        launcher->clear();
    if (!notifier || stopped || platform::programEnding() || isActiveWindow())
        return;
    notifier->saveEnded(Label8_1->caption(), place, isFolder);
}

void Form1::handOver(const QString &address)
{
    if (platform::programEnding())
        return;
    // Activating a window brings it to the front (a window manager's or the compositor's word).
    setWindowState(windowState() & ~Qt::WindowMinimized);
    activateWindow();
    if (!address.isEmpty())
        openAddress(address);
}

void Form1::openAddress(const QString &address)
{
    const bool singer = isSingerPage(address);
    (singer ? Text2 : Text1)->setText(address);
    // Locked boxes: looked up when the update check unlocks them (never, if it keeps them locked).
    if (!Text1->isEnabled()) {
        startAddress = address;
        return;
    }
    startAddress.clear();
    if (!singer)
        aicAlphaImage3_Click();
    else if (Command10->isEnabled()) // not while a singer's works are being listed
        Command10_Click();
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    // Refused here, so that the cursor says so before the drop.
    const QString address = droppedAddress(event->mimeData());
    if (isSharePage(address) || isSingerPage(address))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QString address = droppedAddress(event->mimeData());
    if (!isSharePage(address) && !isSingerPage(address)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Once the drop is answered: the lookup waits for the network.
    QTimer::singleShot(0, this, [this, address] { openAddress(address); });
}
