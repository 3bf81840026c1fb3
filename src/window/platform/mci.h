#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The one door to the media player: every playback command of the program is a
// command string sent here ("close OpenFile", "open <address> alias OpenFile type
// MPEGVideo", "play OpenFile", "setaudio OpenFile volume to <n>", "close all").
// It never blocks and never shows anything; its answer is a status nobody needs
// (0 when the command was carried out, another number when it was refused).
//
// One device is kept per alias. A device streams its address in the background
// through the system's proxy settings and plays on the default audio output; with
// no sound card the audio goes to a silent sink that still runs in real time.
// Call it on the user-interface thread, once the application object exists.
// Devices still open when the application object goes away are closed with it.
int mciSendString(const QString &command);

// Every command sent so far, in order.
const QStringList &mciCommandLog();
void clearMciCommandLog();

// What the device under an alias is doing right now.
struct MciDeviceStatus {
    bool open = false;
    bool playing = false;     // started and not yet stopped, ended or failed
    qint64 positionMs = 0;    // how far playback has got
    int volume = 1000;        // the last volume set, 0..1000
    float outputVolume = 1.f; // the output's linear gain for that volume, 0..1
    QString address;          // as it was given to "open"
};
MciDeviceStatus mciDeviceStatus(const QString &alias);
int mciOpenDeviceCount();

} // namespace platform
