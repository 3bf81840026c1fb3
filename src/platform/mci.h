#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The one door to the media player: every playback command of the program is a
// command string sent here ("close OpenFile", "open <address> alias OpenFile type
// MPEGVideo", "play OpenFile", "setaudio OpenFile volume to <n>", "close all").
// It never blocks and never shows anything; its answer is a status nobody needs.
int mciSendString(const QString &command);

// Every command sent so far, in order.
const QStringList &mciCommandLog();
void clearMciCommandLog();

} // namespace platform
