#include "app/form1.h"

#include "player/playcommands.h"
#include "platform/mci.h"

#include <QPushButton>
#include <QSlider>

// Online playback: the play / stop toggle, the re-resolved audio address and the
// volume. The caption of Command7 is the only record of whether a song plays.

namespace {

const QString kPlayCaption = QStringLiteral("在线播放");
const QString kStopCaption = QStringLiteral("停止播放");

} // namespace

// Starts the song at address from the beginning at the slider's volume. Whatever the
// player answers, all four commands go out and nothing waits for the audio.
void Form1::play(const QString &musicpath)
{
    for (const QString &command : player::playCommands(musicpath, Slider1->value()))
        platform::mciSendString(command);
}

void Form1::Command7_Click()
{
    if (record.strMusicUrl.isEmpty()) {
        setStatus(QStringLiteral("请先进行解析.."));
        return;
    }
    if (Command7->text() == kPlayCaption) {
        Command7->setText(kStopCaption);
        play(record.strMusicUrl);
        setStatus(QStringLiteral("正在进行在线试播放.."));
    } else if (Command7->text() == kStopCaption) {
        Command7->setText(kPlayCaption);
        platform::mciSendString(player::kCloseAll);
    }
    showPlayback();
}

void Form1::Command16_Click()
{
    if (record.strMusicUrl.isEmpty()) {
        setStatus(QStringLiteral("请先进行解析.."));
        return;
    }
    const std::optional<player::RebuiltAudio> rebuilt =
        player::rebuildAudioAddress(record.strMusicUrl, record.strWorkId);
    if (!rebuilt) {
        // No directory to read a host number from: keep the address and what plays.
        setStatus(QStringLiteral("无法重新解析该音乐地址.."));
        return;
    }
    Command7->setText(kStopCaption);
    // The lookup reads these slots again when a later page lacks the audio marker.
    pieces.vAudioBare = rebuilt->bare;
    pieces.vAudioTail = player::shortestDecimal(rebuilt->hostNumber);
    record.strMusicUrl = rebuilt->address;
    record.mediaKind = MediaKind::Audio; // the rebuilt address is always the work's MP3
    followSongOnShow();
    play(record.strMusicUrl);
    setStatus(QStringLiteral("为您重新解析后,正在进行在线试播放.."));
    showPlayback();
}

// Raised by every move the user makes (dragging, clicking the groove, keys, the
// wheel) before the slider takes the new value; start-up setting it stays silent.
void Form1::Slider1_Scroll()
{
    platform::mciSendString(player::volumeCommand(Slider1->sliderPosition()));
}
