#include "app/form1.h"

#include "app/alphaimage.h"
#include "app/captionlabel.h"
#include "app/module1.h"
#include "app/pictures.h"
#include "app/twips.h"
#include "net/endpoints.h"
#include "platform/exit.h"
#include "platform/mci.h"
#include "platform/programfolder.h"
#include "platform/shell.h"
#include "platform/skin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>

// The pictures are compiled into the core library; a static library needs to register them.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    return named(new QPushButton(caption, parent), name, geometry);
}

CaptionLabel *label(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                    bool sizedToCaption)
{
    auto *l = new CaptionLabel(QString(), sizedToCaption, parent);
    named(l, name, geometry);
    l->setCaption(caption);
    return l;
}

QLabel *image(QWidget *parent, const char *name, const QString &picture, const QRect &geometry)
{
    auto *i = named(new QLabel(parent), name, geometry);
    i->setPixmap(storedPicture(picture));
    i->setScaledContents(true);
    return i;
}

QWidget *line(QWidget *parent, const char *name, int x, int top, int bottom)
{
    auto *l = named(new QWidget(parent), name, QRect(px(x), px(top), 1, px(bottom) - px(top)));
    l->setStyleSheet(QStringLiteral("background: white;"));
    l->setAttribute(Qt::WA_StyledBackground);
    return l;
}

void whiteText(QLabel *label)
{
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
}

} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    initResources();
    // The program's ending takes every window out of sight at once, message boxes included.
    platform::setWindowHider([] {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->hide();
    });
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(QStringLiteral("Quillory"));
    setFont(uiFont(9));
    setFixedSize(1063, 575);

    // Hidden behind the singer panel: created first so that it stays below it.
    Image2 = image(this, "Image2", QStringLiteral("avatar.png"), tw(8760, 4920, 1935, 1935));

    buildAddressRow();
    buildSingerPanel();
    buildSongPanel();
    buildDownloadPanel();
    buildBottomButtons();
    buildStatusBar();
    buildFramePictures();
    buildFrame();
    buildKeyboardAccess();
}

Form1::~Form1()
{
    // The list empties itself while the window's children go; nothing of Form1 is left to tell.
    ListView1->model()->disconnect(this);
    ListView1->disconnect(this);
}

void Form1::buildAddressRow()
{
    Label11_0 = label(this, "Label11_0", QStringLiteral("唱吧歌手主页地址：(需唱吧会员)"),
                      tw(240, 1680, 3495, 255), false);
    Label11_0->setFont(uiFont(10.5));
    Text2 = named(new QLineEdit(this), "Text2", tw(240, 2160, 4335, 270));
    Text2->setEnabled(false);
    Command11 = button(this, "Command11", QStringLiteral("粘贴地址"), tw(3480, 1680, 1095, 255));
    Command10 = button(this, "Command10", QStringLiteral("批量获取"), tw(4800, 1680, 1455, 855));
    Command10->setEnabled(false);
    Command12 = button(this, "Command12", QStringLiteral("清空列表"), tw(6360, 1680, 1455, 855));
    Command12->setEnabled(false);

    ListView1 = named(new QTreeWidget(this), "ListView1", tw(240, 2760, 7575, 5055));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    // A fifth column, in the room the list leaves right of the titles, tells what became of
    // each work of a queue.
    ListView1->setColumnCount(5);
    ListView1->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("音乐ID"),
                                QStringLiteral("音乐名称(双击可解析文件地址)"), QStringLiteral("音乐地址"),
                                QStringLiteral("状态")});
    ListView1->header()->setMinimumSectionSize(0);
    ListView1->header()->setStretchLastSection(false);
    const int widths[] = {900, 1500, 3900, 0, 1020};
    for (int column = 0; column < 5; ++column)
        ListView1->header()->resizeSection(column, px(widths[column]));
    const char *keys[] = {"xh", "yy", "mc", "dz", "zt"};
    for (int column = 0; column < 5; ++column)
        ListView1->headerItem()->setData(column, Qt::UserRole, QLatin1String(keys[column]));

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(100);
    Timer4 = new QTimer(this);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(2000);

    Label11_1 = label(this, "Label11_1", QStringLiteral("请输入唱吧网页版地址：（无需唱吧会员）"),
                      tw(8040, 1680, 3990, 300), false);
    Label11_1->setFont(uiFont(10.5));
    Label11_1->setWordWrap(false);
    Label11_1->resize(Label11_1->sizeHint());
    Text1 = named(new QLineEdit(this), "Text1", tw(8040, 2160, 5655, 270));
    Text1->setEnabled(false);
    Command9 = button(this, "Command9", QStringLiteral("粘贴地址"), tw(12360, 1680, 1335, 255));

    aicAlphaImage3 = named(new AlphaImage(this), "aicAlphaImage3", tw(14040, 1080, 1590, 1500));
    aicAlphaImage3->setPicture(storedPicture(QStringLiteral("lookup.png")));
    aicAlphaImage3->setToolTip(QStringLiteral("提取音乐"));
    aicAlphaImage3->setCursor(Qt::PointingHandCursor);

    connect(aicAlphaImage3, &AlphaImage::pressed, this, &Form1::aicAlphaImage3_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Timer3, &QTimer::timeout, this, &Form1::Timer3_Timer);
    connect(Timer4, &QTimer::timeout, this, &Form1::Timer4_Timer);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &Form1::ListView1_DblClick);
    buildWorksMenu();
}

void Form1::buildSingerPanel()
{
    Picture1 = pictureBox(this, "Picture1", tw(8040, 2760, 3255, 5055));
    Image1 = image(Picture1, "Image1", QStringLiteral("avatar.png"), tw(360, 240, 2460, 2460));
    aicAlphaImage1 = named(new AlphaImage(Picture1), "aicAlphaImage1", tw(360, 240, 2460, 2460));
    aicAlphaImage1->setPicture(storedPicture(QStringLiteral("avatarframe.png")));
    aicAlphaImage1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1 = label(Picture1, "Label1", QStringLiteral("歌手名：未查询"), tw(120, 3000, 1260, 180), true);
    Label4 = label(Picture1, "Label4", QStringLiteral("粉丝数：未查询"), tw(120, 3360, 1260, 180), true);
    Label3 = label(Picture1, "Label3", QStringLiteral("描述信息："), tw(120, 3720, 900, 180), true);
    Label10 = label(Picture1, "Label10", QStringLiteral("请输入地址进行信息提取"), tw(120, 4080, 2940, 900), false);
}

void Form1::buildSongPanel()
{
    Picture2 = pictureBox(this, "Picture2", tw(11400, 2760, 4215, 3735));
    Label2 = label(Picture2, "Label2", QStringLiteral("演唱歌曲：未查询"), tw(240, 195, 1440, 180), true);
    aicAlphaImage2 = named(new AlphaImage(Picture2), "aicAlphaImage2", tw(1920, 120, 480, 345));
    aicAlphaImage2->setPicture(storedPicture(QStringLiteral("mvbadge.png")));
    aicAlphaImage2->hide();
    Label5 = label(Picture2, "Label5", QStringLiteral("播放次数：未查询"), tw(240, 555, 1440, 180), true);
    Label6 = label(Picture2, "Label6", QStringLiteral("收到礼物：未查询"), tw(240, 915, 1440, 180), true);
    Label7 = label(Picture2, "Label7", QStringLiteral("分享次数：未查询"), tw(240, 1275, 1440, 180), true);
    Label9 = label(Picture2, "Label9", QStringLiteral("评论数量：未查询"), tw(240, 1635, 1440, 180), true);
    Command7 = button(Picture2, "Command7", QStringLiteral("在线播放"), tw(240, 1995, 1815, 495));
    Command16 = button(Picture2, "Command16", QStringLiteral("无法播放?"), tw(2160, 1995, 1815, 495));
    Command13 = button(Picture2, "Command13", QStringLiteral("复制地址"), tw(240, 2560, 1815, 495));
    Command8 = button(Picture2, "Command8", QStringLiteral("获取MV"), tw(2160, 2560, 1815, 495));
    Command2 = button(Picture2, "Command2", QStringLiteral("下载音乐"), tw(240, 3120, 3735, 495));

    Slider1 = named(new QSlider(Qt::Horizontal, this), "Slider1", tw(11280, 6720, 4455, 375));
    Slider1->setRange(0, 1000);

    connect(Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command16, &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(Slider1, &QAbstractSlider::actionTriggered, this, &Form1::Slider1_Scroll);
}

void Form1::buildBottomButtons()
{
    Command4 = button(this, "Command4", QStringLiteral("Solvane官网"), tw(11400, 7200, 1215, 615));
    Command3 = button(this, "Command3", QStringLiteral("Solvane系列软件"), tw(12720, 7200, 1575, 615));
    Command5 = button(this, "Command5", QStringLiteral("退出程序"), tw(14400, 7200, 1215, 615));
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

void Form1::buildStatusBar()
{
    Image3 = image(this, "Image3", QStringLiteral("statusbar.png"), tw(120, 8040, 15900, 540));
    Label8_0 = label(this, "Label8_0", QStringLiteral("运行提示："), tw(480, 8235, 900, 180), true);
    Line1 = line(this, "Line1", 1680, 8160, 8460);
    Label8_1 = label(this, "Label8_1", QStringLiteral("正在检测是否最新版本.."), tw(1920, 8235, 1980, 180), true);
    Line2 = line(this, "Line2", 13920, 8160, 8460);
    Label8_2 = label(this, "Label8_2", QStringLiteral("Solvane出品"), tw(14520, 8235, 900, 180), true);
    for (QLabel *l : {Label8_0, Label8_1, Label8_2})
        whiteText(l);
}

void Form1::buildFramePictures()
{
    Image10 = image(this, "Image10", QStringLiteral("frame.png"), QRect(0, 0, 13, 101));
    Image9 = image(this, "Image9", QStringLiteral("titlebuttons.png"), QRect(0, 0, 70, 69));
    Image8 = image(this, "Image8", QStringLiteral("banner.png"), QRect(0, 0, 400, 70));
    for (QLabel *source : {Image10, Image9, Image8}) {
        source->setScaledContents(false);
        source->hide();
    }
}

void Form1::Form_Load()
{
    // 1. No window icon of its own.
    setWindowIcon(QIcon());
    // 2, 3. The skin; start-up goes on whatever it answers.
    platform::SkinH_AttachEx(platform::dataFile(QStringLiteral("skinh.she")), QString());
    platform::SkinH_AdjustHSV(140, 0, 0);
    // 4. The status strip runs from x = 2 to one pixel short of the right edge.
    Image3->setGeometry(2, Image3->y(), width() - 3, Image3->height());
    // 5. Shown, centred on the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    // 6. Full volume until the user moves the slider.
    Slider1->setValue(1000);
    // 7, 8. Column widths locked; rows are never edited in place.
    Module1::Hook(ListView1);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // 9. The downloader that the download panel drives.
    createDownloader();
    installDesktopServices();
    // 10. Shown again (already visible).
    show();
    // 11. The update check decides whether the address boxes unlock.
    gx();
}

void Form1::setStatus(const QString &text)
{
    Label8_1->setCaption(text);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
    // The window is the program: closing it ends the run, also when the close arrives
    // inside a nested wait (a page fetch, a transfer).
    platform::endProgram();
}

void Form1::endRequested()
{
    // A window already closing ends the run from its own close event.
    if (!close())
        platform::endProgram();
}

void Form1::Form_QueryUnload()
{
    platform::mciSendString(QStringLiteral("close all"));
}

void Form1::Command3_Click()
{
    platform::openUrl(QUrl(endpoints::forumAddress()));
}

void Form1::Command4_Click()
{
    platform::openUrl(QUrl(endpoints::homeAddress()));
}

void Form1::Command5_Click()
{
    close();
}
