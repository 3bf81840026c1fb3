#include "mv/form2.h"

#include "app/twips.h"
#include "mv/mvpage.h"
#include "platform/programfolder.h"
#include "platform/shell.h"

#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

Form2::Form2(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("获取MV"));
    setFixedSize(px(9510), px(2820));
    setFont(uiFont(9));

    Frame1 = named(new QGroupBox(QStringLiteral("视频信息"), this), "Frame1", tw(120, 240, 9255, 1215));
    Label1 = named(new QLabel(QStringLiteral("视频地址："), Frame1), "Label1", tw(240, 360, 900, 180));
    Text1 = named(new QLineEdit(Frame1), "Text1", tw(1440, 320, 7695, 270));
    Label2 = named(new QLabel(QStringLiteral("HTML调用代码："), Frame1), "Label2", tw(240, 720, 1260, 180));
    Text2 = named(new QLineEdit(Frame1), "Text2", tw(1440, 665, 7695, 270));

    Frame2 = named(new QGroupBox(QStringLiteral("友情提示"), this), "Frame2", tw(120, 1560, 9255, 1095));
    Label3 = named(new QLabel(QStringLiteral("已在当前文件夹下生成名为“video.htm”"), Frame2), "Label3",
                    tw(2880, 480, 3345, 180));
    Label3->adjustSize();
    Command1 = named(new QPushButton(QStringLiteral("立刻播放"), Frame2), "Command1", tw(6480, 240, 975, 615));

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    Form_Load();
}

void Form2::Form_Load()
{
    // The MV window carries no icon of its own.
    QPixmap none(1, 1);
    none.fill(Qt::transparent);
    setWindowIcon(QIcon(none));
}

void Form2::showExport(const QString &mvUrl, const QString &pageLine)
{
    Text1->setText(mvUrl);
    Text1->setCursorPosition(0);
    Text2->setText(pageLine);
    Text2->setCursorPosition(0);
    // The note names the folder when the page could not go next to the program.
    const QString folder = mv::pageFolder();
    Label3->setToolTip(QString());
    Label3->move(px(2880), px(480));
    if (folder == platform::programFolder()) {
        Label3->setText(QStringLiteral("已在当前文件夹下生成名为“video.htm”"));
    } else {
        const QString note = QStringLiteral("已在%1下生成名为“video.htm”").arg(QDir::toNativeSeparators(folder));
        const int room = Command1->x() - px(240) - px(120);
        Label3->setText(Label3->fontMetrics().elidedText(note, Qt::ElideMiddle, room));
        Label3->setToolTip(note);
        Label3->move(std::max(px(240), Command1->x() - px(120) - Label3->fontMetrics().horizontalAdvance(Label3->text())),
                     px(480));
    }
    Label3->adjustSize();
}

void Form2::Command1_Click()
{
    // The page is handed to the desktop whether or not it still exists; the browser
    // reports a missing file itself.
    platform::openUrl(QUrl::fromLocalFile(mv::pagePath()));
}
