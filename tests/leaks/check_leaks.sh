#!/usr/bin/env bash
# Runs a driver under a leak checker and fails on memory lost from this program's own
# code. GLib and GStreamer keep a few one-time allocations for the life of the process
# (type and plugin registration); those are not ours and are not counted.
#
# usage: check_leaks.sh valgrind|lsan <driver> <arguments...>
set -uo pipefail
mode=$1
shift
log=$(mktemp /tmp/tavelin-leaks-XXXXXX)
trap 'rm -f "$log"' EXIT

case $mode in
valgrind)
    valgrind --leak-check=full --num-callers=40 --log-file="$log" "$@" || exit 1
    # Each loss record is a block of lines; ours name a function of the program.
    awk '/are definitely lost in loss record/ { record = 1; text = "" }
         record { text = text $0 "\n" }
         record && /^==[0-9]+== $/ { if (text ~ /tavelin::/) { printf "%s", text; bad = 1 } record = 0 }
         END { exit bad }' "$log" || { echo "FAIL: definite loss from the program's code"; exit 1; }
    grep -E 'definitely lost:' "$log"
    ;;
lsan)
    # The sanitizer build's suppressions: one-time allocations of the dynamic loader and
    # of library initialisers, nothing made through the program's own code.
    supp=$(cd "$(dirname "$0")/../sanitizers" && pwd)/lsan.supp
    # Full stacks, so the libraries' frames are there to be recognised; GLib's slice
    # allocator would hide lost messages in its own pools.
    G_SLICE=always-malloc ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 \
        LSAN_OPTIONS="suppressions='$supp'" "$@" 2>"$log"
    status=$?
    if ((status != 0)) || grep -q 'ERROR: LeakSanitizer' "$log"; then
        cat "$log"
        echo "FAIL: LeakSanitizer found a leak"
        exit 1
    fi
    ;;
*)
    echo "usage: $0 valgrind|lsan <driver> <arguments...>" >&2
    exit 2
    ;;
esac
echo "PASS"
