// Keyboard and screen reader access to the main window: names and roles for assistive
// technology, the order of Tab, and the keys that act (Return, Escape).
#include "app/form1.h"

#include "app/alphaimage.h"
#include "app/captionlabel.h"
#include "app/eventhook.h"
#include "app/framedwindowaccessible.h"
#include "app/widgetaccessibles.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

namespace {

// The program's own controls as assistive technology sees them; Qt's own controls speak
// for themselves.
QAccessibleInterface *accessibleInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("AlphaImage"))
        return new AlphaImageAccessible(static_cast<AlphaImage *>(object));
    if (className == QLatin1String("CaptionLabel"))
        return new CaptionLabelAccessible(static_cast<CaptionLabel *>(object));
    if (className == QLatin1String("Form1"))
        return new FramedWindowAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

// In place before the first window is made: a screen reader may ask about a control
// while it is still being built.
void installAccessibleInterfaces()
{
    QAccessible::installFactory(accessibleInterface);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installAccessibleInterfaces)

void Form1::buildKeyboardAccess()
{
    // What each control is, in the interface's language. Buttons and labels say their
    // captions themselves.
    Label11_0->setBuddy(Text2);
    Text2->setAccessibleName(QStringLiteral("歌手主页地址"));
    Label11_1->setBuddy(Text1);
    Text1->setAccessibleName(QStringLiteral("唱吧网页地址"));
    Command11->setAccessibleDescription(QStringLiteral("把剪贴板里的地址粘贴到歌手主页地址"));
    Command9->setAccessibleDescription(QStringLiteral("把剪贴板里的地址粘贴到唱吧网页地址"));
    ListView1->setAccessibleName(QStringLiteral("歌手作品"));
    aicAlphaImage3->setAccessibleName(QStringLiteral("解析"));
    aicAlphaImage4->setAccessibleName(QStringLiteral("关闭"));
    aicAlphaImage2->setAccessibleName(QStringLiteral("MV"));
    Image1->setAccessibleName(QStringLiteral("歌手头像"));
    Slider1->setAccessibleName(QStringLiteral("音量"));
    ProgressBar1->setAccessibleName(QStringLiteral("下载进度"));
    Label8_1->setAnnounced(true);

    // The two image buttons that act are reached with Tab; the decorative ones never.
    aicAlphaImage3->setKeyboardButton(true);
    aicAlphaImage4->setKeyboardButton(true);

    // Tab follows the layout as a reader scans it; the download panel's controls come
    // right after the button that opens it (Qt skips them while it is hidden).
    const QList<QWidget *> order{Text2,    Command11, Command10,      Command12,      ListView1, Text1,
                                 Command9, aicAlphaImage3, Command7,  Command16,      Command13, Command8,
                                 Command2, aicAlphaImage4, Command1,  writeTagsCheck, Command6,  Slider1,
                                 Command4, Command3,  Command5};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    // Return in an address box does what the button beside it does.
    connect(Text1, &QLineEdit::returnPressed, this, &Form1::aicAlphaImage3_Click);
    connect(Text2, &QLineEdit::returnPressed, Command10, &QPushButton::click);

    // Return on a work loads it as a double click does.
    auto *loadWork = new QAction(ListView1);
    loadWork->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    loadWork->setShortcutContext(Qt::WidgetShortcut);
    ListView1->addAction(loadWork);
    connect(loadWork, &QAction::triggered, this, [this] {
        if (QTreeWidgetItem *row = ListView1->currentItem())
            ListView1_DblClick(row);
    });

    // Escape closes the download panel as its close image does; the shortcut lives on the
    // panel, so it only counts while the panel is open.
    auto *closePanel = new QAction(Picture3);
    closePanel->setShortcut(QKeySequence(Qt::Key_Escape));
    closePanel->setShortcutContext(Qt::WindowShortcut);
    Picture3->addAction(closePanel);
    connect(closePanel, &QAction::triggered, aicAlphaImage4, &AlphaImage::click);

    // The panel closing with the focus inside gives it back to the button that opened it.
    // (The hook holds no window: the panel is also hidden while the window goes away.)
    Picture3->installEventFilter(
        new EventHook(Picture3, [panel = Picture3, opener = QPointer<QWidget>(Command2)](QEvent *event) {
            if (event->type() == QEvent::Hide && opener && panel->isAncestorOf(QApplication::focusWidget()))
                opener->setFocus(Qt::OtherFocusReason);
            return false;
        }));
}
