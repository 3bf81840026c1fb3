#include "platform/applicationadaptor.h"

#include "platform/appinstance.h"

namespace platform {

ApplicationAdaptor::ApplicationAdaptor(AppInstance *instance)
    : QDBusAbstractAdaptor(instance)
    , m_instance(instance)
{
}

void ApplicationAdaptor::Activate(const QVariantMap &platformData)
{
    m_instance->receive(QString(), platformData);
}

void ApplicationAdaptor::Open(const QStringList &uris, const QVariantMap &platformData)
{
    m_instance->receive(uris.value(0), platformData);
}

void ApplicationAdaptor::ActivateAction(const QString &actionName, const QVariantList &parameter,
                                        const QVariantMap &platformData)
{
    // The program declares no actions: the window only comes to the front.
    Q_UNUSED(actionName);
    Q_UNUSED(parameter);
    m_instance->receive(QString(), platformData);
}

} // namespace platform
