#!/usr/bin/env bash
# The real program's command line: the options that only print (with no display at
# all), a camera chosen by name in a Wayland session that offers XWayland (the program
# says it runs on X11, and does), and a camera name that matches nothing. Under a window
# manager, when one is installed, the preview window touches the main window at start-up.
# It waits on what the program reports, never for a fixed time.
#
# usage: run_e2e_command_line.sh <path of tavelin-video-center>
set -uo pipefail

program=$1
source "$(dirname "$0")/lib.sh"
# The platform is the program's own choice here (ctest asks for offscreen elsewhere).
unset QT_QPA_PLATFORM WAYLAND_DISPLAY XDG_SESSION_TYPE

# The windowed starts run under a window manager when there is one (openbox), as on a
# desktop: it frames the preview window only after the program has placed it.
real_program=$program
window_manager=
if command -v openbox >/dev/null; then
    window_manager=openbox
else
    echo "no window manager (openbox): windows are checked without frames"
fi
wrap_program_for_display $window_manager
# True when a window on the program's display has exactly the caption $1 (its UTF-8
# name: the Latin-1 one loses what it cannot spell).
has_window_named() {
    local id
    for id in $(on_display xdotool search --onlyvisible --name . 2>/dev/null); do
        [[ $(on_display xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && return 0
    done
    return 1
}

# Runs the program with no display; its status in $status, its output in $out and $err.
run_bare() {
    env -u DISPLAY "$@" >"$out" 2>"$err"
    status=$?
}
expect_status() { ((status == $1)) || fail "$2: exit status $status, not $1"; }

run_bare "$real_program" --version
expect_status 0 "--version"
[[ $(cat "$out") == "Tavelin Video Center 3.0.0" ]] || fail "--version printed '$(cat "$out")'"

run_bare "$real_program" --help
expect_status 0 "--help"
grep -q '^Usage: tavelin-video-center \[options\]' "$out" || fail "--help has no usage line"
grep -q -- '--camera <name>' "$out" || fail "--help does not name --camera"

run_bare "$real_program" --no-such-option
expect_status 2 "an unknown option"
[[ ! -s $out ]] || fail "an unknown option printed on stdout"
grep -q "Unknown option 'no-such-option'" "$err" || fail "an unknown option is not named"
run_bare "$real_program" --camera
expect_status 2 "--camera without a name"

run_bare env TAVELIN_TEST_SOURCES=1 "$real_program" --list-devices
expect_status 0 "--list-devices"
grep -qx '  Test Pattern PC Camera' "$out" || fail "--list-devices lacks the synthetic camera"
grep -qx '  Test Tone Microphone' "$out" || fail "--list-devices lacks the synthetic microphone"
grep -qx '  JPEG image encoder' "$out" || fail "--list-devices lacks the JPEG encoder"
[[ $(grep -c ':$' "$out") == 4 ]] || fail "--list-devices has not four groups"

# A Wayland session with XWayland: the option's camera, not the variable's, shows frames,
# on X11 (Xvfb stands in for XWayland).
program_args=(--camera "test PATTERN" --verbose)
start_program TAVELIN_TEST_SPLASH_MS=0 TAVELIN_CAMERA=nosuchcamera WAYLAND_DISPLAY=wayland-0 \
    XDG_SESSION_TYPE=wayland
wait_for '^hook: ready' 90
wait_frames 20
grep -q '^tavelin.ui: platform: Wayland session with an X server' "$err" ||
    fail "the platform choice is not logged"
grep -qx 'tavelin.ui: window system: xcb' "$err" || fail "the program does not run on X11"
grep -q '^tavelin.capture: preview: "Test Pattern PC Camera" running' "$err" ||
    fail "the preview does not run on the chosen camera"

# Captions are the windows' own, without the program's name added.
wait_until 30 "no main window captioned 'Tavelin Video Center'" has_window_named 'Tavelin Video Center'
send "click 1013"
expect_until dialog 'CAboutBox'
wait_until 30 "no window captioned exactly 'About...'" has_window_named 'About...'
send "dialog-close"
expect_until dialog 'none'

# The preview touches the main window: its frame ends where the main window begins.
ask geometry
[[ $answer =~ main=(-?[0-9]+),(-?[0-9]+),[0-9]+,[0-9]+\ preview=(-?[0-9]+),(-?[0-9]+),([0-9]+), ]] ||
    fail "no geometry in '$answer'"
main_left=${BASH_REMATCH[1]}
preview_right=$((BASH_REMATCH[3] + BASH_REMATCH[5]))
((preview_right == main_left)) || fail "the preview ends at $preview_right, the main window starts at $main_left"
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the program exited with $status"
no_sanitizer_report

# No camera of that name, by option and by variable: the usual message, the cameras seen
# in the log, and the end once the message is closed, with status 1: the program could
# not do what it was started for.
for how in option variable; do
    if [[ $how == option ]]; then
        program_args=(--camera nosuchcamera)
        start_program
    else
        program_args=()
        start_program TAVELIN_CAMERA=NoSuchCamera
    fi
    expect_until modal 'Not found valid video capture device!' 60
    grep -qi 'no camera: no video source has "nosuchcamera" in its name (seen: .*"Test Pattern PC Camera"' "$err" ||
        fail "the log does not say which cameras were seen ($how)"
    send "dialog-close"
    wait_exit 30
    ((status == 1)) || fail "the program exited with $status, not 1 ($how)"
    grep -q '^hook: ready' "$out" && fail "the program started without a camera ($how)"
    no_sanitizer_report
done

pass
