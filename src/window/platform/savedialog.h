#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

// What a save dialog is opened with.
struct SaveDialogRequest {
    QString title;
    QString filter;        // the file types, ";;" between two, e.g. "MP3音乐文件 (*.mp3)"
    QString fileName;      // preset name, without a folder
    QString defaultSuffix; // added when the user types a name without one
};

// Shows a modal save dialog over parent; the chosen full path, or nothing when the
// user cancelled.
std::optional<QString> saveFileDialog(QWidget *parent, const SaveDialogRequest &request);

const QList<SaveDialogRequest> &saveDialogLog();
void clearSaveDialogLog();

// Answers save dialogs without a person (tests); an empty function shows real ones.
void setSaveDialogAnswerer(std::function<std::optional<QString>(const SaveDialogRequest &)> answerer);

} // namespace platform
