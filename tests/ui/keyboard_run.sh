#!/usr/bin/env bash
# A run of the desktop program driven by the keyboard alone, on a virtual display: start it
# with a corpus file, step and play frames, toggle the panes through their shortcuts, save
# under a new name through the File menu's mnemonics and the Save dialog, quit. Without
# edits the saved bytes must equal what quillon-cli writes for the same file.
# Usage: keyboard_run.sh QUILLON QUILLON_CLI INPUT.gif [SCREENSHOT.png]
set -euo pipefail
quillon=$1 cli=$2 input=$3 screenshot=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$input" "$work/in.gif"
export XDG_CONFIG_HOME="$work/config"  # a first start: the default settings
"$cli" -q -o "$work/cli.gif" "$work/in.gif"

cat > "$work/script.sh" <<SCRIPT
set -u
"$quillon" "$work/in.gif" &
pid=\$!
pause() { sleep "\$1"; }
pause 3
xdotool key Return                   # the first start asks for the language: keep it
pause 2
xdotool key Return                   # then shows its notice: continue
pause 1
# This display runs no window manager, which would give the keyboard back to the main window
# when a tool window (the notice, a pane) goes away; back_to_main does its part.
back_to_main() {
  xdotool windowfocus --sync "\$(xdotool search --onlyvisible --pid \$pid --name '^Quillon\$' | head -1)"
  pause 0.5
}
back_to_main
xdotool key Right Right Right Left   # step frames: now at frame 3 of the file
pause 0.5
xdotool key space; pause 1; xdotool key Escape   # play for a second, stop
pause 0.3
xdotool key ctrl+1; pause 0.5; xdotool key ctrl+1; back_to_main   # animation pane on and off
xdotool key ctrl+2; pause 0.3; back_to_main; xdotool key ctrl+2; back_to_main   # frame pane off and on
pause 0.5
if [ -n "$screenshot" ]; then import -window root "$work/screen.png"; fi
xdotool key alt+f; pause 0.5; xdotool key a        # File > Save As...
pause 1.5
xdotool key ctrl+a; xdotool type --delay 20 "$work/out.gif"; xdotool key Return
pause 4                                            # the save and its report
xdotool key Return                                 # the report's button
pause 0.5
xdotool key ctrl+q
for i in \$(seq 1 50); do kill -0 \$pid 2>/dev/null || exit 0; sleep 0.2; done
kill \$pid; exit 3
SCRIPT
xvfb-run -a -s "-screen 0 1280x900x24" bash "$work/script.sh" 2>&1 | grep -v XDG_RUNTIME || true
if [ -n "$screenshot" ] && [ -f "$work/screen.png" ]; then
  convert "$work/screen.png" -crop 900x650+40+40 +repage "$screenshot"
fi
test -f "$work/out.gif" || { echo "the program saved no file"; exit 1; }
cmp "$work/out.gif" "$work/cli.gif" || { echo "the saved bytes differ from quillon-cli's"; exit 1; }
echo "saved file equals quillon-cli's ($(stat -c %s "$work/out.gif") bytes)"
