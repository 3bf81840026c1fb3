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
    captionBeside({Label1, Label2}, {Text1, Text2});
    // Each box is named by its caption for a screen reader.
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);

    Frame2 = named(new QGroupBox(QStringLiteral("友情提示"), this), "Frame2", tw(120, 1560, 9255, 1095));
    Label3 = named(new QLabel(QStringLiteral("已在当前文件夹下生成名为“video.htm”"), Frame2), "Label3",
                    tw(2880, 480, 3345, 180));
    Command1 = named(new QPushButton(QStringLiteral("立刻播放"), Frame2), "Command1", tw(6480, 240, 975, 615));

    placeNote(QString());

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    Form_Load();
}

void Form2::captionBeside(std::initializer_list<QLabel *> captions, std::initializer_list<QLineEdit *> boxes)
{
    // Each caption is as tall as its text and centred on its box; the boxes start after the
    // widest caption and keep their right edge.
    int captionsEnd = 0;
    for (QLabel *caption : captions) {
        caption->resize(caption->sizeHint());
        captionsEnd = std::max(captionsEnd, caption->geometry().right() + 1);
    }
    auto caption = captions.begin();
    for (QLineEdit *box : boxes) {
        const int left = std::max(box->x(), captionsEnd + px(90));
        box->setGeometry(left, box->y(), box->geometry().right() + 1 - left, box->height());
        (*caption)->move((*caption)->x(), box->geometry().center().y() + 1 - (*caption)->height() / 2);
        ++caption;
    }
}

void Form2::placeNote(const QString &folder)
{
    // The note takes the room left of the button: on one line when it fits, else the
    // folder on a line of its own; only a folder longer than that line is shortened.
    const QString shown = QDir::toNativeSeparators(folder);
    const QString text = folder.isEmpty() ? QStringLiteral("已在当前文件夹下生成名为“video.htm”")
                                          : QStringLiteral("已在%1下生成名为“video.htm”").arg(shown);
    Label3->setText(text);
    Label3->setToolTip(folder.isEmpty() ? QString() : text);
    const int room = Command1->x() - px(240) - px(120);
    const QFontMetrics metrics = Label3->fontMetrics();
    if (metrics.horizontalAdvance(text) <= room) {
        Label3->resize(Label3->sizeHint());
        Label3->move(std::max(px(240), std::min(px(2880), Command1->x() - px(120) - Label3->width())),
                     Command1->geometry().center().y() + 1 - Label3->height() / 2);
        return;
    }
    Label3->setText(QStringLiteral("已在%1\n下生成名为“video.htm”")
                        .arg(metrics.elidedText(shown, Qt::ElideMiddle,
                                                room - metrics.horizontalAdvance(QStringLiteral("已在")))));
    Label3->resize(Label3->sizeHint());
    Label3->move(px(240), px(480));
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
    placeNote(folder == platform::programFolder() ? QString() : folder);
}

void Form2::Command1_Click()
{
    // The page is handed to the desktop whether or not it still exists; the browser
    // reports a missing file itself.
    platform::openUrl(QUrl::fromLocalFile(mv::pagePath()));
}
