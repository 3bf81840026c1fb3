#!/bin/sh
# Makes the two short media files that the tag writer's tests tag and read back: an
# MP3 that already carries an ID3v2.3 tag and an ID3v1 tag (as some served songs do),
# and a video work's MP4 (H.264 and AAC) with its index ahead of the media data, so
# that tags growing it move the data behind. Run once by hand; the files are
# committed. Needs ffmpeg (with libx264).
set -eu
cd "$(dirname "$0")/media"
quiet="-y -v error"
exact="-fflags +bitexact -flags:v +bitexact -flags:a +bitexact -map_metadata -1"

# 1.2 s of 587 Hz, mono, 44.1 kHz, 32 kbit/s
ffmpeg $quiet -f lavfi -i "sine=frequency=587:duration=1.2:sample_rate=44100" $exact -ac 1 \
    -c:a libmp3lame -b:a 32k -id3v2_version 3 -write_id3v1 1 \
    -metadata title="old title" -metadata artist="old singer" short.mp3

# 1.2 s of 128 x 96 video at 10 frames a second, with 1.2 s of 660 Hz in AAC
ffmpeg $quiet -f lavfi -i "testsrc2=size=128x96:rate=10:duration=1.2" \
    -f lavfi -i "sine=frequency=660:duration=1.2:sample_rate=22050" \
    $exact -c:v libx264 -preset veryslow -crf 42 -pix_fmt yuv420p -ac 1 -c:a aac -b:a 24k \
    -movflags +faststart short.mp4
