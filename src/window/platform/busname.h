#pragma once

#include <QtGlobal>

// The session bus's own numbers for RequestName: its flag and the answers the program reads.
namespace platform::busname {

constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

} // namespace platform::busname
