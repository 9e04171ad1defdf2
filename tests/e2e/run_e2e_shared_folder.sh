#!/usr/bin/env bash
# Two copies of the real program recording into one folder at the same moments keep
# every recording: sharing one counter (each start takes a number of its own), and each
# with a counter of its own (a number the other named first moves the recording on to
# the next free one). A recording a killed program left hidden is claimed at start-up.
#
# usage: run_e2e_shared_folder.sh <path of tavelin-video-center>
set -uo pipefail

program=$1
source "$(dirname "$0")/lib.sh"

rounds=4
program_args=(--verbose)  # the log says when a recording moved on to another number
declare -A pids=()
trap 'for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done' EXIT

# The lib's functions talk to one program at a time: its command file, output and pid.
use() {
    commands=$work/$1.commands
    out=$work/$1.out
    err=$work/$1.err
    pid=${pids[$1]:-}
}
# Starts program $1 with $2 as its data folder (counter and numbered recordings).
launch() {
    use "$1"
    data=$2
    start_program TAVELIN_TEST_SPLASH_MS=200
    pids[$1]=$pid
}
quit() {
    use "$1"
    send "tray 32772"
    wait_exit 30
    ((status == 0)) || fail "$1 exited with $status"
    no_sanitizer_report
    unset "pids[$1]"
}

# Both programs press Recorder at once, record a couple of seconds and stop, $rounds
# times; each start either records or says why not.
made=0
refused=0
record_together() {
    for ((round = 0; round < rounds; ++round)); do
        for who in A B; do
            use $who
            send "click 1056"
        done
        local running=()
        for who in A B; do
            use $who
            ((++made))
            ask modal
            if [[ $answer == "modal none" ]]; then
                expect_state 'recording=1'
                running+=("$who")
            else
                echo "$who: ${answer#modal }"
                ((++refused))
                send "dialog-close"
                expect_state 'recording=0'
            fi
        done
        for who in "${running[@]}"; do
            use "$who"
            wait_frames 40
            send "click 1056"
        done
        for who in "${running[@]}"; do
            use "$who"
            expect_state 'recording=0'
        done
    done
}
# Every start kept: a finished recording in $1 for each (and $3 more there before),
# and nothing left hidden.
check_kept() {
    local folder=$1 what=$2 before=${3:-0}
    local recordings
    recordings=$(find "$folder" -maxdepth 1 -name 'Tavelin-*.avi' -newer "$work/started" | sort)
    local kept
    kept=$(grep -c . <<<"$recordings")
    echo "$what: $((made - refused)) of $made recordings started, $kept kept"
    ((refused == 0)) || fail "$what: $refused starts refused"
    ((kept == made)) || fail "$what: $kept recordings kept of $made"
    local all
    all=$(find "$folder" -maxdepth 1 -name 'Tavelin-*.avi' | wc -l)
    ((all == made + before)) || fail "$what: $all files, $made recorded and $before before"
    local avi
    for avi in $recordings; do
        finished_recording "$avi" >/dev/null
    done
    [[ -z $(find "$folder" -maxdepth 1 -name '.*.part-*') ]] || fail "left hidden: $(ls -a "$folder")"
}

# --- One counter for both; a recording a killed program left hidden waits in the folder.
shared=$work/shared
mkdir -p "$shared"
sh -c true &
ended=$!
wait "$ended"
printf 'unnamed recording' >"$shared/.Tavelin-00000.avi.part-$ended-0"
: >"$shared/.Tavelin-00001.avi.part-$ended-1"
touch -d '1 hour ago' "$shared"/.Tavelin-*
touch -d '1 minute ago' "$work/started"
launch A "$shared"
launch B "$shared"
for who in A B; do
    use $who
    wait_for '^hook: ready' 90
done
[[ $(cat "$shared/Tavelin-00000.avi" 2>/dev/null) == 'unnamed recording' ]] ||
    fail "the hidden recording was not claimed: $(ls -a "$shared")"
record_together
check_kept "$shared" "shared counter" 1
[[ $(cat "$shared/Pellor.inf") == $((made + 1)) ]] ||
    fail "the shared counter is $(cat "$shared/Pellor.inf")"
# The lock gave each start a number of its own: none had to move on.
moved=$(cat "$work"/[AB].err | grep -c 'was taken meanwhile')
((moved == 0)) || fail "shared counter: $moved recordings found their number taken"
quit A
quit B

# --- A counter each; B's numbered recordings go to A's folder (Video settings).
made=0
refused=0
launch A "$work/a"
launch B "$work/b"
for who in A B; do
    use $who
    wait_for '^hook: ready' 90
done
use B
send "click 1027"
expect_until dialog 'VideoSettingsDlg'
send "dialog-text pathEdit $work/a/Tavelin-00000.avi"
send "dialog-click okButton"
expect_until dialog 'dialog none'
record_together
check_kept "$work/a" "a counter each"
echo "a counter each: $(cat "$work"/[AB].err | grep -c 'was taken meanwhile') recordings moved on"
[[ -z $(find "$work/b" -name 'Tavelin-*.avi') ]] || fail "B recorded into its own folder"
# The counters moved past the numbers really used: the larger one past the last file.
last=$(find "$work/a" -maxdepth 1 -name 'Tavelin-*.avi' | sed 's/.*Tavelin-0*\([0-9][0-9]*\)\.avi/\1/' | sort -n | tail -1)
a=$(cat "$work/a/Pellor.inf")
b=$(cat "$work/b/Pellor.inf")
(((a > b ? a : b) == last + 1)) || fail "counters $a and $b, last recording $last"
quit A
quit B

pass
