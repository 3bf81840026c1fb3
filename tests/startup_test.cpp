#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/shell.h"
#include "platform/skin.h"
#include "windowtest.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const std::string kVersionFile = "http://soft.solvane.com/version/main.txt";

void serveVersion(const QString &answer, int status = 200)
{
    servePage(kVersionFile, answer, status, "text/plain");
}

using Start = WindowTest;

struct Placed {
    const char *name;
    QRect geometry; // pixels, in the control's container
    bool enabled;
};

} // namespace

TEST_F(Start, EveryControlStandsAtItsPlaceWithItsDesignState)
{
    window = std::make_unique<Form1>();
    EXPECT_EQ(window->size(), QSize(1063, 575));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillory"));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);

    const Placed placed[] = {
        {"Text2", {16, 144, 289, 18}, false},       {"Command11", {232, 112, 73, 17}, true},
        {"Command10", {320, 112, 97, 57}, false},   {"Command12", {424, 112, 97, 57}, false},
        {"ListView1", {16, 184, 505, 337}, true},   {"Text1", {536, 144, 377, 18}, false},
        {"Command9", {824, 112, 89, 17}, true},     {"aicAlphaImage3", {936, 72, 106, 100}, true},
        {"Picture1", {536, 184, 217, 337}, true},   {"Image1", {24, 16, 164, 164}, true},
        {"Picture2", {760, 184, 281, 249}, true},   {"Command7", {16, 133, 121, 33}, true},
        {"Command16", {144, 133, 121, 33}, true},   {"Command13", {16, 170, 121, 33}, true},
        {"Command8", {144, 170, 121, 33}, true},    {"Command2", {16, 208, 249, 33}, true},
        {"Slider1", {752, 448, 297, 25}, true},     {"Command4", {760, 480, 81, 41}, true},
        {"Command3", {848, 480, 105, 41}, true},    {"Command5", {960, 480, 81, 41}, true},
        {"Picture3", {304, 56, 497, 433}, true},
    };
    for (const Placed &p : placed) {
        const QWidget *w = window->findChild<QWidget *>(QLatin1String(p.name));
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), p.geometry) << p.name;
        EXPECT_EQ(w->isEnabled(), p.enabled) << p.name;
    }
    EXPECT_FALSE(control<QWidget>("Picture3")->isVisibleTo(window.get()));
    EXPECT_FALSE(control<QWidget>("aicAlphaImage2")->isVisibleTo(window.get()));
    EXPECT_EQ(control<QWidget>("aicAlphaImage3")->toolTip(), QStringLiteral("提取音乐"));
    EXPECT_EQ(control<QPushButton>("Command7")->text(), QStringLiteral("在线播放"));
    EXPECT_EQ(caption("Label8_0"), QStringLiteral("运行提示："));
    EXPECT_EQ(caption("Label8_2"), QStringLiteral("Solvane出品"));
    EXPECT_EQ(caption("Label1"), QStringLiteral("歌手名：未查询"));
    EXPECT_EQ(caption("Label7"), QStringLiteral("分享次数：未查询"));
    EXPECT_EQ(status(), QStringLiteral("正在检测是否最新版本.."));

    const auto *list = control<QTreeWidget>("ListView1");
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("音乐名称(双击可解析文件地址)"));
    EXPECT_EQ(list->header()->sectionSize(0), 60);
    EXPECT_EQ(list->header()->sectionSize(1), 100);
    EXPECT_EQ(list->header()->sectionSize(2), 260);
    EXPECT_EQ(list->header()->sectionSize(3), 0);
    for (const char *picture : {"Image10", "Image9", "Image8"})
        EXPECT_FALSE(control<QLabel>(picture)->isVisibleTo(window.get())) << picture;
    EXPECT_EQ(control<QLabel>("Image10")->pixmap().size(), QSize(13, 101));
    EXPECT_EQ(control<QLabel>("Image9")->pixmap().size(), QSize(70, 69));
    EXPECT_EQ(control<QLabel>("Image8")->pixmap().size(), QSize(400, 70));
}

TEST_F(Start, LabelsSizedToTheirCaptionFollowEveryNewCaption)
{
    window = startWindow();
    auto *line = control<QLabel>("Label8_1");
    const int welcomeWidth = line->width();
    window->setStatus(QStringLiteral("短"));
    EXPECT_LT(line->width(), welcomeWidth);
    EXPECT_EQ(line->width(), line->sizeHint().width());
}

TEST_F(Start, TheCurrentVersionUnlocksTheAddressBoxes)
{
    window = startWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(status(), QStringLiteral("欢迎使用Solvane系列软件 .."));
    for (const char *name : {"Text1", "Text2", "Command10", "Command12"})
        EXPECT_TRUE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
    EXPECT_EQ(control<QSlider>("Slider1")->value(), 1000);
    EXPECT_EQ(control<QWidget>("Image3")->geometry(), QRect(2, 536, 1060, 36));
    EXPECT_EQ(service().requestCount(kVersionFile), 1);
}

TEST_F(Start, AnotherVersionOpensTheForumAndEndsTheProgram)
{
    serveVersion(QStringLiteral("cb:V3.3|"));
    window = startWindow();
    ASSERT_EQ(platform::messageBoxLog().size(), 1);
    const auto &box = platform::messageBoxLog().first();
    EXPECT_EQ(box.text, QStringLiteral("发现最新版本![V3.3]\r\n \r\n确定后自动打开官方论坛!"));
    EXPECT_EQ(box.title, QStringLiteral("Solvane系列软件"));
    EXPECT_EQ(box.icon, platform::MessageIcon::Information);
    ASSERT_EQ(platform::shellLog().size(), 1);
    EXPECT_EQ(platform::shellLog().first().url, QUrl(QStringLiteral("http://bbs.solvane.com")));
    EXPECT_EQ(platform::endProgramCount(), 1);
    EXPECT_TRUE(platform::mciCommandLog().isEmpty()) << "ending at once sends no command";
    EXPECT_FALSE(control<QWidget>("Text1")->isEnabled());
}

TEST_F(Start, NoUsableAnswerWarnsAndKeepsTheBoxesLocked)
{
    const auto expectLocked = [this](const char *why) {
        ASSERT_EQ(platform::messageBoxLog().size(), 1) << why;
        EXPECT_EQ(platform::messageBoxLog().first().text, QStringLiteral("检测更新失败!请您稍后再试,暂时使用原版")) << why;
        EXPECT_EQ(platform::messageBoxLog().first().icon, platform::MessageIcon::Exclamation) << why;
        EXPECT_EQ(status(), QStringLiteral("正在检测是否最新版本..")) << why;
        for (const char *name : {"Text1", "Text2", "Command10", "Command12"})
            EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name << " " << why;
        EXPECT_EQ(platform::endProgramCount(), 0) << why;
        EXPECT_TRUE(platform::shellLog().isEmpty()) << why;
    };

    serveVersion(QString(), 500);
    window = startWindow();
    expectLocked("empty server error");

    platform::clearMessageBoxLog();
    serveVersion(QStringLiteral("<html><body>502 Bad Gateway</body></html>"), 502);
    window = startWindow();
    expectLocked("an error page is not a version file");

    platform::clearMessageBoxLog();
    servicedouble::ScriptedResponse reset;
    reset.body = "cb:V3.2|";
    reset.cutAfter = 0;
    service().script(kVersionFile, reset);
    window = startWindow();
    expectLocked("connection dropped");
}

TEST_F(Start, PasteWorksIntoTheLockedBoxes)
{
    serveVersion(QString(), 500);
    window = startWindow();
    QApplication::clipboard()->setText(QStringLiteral("http://changba.com/s/abc"));
    QTest::mouseClick(control<QPushButton>("Command9"), Qt::LeftButton);
    EXPECT_EQ(control<QLineEdit>("Text1")->text(), QStringLiteral("http://changba.com/s/abc"));
    QTest::mouseClick(control<QPushButton>("Command11"), Qt::LeftButton);
    EXPECT_EQ(control<QLineEdit>("Text2")->text(), QStringLiteral("http://changba.com/s/abc"));
}

TEST_F(Start, ClosingDuringTheCheckLeavesTheWindowAlone)
{
    servicedouble::ScriptedResponse slow;
    slow.body = "cb:V3.2|";
    slow.delayMs = 800;
    service().script(kVersionFile, slow);
    window = std::make_unique<Form1>();
    QTimer::singleShot(100, window.get(), [this] { control<QPushButton>("Command5")->click(); });
    window->Form_Load();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
    EXPECT_EQ(status(), QStringLiteral("正在检测是否最新版本.."));
    EXPECT_FALSE(control<QWidget>("Text1")->isEnabled());
    EXPECT_EQ(platform::mciCommandLog(), QStringList{QStringLiteral("close all")});
}

TEST_F(Start, ExitAndLinkButtons)
{
    window = startWindow();
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
    ASSERT_EQ(platform::shellLog().size(), 2);
    EXPECT_EQ(platform::shellLog().at(0).url, QUrl(QStringLiteral("http://bbs.solvane.com")));
    EXPECT_EQ(platform::shellLog().at(1).url, QUrl(QStringLiteral("http://www.solvane.com")));

    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(platform::mciCommandLog(), QStringList{QStringLiteral("close all")});
}

TEST_F(Start, WorksListColumnsCannotBeResized)
{
    window = startWindow();
    auto *list = control<QTreeWidget>("ListView1");
    QHeaderView *header = list->header();
    const int widths[] = {60, 100, 260, 0};
    const auto expectWidths = [&](const char *after) {
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(header->sectionSize(column), widths[column]) << "column " << column << " after " << after;
    };

    // The divider between the first and second column, and the one hiding the fourth.
    for (const int x : {60, 420}) {
        const QPoint divider(x - 1, header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, divider);
        QTest::mouseMove(header->viewport(), divider + QPoint(60, 0));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, divider + QPoint(60, 0));
        expectWidths("a drag");
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);
        expectWidths("a double click");
    }
}

TEST(Skin, AStyleSheetBesideTheProgramIsAttachedAndAMissingOneChangesNothing)
{
    const QString before = qApp->styleSheet();
    EXPECT_NE(platform::SkinH_AttachEx(QStringLiteral("/no/such/folder/skinh.she"), QString()), 0);
    EXPECT_EQ(qApp->styleSheet(), before);

    QTemporaryDir folder;
    QFile skin(folder.filePath(QStringLiteral("skinh.she")));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.write("QPushButton { color: #B0122B; }");
    skin.close();
    EXPECT_EQ(platform::SkinH_AttachEx(skin.fileName(), QString()), 0);
    EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QPushButton { color: #B0122B; }"));
    qApp->setStyleSheet(before);
}

// quillory ADDRESS: the address waits in Text1 until the update check unlocks the box,
// then it is looked up once, with the statuses typing it would give.
TEST_F(Start, AnAddressFromTheCommandLineIsLookedUpOnceTheBoxesUnlock)
{
    const std::string share = "http://changba.com/s/Wc7nGGH3ZBbq";
    struct Case {
        QString address;
        QString status;
        int pageRequests;
    };
    const Case cases[] = {
        {QString::fromStdString(share), QString(), 1},
        {QStringLiteral("http://example.com/s/other"), QStringLiteral("地址错误,请您检查 .."), 0},
        {QStringLiteral("  "), QStringLiteral("地址错误,请您检查 .."), 0},
    };
    for (const Case &c : cases) {
        const int before = service().requestCount(share);
        window = std::make_unique<Form1>();
        window->setStartAddress(c.address);
        EXPECT_EQ(control<QLineEdit>("Text1")->text(), c.address);
        EXPECT_EQ(service().requestCount(share), before) << "nothing is looked up before the check";
        window->Form_Load();
        EXPECT_EQ(service().requestCount(share) - before, c.pageRequests) << c.address.toStdString();
        if (c.pageRequests) {
            EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
            EXPECT_FALSE(window->songRecord().strMusicUrl.isEmpty());
        } else {
            EXPECT_EQ(status(), c.status) << c.address.toStdString();
            EXPECT_TRUE(window->songRecord().strMusicUrl.isEmpty());
        }
        EXPECT_EQ(control<QLineEdit>("Text1")->text(), c.address);
        EXPECT_TRUE(platform::messageBoxLog().isEmpty());
    }
}

TEST_F(Start, AnAddressFromTheCommandLineWaitsInTheLockedBoxWhenTheCheckFails)
{
    const std::string share = "http://changba.com/s/Wc7nGGH3ZBbq";
    serveVersion(QString(), 500);
    const int before = service().requestCount(share);
    window = std::make_unique<Form1>();
    window->setStartAddress(QString::fromStdString(share));
    window->Form_Load();
    EXPECT_EQ(service().requestCount(share), before);
    EXPECT_EQ(control<QLineEdit>("Text1")->text(), QString::fromStdString(share));
    EXPECT_FALSE(control<QWidget>("Text1")->isEnabled());
    EXPECT_EQ(status(), QStringLiteral("正在检测是否最新版本.."));
}
