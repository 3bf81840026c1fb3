#include "platform/trust.h"

#include <QByteArray>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QtGlobal>

#include <cstdio>

namespace platform {

void useTrustedAuthorities()
{
    static bool settled = false;
    if (settled)
        return;
    settled = true;

    const QByteArray file = qgetenv("SSL_CERT_FILE");
    if (file.isEmpty())
        return;
    const QList<QSslCertificate> authorities = QSslCertificate::fromPath(QString::fromLocal8Bit(file));
    if (authorities.isEmpty()) {
        std::fprintf(stderr, "quillory: SSL_CERT_FILE %s holds no certificate; using the system's\n",
                     file.constData());
        return;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(authorities);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

} // namespace platform
