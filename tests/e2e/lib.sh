# Shared by the end-to-end scripts: start the real program under a virtual X server
# with the synthetic camera and microphone and its test hook, talk to it, and check
# what it answers. Sourced; uses $program and the array $program_args (its arguments,
# none unless set), and sets $work, $data, $out, $err, $pid.

work=$(mktemp -d /tmp/tavelin-e2e-XXXXXX)
commands=$work/commands
out=$work/stdout
err=$work/stderr
data=$work/data
pid=
program_args=()

fail() {
    echo "FAIL: $*"
    echo "--- program output"; cat "$out" 2>/dev/null
    echo "--- program errors"; cat "$err" 2>/dev/null
    # xvfb-run's children (the program and its X server) first: they outlive it.
    [[ -n ${pid:-} ]] && pkill -KILL -P "$pid" 2>/dev/null
    [[ -n ${pid:-} ]] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

# In a sanitizer build the program runs with leak detection on, as every other test does,
# with the libraries' own lasting allocations suppressed by the shared file.
lsan_suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")/../sanitizers" && pwd)/lsan.supp

# Starts the program with a fresh command file; extra VAR=value words go first (an empty
# TAVELIN_TEST_DATA_DIR= leaves the program its own folders).
start_program() {
    : >"$commands"
    : >"$out"
    : >"$err"
    mkdir -p "$data"
    env TAVELIN_TEST_SOURCES=1 TAVELIN_TEST_HOOK="$commands" TAVELIN_TEST_TRAY=1 \
        TAVELIN_TEST_DATA_DIR="$data" ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
        LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$lsan_suppressions:fast_unwind_on_malloc=0}" "$@" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "${program_args[@]}" >"$out" 2>"$err" &
    pid=$!
}

# Puts a wrapper in front of $program that writes where its virtual display is to
# $work/display (for on_display) and, given "openbox", starts that window manager first
# and waits until it manages the screen.
wrap_program_for_display() {
    local real=$program window_manager=${1:-}
    program=$work/on-display
    cat >"$program" <<EOF
#!/bin/sh
echo "DISPLAY=\$DISPLAY XAUTHORITY=\$XAUTHORITY" >"$work/display"
if [ -n "$window_manager" ]; then
    openbox --sm-disable >/dev/null 2>&1 &
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=\$((tries + 1)); [ \$tries -lt 300 ] || break; sleep 0.1
    done
fi
exec "$real" "\$@"
EOF
    chmod +x "$program"
}

# Runs a command on the program's display (xdotool, xprop).
on_display() {
    # shellcheck disable=SC2046
    env $(cat "$work/display") "$@"
}

send() { echo "$*" >>"$commands"; }

# Waits until the program's output has a line matching $1, for at most $2 seconds.
wait_for() {
    local deadline=$((SECONDS + $2))
    until grep -qE "$1" "$out"; do
        ((SECONDS < deadline)) || fail "no line matching '$1' within $2 s"
        kill -0 "$pid" 2>/dev/null || fail "the program ended early"
        sleep 0.2
    done
}

# Runs the command $3... until it succeeds, for at most $1 seconds; fails with $2 if it
# never does. The limit only keeps a broken program from hanging the test.
wait_until() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit))
    until "$@"; do
        ((SECONDS < deadline)) || fail "$what (waited $limit s)"
        kill -0 "$pid" 2>/dev/null || fail "the program ended early: $what"
        sleep 0.2
    done
}

# True once the program's output holds more than $2 lines starting with "$1 ".
answered_more_than() { (($(grep -c "^$1 " "$out") > $2)); }
# Asks with $1 ("state", "modal" or "dialog") and puts the program's answer in $answer.
ask() {
    local before
    before=$(grep -c "^$1 " "$out")
    send "$1"
    wait_until 30 "no $1 answer" answered_more_than "$1" "$before"
    answer=$(grep "^$1 " "$out" | tail -1)
}
# Asks with $1 until the answer matches $2 (commands may still be finishing), for at
# most $3 seconds (default 30).
expect_until() {
    local deadline=$((SECONDS + ${3:-30}))
    ask "$1"
    until [[ $answer =~ $2 ]]; do
        ((SECONDS < deadline)) || fail "$1 '$answer' does not match '$2' (waited ${3:-30} s)"
        sleep 0.2
        ask "$1"
    done
}
# Asks for the window's state until it matches $1; $2 is the limit in seconds.
expect_state() { expect_until state "$1" "${2:-30}"; }

# The number of frames the window has shown (its frame step runs every 50 ms, so at
# most 20 a second).
frames_shown() {
    ask state
    [[ $answer =~ frames=([0-9]+) ]] || fail "no frame count in '$answer'"
    shown=${BASH_REMATCH[1]}
}
# Waits until the window has shown $1 more frames: the camera ran for at least $1/20 s.
wait_frames() {
    frames_shown
    local target=$((shown + $1))
    local deadline=$((SECONDS + 30 + $1))
    until ((shown >= target)); do
        ((SECONDS < deadline)) || fail "$shown of $target frames shown"
        sleep 0.2
        frames_shown
    done
}

# Waits for the program to end; its exit status in $status.
wait_exit() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "the program did not end within $1 s"
        sleep 0.2
    done
    wait "$pid"
    status=$?
    pid=
}

# The program itself (a child of xvfb-run), for signals.
program_pid() { pgrep -P "$pid" -x "$(basename "$program" | cut -c1-15)"; }

no_sanitizer_report() {
    if grep -qE 'ERROR: (Address|Leak|Thread)Sanitizer|runtime error:' "$err"; then
        fail "sanitizer report"
    fi
}

# The end of every script: no sanitizer report, the work folder gone, PASS.
pass() {
    no_sanitizer_report
    rm -rf "$work"
    echo "PASS"
}

# Ends the program from its tray menu, as a user would, and passes if it exits cleanly.
quit_from_tray_and_pass() {
    send "tray 32772"
    wait_exit 30
    ((status == 0)) || fail "the program exited with $status"
    pass
}

# Duration (s) and whether the AVI has its index, for a finished recording.
finished_recording() {
    local avi=$1
    [[ -f $avi ]] || fail "no recording $avi"
    grep -q idx1 "$avi" || fail "$avi has no index"
    local duration
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$avi")
    [[ -n $duration && $duration != N/A ]] || fail "$avi has no duration"
    echo "$duration"
}
