#!/usr/bin/env bash
# Runs the real program under a virtual X server with the synthetic camera and
# microphone, drives it through its test hook like a person would, and checks what it
# leaves behind: a snapshot, a 3 s recording, motion stills, the window going into
# the tray and back, and a clean exit.
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
deadline=$((SECONDS + 10))
until [[ -s $data/snap.jpg ]]; do
    ((SECONDS < deadline)) || fail "no snapshot"
    sleep 0.2
done
sleep 0.5
[[ $(head -c 2 "$data/snap.jpg" | od -An -tx1 | tr -d ' ') == ffd8 ]] || fail "the snapshot is no JPEG"

# A three-second recording.
send "click 1056"
sleep 3
send "click 1056"
expect_state 'recording=0 .*counter=1'
avi=$data/Tavelin-00000.avi
[[ -f $avi ]] || fail "no recording"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$avi")
codec=$(ffprobe -v error -select_streams v -show_entries stream=codec_type -of csv=p=0 "$avi")
[[ $codec == video ]] || fail "the recording has no picture"
awk -v d="$duration" 'BEGIN { exit !(d > 2.0 && d < 4.5) }' || fail "the recording lasts $duration s"
[[ $(cat "$data/Pellor.inf") == 1 ]] || fail "the counter did not advance"

# The monitor with object tracking (the still box of the Monitor Settings dialog).
send "click 1069"
wait_for '^hook: click 1069' 10
sleep 1
send "dialog-click stillBox"
send "dialog-click okButton"
sleep 6
expect_state 'monitor=1 objects=[1-9]'
compgen -G "$data/MOTION\[*\].bmp" >/dev/null || fail "no motion still"

# Into the tray and back.
send "click 1054"
sleep 1
expect_state 'visible=0'
send "tray 32771"
sleep 1
expect_state 'visible=1'

# Exit from the tray menu.
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the program exited with $status"
no_sanitizer_report
rm -rf "$work"
echo "PASS"
