#pragma once

namespace platform {

// Settles, once per process, which certificate authorities the program's TLS
// connections trust. Certificates are always verified.
//
// By default both stacks use the system's trust store as it is. When SSL_CERT_FILE names
// a readable file of PEM certificates, as it does for OpenSSL's own tools, the authorities
// in that file are trusted instead, for this process only. A file that cannot be read or
// holds no certificate is reported on standard error and the system's store stays.
//
// Reading the file costs a noticeable moment (the system's own bundle holds well over a
// hundred certificates), so each stack settles it only where it is first needed: Qt's
// network stack (page fetches, pictures, downloads) before its first https request or
// redirect, the media player's streams (GStreamer, through GIO) before the first stream
// opens (platform/mediatrust.h, the window's half). Call it on the user-interface thread;
// later calls do nothing.
void useTrustedAuthorities();

} // namespace platform
