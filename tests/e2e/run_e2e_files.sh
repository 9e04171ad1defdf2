#!/usr/bin/env bash
# The real program and the files it must never lose or replace: a recording ended by
# SIGTERM, SIGINT or SIGHUP is finished like one ended by Close; a counter at its
# largest value, a folder or a FIFO under the counter's name, and a full disk never
# cost an earlier recording, a file, or the program's start.
#
# usage: run_e2e_files.sh <path of tavelin-video-center>
set -uo pipefail

program=$1
source "$(dirname "$0")/lib.sh"

# Each run: a short busy window, a fresh data folder.
fresh_start() {
    [[ -z ${pid:-} ]] || fail "a program is still running"
    rm -rf "$data"
    mkdir -p "$data"
    "$@"
    start_program TAVELIN_TEST_SPLASH_MS=200
    wait_for '^hook: ready' 90
}
record() {
    send "click 1056"
    expect_state 'recording=1'
}
recordings() { find "$data" -maxdepth 1 -name 'Tavelin-*.avi' | sort; }

# --- A recording ended by a signal has its index and its duration, and the program
# ends with status 0 through the same tear-down as Close.
for signal in TERM INT HUP; do
    fresh_start
    began=$(date +%s.%N)
    record
    wait_frames 60
    kill -"$signal" "$(program_pid)" || fail "no program to signal"
    wait_exit 30
    ended=$(date +%s.%N)
    ((status == 0)) || fail "SIG$signal: the program exited with $status"
    # 60 frame steps are three seconds or more; the recording cannot outlast the run.
    duration=$(finished_recording "$data/Tavelin-00000.avi")
    awk -v d="$duration" -v b="$began" -v e="$ended" 'BEGIN { exit !(d > 2.0 && d < e - b + 0.5) }' ||
        fail "SIG$signal: the recording lasts $duration s"
    [[ $(cat "$data/Pellor.inf") == 1 ]] || fail "SIG$signal: the counter is not 1"
    no_sanitizer_report
done

# --- Asked twice, the program ends at once. Held stopped, it gets both at the same
# moment (two different signals, since two alike would arrive as one).
fresh_start
record
victim=$(program_pid)
kill -STOP "$victim"
kill -TERM "$victim"
kill -INT "$victim"
kill -CONT "$victim"
wait_exit 10
((status == 128 + 15 || status == 128 + 2)) || fail "a second signal: exit status $status"

# --- The counter at its largest value: no recording starts, a message says why, and
# the earlier recording under that number stays.
fresh_start bash -c "printf 2147483647 >'$data/Pellor.inf'; printf earlier >'$data/Tavelin-2147483647.avi'"
send "click 1056"
expect_until modal 'No recording number is left'
send "dialog-close"
expect_state 'recording=0'
[[ $(cat "$data/Tavelin-2147483647.avi") == earlier ]] || fail "the earlier recording was replaced"
[[ $(recordings | wc -l) == 1 ]] || fail "a recording appeared: $(recordings)"
send "tray 32772"
wait_exit 30

# --- A folder under the counter's name: the counter cannot be kept, yet an earlier
# Tavelin-00000.avi is never replaced.
fresh_start bash -c "mkdir '$data/Pellor.inf'; printf earlier >'$data/Tavelin-00000.avi'"
for take in 1 2; do
    record
    wait_frames 20
    send "click 1056"
    expect_state 'recording=0'
done
[[ $(cat "$data/Tavelin-00000.avi") == earlier ]] || fail "Tavelin-00000.avi was replaced"
finished_recording "$data/Tavelin-00001.avi" >/dev/null
finished_recording "$data/Tavelin-00002.avi" >/dev/null
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the program exited with $status"

# --- A FIFO under the counter's name does not hold up the start.
fresh_start mkfifo "$data/Pellor.inf"
record
wait_frames 20
send "click 1056"
expect_state 'recording=0'
finished_recording "$data/Tavelin-00000.avi" >/dev/null
send "tray 32772"
wait_exit 30

# --- A full disk: no empty file, the counter unchanged, and the message names the
# cause: the storage check refuses the start, or, before its first look at the disk,
# the file that cannot be written. Needs a small file system of its own, which only
# root can mount.
if [[ $(id -u) -ne 0 ]]; then
    echo "SKIP: the full-disk case needs root to mount a small tmpfs"
else
    mount_point=$work/full
    mkdir -p "$mount_point"
    if ! mount -t tmpfs -o size=256k tmpfs "$mount_point" 2>/dev/null; then
        echo "SKIP: cannot mount a tmpfs here"
    else
        trap 'umount "$mount_point" 2>/dev/null' EXIT
        printf 5 >"$mount_point/Pellor.inf"
        dd if=/dev/zero of="$mount_point/filler" bs=4k 2>/dev/null
        # The program's files, recordings and counter alike, go to the full disk.
        rm -rf "$data"
        ln -s "$mount_point" "$data"
        start_program TAVELIN_TEST_SPLASH_MS=200
        wait_for '^hook: ready' 90
        send "click 1056"
        expect_until modal 'Not enough space to (write the AVI file|go on recording)'
        send "dialog-close"
        expect_state 'recording=0 .*counter=5'
        [[ -z $(find "$mount_point" -name '*.avi*') ]] || fail "left behind: $(ls -a "$mount_point")"
        [[ $(cat "$mount_point/Pellor.inf") == 5 ]] || fail "the counter changed"
        send "tray 32772"
        wait_exit 30
        ((status == 0)) || fail "the program exited with $status"
        rm -f "$data"
        umount "$mount_point"
        trap - EXIT
    fi
fi

pass
