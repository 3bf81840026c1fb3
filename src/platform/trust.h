#pragma once

namespace platform {

// Settles, once per process, which certificate authorities the program's TLS connections
// trust: the page fetches and downloads (Qt's network stack) and the media player's
// streams (GStreamer's, through GIO) alike. Certificates are always verified.
//
// By default both use the system's trust store as it is. When SSL_CERT_FILE names a
// readable file of PEM certificates, as it does for OpenSSL's own tools, the authorities
// in that file are trusted instead, for this process only. A file that cannot be read or
// holds no certificate is reported on standard error and the system's store stays.
//
// Call it on the user-interface thread before the first request; later calls do nothing.
void useTrustedAuthorities();

} // namespace platform
