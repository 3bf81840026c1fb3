#include "waitingstates.h"

#include "app/form1.h"
#include "download/cls_download.h"
#include "download/downloadmath.h"
#include "net/pagefetch.h"
#include "platform/mci.h"
#include "servicedouble.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const std::string kShare = "http://changba.com/s/Wc7nGGH3ZBbq"; // 后来 by 林小雨, with an MV
const std::string kAvatar = "http://aliimg.changba.com/cache/photo/855237_200_200.jpg";
const std::string kAudio = "http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3";
const std::string kSinger = "http://changba.com/member/personcenter/userPage.php?uid=20130815";
const std::string kResolve = "http://changba.com/member/personcenter/loadplayurl.php?wid=1043562829";

template<typename T>
T *control(Form1 &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}

// An answer that trickles in for about 13 s, far longer than any row needs. A trickle
// rather than a late answer: the double stops writing as soon as the program hangs up,
// so no answer is still pending when the test program ends.
void answerLate(servicedouble::ServiceDouble &service, const std::string &url, const std::string &contentType)
{
    servicedouble::ScriptedResponse late;
    late.body = std::string(2048, ' ');
    late.contentType = contentType;
    late.chunkSize = 16;
    late.chunkDelayMs = 100;
    service.script(url, late);
}

// A song of 4 MB that trickles in (about 40 s): the transfer runs while the row plays.
void trickleAudio(servicedouble::ServiceDouble &service)
{
    servicedouble::ScriptedResponse slow;
    slow.body = std::string(4 * 1024 * 1024, '\x5a');
    slow.contentType = "audio/mpeg";
    slow.chunkSize = 4096;
    slow.chunkDelayMs = 40;
    service.script(kAudio, slow);
}

void lookUp(Form1 &window)
{
    control<QLineEdit>(window, "Text1")->setText(QString::fromStdString(kShare));
    QTest::mouseClick(control<QWidget>(window, "aicAlphaImage3"), Qt::LeftButton);
}

void fetchWorks(Form1 &window)
{
    control<QLineEdit>(window, "Text2")->setText(QString::fromStdString(kSinger));
    control<QPushButton>(window, "Command10")->click();
}

void startDownload(Form1 &window)
{
    lookUp(window);
    control<QPushButton>(window, "Command2")->click();
    control<QPushButton>(window, "Command6")->click();
}

bool fetching(Form1 &)
{
    return !net::networkManager().findChildren<QNetworkReply *>().isEmpty();
}

bool downloading(Form1 &window)
{
    const auto *cdf = window.findChild<Cls_DownLoad *>(QStringLiteral("Cdf"));
    return cdf && cdf->isBusy() && QFileInfo(download::partPath(window.savePath())).size() > 0;
}

template<typename T>
bool modalIs()
{
    return qobject_cast<T *>(QApplication::activeModalWidget()) != nullptr;
}

const std::vector<WaitingState> kStates = {
    {"SharePage", false, kShare,
     [](servicedouble::ServiceDouble &s) { answerLate(s, kShare, "text/html; charset=utf-8"); }, lookUp, fetching},
    {"Picture", false, kAvatar, [](servicedouble::ServiceDouble &s) { answerLate(s, kAvatar, "image/jpeg"); },
     lookUp, fetching},
    {"SingerPage", false, kSinger,
     [](servicedouble::ServiceDouble &s) { answerLate(s, kSinger, "text/html; charset=utf-8"); }, fetchWorks,
     fetching},
    {"Resolve", false, kResolve,
     [](servicedouble::ServiceDouble &s) { answerLate(s, kResolve, "text/html; charset=utf-8"); },
     [](Form1 &w) {
         fetchWorks(w);
         auto *list = control<QTreeWidget>(w, "ListView1");
         for (int i = 0; i < 300 && list->topLevelItemCount() == 0; ++i)
             QTest::qWait(10);
         QTreeWidgetItem *item = list->topLevelItem(0);
         if (!item)
             return;
         list->scrollToItem(item);
         QTest::qWait(50);
         const QPoint at = list->visualItemRect(item).center();
         QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
         QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
     },
     fetching},
    {"Download", false, kAudio, trickleAudio, startDownload, downloading},
    {"StopQuestion", true, kAudio, trickleAudio,
     [](Form1 &w) {
         // The stop button, pressed once the transfer runs: its question stays open.
         QTimer::singleShot(500, &w, [&w] { control<QPushButton>(w, "Command6")->click(); });
         startDownload(w);
     },
     [](Form1 &w) { return downloading(w) && modalIs<QMessageBox>(); }},
    {"PlaybackStarting", false, "",
     [](servicedouble::ServiceDouble &s) { answerLate(s, kAudio, "audio/mpeg"); },
     [](Form1 &w) {
         lookUp(w);
         control<QPushButton>(w, "Command7")->click();
     },
     [](Form1 &) { return platform::mciOpenDeviceCount() > 0; }},
    {"SingerScanTimers", false, "", [](servicedouble::ServiceDouble &) {}, fetchWorks,
     [](Form1 &w) { return control<QTimer>(w, "Timer4")->isActive(); }},
    {"MvWindow", true, "", [](servicedouble::ServiceDouble &) {},
     [](Form1 &w) {
         lookUp(w);
         control<QPushButton>(w, "Command8")->click();
     },
     [](Form1 &) { return modalIs<QDialog>() && !modalIs<QMessageBox>(); }},
    {"MessageBox", true, "", [](servicedouble::ServiceDouble &) {},
     // No song looked up: 获取MV says there is no video.
     [](Form1 &w) { control<QPushButton>(w, "Command8")->click(); }, [](Form1 &) { return modalIs<QMessageBox>(); }},
};

} // namespace

const std::vector<WaitingState> &waitingStates()
{
    return kStates;
}

const WaitingState *waitingState(const std::string &name)
{
    for (const WaitingState &state : kStates)
        if (name == state.name)
            return &state;
    return nullptr;
}

QString downloadedSongPath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/Music/后来 - 林小雨.mp3");
}
