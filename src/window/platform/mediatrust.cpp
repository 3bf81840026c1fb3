#include "platform/mediatrust.h"

#include <QByteArray>
#include <QtGlobal>

// GIO's headers use "signals" as a name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <cstdio>

namespace platform {
namespace {

// The media player's streams go through GIO's TLS backend: its default database is what
// they verify against.
bool trustInMediaStreams(const QByteArray &file)
{
    GTlsBackend *backend = g_tls_backend_get_default();
    if (!backend || !g_tls_backend_supports_tls(backend))
        return false;
    GError *error = nullptr;
    GTlsDatabase *database = g_tls_file_database_new(file.constData(), &error);
    if (!database) {
        std::fprintf(stderr, "quillory: %s: %s\n", file.constData(), error ? error->message : "unreadable");
        g_clear_error(&error);
        return false;
    }
    g_tls_backend_set_default_database(backend, database);
    g_object_unref(database);
    return true;
}

} // namespace

void useTrustedAuthoritiesInMediaStreams()
{
    static bool settled = false;
    if (settled)
        return;
    settled = true;

    const QByteArray file = qgetenv("SSL_CERT_FILE");
    if (!file.isEmpty() && !trustInMediaStreams(file))
        std::fprintf(stderr, "quillory: media streams keep the system's trust store\n");
}

} // namespace platform
