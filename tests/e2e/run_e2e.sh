#!/usr/bin/env bash
# Runs the real program under a virtual X server with the synthetic camera and
# microphone, drives it through its test hook like a person would, and checks what it
# leaves behind: a snapshot, a recording of about 3 s, motion stills, the window going
# into the tray and back, and a clean exit. It waits on what the program reports (its
# answers, frames shown, files), never for a fixed time.
#
# usage: run_e2e.sh <path of tavelin-video-center>
set -uo pipefail

program=$1
source "$(dirname "$0")/lib.sh"

started=$SECONDS
start_program

# Start-up, busy window included: it stays for about six seconds.
wait_for '^hook: ready' 90
((SECONDS - started >= 6)) || fail "ready after $((SECONDS - started)) s: the busy window did not run"

# Snapshot to JPEG.
send "save-as $data/snap.jpg"
send "click 1009"
# A picture is renamed into place once complete: there at all means whole, and it ends
# with the JPEG end-of-image marker.
wait_until 30 "no snapshot" test -s "$data/snap.jpg"
[[ $(head -c 2 "$data/snap.jpg" | od -An -tx1 | tr -d ' ') == ffd8 ]] || fail "the snapshot is no JPEG"
[[ $(tail -c 2 "$data/snap.jpg" | od -An -tx1 | tr -d ' ') == ffd9 ]] || fail "the snapshot is cut short"

# A recording of 60 frame steps (three seconds at the 50 ms step, longer on a slow
# machine). It cannot last longer than the time between the two clicks.
began=$(date +%s.%N)
send "click 1056"
expect_state 'recording=1'
wait_frames 60
send "click 1056"
expect_state 'recording=0 .*counter=1'
ended=$(date +%s.%N)
avi=$data/Tavelin-00000.avi
[[ -f $avi ]] || fail "no recording"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$avi")
codec=$(ffprobe -v error -select_streams v -show_entries stream=codec_type -of csv=p=0 "$avi")
[[ $codec == video ]] || fail "the recording has no picture"
awk -v d="$duration" -v b="$began" -v e="$ended" 'BEGIN { exit !(d > 2.0 && d < e - b + 0.5) }' ||
    fail "the recording lasts $duration s"
[[ $(cat "$data/Pellor.inf") == 1 ]] || fail "the counter did not advance"

# The monitor with object tracking (the still box of the Monitor Settings dialog).
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click stillBox"
send "dialog-click okButton"
expect_state 'monitor=1 objects=[1-9]' 60
motion_still() { compgen -G "$data/MOTION\[*\].bmp" >/dev/null; }
wait_until 30 "no motion still" motion_still

# Into the tray and back.
send "click 1054"
expect_state 'visible=0'
send "tray 32771"
expect_state 'visible=1'

# Exit from the tray menu.
quit_from_tray_and_pass
