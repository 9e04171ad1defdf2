#!/usr/bin/env bash
# A user's first day with the real program. Enter and Escape, pressed through the X
# server, do not end it, and Enter in the path field sends the next recording where the
# field says. Record on motion, ticked once, is watching again after a restart without
# a dialog, and "Start with the desktop" writes the autostart entry and removes it. The
# program installed with cmake --install (run by whoever runs the test: root in CI)
# proposes and writes the user's folders only, never its own tree. It waits on what the
# program reports, never for a fixed time.
#
# usage: run_e2e_first_day.sh <path of tavelin-video-center> <its build folder>
set -uo pipefail

program=$1
build=$2
source "$(dirname "$0")/lib.sh"
# Keys go through the X server: the program runs on it (ctest asks for offscreen elsewhere).
unset QT_QPA_PLATFORM WAYLAND_DISPLAY XDG_SESSION_TYPE
real_program=$(readlink -f "$program")
wrap_program_for_display
export XDG_CONFIG_HOME=$work/config

# Types into the field under the main window's point ($1, $2): select all, the text $3,
# then the key $4.
type_into() {
    local main
    main=$(on_display xdotool search --onlyvisible --name '^Tavelin Video Center$' | head -1)
    [[ -n $main ]] || fail "no main window on the display"
    on_display xdotool mousemove --window "$main" "$1" "$2" click 1 key ctrl+a
    on_display xdotool type --delay 10 "$3"
    on_display xdotool key "$4"
}
path_field=(170 100)

# --- Enter and Escape in the main window
start_program TAVELIN_TEST_SPLASH_MS=0
wait_for '^hook: ready' 90
mkdir -p "$data/typed"
type_into "${path_field[@]}" "$data/typed/first.avi" Return
expect_until path "^path $data/typed/first.avi\$"
on_display xdotool key Escape
# Keys after Escape still reach a running program.
type_into "${path_field[@]}" "$data/typed/second.avi" KP_Enter
expect_until path "^path $data/typed/second.avi\$"
# The next recording goes to the folder the confirmed path names.
send "click 1056"
expect_state 'recording=1'
wait_frames 20
send "click 1056"
expect_state 'recording=0'
finished_recording "$data/typed/Tavelin-00000.avi" >/dev/null

# --- Record on motion and "Start with the desktop" last beyond the run
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click recordBox"
send "dialog-click startBox"
send "dialog-click okButton"
expect_state 'monitor=1 .*armed=1'
autostart=$XDG_CONFIG_HOME/autostart/tavelin-video-center.desktop
[[ -f $autostart ]] || fail "no autostart entry"
# Run from the build folder, the entry starts this very program.
grep -qxF "Exec=\"$real_program\"" "$autostart" || fail "the autostart entry starts $(grep Exec "$autostart")"
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the program exited with $status"
no_sanitizer_report

start_program TAVELIN_TEST_SPLASH_MS=0
wait_for '^hook: ready' 90
expect_state 'monitor=1 .*armed=1'
ask dialog
[[ $answer == 'dialog none' ]] || fail "a dialog is up after the start: $answer"
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the program exited with $status"
no_sanitizer_report

# --- The installed program writes into the user's folders only
prefix=$work/prefix
home=$work/home
mkdir -p "$home"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed: $(cat "$work/install.log")"
touch "$work/installed"
[[ $(id -u) == 0 ]] || echo "not root: the installed program runs as an ordinary user"
program=$prefix/bin/tavelin-video-center
start_program TAVELIN_TEST_SPLASH_MS=0 TAVELIN_TEST_DATA_DIR= HOME="$home" XDG_CONFIG_HOME= \
    XDG_DATA_HOME= XDG_DATA_DIRS="$prefix/share:/usr/share"
wait_for '^hook: ready' 90
expect_until path "^path $home/Videos/Tavelin-00000.avi\$"
send "click 1056"
expect_state 'recording=1'
wait_frames 20
send "click 1056"
expect_state 'recording=0'
finished_recording "$home/Videos/Tavelin-00000.avi" >/dev/null
counter=$home/.local/share/Tavelin/tavelin-video-center/Pellor.inf
[[ $(cat "$counter" 2>/dev/null) == 1 ]] || fail "the counter in $counter holds '$(cat "$counter" 2>/dev/null)'"
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click startBox"
send "dialog-click okButton"
expect_until dialog 'none'
wait_until 30 "no autostart entry" test -f "$home/.config/autostart/tavelin-video-center.desktop"
cmp -s "$home/.config/autostart/tavelin-video-center.desktop" \
    "$prefix/share/applications/tavelin-video-center.desktop" ||
    fail "the autostart entry is not the installed desktop entry"
send "click 1069"
expect_until dialog 'MonitorSettingsDlg'
send "dialog-click startBox"
send "dialog-click okButton"
expect_until dialog 'none'
wait_until 30 "the autostart entry stays" test ! -e "$home/.config/autostart/tavelin-video-center.desktop"
send "tray 32772"
wait_exit 30
((status == 0)) || fail "the installed program exited with $status"
written=$(find "$prefix" -newer "$work/installed")
[[ -z $written ]] || fail "the installed program wrote into its own tree: $written"

pass
