#include "app/captionlabel.h"
#include "app/frame.h"
#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/programfolder.h"
#include "platform/reveal.h"
#include "platform/savedialog.h"
#include "windowtest.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kShare = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"); // 后来 by 林小雨

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("<none>");
}

// The names that Tab (or Shift+Tab) visits from the focused control, count times.
QStringList walk(int count, bool back = false)
{
    QStringList visited;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), back ? Qt::Key_Backtab : Qt::Key_Tab);
        visited << focusName();
    }
    return visited;
}

class Accessibility : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window = startWindow();
        ASSERT_TRUE(waitUntil([this] { return control<QLineEdit>("Text1")->isEnabled(); }));
    }
};

struct Described {
    const char *control;
    QAccessible::Role role;
    QString name;
    QString description = {};
};

} // namespace

TEST_F(Accessibility, EveryControlSaysWhatItIs)
{
    const Described table[] = {
        {"Text1", QAccessible::EditableText, QStringLiteral("唱吧网页地址")},
        {"Text2", QAccessible::EditableText, QStringLiteral("歌手主页地址")},
        {"aicAlphaImage3", QAccessible::Button, QStringLiteral("解析"), QStringLiteral("提取音乐")},
        {"aicAlphaImage4", QAccessible::Button, QStringLiteral("关闭"), QStringLiteral("关闭")},
        {"aicAlphaImage1", QAccessible::Graphic, QString()},
        {"Image1", QAccessible::Graphic, QStringLiteral("歌手头像")},
        {"Slider1", QAccessible::Slider, QStringLiteral("音量")},
        {"ListView1", QAccessible::Tree, QStringLiteral("歌手作品")},
        {"ProgressBar1", QAccessible::ProgressBar, QStringLiteral("下载进度")},
        {"Command10", QAccessible::Button, QStringLiteral("批量获取")},
        {"Label8_1", QAccessible::StatusBar, QStringLiteral("欢迎使用Solvane系列软件 ..")},
        {"Label2", QAccessible::StaticText, QStringLiteral("演唱歌曲：未查询")},
    };
    for (const Described &row : table) {
        QAccessibleInterface *iface = accessible(control<QWidget>(row.control));
        ASSERT_NE(iface, nullptr) << row.control;
        EXPECT_EQ(iface->role(), row.role) << row.control;
        EXPECT_EQ(iface->text(QAccessible::Name), row.name) << row.control;
        EXPECT_EQ(iface->text(QAccessible::Description), row.description) << row.control;
    }
    EXPECT_EQ(accessible(control<QWidget>("Slider1"))->valueInterface()->currentValue().toInt(), 1000);
    EXPECT_TRUE(accessible(control<QWidget>("aicAlphaImage3"))->state().focusable);
    EXPECT_FALSE(accessible(control<QWidget>("aicAlphaImage1"))->state().focusable) << "decorative";
}

// The painted title buttons are buttons of the window, where the frame draws them.
TEST_F(Accessibility, ThePaintedTitleButtonsArePushButtonsThatAct)
{
    struct Row {
        QString name;
        frame::Button button;
        bool minimised;
        int ends;
    };
    const Row table[] = {{QStringLiteral("最小化"), frame::Button::Minimise, true, 0},
                         {QStringLiteral("关闭"), frame::Button::Close, false, 1}};
    QAccessibleInterface *form = accessible(window.get());
    for (const Row &row : table) {
        QAccessibleInterface *button = nullptr;
        for (int i = 0; i < form->childCount(); ++i)
            if (form->child(i)->role() == QAccessible::Button && form->child(i)->text(QAccessible::Name) == row.name)
                button = form->child(i);
        ASSERT_NE(button, nullptr) << row.name.toStdString();
        EXPECT_EQ(form->indexOfChild(button) >= 0, true);
        const QRect drawn = frame::buttonRect(row.button, window->width());
        EXPECT_EQ(button->rect(), QRect(window->mapToGlobal(drawn.topLeft()), drawn.size()));
        platform::clearMciCommandLog();
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(window->isMinimized(), row.minimised) << row.name.toStdString();
        EXPECT_EQ(platform::endProgramCount(), row.ends) << row.name.toStdString();
        window->showNormal();
    }
    EXPECT_EQ(platform::mciCommandLog(), QStringList{QStringLiteral("close all")});
}

// A user without a mouse: Tab through the window, look a song up, save it, close the panel.
TEST_F(Accessibility, TheKeyboardAloneLooksUpAndSavesASong)
{
    platform::setRevealHandler([](const platform::RevealRequest &) {});
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("后来.mp3"));
    platform::setSaveDialogAnswerer([&](const platform::SaveDialogRequest &) { return chosen; });

    control<QWidget>("Text2")->setFocus();
    EXPECT_EQ(walk(17), (QStringList{"Command11", "Command10", "Command12", "ListView1", "Text1", "Command9",
                                     "aicAlphaImage3", "Command7", "Command16", "Command13", "Command8", "Command2",
                                     "Slider1", "Command4", "Command3", "Command5", "Text2"}));
    EXPECT_EQ(walk(2, true), (QStringList{"Command5", "Command3"}));

    auto *text1 = control<QLineEdit>("Text1");
    text1->setFocus();
    QTest::keyClicks(text1, kShare);
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));

    EXPECT_EQ(walk(7), (QStringList{"Command9", "aicAlphaImage3", "Command7", "Command16", "Command13", "Command8",
                                    "Command2"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_TRUE(control<QWidget>("Picture3")->isVisible());
    EXPECT_EQ(walk(2), (QStringList{"aicAlphaImage4", "Command1"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // 浏览..
    EXPECT_EQ(walk(2), (QStringList{"writeTagsCheck", "Command6"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(waitUntil([&] { return status() == QStringLiteral("音乐下载完成"); })) << status().toStdString();
    EXPECT_GT(QFileInfo(chosen).size(), 0);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(control<QWidget>("Picture3")->isVisible());
    EXPECT_EQ(focusName(), QStringLiteral("Command2")) << "back on the button that opened the panel";
    platform::setSaveDialogAnswerer({});
    platform::setRevealHandler({});
}

// Space and Return on the focused image buttons act as a click; Escape only with the panel open.
TEST_F(Accessibility, ImageButtonsActOnSpaceAndReturn)
{
    const Qt::Key keys[] = {Qt::Key_Space, Qt::Key_Return};
    for (const Qt::Key key : keys) {
        auto *text1 = control<QLineEdit>("Text1");
        text1->setText(QStringLiteral("not an address"));
        window->setStatus(QString());
        auto *lookup = control<QWidget>("aicAlphaImage3");
        lookup->setFocus(Qt::TabFocusReason);
        QTest::keyClick(lookup, key);
        EXPECT_EQ(status(), QStringLiteral("地址错误,请您检查 ..")) << key;
    }
    control<QWidget>("Text1")->setFocus();
    QTest::mouseClick(control<QWidget>("aicAlphaImage3"), Qt::LeftButton);
    EXPECT_EQ(focusName(), QStringLiteral("Text1")) << "a click takes no focus";
}

// Qt drops accessibility events while no screen reader listens (always so under the
// offscreen platform); what it would send is the status bar's new name.
TEST_F(Accessibility, TheStatusLineIsAStatusBarNamedByEachText)
{
    const QString texts[] = {QStringLiteral("正在连接服务器..."), QStringLiteral("正在连接服务器..."),
                             QStringLiteral("音乐下载完成")};
    auto *line = control<QWidget>("Label8_1");
    for (const QString &text : texts) {
        window->setStatus(text);
        EXPECT_EQ(accessible(line)->role(), QAccessible::StatusBar);
        EXPECT_EQ(accessible(line)->text(QAccessible::Name), text);
        EXPECT_TRUE(line->accessibleName().isEmpty()) << "QLabel tells a new text only to an unnamed label";
    }
}

// The MV window names its boxes by their captions, and Escape closes it.
TEST_F(Accessibility, TheMvWindowReadsItsBoxesAndClosesOnEscape)
{
    QTemporaryDir folder; // where the MV page goes
    platform::setProgramFolder(folder.path());
    lookUp(kShare);
    QStringList mvNames;
    QTimer::singleShot(200, window.get(), [&] {
        QWidget *mv = QApplication::activeModalWidget();
        for (const char *box : {"Text1", "Text2"})
            mvNames << accessible(mv->findChild<QWidget *>(QLatin1String(box)))->text(QAccessible::Name);
        QTest::keyClick(mv, Qt::Key_Escape);
    });
    auto *command8 = control<QWidget>("Command8");
    command8->setFocus();
    QTest::keyClick(command8, Qt::Key_Space);
    EXPECT_EQ(mvNames, (QStringList{QStringLiteral("视频地址："), QStringLiteral("HTML调用代码：")}));
    EXPECT_FALSE(window->findChild<QWidget *>(QStringLiteral("Form2"))->isVisible());
    platform::setProgramFolder(QString());
}
