#!/usr/bin/env bash
# Storage limits in the real program, on a small file system of its own (a tmpfs as its
# data folder, where it records): recording by hand and on motion writes far more than
# the disk holds, and the program's own oldest recordings go, oldest number first, so
# that the space to keep free stays free; a user's own file, a link named like a
# recording and what it points to stay. Then a user's big file leaves no room: the
# recording ends cleanly, the user is told once, and recording on motion starts again
# by itself once the file is gone. It waits on what the program reports, never for a
# fixed time.
#
# usage: run_e2e_storage.sh <path of tavelin-video-center>   (as root: it mounts a tmpfs)
set -uo pipefail

program=$1
if ((EUID != 0)); then
    echo "SKIP: mounting a small file system for the recordings needs root"
    exit 77
fi
source "$(dirname "$0")/lib.sh"

size_mb=40       # the tmpfs
keep_free_mb=8   # [Storage] keepFreeMB
mb=$((1024 * 1024))
keep_free=$((keep_free_mb * mb))

sampler=
app=
cleanup() {
    [[ -n $sampler ]] && kill "$sampler" 2>/dev/null
    # After a failure the program may still hold files on the tmpfs.
    [[ -n $app ]] && kill -KILL "$app" 2>/dev/null
    if mountpoint -q "$data"; then
        umount "$data" 2>/dev/null || umount -l "$data"
    fi
    [[ -d $work ]] && rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$data"
if ! mount -t tmpfs -o "size=${size_mb}m,mode=0755" tavelin-e2e-storage "$data"; then
    echo "SKIP: cannot mount a tmpfs on $data"
    exit 77
fi

free_bytes() {
    local blocks size
    read -r blocks size < <(stat -f -c '%a %S' "$data")
    echo $((blocks * size))
}

# --- What the folder held before: ten earlier recordings of 2 MB, the older the lower
# their number; a user's own recording, older than all of them; a link named like a
# recording to a file elsewhere. The counter goes on after the earlier recordings.
for n in $(seq 1 10); do
    avi=$(printf '%s/Tavelin-%05d.avi' "$data" "$n")
    head -c $((2 * mb)) /dev/urandom >"$avi"
    touch -d "$((20 - n)) days ago" "$avi"
done
head -c $((2 * mb)) /dev/urandom >"$data/holiday.avi"
touch -d '30 days ago' "$data/holiday.avi"
holiday_sum=$(sha256sum <"$data/holiday.avi")
mkdir -p "$work/elsewhere"
target=$work/elsewhere/kept.avi
head -c $((2 * mb)) /dev/urandom >"$target"
touch -d '40 days ago' "$target"
target_sum=$(sha256sum <"$target")
ln -s "$target" "$data/Tavelin-00000.avi"
echo 11 >"$data/Pellor.inf"
printf '[Storage]\nkeepFreeMB=%d\n' "$keep_free_mb" >"$data/tavelin-video-center.conf"
echo "before: $(($(free_bytes) / mb)) MB free of $size_mb MB, keep $keep_free_mb MB free"

# The free space, every 0.1 s while the program runs.
samples=$work/free
(while [[ ! -e $work/stop-sampling ]]; do
    stat -f -c '%a %S' "$data"
    sleep 0.1
done) >"$samples" &
sampler=$!

# The picture moves for 4 s of every 10 s: record on motion (6 s before, 3 s of calm)
# gives a recording of about 13 s each time.
start_program TAVELIN_TEST_SPLASH_MS=0 TAVELIN_TEST_CAMERA_STILL_FOR=2 \
    TAVELIN_TEST_CAMERA_STILL_AFTER=6 TAVELIN_TEST_CAMERA_REPEAT_AFTER=10
wait_for '^hook: ready' 90
app=$(program_pid)
# 640x480, about half a megabyte a second.
send "click 1002"
expect_state 'recording=0 .*camerastarts=2 .*storage=ok'

# Events by name: the paths of "event <name> <path>" lines so far.
events() { grep "^event $1\( \|$\)" "$out" | cut -d' ' -f3-; }
count_events() { grep -c "^event $1\( \|$\)" "$out"; }
more_events() { (($(count_events "$1") > $2)); }
ended_as_often_as_started() { (($(count_events motion-ended) >= $(count_events motion-started))); }
has_line() { grep -qxF "$1" "$out"; }

# What the run has written: each recording as it was finished (it may go ten seconds
# later), with its index and duration, and its size.
written=0
sized=0
count_written() {
    local paths
    mapfile -t paths < <(events recording-finished)
    while ((sized < ${#paths[@]})); do
        local bytes
        bytes=$(stat -c %s "${paths[sized]}" 2>/dev/null) ||
            fail "${paths[sized]} went right after it was finished"
        finished_recording "${paths[sized]}" >/dev/null
        written=$((written + bytes))
        ((++sized))
    done
}
written_at_least() {
    count_written
    ((written >= $1))
}

# --- By hand: two recordings of some seconds each.
for round in 1 2; do
    finished=$(count_events recording-finished)
    send "click 1056"
    expect_state 'recording=1'
    wait_frames 160
    send "click 1056"
    wait_until 30 "recording $round by hand did not finish" more_events recording-finished "$finished"
    count_written
done
expect_state 'recording=0'

# --- On motion, until the run has written well over what the disk holds.
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click recordBox"
send "dialog-value beforeSpin 6"
send "dialog-value calmSpin 3"
send "dialog-click okButton"
expect_state 'monitor=1 .*armed=1'
wait_until 150 "not enough written on motion" written_at_least $((size_mb * mb * 6 / 5))
hand_and_motion=$(count_events recording-finished)
echo "written: $((written / mb)) MB in $hand_and_motion recordings, $(count_events file-removed) files removed"

# The lowest free space sampled from line $1 to line $2.
lowest_free() { sed -n "$1,$2p" "$samples" | awk 'NR == 1 || $1 * $2 < low { low = $1 * $2 } END { print low }'; }
in_mb() { awk -v b="$1" 'BEGIN { printf "%.1f MB", b / 1048576 }'; }
# The free space while the program kept it: never below the space to keep free by
# more than about a second of recording.
phase_one=$(wc -l <"$samples")
lowest=$(lowest_free 1 "$phase_one")
echo "lowest free space: $(in_mb "$lowest") (keep $keep_free_mb MB free) after $SECONDS s"
((lowest >= keep_free - mb)) || fail "the free space fell to $(in_mb "$lowest"), below $keep_free_mb MB"
grep -q 'message: Not enough space' "$err" && fail "out of space while files could still go"

# --- Out of space: while a recording on motion runs, a user's file takes all but a few
# megabytes, and more as the program frees some, until nothing more may go.
started=$(count_events recording-started)
wait_until 30 "no recording on motion started" more_events recording-started "$started"
running=$(events recording-started | tail -1)
filler=$data/filler.bin
left_after_fill=4
fill() {
    local left=$(($(free_bytes) - left_after_fill * mb))
    if ((left > 0)); then
        local had
        had=$(stat -c %s "$filler" 2>/dev/null || echo 0)
        fallocate -l $((had + left)) "$filler" || fail "cannot fill the disk"
    fi
    grep -q '^event storage-full' "$out"
}
wait_until 60 "the program never found the disk full" fill
wait_until 30 "$running did not finish" has_line "event recording-finished $running"
finished_recording "$running" >/dev/null
# The recording ended within about a second of the space running out: the free space the
# user's file left went on to its end.
lowest=$(lowest_free "$((phase_one + 1))" "$(wc -l <"$samples")")
echo "lowest free space with the disk filled: $(in_mb "$lowest") ($left_after_fill MB left to the program)"
((lowest >= (left_after_fill - 1) * mb)) || fail "the free space fell to $(in_mb "$lowest")"
expect_until modal '^modal Not enough space to go on recording: ' 30
send "dialog-close"
expect_until modal '^modal none'
expect_state 'recording=0 .*storage=full'
# A burst of motion while full starts nothing and tells nothing again.
moved=$(count_events motion-started)
wait_until 60 "no motion while the disk is full" more_events motion-started "$moved"
wait_until 60 "the motion did not end" ended_as_often_as_started
expect_state 'recording=0 .*storage=full'
ask modal
[[ $answer == "modal none" ]] || fail "told again: ${answer#modal }"
told=$(grep -c 'message: Not enough space to go on recording' "$err")
((told == 1)) || fail "told $told times that the space ran out"

# The user's file goes: space is back, and the next motion is recorded.
rm "$filler"
started=$(count_events recording-started)
wait_for '^event storage-back' 30
wait_until 60 "no recording on motion after the space came back" more_events recording-started "$started"
resumed=$(events recording-started | tail -1)
wait_until 60 "$resumed did not finish" has_line "event recording-finished $resumed"
finished_recording "$resumed" >/dev/null
(($(count_events storage-full) == 1 && $(count_events storage-back) == 1)) ||
    fail "$(count_events storage-full) times full, $(count_events storage-back) times back"
# Nothing started while the disk was full.
started_while_full=$(awk '/^event storage-full/ { full = 1 } /^event storage-back/ { full = 0 }
                          full && /^event recording-started/' "$out")
[[ -z $started_while_full ]] || fail "started while the disk was full: $started_while_full"

# Record on motion off, so that what is checked stays as it is.
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click recordBox"
send "dialog-click okButton"
expect_state 'recording=0 .*armed=0'

# --- Every recording started was finished, and none failed.
[[ -z $(events recording-failed) ]] || fail "failed: $(events recording-failed)"
[[ $(events recording-started | sort) == $(events recording-finished | sort) ]] ||
    fail "started and finished differ: $(diff <(events recording-started | sort) <(events recording-finished | sort))"

# Removed: only the program's numbered recordings, oldest number first, and every
# recording left is younger than every one removed.
number() { sed -n 's|^.*/Tavelin-0*\([0-9][0-9]*\)\.avi$|\1|p' <<<"$1"; }
removed=$(events file-removed)
[[ -n $removed ]] || fail "nothing was removed"
last=-1
while read -r path; do
    [[ $path == "$data"/Tavelin-[0-9][0-9][0-9][0-9][0-9].avi ]] || fail "removed $path"
    [[ ! -e $path ]] || fail "$path was reported removed and is there"
    n=$(number "$path")
    ((10#$n > last)) || fail "removed recording $n after $last"
    last=$((10#$n))
done <<<"$removed"
left=$(find "$data" -maxdepth 1 -type f -name 'Tavelin-*.avi' | sort)
for path in $left; do
    n=$(number "$path")
    ((10#$n > last)) || fail "$path is left while younger recordings up to $last went"
    ((10#$n >= 11)) && finished_recording "$path" >/dev/null
done
echo "removed: $(wc -l <<<"$removed") recordings ($(number "$(head -1 <<<"$removed")") to $last); left: $(wc -w <<<"$left")"
echo "recorded: $(count_events recording-finished) recordings, $((written / mb)) MB before the disk was filled; $SECONDS s"

# The user's files stay as they were.
[[ $(sha256sum <"$data/holiday.avi") == "$holiday_sum" ]] || fail "holiday.avi changed"
[[ -L $data/Tavelin-00000.avi && $(readlink "$data/Tavelin-00000.avi") == "$target" ]] ||
    fail "the link changed: $(ls -l "$data/Tavelin-00000.avi" 2>&1)"
[[ $(sha256sum <"$target") == "$target_sum" ]] || fail "the link's target changed"

# Exit from the tray menu; the tmpfs goes before the work folder.
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the program exited with $status"
app=
touch "$work/stop-sampling"
wait "$sampler"
sampler=
umount "$data" || fail "cannot unmount $data"
pass
