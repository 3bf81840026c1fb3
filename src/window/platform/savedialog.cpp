#include "platform/savedialog.h"

#include <QFileDialog>

namespace platform {
namespace {

QList<SaveDialogRequest> &requests()
{
    static QList<SaveDialogRequest> log;
    return log;
}

std::function<std::optional<QString>(const SaveDialogRequest &)> &answerer()
{
    static std::function<std::optional<QString>(const SaveDialogRequest &)> a;
    return a;
}

std::optional<QString> showReal(QWidget *parent, const SaveDialogRequest &request)
{
    QFileDialog dialog(parent, request.title);
    dialog.setObjectName(QStringLiteral("C1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> saveFileDialog(QWidget *parent, const SaveDialogRequest &request)
{
    requests().append(request);
    if (answerer())
        return answerer()(request);
    return showReal(parent, request);
}

const QList<SaveDialogRequest> &saveDialogLog()
{
    return requests();
}

void clearSaveDialogLog()
{
    requests().clear();
}

void setSaveDialogAnswerer(std::function<std::optional<QString>(const SaveDialogRequest &)> a)
{
    answerer() = std::move(a);
}

} // namespace platform
