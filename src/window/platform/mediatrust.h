#pragma once

namespace platform {

// The media player's half of platform::useTrustedAuthorities (platform/trust.h): before
// the first stream opens, GStreamer's TLS (through GIO) is told to trust the authorities
// of SSL_CERT_FILE instead of the system's, for this process only. Once per process.
void useTrustedAuthoritiesInMediaStreams();

} // namespace platform
