#!/usr/bin/env bash
# The gallery's window on a virtual X server: clicks into its edit field and
# types through the X server, then reads the window's pixels back from the
# server and checks that the typed text shows, in the field and in the label
# that repeats it. Skips (77) when no X server can be started.
#   window_xvfb_test.sh GALLERY XSHOT
set -uo pipefail
GALLERY="$1"; XSHOT="$2"
SKIP=77
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit $SKIP; }
done
TMP="$(mktemp -d)"
XPID=""; GPID=""
cleanup() {
  [[ -n "$GPID" ]] && kill "$GPID" 2>/dev/null
  [[ -n "$XPID" ]] && kill "$XPID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT

# A display number nobody uses.
for n in $(seq 91 140); do
  [[ -e "/tmp/.X$n-lock" || -e "/tmp/.X11-unix/X$n" ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$TMP/xvfb.log" 2>&1 &
  XPID=$!
  for _ in $(seq 50); do
    [[ -e "/tmp/.X11-unix/X$n" ]] && break
    kill -0 "$XPID" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -e "/tmp/.X11-unix/X$n" ]] && kill -0 "$XPID" 2>/dev/null; then
    export DISPLAY=":$n"
    break
  fi
  kill "$XPID" 2>/dev/null; wait "$XPID" 2>/dev/null; XPID=""
done
[[ -n "$XPID" ]] || { echo "skip: no X server could be started"; cat "$TMP/xvfb.log"; exit $SKIP; }

# Leaks inside the system's X and SDL libraries are not ours.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
"$GALLERY" --window "$TMP/out" >"$TMP/gallery.out" 2>"$TMP/gallery.err" &
GPID=$!
fail() { echo "FAIL: $*"; echo "--- gallery output"; cat "$TMP/gallery.out" "$TMP/gallery.err"; exit 1; }

WID="$(timeout 20 xdotool search --sync --onlyvisible --name '^PYX gallery$' 2>/dev/null | head -n1)"
[[ -n "$WID" ]] || fail "the gallery window did not appear"
read -r EX EY EW EH < <(sed -n 's/.*edit field at \([0-9]*\) \([0-9]*\) \([0-9]*\) \([0-9]*\).*/\1 \2 \3 \4/p' "$TMP/gallery.out")
[[ -n "${EH:-}" ]] || fail "the gallery did not say where its edit field is"
# The echo label lies under the field.
LY=$((EY + EH + 8))

sleep 0.5
read -r FIELD0 LABEL0 < <("$XSHOT" "$WID" "$TMP/before.png" "$EX" "$EY" "$EW" "$EH" "$EX" "$LY" 480 18 | awk '{print $2}' | xargs)
xdotool mousemove --window "$WID" $((EX + 20)) $((EY + EH / 2)) click 1 || fail "xdotool could not click"
sleep 0.3
xdotool type --delay 30 "Hello PYX" || fail "xdotool could not type"
# A busy machine may take a moment to show it: look again for a few seconds.
for _ in $(seq 30); do
  sleep 0.2
  read -r FIELD1 LABEL1 < <("$XSHOT" "$WID" "$TMP/after.png" "$EX" "$EY" "$EW" "$EH" "$EX" "$LY" 480 18 | awk '{print $2}' | xargs)
  [[ -n "${FIELD1:-}" && -n "${LABEL1:-}" ]] || fail "no screenshot"
  (( FIELD1 > FIELD0 + 40 && LABEL1 > LABEL0 + 20 )) && break
done
echo "dark pixels in the field: $FIELD0 before, $FIELD1 after; in the label: $LABEL0 before, $LABEL1 after"
(( FIELD1 > FIELD0 + 40 )) || fail "the typed text does not show in the field"
(( LABEL1 > LABEL0 + 20 )) || fail "the label does not show the typed text"

kill -TERM "$GPID"
for _ in $(seq 100); do kill -0 "$GPID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$GPID" 2>/dev/null && { kill -KILL "$GPID"; fail "the gallery did not end when asked"; }
wait "$GPID"; RC=$?; GPID=""
(( RC == 0 )) || fail "the gallery ended with $RC"
grep -q "the field held: 'Hello PYX'" "$TMP/gallery.out" || fail "the field did not hold the typed text"
[[ -n "${PYX_KEEP_SHOTS:-}" ]] && cp "$TMP/before.png" "$TMP/after.png" "$PYX_KEEP_SHOTS/"
echo "window test passed"
