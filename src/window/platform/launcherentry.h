#pragma once

#include <QObject>
#include <QVariantMap>

namespace platform {

// The program's entry on the dock or task bar (com.canonical.Unity.LauncherEntry, for
// application://quillory.desktop): the share of a save done and the works a queue still
// has to do. Each figure goes out only when it changes; a desktop without such a dock
// (or without a session bus) simply sees nothing.
class LauncherEntry : public QObject
{
    Q_OBJECT
public:
    static const QString kAppUri;

    explicit LauncherEntry(QObject *parent = nullptr);
    // What it still shows goes: the program's ending clears the dock too.
    ~LauncherEntry() override;

    void showProgress(double share); // 0..1
    void showCount(int count);
    // Progress and count both go.
    void clear();

private:
    void send(const QVariantMap &properties);

    int m_permille = -1; // the progress shown, -1 when none
    int m_count = -1;    // the count shown, -1 when none
};

} // namespace platform
