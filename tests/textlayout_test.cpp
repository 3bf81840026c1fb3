// The MV window and the download panel at the program's real interface font: every
// caption shows whole, inside its container, and no two neighbouring controls' texts
// (or a text and a neighbouring box or button) lie over each other.

#include "mv/form2.h"
#include "platform/programfolder.h"
#include "platform/skin.h"
#include "windowtest.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace {

// What one control shows, in its parent's coordinates: the rectangle its text needs for a
// label (which may reach past the label), the title of a group box, and the whole control
// for everything else (boxes, buttons, bars, pictures, strips).
struct Shown {
    const QWidget *control;
    QRect rect;
    QString what;
};

QRect labelText(const QLabel *label)
{
    int flags = int(QStyle::visualAlignment(label->layoutDirection(), label->alignment()));
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    return label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text()).translated(label->pos());
}

QRect groupTitle(const QGroupBox *box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.textAlignment = box->alignment();
    option.lineWidth = 1;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
}

Shown shownOf(const QWidget *control)
{
    const QString name = control->objectName();
    if (auto *label = qobject_cast<const QLabel *>(control); label && label->pixmap().isNull())
        return {control, labelText(label), name + " \"" + label->text() + "\""};
    return {control, control->geometry(), name};
}

std::string describe(const Shown &s)
{
    const QRect r = s.rect;
    return QStringLiteral("%1 at %2,%3 %4x%5").arg(s.what).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// Checks one container and everything inside it; returns the number of faults reported.
int checkTexts(const QWidget *container)
{
    int faults = 0;
    std::vector<Shown> siblings;
    if (auto *box = qobject_cast<const QGroupBox *>(container); box && !box->title().isEmpty())
        siblings.push_back({box, groupTitle(box), box->objectName() + " title"});
    for (const QWidget *child : container->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || !child->isVisibleTo(container))
            continue;
        const Shown shown = shownOf(child);
        siblings.push_back(shown);
        if (!QRect(QPoint(), container->size()).contains(shown.rect)) {
            ADD_FAILURE() << describe(shown) << " reaches outside " << container->objectName().toStdString();
            ++faults;
        }
        if (auto *label = qobject_cast<const QLabel *>(child); label && !child->geometry().contains(shown.rect)) {
            ADD_FAILURE() << describe(shown) << " is cut off by its own label " << label->width() << "x"
                          << label->height();
            ++faults;
        }
        if (auto *button = qobject_cast<const QPushButton *>(child);
            button && button->fontMetrics().horizontalAdvance(button->text()) + 6 > button->width()) {
            ADD_FAILURE() << describe(shown) << " is too narrow for its caption";
            ++faults;
        }
        faults += checkTexts(child);
    }
    for (size_t i = 0; i < siblings.size(); ++i)
        for (size_t j = i + 1; j < siblings.size(); ++j)
            if (siblings[i].rect.intersects(siblings[j].rect)) {
                ADD_FAILURE() << "in " << container->objectName().toStdString() << ": " << describe(siblings[i])
                              << " overlaps " << describe(siblings[j]);
                ++faults;
            }
    return faults;
}

class TextLayout : public WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
            << "the interface font (fonts-noto-cjk) is missing";
        // As the program shows them: with its skin (which gives the group boxes their titles' room).
        ASSERT_EQ(platform::SkinH_AttachEx(QStringLiteral(QUILLORY_SKIN), QString()), 0);
        WindowTest::SetUp();
    }
    void TearDown() override
    {
        platform::setProgramFolder(QString());
        WindowTest::TearDown();
        qApp->setStyleSheet(QString());
    }
};

} // namespace

TEST_F(TextLayout, TheMvWindowShowsEveryCaptionWholeAndApart)
{
    QTemporaryDir data;
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    struct Case {
        const char *where;
        QString programFolder; // empty: the page goes next to a writable program
        QString dataHome;
        bool folderWhole; // the note names the whole folder
    } const cases[] = {
        {"next to the program", QString(), QString(), true},
        {"an installed program's data folder", QStringLiteral("/no/such/bin"),
         data.filePath(QStringLiteral("home/.local/share")), true},
        {"a data folder longer than the line", QStringLiteral("/no/such/bin"),
         data.filePath(QStringLiteral("a-very-long-folder-name-that-no-note-line-could-hold/and-then-some-more/"
                                      "and-more-again/share")),
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.where);
        if (!c.dataHome.isEmpty())
            qputenv("XDG_DATA_HOME", c.dataHome.toUtf8());
        platform::setProgramFolder(c.programFolder.isEmpty() ? data.path() : c.programFolder);
        Form2 form;
        form.showExport(QStringLiteral("http://player.youku.com/player.php?sid=XNTk2MTIz&autoplay=true"),
                        QStringLiteral("<div><script src=\"http://player.youku.com/player.php?sid=XNTk2MTIz\" "
                                       "type=\"text/javascript\"></script></div>"));
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_EQ(checkTexts(&form), 0);

        auto *note = form.findChild<QLabel *>(QStringLiteral("Label3"));
        if (!c.dataHome.isEmpty()) {
            EXPECT_TRUE(note->toolTip().contains(c.dataHome)) << note->toolTip().toStdString();
            EXPECT_EQ(note->text().contains(c.dataHome + QStringLiteral("/quillory")), c.folderWhole)
                << "shortened only when the folder is longer than the line: " << note->text().toStdString();
        }
    }
    if (oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome);
}

TEST_F(TextLayout, TheDownloadPanelShowsEveryCaptionWholeAndApart)
{
    window = startWindow();
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    struct Case {
        const char *where;
        QString programFolder; // empty: a writable build folder
        QString musicFolder;   // the user's music folder, for an installed program
    } const cases[] = {
        {"next to the program", QString(), QString()},
        {"an installed program", QStringLiteral("/no/such/bin"), QStringLiteral("音乐")},
        {"a long music folder", QStringLiteral("/no/such/bin"),
         QStringLiteral("我的音乐/a-long-folder-of-songs-kept-for-years/with-another-folder-inside-it")},
    };
    lookUp(QStringLiteral("http://changba.com/s/Wc7nGGH3ZBbq"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.where);
        platform::setProgramFolder(c.programFolder.isEmpty() ? home.path() : c.programFolder);
        if (!c.musicFolder.isEmpty()) {
            qputenv("HOME", home.path().toUtf8());
            qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
            QDir(home.path()).mkpath(QStringLiteral(".config"));
            QFile dirs(home.filePath(QStringLiteral(".config/user-dirs.dirs")));
            ASSERT_TRUE(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
            dirs.write(QStringLiteral("XDG_MUSIC_DIR=\"$HOME/%1\"\n").arg(c.musicFolder).toUtf8());
            dirs.close();
            QDir(home.path()).mkpath(c.musicFolder);
        }
        control<QPushButton>("Command2")->click();
        auto *panel = control<QWidget>("Picture3");
        ASSERT_TRUE(panel->isVisible());
        EXPECT_EQ(checkTexts(panel), 0);
        qputenv("HOME", oldHome);
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    }
}
