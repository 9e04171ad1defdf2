#!/usr/bin/env bash
# Record on motion in the real program: a camera that stands still for 6 s, moves for
# 3 s and stands still again gives exactly one numbered recording, with sound, that
# opens with the still picture from before the motion and ends within the calm time
# (and 2 s) after the motion stopped. It waits on what the program reports, never for a
# fixed time; the times checked are the file's own frame times.
#
# usage: run_e2e_motion.sh <path of tavelin-video-center>
set -uo pipefail

program=$1
source "$(dirname "$0")/lib.sh"

calm=3
before=3
start_program TAVELIN_TEST_SPLASH_MS=0 TAVELIN_TEST_CAMERA_STILL_FOR=6 \
    TAVELIN_TEST_CAMERA_STILL_AFTER=9
wait_for '^hook: ready' 90

# Sound on, then record on motion alone: 3 s before, 3 s of calm.
send "click 1068"
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click recordBox"
send "dialog-value beforeSpin $before"
send "dialog-value calmSpin $calm"
send "dialog-click okButton"
expect_state 'recording=0 monitor=1 .*armed=1 onmotion=0'
grep -q 'enabled=true' "$data/tavelin-video-center.conf" || fail "the choice was not stored"

# A size button starts the camera again, so its still picture begins now, armed; the
# monitor starts afresh with it and compares nothing across the restart.
send "click 1000"
expect_state 'armed=1' 30

expect_state 'recording=1 .*armed=1 onmotion=1' 60
expect_state 'recording=0 .*counter=1 armed=1 onmotion=0' 60
avi=$data/Tavelin-00000.avi
finished_recording "$avi" >/dev/null

# Nothing moves any more: no second file comes.
wait_frames 40
expect_state 'recording=0 .*counter=1 armed=1 onmotion=0'
count=$(find "$data" -maxdepth 1 -name 'Tavelin-*.avi' | wc -l)
((count == 1)) || fail "$count recordings, not one"

# Where the picture changes from one frame to the next (the largest luma difference
# between neighbouring frames), on the file's own time line.
changes=$(ffmpeg -v error -i "$avi" -map 0:v:0 \
    -vf "tblend=all_mode=difference,signalstats,metadata=print:key=lavfi.signalstats.YMAX:file=-" \
    -f null - | awk '/pts_time:/ { for (i = 1; i <= NF; i++) if ($i ~ /^pts_time:/) t = substr($i, 10) }
                     /YMAX=/ { split($0, kv, "="); if (kv[2] + 0 > 64) print t }')
[[ -n $changes ]] || fail "the recording shows no motion"
first_change=$(head -1 <<<"$changes")
last_change=$(tail -1 <<<"$changes")
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$avi")
echo "recording: $duration s, motion from $first_change s to $last_change s"
awk -v f="$first_change" 'BEGIN { exit !(f >= 2.5) }' ||
    fail "the still picture before the motion lasts $first_change s, less than 2.5 s"
awk -v l="$last_change" -v d="$duration" -v c="$calm" 'BEGIN { exit !(d - l <= c + 2 && d - l >= c - 1) }' ||
    fail "the recording ends $(awk -v l="$last_change" -v d="$duration" 'BEGIN { print d - l }') s after the motion stopped (calm $calm s)"

# With sound over the same span.
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$avi" | sort | tr '\n' ' ')
[[ $streams == "audio video " ]] || fail "streams '$streams', not sound and picture"
# The end of the sound: its last packet's time and length (an AVI gives no duration
# for a sound stream).
audio=$(ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time \
    -of csv=p=0 "$avi" | awk -F, 'END { print $1 + $2 }')
video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$avi")
awk -v a="$audio" -v v="$video" 'BEGIN { d = a - v; if (d < 0) d = -d; exit !(d < 0.5) }' ||
    fail "sound lasts $audio s, picture $video s"

# Exit from the tray menu.
quit_from_tray_and_pass
