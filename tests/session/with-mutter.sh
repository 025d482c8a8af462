#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one command under mutter, GNOME's own compositor, inside the session bus it is started
# in (mutter serves its remote-desktop input there, through which the tests type and click):
# headless, with one virtual monitor of SCREEN (WxH), on Wayland only, as Debian's GNOME session
# runs it for native programs.
#
#   with-mutter.sh SCREEN COMMAND [ARGS...]
set -uo pipefail
screen="$1"
shift
socket="wayland-quillet"
mutter --headless --wayland --no-x11 --virtual-monitor "$screen" --wayland-display="$socket" \
  >"$XDG_RUNTIME_DIR/mutter.log" 2>&1 &
mutter=$!
for _ in $(seq 200); do
  [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
  sleep 0.05
done
if ! [ -S "$XDG_RUNTIME_DIR/$socket" ]; then
  echo "with-mutter: mutter did not start" >&2
  cat "$XDG_RUNTIME_DIR/mutter.log" >&2
  kill "$mutter" 2>/dev/null
  exit 1
fi
export WAYLAND_DISPLAY="$socket" GDK_BACKEND=wayland
unset DISPLAY
"$@"
status=$?
kill "$mutter" 2>/dev/null
wait "$mutter" 2>/dev/null
exit "$status"
