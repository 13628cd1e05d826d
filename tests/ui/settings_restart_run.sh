#!/usr/bin/env bash
# Three starts of the desktop program on a virtual display, driven by the keyboard, with a
# configuration folder of their own:
#   1. the first start asks for the language; Escape quits there, and the preference file
#      remembers that the question was asked;
#   2. the next start opens a GIF file without asking; the settings window turns off
#      end-code saving and turns on extra compression; the range pane scales the delays of
#      two ranges (one rounding a half up, one held to an upper limit) and the file is saved;
#   3. a start after that finds both settings in the settings window's check boxes: pressing
#      each once turns it back, which only holds when the box showed the stored value.
# The preference file and the saved delays (read by Pillow) are checked after each start.
# Usage: settings_restart_run.sh QUILLON INPUT.gif [SCREENSHOT_FOLDER]
set -euo pipefail
quillon=$1 input=$2 shots=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$input" "$work/in.gif"
export XDG_CONFIG_HOME="$work/config"

# Tag -> value of the byte and 16-bit records of the preference file (header: four texts).
cat > "$work/prefs.py" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
at = 0
for _ in range(4):
    at = data.index(b'\0', at) + 1
values = {}
while at + 7 <= len(data):
    tag, kind, length = struct.unpack('>HBI', data[at:at + 7])
    at += 7
    payload = data[at:at + length]
    at += length
    if tag == 0:
        break
    if kind == 3:
        values[tag] = payload[0]
    elif kind == 4:
        values[tag] = struct.unpack('>H', payload)[0]
print(' '.join('%d=%d' % (tag, values.get(tag, -1)) for tag in map(int, sys.argv[2:])))
PY

cat > "$work/script.sh" <<SCRIPT
set -u
prefs() { /usr/bin/python3 "$work/prefs.py" "$work"/config/quillon/*.rqs "\$@"; }
pause() { sleep "\$1"; }
focus() {  # the keyboard to the program's window of that title
  xdotool windowfocus --sync "\$(xdotool search --all --onlyvisible --pid \$pid --name "\$1" | head -1)"
  pause 0.4
}
ended() { for i in \$(seq 1 50); do kill -0 \$pid 2>/dev/null || return 0; sleep 0.2; done; kill \$pid; return 1; }

# 1. The language chooser of the first start: Escape quits.
"$quillon" &
pid=\$!
pause 3
xdotool key Escape
ended || { echo "the program did not end from the language chooser"; exit 3; }
echo "first: \$(prefs 22)" > "$work/first.txt"

# 2. Settings and delays.
"$quillon" "$work/in.gif" &
pid=\$!
pause 3
xdotool key Return                      # the first-start notice: continue
pause 1
focus '^Quillon\$'
xdotool key alt+f; pause 0.4; xdotool key t   # File > Settings...
pause 1
focus '^Settings\$'
xdotool key Tab space                   # open the optimization section
pause 0.5
xdotool key Tab space                   # end-code saving off
xdotool key Tab Tab Tab Tab Tab space   # past three boxes and the rule: extra compression on
pause 0.5
if [ -n "$shots" ]; then import -window root "$work/changed.png"; fi
focus '^Quillon\$'
xdotool key ctrl+3                      # the range pane
pause 1
focus '^Range\$'
# The controls in order: three mode buttons, first and last frame, the range slider, the
# factor, its slider, the two limits, Hide Limits, Scale Delays. The last frame is typed
# first, so that the range is never turned around on the way.
# Frames 2 to 3 at a quarter: 50 x 0.25 = 12.5, a half, which rounds up to 13.
xdotool key Tab Tab Tab Tab Tab ctrl+a; xdotool type 3; xdotool key shift+Tab ctrl+a; xdotool type 2
xdotool key Tab Tab Tab ctrl+a; xdotool type 0.25
xdotool key Tab Tab Tab Tab Tab space   # Scale Delays
pause 1
if [ -n "$shots" ]; then import -window root "$work/range.png"; fi
# Frames 3 to 4 times 3, at most 0.2 seconds: 13 x 3 = 39 and 50 x 3 = 150 are held to 20.
focus '^Range\$'
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab   # back to the last frame
xdotool key ctrl+a; xdotool type 4; xdotool key shift+Tab ctrl+a; xdotool type 3
xdotool key Tab Tab Tab ctrl+a; xdotool type 3; xdotool key Tab Tab Tab ctrl+a; xdotool type 0.2
xdotool key Tab Tab space
pause 1
focus '^Quillon\$'
xdotool key ctrl+s                      # save in place, through the extra mode
pause 6
xdotool key Return                      # the report's button
pause 0.5
xdotool key ctrl+q
ended || { echo "the program did not end after the save"; exit 3; }
echo "second: \$(prefs 4 25)" > "$work/second.txt"

# 3. The stored settings shown again: each box pressed once.
"$quillon" &
pid=\$!
pause 3
focus '^Quillon\$'
xdotool key alt+f; pause 0.4; xdotool key t
pause 1
focus '^Settings\$'
# Every section open, from the last header up (a closed section's header follows the one above).
for section in 1 2 3 4 5; do xdotool key shift+Tab space; pause 0.4; done
if [ -n "$shots" ]; then import -window root "$work/restarted.png"; fi
echo "\$(xdotool search --all --onlyvisible --pid \$pid --name '^Quillon\$' getwindowgeometry --shell)" > "$work/main.txt"
echo "\$(xdotool search --all --onlyvisible --pid \$pid --name '^Settings\$' getwindowgeometry --shell)" > "$work/settings.txt"
xdotool key Tab space Tab Tab Tab Tab Tab space   # end-code saving, then extra compression
pause 0.5
xdotool key ctrl+q
ended || { echo "the program did not end at the third start"; exit 3; }
echo "third: \$(prefs 4 25)" > "$work/third.txt"
SCRIPT
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/script.sh" 2>&1 | grep -v XDG_RUNTIME || true
if [ -n "$shots" ]; then cp "$work"/*.png "$shots"/ 2>/dev/null || true; fi

status=0
expect() {  # what a start left, what it must have left
  local got
  got=$(cat "$work/$1.txt" 2>/dev/null || echo "$1: nothing")
  if [ "$got" != "$1: $2" ]; then echo "after the $1 start: $got, expected $2"; status=1; fi
}
expect first "22=1"           # asked once: not again
expect second "4=0 25=1"      # end-code saving off, extra compression on
expect third "4=1 25=0"       # both boxes showed the stored values, so one press each turned them back
# The delays in hundredths, by hand: frame 2 round(12.5) = 13; frames 3 and 4 held to 20.
delays=$(/usr/bin/python3 -c "
from PIL import Image
im = Image.open('$work/in.gif'); d = []
for i in range(im.n_frames):
    im.seek(i); d.append(im.info['duration'] // 10)
print(d)")
if [ "$delays" != "[50, 13, 20, 20]" ]; then echo "saved delays $delays, expected [50, 13, 20, 20]"; status=1; fi
# The settings window with every section open stays inside the main window.
inside=$(/usr/bin/python3 -c "
def geometry(name):
    g = dict(line.split('=') for line in open(name).read().split())
    return int(g['X']), int(g['Y']), int(g['X']) + int(g['WIDTH']), int(g['Y']) + int(g['HEIGHT'])
main, panel = geometry('$work/main.txt'), geometry('$work/settings.txt')
print('yes' if main[0] <= panel[0] and main[1] <= panel[1] and panel[2] <= main[2] and panel[3] <= main[3] else
      'no: %s in %s' % (panel, main))" 2>&1)
if [ "$inside" != yes ]; then echo "settings window with every section open: $inside"; status=1; fi
[ $status -eq 0 ] && echo "settings found again after a restart; delays $delays"
exit $status
