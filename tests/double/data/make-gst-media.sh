#!/bin/sh
# Makes the media of the newer sample works with GStreamer's tools, where make-mp3s.sh
# needs sox and lame: an MP3 of one tone, and a video work's MP4 (a moving ball,
# H.263+ video, and an AAC tone). Run once by hand; the files are committed.
# Needs gstreamer1.0-tools, gstreamer1.0-plugins-good and gstreamer1.0-libav.
set -eu
cd "$(dirname "$0")"

# 1.4 s of 494 Hz, mono, 44.1 kHz, 64 kbit/s
gst-launch-1.0 -q -e audiotestsrc num-buffers=1 samplesperbuffer=61740 freq=494 volume=0.5 \
    ! audio/x-raw,rate=44100,channels=1 ! lamemp3enc target=bitrate bitrate=64 cbr=true \
    ! filesink location=audio/1052460001.mp3

# 1.5 s of 128 x 96 video at 10 frames a second, with 1.5 s of 660 Hz in AAC
gst-launch-1.0 -q -e \
    videotestsrc num-buffers=15 pattern=ball ! video/x-raw,width=128,height=96,framerate=10/1,format=I420 \
    ! avenc_h263p bitrate=48000 ! queue ! qtmux name=mux faststart=true ! filesink location=video/1052460002.mp4 \
    audiotestsrc num-buffers=33 samplesperbuffer=2048 freq=660 volume=0.5 ! audio/x-raw,rate=44100,channels=1 \
    ! avenc_aac bitrate=48000 ! aacparse ! queue ! mux.
