#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command strings of online playback and the rebuilt audio address, as plain
// functions over text.
namespace player {

// Every device the program opens goes under this alias.
inline const QString kAlias = QStringLiteral("OpenFile");
inline const QString kCloseAll = QStringLiteral("close all");

// The volume command for a slider value, in plain decimal.
QString volumeCommand(int volume);

// What starting a song sends, in order: close the previous device, open the address
// (inserted as it is, spaces and all), start it, apply the volume.
QStringList playCommands(const QString &musicpath, int volume);

// The leading decimal number of text: leading blanks skipped, then an optional sign,
// digits, a fraction and an exponent, up to the first character that cannot continue
// the number; 0 when there is none.
double leadingNumber(const QString &text);

// A number in its shortest decimal form: whole numbers without a decimal point.
QString shortestDecimal(double value);

// An audio address rebuilt on the service's numbered audio hosts.
struct RebuiltAudio {
    QString bare;       // the address's sixth "/"-piece with every lowercase "a" removed
    double hostNumber;  // the leading number of bare, less 108
    QString address;    // the new audio address for workId
};

// Rebuilds musicUrl for workId, or nullopt when musicUrl has fewer than six pieces.
std::optional<RebuiltAudio> rebuildAudioAddress(const QString &musicUrl, const QString &workId);

} // namespace player
