#pragma once

#include "app/form1.h"
#include "platform/messagebox.h"
#include "servicedouble.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// One local service double for the whole test program; the program reaches it as its
// HTTP proxy, so requests name the real hosts.
servicedouble::ServiceDouble &service();

// Scripts the double to answer url with a page.
void servePage(const std::string &url, const QString &page, int status = 200,
               const std::string &contentType = "text/html; charset=utf-8");

// Qt's warnings and critical messages since the last call, each a call the program made in
// the wrong state; recorded from recordQtWarnings() on (the test program's start).
void recordQtWarnings();
QStringList takeQtWarnings();

// Drives the real main window. Message boxes are answered by `answer`, the desktop
// opens nothing and ending the program is only recorded.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A window that has run its start-up against the double (which answers the
    // current version unless told otherwise).
    std::unique_ptr<Form1> startWindow();

    template<typename T>
    T *control(const char *name) const
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString status() const;
    QString caption(const char *labelName) const;
    void lookUp(const QString &address); // types into Text1 and presses the lookup button

    std::unique_ptr<Form1> window;
    std::function<platform::MessageAnswer(const platform::MessageBoxRequest &)> answer;
    bool failOnQtWarnings = false; // suites that drive transfers and queues set it
};

class QTreeWidget;

// What a mouse sends for a double click at `at` in list's viewport: press, release,
// double click, release.
void doubleClickAt(QTreeWidget *list, QPoint at);
// Scrolls row into view, lets it be laid out and painted, and double-clicks its middle.
void doubleClickRow(QTreeWidget *list, int row);

// Runs the event loop until condition holds or timeoutMs passes.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);
