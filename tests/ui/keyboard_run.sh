#!/usr/bin/env bash
# A run of the desktop program driven by the keyboard alone, on a virtual display without a
# window manager: start it with a corpus file, step and play frames, toggle the panes through
# their shortcuts, save under a new name through the File menu's mnemonics and the Save
# dialog, then go to the frame pane with F6, change the current frame's delay there and save
# under another name; quit. The program itself must give the keyboard back to the main
# window whenever a tool window goes away. Without edits the saved bytes must equal what
# quillon-cli writes for the same file; after the edit Pillow must see the input's frames
# and delays, with the new delay on the edited frame.
# Usage: keyboard_run.sh QUILLON QUILLON_CLI INPUT.gif [SCREENSHOT.png]
set -euo pipefail
quillon=$1 cli=$2 input=$3 screenshot=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$input" "$work/in.gif"
export XDG_CONFIG_HOME="$work/config"  # a first start: the default settings
"$cli" -q -o "$work/cli.gif" "$work/in.gif"
edited_frame=2       # 0-based; typed into the frame pane's number field (1-based)
edited_delay=1.5     # seconds, as typed; 150 hundredths
delay_field_tabs=9   # from the frame number: the slider, the seven playback buttons, the delay

cat > "$work/script.sh" <<SCRIPT
set -u
"$quillon" "$work/in.gif" &
pid=\$!
pause() { sleep "\$1"; }
save_as() {
  xdotool key alt+f; pause 0.5; xdotool key a        # File > Save As...
  pause 1.5
  xdotool key ctrl+a; xdotool type --delay 20 "\$1"; xdotool key Return
  pause 4                                            # the save and its report
  xdotool key Return                                 # the report's button
  pause 0.5
}
pause 3
xdotool key Return                   # the first start asks for the language: keep it
pause 2
xdotool key Return                   # then shows its notice: continue
pause 1
xdotool key Right Right Right Left   # step frames
pause 0.5
xdotool key space; pause 1; xdotool key Escape   # play for a second, stop
pause 0.3
xdotool key ctrl+1; pause 0.5; xdotool key ctrl+1; pause 0.3   # animation pane on and off
xdotool key ctrl+2; pause 0.3; xdotool key ctrl+2; pause 0.5   # frame pane off and on
if [ -n "$screenshot" ]; then import -window root "$work/screen.png"; fi
save_as "$work/out.gif"
xdotool key F6; pause 0.5                           # into the frame pane (no field has the focus yet)
xdotool key Tab ctrl+a; xdotool type --delay 20 "$((edited_frame + 1))"; xdotool key Return   # go to the frame
pause 0.3
for i in \$(seq $delay_field_tabs); do xdotool key Tab; pause 0.1; done
xdotool key ctrl+a; xdotool type --delay 20 "$edited_delay"; xdotool key Return
pause 0.5
if [ -n "$screenshot" ]; then import -window root "$work/edited.png"; fi
xdotool key F6; pause 0.5                           # back to the document window
save_as "$work/edited.gif"
xdotool key ctrl+q
for i in \$(seq 1 50); do kill -0 \$pid 2>/dev/null || exit 0; sleep 0.2; done
kill \$pid; exit 3
SCRIPT
xvfb-run -a -s "-screen 0 1280x900x24" bash "$work/script.sh" 2>&1 | grep -v XDG_RUNTIME || true
if [ -n "$screenshot" ] && [ -f "$work/screen.png" ]; then
  convert "$work/screen.png" -crop 900x650+40+40 +repage "$screenshot"
  [ -f "$work/edited.png" ] && convert "$work/edited.png" -crop 900x650+40+40 +repage "${screenshot%.png}-edited.png"
fi
test -f "$work/out.gif" || { echo "the program saved no file"; exit 1; }
cmp "$work/out.gif" "$work/cli.gif" || { echo "the saved bytes differ from quillon-cli's"; exit 1; }
echo "saved file equals quillon-cli's ($(stat -c %s "$work/out.gif") bytes)"
test -f "$work/edited.gif" || { echo "the program saved no file after the delay edit"; exit 1; }
"$python" - "$here/compose_reference.py" "$work/in.gif" "$work/edited.gif" $edited_frame $edited_delay <<'CHECK'
import importlib.util, sys
from PIL import Image
source = importlib.util.spec_from_file_location("compose_reference", sys.argv[1])
reference = importlib.util.module_from_spec(source)
source.loader.exec_module(reference)
original, edited, frame, seconds = sys.argv[2], sys.argv[3], int(sys.argv[4]), float(sys.argv[5])

def delays(path):
    image = Image.open(path)
    found = []
    for i in range(image.n_frames):
        image.seek(i)
        found.append(image.info.get("duration", 0))
    return found

def composed(path):
    return reference.screens(path)[0]  # a CRC of each composed screen

want = delays(original)
want[frame] = round(seconds * 1000)
got = delays(edited)
if got != want:
    sys.exit("delays after the edit: %s, wanted %s" % (got, want))
if composed(edited) != composed(original):
    sys.exit("the edited file's frames do not compose to the input's")
print("edited file: %d frames as the input's, delay %g s on frame %d" % (len(got), seconds, frame + 1))
CHECK
