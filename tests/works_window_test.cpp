#include "net/pagefetch.h"
#include "platform/mci.h"
#include "platform/messagebox.h"
#include "windowtest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QString kSinger = QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20130815");
const QString kNoWorks = QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=20140001");
const std::string kOther = "http://changba.com/member/personcenter/userPage.php?uid=30000001";
const QString kResolve = QStringLiteral("http://changba.com/member/personcenter/loadplayurl.php?wid=");
const QString kDone = QStringLiteral("获取完毕..");
const QString kNoWorksNotice = QStringLiteral("当前歌手没有音乐作品或未开通唱吧会员无法获取");

QString twoWorks(const QString &first, const QString &second)
{
    return QStringLiteral("<ul><li><a data-id=\"%1\">一</a></li><li><a data-id=\"%2\">二</a></li></ul>"
                          "<a data-id=\"more\">更多</a>")
        .arg(first, second);
}

class Works : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window = startWindow();
        list = control<QTreeWidget>("ListView1");
        text2 = control<QLineEdit>("Text2");
        command10 = control<QPushButton>("Command10");
        timer3 = control<QTimer>("Timer3");
        timer4 = control<QTimer>("Timer4");
    }

    void fetchWorks(const QString &address)
    {
        text2->setText(address);
        command10->click();
    }
    bool listed() { return waitUntil([this] { return status() == kDone; }, 2000); }
    bool panelReady() const { return command10->isEnabled() && text2->isEnabled(); }

    QStringList rowTexts(int column) const
    {
        QStringList texts;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            texts.append(list->topLevelItem(row)->text(column));
        return texts;
    }

    void doubleClickRow(int row) { ::doubleClickRow(list, row); }
    void doubleClickAt(QPoint at) { ::doubleClickAt(list, at); }

    QTreeWidget *list = nullptr;
    QLineEdit *text2 = nullptr;
    QPushButton *command10 = nullptr;
    QTimer *timer3 = nullptr;
    QTimer *timer4 = nullptr;
};

} // namespace

TEST_F(Works, ASingerPageListsEveryWorkButTheLastMarker)
{
    fetchWorks(kSinger);
    EXPECT_EQ(status(), QStringLiteral("正在进行获取..")) << "rows come a moment after the click";
    EXPECT_FALSE(panelReady());
    EXPECT_TRUE(timer3->isActive());
    EXPECT_TRUE(timer4->isActive());
    EXPECT_EQ(window->worksCounts()[0], 6);

    ASSERT_TRUE(listed());
    EXPECT_EQ(rowTexts(0), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(rowTexts(1), (QStringList{"1043562829", "1049990007", "1043570016", "986754321", "1050001234"}));
    EXPECT_EQ(rowTexts(2), (QStringList{"后来", "童话", "Love-Story", "小幸运", "夜空中最亮的星"}));
    EXPECT_EQ(rowTexts(3).first(), kResolve + QStringLiteral("1043562829"));
    EXPECT_TRUE(panelReady());
    EXPECT_FALSE(timer3->isActive());
    EXPECT_FALSE(timer4->isActive());

    QTest::qWait(2100);
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
    EXPECT_EQ(list->headerItem()->data(3, Qt::UserRole).toString(), QStringLiteral("dz"));
}

TEST_F(Works, RefusedAddressesChangeNothing)
{
    fetchWorks(kSinger);
    ASSERT_TRUE(listed());
    const size_t requests = service().requests().size();

    fetchWorks(QString());
    EXPECT_EQ(status(), QStringLiteral("请输入歌手主页地址 .."));
    fetchWorks(QStringLiteral("http://changba.com/member/personcenter/userpage.php?uid=20130815"));
    EXPECT_EQ(status(), QStringLiteral("地址错误,请您检查 .."));
    EXPECT_EQ(list->topLevelItemCount(), 5);
    EXPECT_TRUE(panelReady());
    EXPECT_EQ(service().requests().size(), requests);
}

TEST_F(Works, OneMarkerGivesAnEmptyListWithoutNotice)
{
    servePage("http://changba.com/member/personcenter/userPage.php?uid=1",
              QStringLiteral("<a data-id=\"more\">更多</a>"));
    fetchWorks(QStringLiteral("http://changba.com/member/personcenter/userPage.php?uid=1"));
    ASSERT_TRUE(listed());
    EXPECT_EQ(list->topLevelItemCount(), 0);
    QTest::qWait(2100);
    EXPECT_EQ(status(), kDone);
    EXPECT_TRUE(platform::messageBoxLog().isEmpty());
}

TEST_F(Works, ASingerWithoutWorksIsReportedAfterTwoSeconds)
{
    bool readyWhileAsked = true;
    answer = [this, &readyWhileAsked](const platform::MessageBoxRequest &) {
        readyWhileAsked = panelReady();
        return platform::MessageAnswer::Ok;
    };
    QElapsedTimer clock;
    clock.start();
    fetchWorks(kNoWorks);
    EXPECT_FALSE(timer3->isActive());
    ASSERT_TRUE(waitUntil([this] { return status() == kNoWorksNotice; }, 4000));
    EXPECT_GE(clock.elapsed(), 1900);

    ASSERT_EQ(platform::messageBoxLog().size(), 1);
    const platform::MessageBoxRequest &notice = platform::messageBoxLog().first();
    EXPECT_EQ(notice.text, kNoWorksNotice + QStringLiteral("!"));
    EXPECT_EQ(notice.title, QStringLiteral("Solvane系列软件"));
    EXPECT_EQ(notice.icon, platform::MessageIcon::Information);
    EXPECT_EQ(notice.buttons, platform::MessageButtons::Ok);
    EXPECT_FALSE(readyWhileAsked) << "the panel unlocks once the box is closed";
    EXPECT_TRUE(panelReady());
    EXPECT_FALSE(timer4->isActive());
}

TEST_F(Works, ASecondBatchReplacesTheFirst)
{
    fetchWorks(kSinger);
    ASSERT_TRUE(listed());

    servicedouble::ScriptedResponse slow;
    slow.body = twoWorks(QStringLiteral("41"), QStringLiteral("42")).toStdString();
    slow.delayMs = 300;
    service().script(kOther, slow);
    bool lockedWhileFetching = false;
    QTimer::singleShot(150, window.get(), [&] { lockedWhileFetching = !command10->isEnabled() && !text2->isEnabled(); });
    fetchWorks(QString::fromStdString(kOther));
    EXPECT_TRUE(lockedWhileFetching);
    ASSERT_TRUE(listed());
    EXPECT_EQ(rowTexts(1), (QStringList{"41", "42"}));
}

TEST_F(Works, ClearingTheListKeepsThePageAndCount)
{
    fetchWorks(kSinger);
    ASSERT_TRUE(listed());
    const QString page = window->worksBuffers()[0];
    control<QPushButton>("Command12")->click();
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(window->worksBuffers()[0], page);
    EXPECT_EQ(window->worksBuffers()[2], QStringLiteral("1050001234"));
    EXPECT_EQ(window->worksCounts()[0], 6);
    EXPECT_EQ(status(), kDone);
}

TEST_F(Works, AFailedFetchEndsTheBatch)
{
    fetchWorks(kSinger);
    ASSERT_TRUE(listed());

    servicedouble::ScriptedResponse dropped;
    dropped.body = twoWorks(QStringLiteral("1"), QStringLiteral("2")).toStdString();
    dropped.cutAfter = 20;
    service().script(kOther, dropped);
    fetchWorks(QString::fromStdString(kOther));
    EXPECT_EQ(status(), QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
    EXPECT_TRUE(panelReady());
    EXPECT_EQ(list->topLevelItemCount(), 5) << "the previous singer's list stays";
    EXPECT_FALSE(timer3->isActive() || timer4->isActive());

    servePage(kOther, QString());
    fetchWorks(QString::fromStdString(kOther));
    EXPECT_EQ(status(), QStringLiteral("歌手主页获取失败,请您稍后再试 .."));
    EXPECT_TRUE(panelReady());
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(timer3->isActive() || timer4->isActive());
}

TEST_F(Works, ADoubleClickLoadsTheWorkThenStopsPlayback)
{
    const QString share = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq");
    const net::PageResult sharePage = net::GetBody(share);
    ASSERT_TRUE(sharePage.answered());
    servicedouble::ScriptedResponse slowShare;
    slowShare.body = sharePage.text.toStdString();
    slowShare.delayMs = 300;
    service().script(share.toStdString(), slowShare);
    // A work id of the list that differs from the one the share page gives.
    servePage(kOther, twoWorks(QStringLiteral("777"), QStringLiteral("778")));
    servePage((kResolve + QStringLiteral("777")).toStdString(), share, 200, "text/plain; charset=utf-8");

    fetchWorks(QString::fromStdString(kOther));
    ASSERT_TRUE(listed());
    auto *command7 = control<QPushButton>("Command7");
    command7->setText(QStringLiteral("停止播放"));
    platform::clearMciCommandLog();

    QString text1DuringLookup;
    bool stoppedDuringLookup = true;
    QTimer::singleShot(150, window.get(), [&] {
        text1DuringLookup = control<QLineEdit>("Text1")->text();
        stoppedDuringLookup = !platform::mciCommandLog().isEmpty() || command7->text() == QStringLiteral("在线播放");
    });
    doubleClickRow(0);

    EXPECT_EQ(text1DuringLookup, share);
    EXPECT_FALSE(stoppedDuringLookup) << "playback ends only after the lookup";
    EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    EXPECT_EQ(caption("Label1"), QStringLiteral("用户名：林小雨"));
    EXPECT_EQ(window->songRecord().strMusicUrl,
              QStringLiteral("http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3"));
    EXPECT_EQ(window->songRecord().strWorkId, QStringLiteral("777"));
    EXPECT_EQ(window->worksBuffers()[5], share);
    EXPECT_EQ(command7->text(), QStringLiteral("在线播放"));
    EXPECT_EQ(platform::mciCommandLog(), QStringList{QStringLiteral("close all")});
}

TEST_F(Works, DoubleClicksThatLoadNothingChangeNothing)
{
    servePage(kOther, twoWorks(QStringLiteral("777"), QStringLiteral("778")));
    servicedouble::ScriptedResponse dropped;
    dropped.body = "http://changba.com/s/Wc7nGGH3ZBbq";
    dropped.cutAfter = 5;
    service().script((kResolve + QStringLiteral("778")).toStdString(), dropped);
    fetchWorks(QString::fromStdString(kOther));
    ASSERT_TRUE(listed());
    auto *text1 = control<QLineEdit>("Text1");
    text1->setText(QStringLiteral("typed by the user"));
    platform::clearMciCommandLog();

    // Below the last row.
    doubleClickAt(QPoint(40, list->viewport()->height() - 5));
    EXPECT_EQ(text1->text(), QStringLiteral("typed by the user"));

    // A resolve request without an answer.
    doubleClickRow(1);
    EXPECT_EQ(status(), QStringLiteral("网页获取失败,请您稍后再试 .."));
    EXPECT_EQ(text1->text(), QStringLiteral("typed by the user"));
    EXPECT_EQ(window->songRecord().strWorkId, QString());
    EXPECT_TRUE(platform::mciCommandLog().isEmpty());
    EXPECT_EQ(service().requestCount((kResolve + QStringLiteral("777")).toStdString()), 0);
}

// From the keyboard: Return in Text2 lists the works, the arrow keys, Home and End move the
// current row, Return loads it as a double click does, Shift+F10 opens the list's menu.
TEST_F(Works, TheKeyboardLoadsTheCurrentWork)
{
    const QString share = QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq");
    servePage(kOther, twoWorks(QStringLiteral("777"), QStringLiteral("778")));
    for (const char *id : {"777", "778"})
        servePage((kResolve + QLatin1String(id)).toStdString(), share, 200, "text/plain; charset=utf-8");
    text2->setText(QString::fromStdString(kOther));
    text2->setFocus();
    QTest::keyClick(text2, Qt::Key_Return);
    ASSERT_TRUE(listed());

    const std::pair<QList<Qt::Key>, QString> table[] = {{{Qt::Key_Home, Qt::Key_Down}, QStringLiteral("778")},
                                                        {{Qt::Key_End, Qt::Key_Up}, QStringLiteral("777")},
                                                        {{Qt::Key_End}, QStringLiteral("778")}};
    list->setFocus();
    for (const auto &[keys, workId] : table) {
        for (const Qt::Key key : keys + QList{Qt::Key_Return})
            QTest::keyClick(list, key);
        EXPECT_EQ(window->songRecord().strWorkId, workId);
        EXPECT_EQ(caption("Label2"), QStringLiteral("演唱歌曲：后来"));
    }

    QString menu;
    QTimer::singleShot(100, window.get(), [&] {
        menu = QApplication::activePopupWidget()->objectName();
        QApplication::activePopupWidget()->close();
    });
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(menu, QStringLiteral("worksMenu"));
}
