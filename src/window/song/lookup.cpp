#include "app/form1.h"

#include "app/alphaimage.h"
#include "app/captionlabel.h"
#include "app/loadpicture.h"
#include "download/songtags.h"
#include "song/songlookup.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>

// The song lookup: fetches the share page named in Text1, cuts its values into the
// song record and fills both information panels.
void Form1::aicAlphaImage3_Click()
{
    const QPointer<Form1> self(this);
    const QString address = Text1->text();
    const song::LookupResult looked = song::lookUpSong(address, pieces, record);
    if (!self || looked.status == song::LookupResult::Status::Abandoned)
        return;
    if (!looked.statusText.isEmpty())
        setStatus(looked.statusText);
    if (looked.status != song::LookupResult::Status::Found)
        return;

    const SongPanel &panel = looked.panel;
    Label1->setCaption(panel.label1);
    Label4->setCaption(panel.label4);
    Label10->setCaption(panel.label10);
    Label2->setCaption(panel.label2);
    Label5->setCaption(panel.label5);
    Label6->setCaption(panel.label6);
    Label7->setCaption(panel.label7);
    Label9->setCaption(panel.label9);
    // What a song saved from here says of itself; the picture joins it once it came.
    const quint64 lookup = ++lookups;
    songTags = download::tagsOf(record, panel, {}, address);
    followSongOnShow();
    avatarAddress = panel.avatarAddress;
    showPlayback();

    if (panel.hasMv) {
        // The MV mark stands 50 twips to the right of the song name.
        const double left = Label2->x() * 15.0 + Label2->width() * 15.0 + 50.0;
        aicAlphaImage2->move(int(left / 15.0), aicAlphaImage2->y());
        aicAlphaImage2->show();
    } else {
        aicAlphaImage2->hide();
    }

    bool abandoned = false;
    net::PictureBytes served;
    const QImage avatar = LoadPicture(panel.avatarAddress, &abandoned, &served);
    if (!self || abandoned)
        return;
    Image1->setPixmap(QPixmap::fromImage(avatar));
    if (lookup == lookups && !avatar.isNull()) {
        songTags.cover = served.bytes;
        songTags.coverType = served.contentType;
        if (panelSong.lookup == lookup && panelIdle())
            panelSong.tags = songTags;
    }
}
