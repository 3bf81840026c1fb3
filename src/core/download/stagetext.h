#pragma once

#include "download/cls_download.h"

#include <QString>

namespace download {

// What the status line says at stage TmpState of a transfer (Cls_DownLoad's
// entDLFileStatus). At 6 the text tells how the transfer ended, `last` being its
// result: only a whole file is reported as done; a stop or a refused request keeps the
// text it already had ("" then).
QString stageText(int TmpState, Cls_DownLoad::Result last);

} // namespace download
