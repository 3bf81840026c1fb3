#pragma once

#include "app/frame.h"
#include "download/batchdownload.h"
#include "download/filetags.h"
#include "song/songpage.h"

#include <QPersistentModelIndex>
#include <QSet>
#include <QWidget>

#include <array>

class AlphaImage;
class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class Form2;
class CaptionLabel;
class Cls_DownLoad;
class QLabel;
class QLineEdit;
class QPainter;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
namespace platform {
class LauncherEntry;
class MediaControls;
class Notifier;
}

// The program's one main window. It owns every control and all state of the run:
// the song record and lookup slots, the works state, the downloader.
// The handlers are spread over the subsystem folders: start-up and exits here in
// app/, the song lookup and address commands in song/, the download panel in download/.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: skin, status strip, show, volume, list hook, then the update check.
    void Form_Load();

    // A request to end from outside the window's handlers (the session ending, the
    // desktop's close request over a modal box): the same as closing the window.
    void endRequested();

    // An address from the command line: shown in its box now (Text1, or Text2 for a singer's
    // home page), looked up once the update check has unlocked the boxes (never when it
    // keeps them locked).
    void setStartAddress(const QString &address);

    // Whether saved songs get their names, description and picture written into them: the
    // download panel's box, ticked unless the command line said --no-tags.
    void setWriteTags(bool on);

    // The status line: every command reports here by replacing its text.
    void setStatus(const QString &text);

    const SongRecord &songRecord() const { return record; }
    const LookupSlots &lookupSlots() const { return pieces; }
    const QString &savePath() const { return strSavePath; }

    // works/: the singer-works state (page, row slots, last resolve answer; marker count)
    const std::array<QString, 11> &worksBuffers() const { return strBuf; }
    const std::array<qint16, 11> &worksCounts() const { return intCount; }

    // app/ (desktop.cpp): another start of the program handed this window an address ("":
    // it only comes to the front), looked up as openAddress does.
    void handOver(const QString &address);
    // A share page goes to Text1 and is looked up, a singer's home page to Text2 and is
    // scanned; while the update check keeps the boxes locked it waits in its box.
    void openAddress(const QString &address);

protected:
    void closeEvent(QCloseEvent *event) override;

    // app/ (frame.cpp): the painted frame and its mouse handling
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

    // app/ (desktop.cpp): a link dropped on the window goes where pasting it goes
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString startAddress;

    void buildAddressRow();
    void buildSingerPanel();
    void buildSongPanel();
    void buildDownloadPanel();
    void buildBottomButtons();
    void buildStatusBar();
    void buildFramePictures();
    // app/ (accessibility.cpp): names for assistive technology, Tab order, Return and Escape
    void buildKeyboardAccess();

    // app/
    void gx();
    void Form_QueryUnload();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // app/ (frame.cpp): frame, title buttons, window and panel drag
    void buildFrame();
    void Form_Paint(QPainter &painter);
    void Form_MouseMove(float x, float y);
    void Form_MouseDown(Qt::MouseButton button, float x, float y, QPointF globalPosition);
    void Form_MouseUp(Qt::MouseButton button, float x, float y);
    void Picture3_MouseDown(Qt::MouseButton button, QPointF globalPosition);
    void drawTitleButtons(frame::Looks looks);

    // song/
    void aicAlphaImage3_Click();
    void Command9_Click();
    void Command11_Click();
    void Command13_Click();

    // mv/
    void Command8_Click();

    // player/
    void play(const QString &musicpath);
    void Command7_Click();
    void Command16_Click();
    void Slider1_Scroll();

    // works/
    void Command10_Click();
    void hx();
    void Timer3_Timer();
    void Timer4_Timer();
    void Command12_Click();
    void ListView1_DblClick(QTreeWidgetItem *row);
    void buildWorksMenu();
    void updateWorksActions();
    void ListView1_ContextMenu(const QPoint &at);
    void downloadChosenWorks();
    void downloadAllWorks();
    void retryFailedWorks();
    void queueRows(const QList<QTreeWidgetItem *> &rows);

    // download/
    void createDownloader();
    void Command2_Click();
    void Command1_Click();
    void Command6_Click();
    void aicAlphaImage4_Click();
    // The panel's note names the folder that holds what was saved, when nothing could show it.
    void noteSavedFolder(const QString &folder);
    void Cdf_entDLFileDowning(const QString &sRemoteURL, qint64 lDownLoaded, qint64 lFilesize, qint64 lSpeed);
    void Cdf_entDLFileStatus(int TmpState);
    // The song the panel saves: taken when it opens, and again when the song on show
    // changes while the panel is open and idle, so that a file's name and its bytes
    // always belong to the same song.
    void takePanelSong();
    void followSongOnShow();
    void showPanelSong();
    bool panelIdle() const;
    void downloadWorks(const QList<QueuedWork> &works);
    void showQueuedWork(int position, int count);
    void showQueuedNames(const QString &song, const QString &singer);
    void showWorkState(int index, const BatchDownload::WorkState &state);

    // Address row and works list
    CaptionLabel *Label11_0 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command12 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QTimer *Timer3 = nullptr;
    QTimer *Timer4 = nullptr;
    QAction *downloadChosenAction = nullptr; // "下载选中作品", also Ctrl+S
    QAction *downloadAllAction = nullptr;    // "下载全部作品"
    QAction *retryFailedAction = nullptr;    // "重试失败作品"
    // The rows of the last queue, in its order (invalid once the list lost them), and
    // which of them it left failed.
    QList<QPersistentModelIndex> queuedRows;
    QList<int> failedRows;
    int serverWaitShown = -1; // the work whose server's wait the status line tells, if any
    CaptionLabel *Label11_1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command9 = nullptr;
    AlphaImage *aicAlphaImage3 = nullptr;

    // Singer panel
    QWidget *Picture1 = nullptr;
    QLabel *Image1 = nullptr;
    AlphaImage *aicAlphaImage1 = nullptr;
    CaptionLabel *Label1 = nullptr;
    CaptionLabel *Label4 = nullptr;
    CaptionLabel *Label3 = nullptr;
    CaptionLabel *Label10 = nullptr;
    QLabel *Image2 = nullptr;

    // Song panel
    QWidget *Picture2 = nullptr;
    CaptionLabel *Label2 = nullptr;
    AlphaImage *aicAlphaImage2 = nullptr;
    CaptionLabel *Label5 = nullptr;
    CaptionLabel *Label6 = nullptr;
    CaptionLabel *Label7 = nullptr;
    CaptionLabel *Label9 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command16 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command2 = nullptr;
    QSlider *Slider1 = nullptr;

    // Download panel
    QWidget *Picture3 = nullptr;
    CaptionLabel *Label12 = nullptr;
    AlphaImage *aicAlphaImage4 = nullptr;
    QWidget *Picture6 = nullptr;
    CaptionLabel *Label15 = nullptr;
    QWidget *Picture4 = nullptr;
    CaptionLabel *Label13 = nullptr;
    QPushButton *Command1 = nullptr;
    QWidget *Picture5 = nullptr;
    CaptionLabel *Label14 = nullptr;
    CaptionLabel *Label17 = nullptr;
    CaptionLabel *Label16 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Command6 = nullptr;
    QCheckBox *writeTagsCheck = nullptr; // "写入歌名、歌手与头像"

    // Bottom right buttons
    QPushButton *Command4 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command5 = nullptr;

    // Status bar
    QLabel *Image3 = nullptr;
    CaptionLabel *Label8_0 = nullptr;
    QWidget *Line1 = nullptr;
    CaptionLabel *Label8_1 = nullptr;
    QWidget *Line2 = nullptr;
    CaptionLabel *Label8_2 = nullptr;

    // Frame pictures, kept hidden as sources for the painted frame
    QLabel *Image10 = nullptr;
    QLabel *Image9 = nullptr;
    QLabel *Image8 = nullptr;

    // The title buttons' looks since the mouse last moved or pressed, whether the mouse
    // went down on the window's own surface, and the drags in progress
    frame::Looks titleLooks;
    bool surfacePressed = false;
    frame::Drag windowDrag;
    frame::Drag panelDrag;

    // Song record and lookup slots; what a saved song of the last lookup says of itself
    SongRecord record;
    LookupSlots pieces;
    download::SongTags songTags;
    quint64 lookups = 0;

    // MV export: the last page line written, and the MV window once it was first shown
    QString strMvHtml;
    Form2 *mvWindow = nullptr;

    // Singer-works state: strBuf(0) the singer page, 1 to 4 the slots of the row being
    // built, 5 the last resolve answer; intCount(0) the number of work markers.
    std::array<QString, 11> strBuf;
    std::array<qint16, 11> intCount{};

    // Download: the file the panel writes, the song it writes there, and the downloader
    QString strSavePath;
    struct PanelSong {
        QString song;
        QString singer;
        QString address; // "" when the song on show has no media address of its own
        MediaKind kind = MediaKind::Audio;
        download::SongTags tags;
        quint64 lookup = 0; // the lookup it came from
    };
    PanelSong panelSong;
    bool pathChosen = false; // strSavePath comes from 浏览..
    bool nameTyped = false;  // ... with a file name the user typed instead of the song's
    Cls_DownLoad *Cdf = nullptr;
    // Saves many works of the list with Cdf, one after another
    BatchDownload *batch = nullptr;

    // app/ (desktop.cpp): the desktop's services around the window, each quiet where the
    // desktop lacks it: the media controls, the launcher's progress, word when a save ends
    void installDesktopServices();
    void showPlayback();
    void saveEnded(const QString &place, bool isFolder, bool stopped);
    platform::MediaControls *mediaControls = nullptr;
    platform::LauncherEntry *launcher = nullptr;
    platform::Notifier *notifier = nullptr;
    QString avatarAddress;  // the singer's picture of the song on show
    QSet<int> worksLeft;    // the works of the running queue still to do
};
