# Shared by the end-to-end scripts: start the real program under a virtual X server
# with the synthetic camera and microphone and its test hook, talk to it, and check
# what it answers. Sourced; uses $program, and sets $work, $data, $out, $err, $pid.

work=$(mktemp -d /tmp/tavelin-e2e-XXXXXX)
commands=$work/commands
out=$work/stdout
err=$work/stderr
data=$work/data
pid=

fail() {
    echo "FAIL: $*"
    echo "--- program output"; cat "$out" 2>/dev/null
    echo "--- program errors"; cat "$err" 2>/dev/null
    [[ -n ${pid:-} ]] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

# Starts the program with a fresh command file; extra VAR=value words go first.
start_program() {
    : >"$commands"
    : >"$out"
    : >"$err"
    mkdir -p "$data"
    env TAVELIN_TEST_SOURCES=1 TAVELIN_TEST_HOOK="$commands" TAVELIN_TEST_TRAY=1 \
        TAVELIN_TEST_DATA_DIR="$data" ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" "$@" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$program" >"$out" 2>"$err" &
    pid=$!
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

# Asks with $1 ("state" or "modal") and waits for an answer matching $2.
expect_answer() {
    local before
    before=$(grep -c "^$1" "$out")
    send "$1"
    local deadline=$((SECONDS + 10))
    until (($(grep -c "^$1" "$out") > before)); do
        ((SECONDS < deadline)) || fail "no $1 answer"
        sleep 0.2
    done
    local line
    line=$(grep "^$1" "$out" | tail -1)
    [[ $line =~ $2 ]] || fail "$1 '$line' does not match '$2'"
}
# Asks for the window's state until it matches $1 (commands may still be finishing).
expect_state() {
    local deadline=$((SECONDS + 15))
    until expect_answer_quietly state "$1"; do
        ((SECONDS < deadline)) || expect_answer state "$1"
        sleep 0.3
    done
}
expect_answer_quietly() { (fail() { exit 1; }; expect_answer "$@") >/dev/null; }

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
