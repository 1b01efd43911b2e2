#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end check of the main window on the demo network of real Samba
# servers, inside its network namespace (needs root):
#
#  1. tst_e2edemo on an X display in the namespace: at the first start's
#     width every toolbar button and menu is shown (none behind a chevron);
#     F5, "Searching..." then "Ready. N shares. 1 host needs a login.", the shares in their groups as online (those of the
#     host found by WS-Discovery only among them; the host that wants a
#     login as one refused host without shares), a double-click
#     handing smb://host/share to the desktop's handler (a stand-in xdg-open
#     that writes down what it was given), File > Exit saving the document
#     and the settings.
#     Quick filter and share address (CheckQuickFilter): Ctrl+F, "mus",
#     Down, Ctrl+C: the list shows only Music shares and the clipboard holds
#     \\host\Music.
#  2. The program itself, driven with xdotool under a window manager and a
#     tray (trayer): F5, a double-click on the focused share, a
#     Ctrl+double-click that starts the desktop's file manager (a stand-in
#     found through its desktop entry at first start) with the share's
#     address, "Show in T&ray" and left clicks on the tray icon hiding and
#     restoring the window, File > Exit; the autosaved document must hold
#     shares and settings.xml must exist.
#  3. File > Exit without a taskbar button (turned off in the View menu,
#     then off from the start): the program ends, the document is autosaved
#     and settings.xml written.
#  4. Alt+O, a host range of the demo network typed into Scan Options, Ok
#     (the document is saved with it), F5; Alt+P, German chosen in
#     Preferences: the open dialog and the menus switch language (Datei >
#     Beenden ends the program); the range's shares and the language are kept.
#  5. The window scanning a document (a listed host that never answers keeps
#     the scan running), then the program started again with another
#     document, by a name relative to another folder: the second start ends
#     with status 0, one program remains, its title names the second
#     document, and the first was saved by the open; a start without a file
#     only brings the window forward.
#  6. German window (tst_e2edemo germanWindow, a first start under
#     LANG=de_DE.UTF-8): the bars show everything at the first start's
#     width, as in step 1; a right click on the icon in the tray opens the
#     window menu in German, Open on every share asks with German buttons,
#     and File > Open shows Qt's own file dialog with German texts only
#     (with --screenshot, pictures of the three beside the screenshot).
#
#   scripts/e2e-window.sh [--screenshot FILE] [--only-screenshot]
#
# LANTERRA_BUILD names the build folder (default: build).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${LANTERRA_BUILD:-$root/build}"
shot=""
only_shot=0
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) shot="$(realpath -m "$2")"; shift 2 ;;
        --only-screenshot) only_shot=1; shift ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

# The X server, window manager, tray and X tools are test packages.
"$root/scripts/deps.sh" test

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANTERRA_TESTS=ON >/dev/null
cmake --build "$build" --target lanterra lanterra-scan lanterra-test-muteserver tst_e2edemo lanterra_locales \
    lanterra_icon_library >&2

demo="$root/scripts/demo-network.sh"
work="$(mktemp -d /tmp/lanterra-e2e.XXXXXX)"
chmod 0755 "$work"
cleanup() {
    "$demo" stop >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
# The demo network has one fixed namespace: wait while someone else's runs.
for _ in $(seq 600); do
    ip netns list | grep -qw lanterra-demo || break
    sleep 1
done
"$demo" start >&2
hosts="$("$demo" hosts)"
read -r login_host _ <<<"$("$demo" login)"
read -r announced _ <<<"$("$demo" announced)"
echo "demo hosts: $hosts; wants a login: $login_host; found by WS-Discovery only: $announced" >&2

# The stand-in desktop handler for smb:// addresses.
mkdir -p "$work/bin" "$work/home" "$work/runtime"
chmod 0700 "$work/runtime"
cat > "$work/bin/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$@" >> "$LANTERRA_E2E_OPENLOG"
SH
chmod +x "$work/bin/xdg-open"
# The stand-in file manager: the desktop's default handler of folders, found
# through its desktop entry when the program starts for the first time.
cat > "$work/bin/lanterra-test-files" <<'SH'
#!/bin/sh
printf '%s\n' "$@" >> "$LANTERRA_E2E_BROWSELOG"
SH
chmod +x "$work/bin/lanterra-test-files"
mkdir -p "$work/home/.local/share/applications" "$work/home/.config"
cat > "$work/home/.local/share/applications/lanterra-test-files.desktop" <<'DESKTOP'
[Desktop Entry]
Type=Application
Name=Test Files
Exec=lanterra-test-files --new-window %U
MimeType=inode/directory;
DESKTOP
printf '[Default Applications]\ninode/directory=lanterra-test-files.desktop\n' > "$work/home/.config/mimeapps.list"

# Everything below runs inside the namespace: the X server, the window
# manager and the program.
cat > "$work/inside.sh" <<'SH'
#!/usr/bin/env bash
set -euo pipefail
work="$1"; build="$2"; hosts="$3"; shot="$4"; only_shot="$5"; login_host="$6"; announced="$7"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
export PATH="$work/bin:$PATH" LANTERRA_E2E_OPENLOG="$work/open.log" QT_QPA_PLATFORM=xcb
export LANTERRA_E2E_BROWSELOG="$work/browse.log" XDG_DATA_HOME="$work/home/.local/share"
display=:$(( 70 + RANDOM % 20 ))
export DISPLAY=$display
Xvfb "$display" -screen 0 1024x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
openbox_pid=""
trayer_pid=""
mute_pid=""
finish() {
    [ -n "$mute_pid" ] && kill "$mute_pid" 2>/dev/null || true
    [ -n "$trayer_pid" ] && kill "$trayer_pid" 2>/dev/null || true
    [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap finish EXIT
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
openbox_pid=$!
trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
trayer_pid=$!
sleep 1

if [ "$only_shot" = 0 ]; then
    echo "== 1. the window against the demo network (tst_e2edemo)"
    LANTERRA_E2E_HOSTS="$hosts" LANTERRA_E2E_LOGIN="$login_host" LANTERRA_E2E_ANNOUNCED="$announced" \
        "$build/bin/tst_e2edemo" scanOpenAndExit
    rm -f "$work/open.log"
fi

echo "== 2. the program, driven by keys and mouse"
doc="$work/home/Demo Network.net"
# A document whose rules list the demo hosts and search all workgroups with
# the hosts that announce themselves (the scan tool writes it); a document
# prepared outside (the picture's, with the laptop remembered) is scanned
# again.
seed=()
[ -f "$doc" ] && seed=("$doc")
"$build/bin/lanterra-scan" --hosts "$hosts" -q "${seed[@]}" --out "$doc" >/dev/null
before=$(stat -c %Y "$doc")
sleep 1
"$build/bin/lanterra" "$doc" > "$work/lanterra.out" 2>&1 &
app=$!
wid=$(xdotool search --sync --name "Demo Network - Brevant Lanterra" | head -1)
# Keys go to the active window (synthetic events sent to a window are
# ignored by most programs).
# ends_after WHAT: the program must end within 10 s of WHAT (its menu
# command); otherwise it is killed and the check fails.
ends_after() {
    for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app" 2>/dev/null; then
        echo "the program did not end after $1" >&2
        kill "$app"
        exit 1
    fi
    wait "$app"
}
keys() {
    xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
    xdotool key "$@"
}
sleep 1
keys F5
# The scan: the demo hosts answer (or refuse) within a second or two;
# LANTERRA_E2E_SCAN_SECONDS gives a slow machine more time.
sleep "${LANTERRA_E2E_SCAN_SECONDS:-10}"
# The share list has the keyboard focus from the start: Home focuses the
# first share, and a double-click anywhere in the list opens it.
keys Home
sleep 0.5
if [ -n "$shot" ]; then
    mkdir -p "$(dirname "$shot")"
    import -window "$wid" "$shot"
    echo "screenshot: $shot"
fi
if [ "$only_shot" = 0 ]; then
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    xdotool mousemove --window "$wid" $(( WIDTH - 30 )) $(( HEIGHT - 60 ))
    xdotool click --repeat 2 --delay 60 1
    for _ in $(seq 50); do [ -s "$work/open.log" ] && break; sleep 0.1; done
    echo "desktop handler got: $(cat "$work/open.log" 2>/dev/null)"
    grep -q '^smb://[^/]*/.' "$work/open.log"

    # Ctrl+double-click browses with the file manager found at first start.
    xdotool keydown ctrl click --repeat 2 --delay 60 1 keyup ctrl
    for _ in $(seq 50); do [ -s "$work/browse.log" ] && break; sleep 0.1; done
    echo "file manager got: $(tr '\n' ' ' < "$work/browse.log" 2>/dev/null)"
    head -1 "$work/browse.log" | grep -qx -- '--new-window'
    sed -n 2p "$work/browse.log" | grep -q '^smb://[^/]*/.'

    # The tray: View > Show in Tray, then left clicks on its icon.
    keys alt+v
    sleep 0.3
    keys r
    sleep 1
    # trayer sits in the bottom right corner, 24 pixels high, the icon last.
    read -r screen_w screen_h < <(xdotool getdisplaygeometry)
    visible() { xdotool search --onlyvisible --name "Demo Network - Brevant Lanterra" >/dev/null 2>&1; }
    xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
    xdotool mousemove $(( screen_w - 12 )) $(( screen_h - 12 )) click 1
    for _ in $(seq 30); do visible || break; sleep 0.1; done
    if visible; then echo "a click on the tray icon did not hide the window" >&2; exit 1; fi
    sleep 1
    xdotool click 1
    for _ in $(seq 30); do visible && break; sleep 0.1; done
    visible || { echo "a second click on the tray icon did not bring the window back" >&2; exit 1; }
    echo "tray icon hides and restores the window"
    sleep 0.5
fi
# File > Exit from the keyboard.
keys alt+f
sleep 0.3
keys x
ends_after "File > Exit"
after=$(stat -c %Y "$doc")
[ "$after" -gt "$before" ] || { echo "the document was not saved at exit" >&2; exit 1; }
iconv -f UTF-16 -t UTF-8 "$doc" | grep '<share' >/dev/null || { echo "the saved document holds no shares" >&2; exit 1; }
# The window's scan found the announced host and was refused by the other.
iconv -f UTF-16 -t UTF-8 "$doc" | grep -i "<host name=\"$announced\"" >/dev/null ||
    { echo "the window's scan did not find $announced" >&2; exit 1; }
iconv -f UTF-16 -t UTF-8 "$doc" | grep "<host name=\"$login_host\"" | grep 'lastState="5"' >/dev/null ||
    { echo "the window's scan did not mark $login_host as wanting a login" >&2; exit 1; }
settings="$XDG_CONFIG_HOME/Brevant/Lanterra/settings.xml"
# (grep reads to the end here: with pipefail, "grep -q" leaving early would
# fail the check whenever iconv got SIGPIPE on a large file.)
iconv -f UTF-16 -t UTF-8 "$settings" | grep 'name="mainwindow"' >/dev/null || { echo "settings.xml was not written" >&2; exit 1; }
echo "document and settings saved at exit"
[ "$only_shot" = 1 ] && exit 0

# 3. Without a taskbar button the window is a tool window, and the program
# must still end on File > Exit and save as it does with one: first with
# the setting turned off while running, then with it off from the start.
file_exit_without_taskbar() {
    local toggle="$1" doc_before settings_before
    doc_before=$(stat -c %Y "$doc")
    settings_before=$(stat -c %Y "$settings")
    sleep 1
    "$build/bin/lanterra" "$doc" >> "$work/lanterra.out" 2>&1 &
    app=$!
    wid=$(xdotool search --sync --name "Demo Network - Brevant Lanterra" | head -1)
    sleep 1
    if [ "$toggle" = 1 ]; then
        # View > Show on T&askbar ("&Address Bar" takes the first 'a').
        keys alt+v
        sleep 0.3
        keys a
        sleep 0.2
        keys a
        sleep 0.2
        keys Return
        sleep 1
        wid=$(xdotool search --sync --name "Demo Network - Brevant Lanterra" | head -1)
    fi
    keys alt+f
    sleep 0.3
    keys x
    ends_after "File > Exit without a taskbar button"
    [ "$(stat -c %Y "$doc")" -gt "$doc_before" ] || { echo "the document was not saved at exit (no taskbar button)" >&2; exit 1; }
    [ "$(stat -c %Y "$settings")" -gt "$settings_before" ] || { echo "settings.xml was not written (no taskbar button)" >&2; exit 1; }
    iconv -f UTF-16 -t UTF-8 "$settings" | grep 'showOnTaskBar="false"' >/dev/null || { echo "settings.xml does not remember the taskbar setting" >&2; exit 1; }
}
echo "== 3. File > Exit without a taskbar button"
file_exit_without_taskbar 1
echo "turned off while running: the program ended and saved"
file_exit_without_taskbar 0
echo "off from the start: the program ended and saved"
# The next steps use the window with its taskbar button again.
iconv -f UTF-16 -t UTF-8 "$settings" | sed 's/showOnTaskBar="false"/showOnTaskBar="true"/' | iconv -f UTF-8 -t UTF-16 > "$settings.new"
mv "$settings.new" "$settings"

echo "== 4. scan options and language from the keyboard"
# Waits for a window whose title starts with $1; its id on stdout.
window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}
gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "window \"$1\" did not close" >&2
    return 1
}
range_doc="$work/home/Range.net"
"$build/bin/lanterra-scan" --no-all -q --out "$range_doc" >/dev/null
"$build/bin/lanterra" "$range_doc" > "$work/lanterra3.out" 2>&1 &
app=$!
wid=$(window "Range - Brevant Lanterra")
sleep 1
keys alt+o
window "Scan Options" >/dev/null
# The focus starts on the first switch; with the workgroup list and its
# "..." disabled, five tabs reach "Add hosts and ip ranges to search:". A
# tick from the keyboard keeps the focus there, and Tab enters the host list
# it enabled. Three tabs on, Return in the host filter is Ok.
xdotool key --delay 80 Tab Tab Tab Tab Tab space Tab
xdotool type --delay 20 "127.0.30.1-127.0.30.4"
xdotool key --delay 80 Tab Tab Tab Return
gone "Scan Options"
iconv -f UTF-16 -t UTF-8 "$range_doc" | grep '127.0.30.1-127.0.30.4' >/dev/null ||
    { echo "Scan Options did not store and save the host range" >&2; exit 1; }
echo "Scan Options stored and saved the range"
keys F5
sleep "${LANTERRA_E2E_SCAN_SECONDS:-10}"
keys alt+p
window "Preferences" >/dev/null
# Ten tabs from the first box reach the language; Down picks the first file.
xdotool key --delay 80 Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Down
window "Einstellungen" >/dev/null
echo "the open Preferences dialog turned German"
[ -n "$shot" ] && import -window root "$(dirname "$shot")/e2e-german.png"
xdotool key Escape
gone "Einstellungen"
# The menus are German now: Datei > Beenden.
keys alt+d
sleep 0.3
keys b
ends_after "Datei > Beenden"
shares=$(iconv -f UTF-16 -t UTF-8 "$range_doc" | grep -c '<share' || true)
[ "$shares" -gt 0 ] || { echo "the range scan found no shares" >&2; exit 1; }
iconv -f UTF-16 -t UTF-8 "$settings" | grep 'German' >/dev/null || { echo "the language was not kept" >&2; exit 1; }
echo "range scan saved $shares shares; language German kept"

echo "== 5. a second start hands its document to the running window"
first_doc="$work/home/First.net"
second_doc="$work/home/Second.net"
"$build/bin/lanterra-scan" --hosts "$hosts;127.0.30.77" -q --out "$first_doc" >/dev/null
"$build/bin/lanterra-scan" --no-all -q --out "$second_doc" >/dev/null
# From here on 127.0.30.77 takes connections and never answers: the
# window's scan waits for it.
"$build/bin/lanterra-test-muteserver" "$work/mute.pid" 127.0.30.77 </dev/null >/dev/null 2>&1 &
mute_pid=$!
for _ in $(seq 50); do [ -s "$work/mute.pid" ] && break; sleep 0.1; done
"$build/bin/lanterra" "$first_doc" > "$work/lanterra5.out" 2>&1 &
app=$!
wid=$(window "First - Brevant Lanterra")
sleep 1
before=$(stat -c %Y "$first_doc")
sleep 1
keys F5
# The mute host holds the scan for at least the listing deadline's floor
# (4 s once the other hosts have answered): the second start comes within it.
sleep 1
# The programs of this run: those with this run's runtime folder.
ours() {
    local pid
    for pid in $(pgrep -x lanterra); do
        tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qxF "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && echo "$pid"
    done
}
status=0
(cd "$work/home" && exec timeout 60 "$build/bin/lanterra" Second.net) >> "$work/lanterra5.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || { echo "the second start ended with status $status" >&2; exit 1; }
window "Second - Brevant Lanterra" >/dev/null || { echo "the window did not open the handed-over document" >&2; exit 1; }
kill -0 "$app" 2>/dev/null || { echo "the first program ended" >&2; exit 1; }
[ "$(ours)" = "$app" ] || { echo "programs running: $(ours | tr '\n' ' ') (only $app expected)" >&2; exit 1; }
[ "$(stat -c %Y "$first_doc")" -gt "$before" ] || { echo "the first document was not saved by the open" >&2; exit 1; }
echo "one program remains; it opened Second.net and saved First.net first"
status=0
timeout 60 "$build/bin/lanterra" >> "$work/lanterra5.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || { echo "a start without a file ended with status $status" >&2; exit 1; }
[ "$(ours)" = "$app" ] || { echo "programs running after a start without a file: $(ours | tr '\n' ' ')" >&2; exit 1; }
window "Second - Brevant Lanterra" >/dev/null
keys alt+d
sleep 0.3
keys b
ends_after "Datei > Beenden"
iconv -f UTF-16 -t UTF-8 "$settings" | grep -F "$second_doc" >/dev/null || { echo "settings.xml does not name Second.net" >&2; exit 1; }
echo "a start without a file left the window as it was; the program ended with Second.net remembered"

echo "== 6. German window (tst_e2edemo germanWindow)"
# A first start (no settings) under a German locale picks German.
# With --screenshot, pictures of the menu, the box and the dialog go beside it.
shots=""
[ -n "$shot" ] && shots="$(dirname "$shot")"
LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES= LANTERRA_E2E_HOSTS="$hosts" LANTERRA_E2E_SHOTS="$shots" \
    "$build/bin/tst_e2edemo" germanWindow
echo "tray menu, message box and file dialog are German"
SH
chmod +x "$work/inside.sh"
if [ "$only_shot" = 1 ]; then
    # For the picture the laptop was on once, so its shares show offline.
    "$demo" switch-on >&2
    "$demo" exec env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        "$build/bin/lanterra-scan" --hosts "$hosts" -q --out "$work/home/Demo Network.net" >/dev/null
    "$demo" switch-off >&2
fi
"$demo" exec "$work/inside.sh" "$work" "$build" "$hosts" "$shot" "$only_shot" "$login_host" "$announced"
[ "$only_shot" = 1 ] || echo "end-to-end check passed" >&2
