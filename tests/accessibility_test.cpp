#include "app/frame.h"
#include "platform/exit.h"
#include "platform/mci.h"
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

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("<none>");
}

// The controls that Tab (or Shift+Tab) visits from the focused one, count times.
QStringList walk(int count, Qt::Key key = Qt::Key_Tab)
{
    QStringList visited;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
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

} // namespace

TEST_F(Accessibility, EveryControlSaysWhatItIs)
{
    struct Row {
        const char *control;
        QAccessible::Role role;
        QString name;
        QString description = {};
    };
    const Row table[] = {
        {"Text1", QAccessible::EditableText, QStringLiteral("唱吧网页地址")},
        {"Text2", QAccessible::EditableText, QStringLiteral("歌手主页地址")},
        {"aicAlphaImage3", QAccessible::Button, QStringLiteral("解析"), QStringLiteral("提取音乐")},
        {"aicAlphaImage4", QAccessible::Button, QStringLiteral("关闭"), QStringLiteral("关闭")},
        {"aicAlphaImage1", QAccessible::Graphic, QString()},
        {"Image1", QAccessible::Graphic, QStringLiteral("歌手头像")},
        {"Slider1", QAccessible::Slider, QStringLiteral("音量")},
        {"ListView1", QAccessible::Tree, QStringLiteral("歌手作品")},
        {"ProgressBar1", QAccessible::ProgressBar, QStringLiteral("下载进度")},
        {"Label8_1", QAccessible::StatusBar, QStringLiteral("欢迎使用Solvane系列软件 ..")},
        {"Label2", QAccessible::StaticText, QStringLiteral("演唱歌曲：未查询")},
    };
    for (const Row &row : table) {
        QAccessibleInterface *iface = accessible(control<QWidget>(row.control));
        EXPECT_EQ(iface->role(), row.role) << row.control;
        EXPECT_EQ(iface->text(QAccessible::Name), row.name) << row.control;
        EXPECT_EQ(iface->text(QAccessible::Description), row.description) << row.control;
    }
    EXPECT_EQ(accessible(control<QWidget>("Slider1"))->valueInterface()->currentValue().toInt(), 1000);
    EXPECT_FALSE(accessible(control<QWidget>("aicAlphaImage1"))->state().focusable) << "decorative";
    // The status line is named by each text; Qt tells a new name only of an unnamed label.
    window->setStatus(QStringLiteral("正在连接服务器..."));
    EXPECT_EQ(accessible(control<QWidget>("Label8_1"))->text(QAccessible::Name), QStringLiteral("正在连接服务器..."));
    EXPECT_TRUE(control<QWidget>("Label8_1")->accessibleName().isEmpty());
}

// The painted title buttons are the window's last two children, where the frame draws them.
TEST_F(Accessibility, ThePaintedTitleButtonsArePushButtonsThatAct)
{
    QAccessibleInterface *form = accessible(window.get());
    const std::pair<frame::Button, QString> drawn[] = {{frame::Button::Minimise, QStringLiteral("最小化")},
                                                       {frame::Button::Close, QStringLiteral("关闭")}};
    for (int i = 0; i < 2; ++i) {
        QAccessibleInterface *button = form->child(form->childCount() - 2 + i);
        const QRect at = frame::buttonRect(drawn[i].first, window->width());
        EXPECT_EQ(button->rect(), QRect(window->mapToGlobal(at.topLeft()), at.size()));
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), drawn[i].second);
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(platform::endProgramCount(), 1);
    EXPECT_EQ(platform::mciCommandLog(), QStringList{QStringLiteral("close all")});
}

// A user without a mouse: Tab through the window, look a song up, save it, close the panel.
TEST_F(Accessibility, TheKeyboardAloneLooksUpAndSavesASong)
{
    QTemporaryDir dir;
    platform::setRevealHandler([](const platform::RevealRequest &) {});
    const QString chosen = dir.filePath(QStringLiteral("后来.mp3"));
    platform::setSaveDialogAnswerer([&](const platform::SaveDialogRequest &) { return chosen; });

    control<QWidget>("Text2")->setFocus();
    EXPECT_EQ(walk(17), (QStringList{"Command11", "Command10", "Command12", "ListView1", "Text1", "Command9",
                                     "aicAlphaImage3", "Command7", "Command16", "Command13", "Command8", "Command2",
                                     "Slider1", "Command4", "Command3", "Command5", "Text2"}));
    EXPECT_EQ(walk(1, Qt::Key_Backtab), QStringList{"Command5"});

    auto *text1 = control<QLineEdit>("Text1");
    text1->setFocus();
    QTest::keyClicks(text1, QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"));
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(walk(2), (QStringList{"Command9", "aicAlphaImage3"}));
    text1->setText(QStringLiteral("not an address"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // the lookup button, as a click
    EXPECT_EQ(status(), QStringLiteral("地址错误,请您检查 .."));

    EXPECT_EQ(walk(5), (QStringList{"Command7", "Command16", "Command13", "Command8", "Command2"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // the panel opens: Tab goes in
    EXPECT_EQ(walk(2), (QStringList{"aicAlphaImage4", "Command1"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // 浏览..
    EXPECT_EQ(walk(2), (QStringList{"writeTagsCheck", "Command6"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(waitUntil([&] { return status() == QStringLiteral("音乐下载完成"); })) << status().toStdString();
    EXPECT_GT(QFileInfo(chosen).size(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(control<QWidget>("Picture3")->isVisible());
    EXPECT_EQ(focusName(), QStringLiteral("Command2")) << "back on the button that opened the panel";
    QTest::mouseClick(control<QWidget>("aicAlphaImage3"), Qt::LeftButton);
    EXPECT_EQ(focusName(), QStringLiteral("Command2")) << "a click gives an image button no focus";
    platform::setSaveDialogAnswerer({});
    platform::setRevealHandler({});
}
