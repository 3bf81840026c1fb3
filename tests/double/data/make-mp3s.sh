#!/bin/sh
# Draws the short MP3 files that the service double serves as the works' audio.
# Each work gets its own little tune (two tones, mono, 44.1 kHz, 64 kbit/s) so that a
# downloaded or played file can be told apart from the others. Run once by hand after
# changing the list below; the MP3 files are committed. Needs sox and lame.
set -eu
cd "$(dirname "$0")/audio"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# work id, seconds per tone, first tone (Hz), second tone (Hz)
while read -r work seconds low high; do
    sox -n -r 44100 -c 1 -b 16 "$tmp/a.wav" synth "$seconds" sine "$low" fade q 0.02 "$seconds" 0.05 vol 0.5
    sox -n -r 44100 -c 1 -b 16 "$tmp/b.wav" synth "$seconds" sine "$high" fade q 0.02 "$seconds" 0.05 vol 0.5
    sox "$tmp/a.wav" "$tmp/b.wav" "$tmp/work.wav"
    lame --quiet -m m -b 64 --cbr --add-id3v2 --tt "work $work" --ta "Quillory sample" \
        "$tmp/work.wav" "$work.mp3"
done <<'LIST'
1043562829 0.8 440 660
1043570016 0.6 523 784
986754321 1.0 392 494
1050001234 1.2 330 495
1049990007 0.5 587 880
LIST
