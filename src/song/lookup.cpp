#include "app/form1.h"

#include "app/alphaimage.h"
#include "app/captionlabel.h"
#include "net/endpoints.h"
#include "net/pagefetch.h"
#include "net/picture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>

// The song lookup: fetches the share page named in Text1, cuts its values into the
// song record and fills both information panels.
void Form1::aicAlphaImage3_Click()
{
    const QString address = Text1->text();
    if (address.isEmpty()) {
        setStatus(QStringLiteral("请输入唱吧网页地址 "));
        return;
    }
    if (!endpoints::holdsSharePageAddress(address)) {
        setStatus(QStringLiteral("地址错误,请您检查 .."));
        return;
    }

    const QPointer<Form1> self(this);
    const net::PageResult page = net::GetBody(address);
    if (!self || page.abandoned())
        return;
    if (!page.answered() || page.httpStatus >= 400) {
        // Never show the previous page again as if it were this one, and never read an
        // error page as a song.
        setStatus(QStringLiteral("网页获取失败,请您稍后再试 .."));
        return;
    }
    record.strBody = page.text;
    if (record.strBody.isEmpty())
        return;

    const SongPanel panel = cutSongPage(record.strBody, pieces, record);
    Label1->setCaption(panel.label1);
    Label4->setCaption(panel.label4);
    Label10->setCaption(panel.label10);
    Label2->setCaption(panel.label2);
    Label5->setCaption(panel.label5);
    Label6->setCaption(panel.label6);
    Label7->setCaption(panel.label7);
    Label9->setCaption(panel.label9);
    followSongOnShow();

    if (panel.hasMv) {
        // The MV mark stands 50 twips to the right of the song name.
        const double left = Label2->x() * 15.0 + Label2->width() * 15.0 + 50.0;
        aicAlphaImage2->move(int(left / 15.0), aicAlphaImage2->y());
        aicAlphaImage2->show();
    } else {
        aicAlphaImage2->hide();
    }

    bool abandoned = false;
    const QImage avatar = net::LoadPicture(panel.avatarAddress, &abandoned);
    if (!self || abandoned)
        return;
    Image1->setPixmap(QPixmap::fromImage(avatar));
}
