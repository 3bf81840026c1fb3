#pragma once

#include <QString>

namespace platform {

// The skin: a Qt style sheet kept in a file next to the program. Attaching a file
// that is missing or unreadable changes nothing. Both calls answer 0 on success and
// a non-zero status otherwise; start-up goes on whatever they answer.
int SkinH_AttachEx(const QString &skinPath, const QString &password);

// Turns the hue of every colour of the application palette by hue degrees and
// moves saturation and brightness by the given amounts (-100 to 100).
int SkinH_AdjustHSV(int hue, int saturation, int brightness);

} // namespace platform
