#pragma once

#include "servicedouble.h"

#include <string>

namespace servicedouble {

// The built-in answer for url (share pages, avatars, version file, maker pages), or a 404.
ScriptedResponse builtInAnswer(const std::string &url);

} // namespace servicedouble
