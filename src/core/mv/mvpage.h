#pragma once

#include <QString>

namespace mv {

// The address as it may stand inside a double-quoted HTML attribute: & " < and > become
// character references, so the browser still reads exactly this address and nothing in it
// can end the attribute or the element.
QString attributeText(const QString &address);

// The one line of the MV page: a script element that loads the MV player.
QString pageLine(const QString &mvUrl);

// The folder the MV page goes into: the program's folder when it runs from its build
// folder, the user's data folder for an installed program ("" when that cannot be made).
QString pageFolder();

// The MV page file, "video.htm" in pageFolder(); "" when there is no folder for it.
QString pagePath();

// Replaces the page file with line and a CR LF, in UTF-8. The old file stays as it was
// when the new one cannot be written completely.
bool writePage(const QString &path, const QString &line);

} // namespace mv
