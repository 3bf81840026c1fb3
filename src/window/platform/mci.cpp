#include "platform/mci.h"

#include "platform/mediatrust.h"

#include <QAudio>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QMediaPlayer>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <map>
#include <memory>

namespace platform {
namespace {

constexpr int kDone = 0;
constexpr int kUnknownDevice = 263;   // no device under that alias
constexpr int kUnrecognised = 274;    // not a command this player knows
constexpr int kCannotOpen = 266;      // alias taken, empty address, or no application yet
constexpr int kOutOfRange = 289;      // volume above 1000

constexpr int kFullVolume = 1000;

QStringList &commandLog()
{
    static QStringList log;
    return log;
}

// One open device: the player streaming its address and the output it plays on.
// The player goes first when a device is closed, so it never outlives its output.
struct Device {
    QString address;
    int volume = kFullVolume;
    std::unique_ptr<QAudioOutput> output;
    std::unique_ptr<QMediaPlayer> player;
};

// Devices by alias. Only the user-interface thread touches it, and it is emptied
// before the application object goes away, so no player outlives the event loop
// that its pipeline reports through.
std::map<QString, std::unique_ptr<Device>> &devices()
{
    static std::map<QString, std::unique_ptr<Device>> open;
    return open;
}

bool &closingWithApplication()
{
    static bool registered = false;
    return registered;
}

void closeEveryDevice()
{
    devices().clear();
}

void closeWhenApplicationEnds()
{
    closingWithApplication() = false;
    closeEveryDevice();
}

// The volume scale is perceptual: half way on the slider sounds half as loud, which
// is far less than half the amplitude.
float outputGain(int volume)
{
    return QAudio::convertVolume(float(volume) / kFullVolume, QAudio::LogarithmicVolumeScale,
                                 QAudio::LinearVolumeScale);
}

// An address with a scheme is streamed from there; anything else is taken for a
// local file. A one-letter "scheme" is a drive letter.
QUrl sourceOf(const QString &address)
{
    const QUrl url(address, QUrl::TolerantMode);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(address);
}

bool onUserInterfaceThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

int open(const QString &address, const QString &alias)
{
    if (address.trimmed().isEmpty() || devices().count(alias) || !onUserInterfaceThread())
        return kCannotOpen;

    // The stream's TLS trusts what the program's page fetches trust.
    useTrustedAuthoritiesInMediaStreams();
    auto device = std::make_unique<Device>();
    device->address = address;
    device->output = std::make_unique<QAudioOutput>();
    device->output->setVolume(outputGain(device->volume));
    device->player = std::make_unique<QMediaPlayer>();
    device->player->setAudioOutput(device->output.get());
    // Setting the source only builds the pipeline; the address is fetched in the
    // background and failures come back as signals that nobody waits for.
    device->player->setSource(sourceOf(address));
    devices()[alias] = std::move(device);

    if (!closingWithApplication()) {
        qAddPostRoutine(closeWhenApplicationEnds);
        closingWithApplication() = true;
    }
    return kDone;
}

Device *deviceOf(const QString &alias)
{
    const auto it = devices().find(alias);
    return it == devices().end() ? nullptr : it->second.get();
}

int close(const QString &alias)
{
    return devices().erase(alias) ? kDone : kUnknownDevice;
}

int play(const QString &alias)
{
    Device *device = deviceOf(alias);
    if (!device)
        return kUnknownDevice;
    device->player->play();
    return kDone;
}

int setVolume(const QString &alias, const QString &digits)
{
    Device *device = deviceOf(alias);
    if (!device)
        return kUnknownDevice;
    bool ok = false;
    const int volume = digits.toInt(&ok);
    if (!ok || volume > kFullVolume)
        return kOutOfRange;
    device->volume = volume;
    device->output->setVolume(outputGain(volume));
    return kDone;
}

int interpret(const QString &command)
{
    static const QRegularExpression closeOne(QStringLiteral("^close (\\S+)$"));
    // The address is everything between "open " and the last " alias ", spaces included.
    static const QRegularExpression openDevice(QStringLiteral("^open (.*) alias (\\S+) type MPEGVideo$"));
    static const QRegularExpression playDevice(QStringLiteral("^play (\\S+)$"));
    static const QRegularExpression volume(QStringLiteral("^setaudio (\\S+) volume to ([0-9]+)$"));

    if (command == QLatin1String("close all")) {
        closeEveryDevice();
        return kDone;
    }
    if (const auto m = closeOne.match(command); m.hasMatch())
        return close(m.captured(1));
    if (const auto m = openDevice.match(command); m.hasMatch())
        return open(m.captured(1), m.captured(2));
    if (const auto m = playDevice.match(command); m.hasMatch())
        return play(m.captured(1));
    if (const auto m = volume.match(command); m.hasMatch())
        return setVolume(m.captured(1), m.captured(2));
    return kUnrecognised;
}

} // namespace

int mciSendString(const QString &command)
{
    commandLog().append(command);
    return interpret(command);
}

const QStringList &mciCommandLog()
{
    return commandLog();
}

void clearMciCommandLog()
{
    commandLog().clear();
}

MciDeviceStatus mciDeviceStatus(const QString &alias)
{
    MciDeviceStatus status;
    const Device *device = deviceOf(alias);
    if (!device)
        return status;
    status.open = true;
    status.playing = device->player->playbackState() == QMediaPlayer::PlayingState;
    status.positionMs = device->player->position();
    status.volume = device->volume;
    status.outputVolume = device->output->volume();
    status.address = device->address;
    return status;
}

int mciOpenDeviceCount()
{
    return int(devices().size());
}

} // namespace platform
