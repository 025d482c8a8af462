#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one command in a desktop session of its own, started here and ended when it returns:
# a private runtime folder, a display, a session bus (with the accessibility bus started on
# demand, as on a desktop), an unlocked keyring, and nothing left over from an earlier test.
#
#   run-in-session.sh COMMAND [ARGS...]
#
# QUILLET_TEST_DISPLAY chooses the display:
#   x11-wm   Xvfb with openbox, a window manager that frames windows with a title bar (default)
#   ime      the same, with a Japanese input method (IBus with Mozc,
#            tests/session/with-input-method.sh), the command run as a desktop user (nobody)
#   x11      a bare Xvfb
#   wayland  the weston compositor on a private Xvfb; GTK draws its own title bar and shadow
#   mutter   GNOME's compositor, headless on Wayland (tests/session/with-mutter.sh)
# A kind may end in @2 (x11-wm@2): GTK then draws at scale 2, as on a HiDPI screen; and in
# +gl (wayland+gl): the page view then composites with GL, on the CPU (Mesa's llvmpipe) here;
# and in +nokeyring (x11-wm+nokeyring): a desktop without a keyring, where no Secret Service
# runs or can be started on demand.
# A test listing (--gtest_list_tests) runs as it is.
set -uo pipefail

for arg in "$@"; do
  [ "$arg" = "--gtest_list_tests" ] && exec "$@"
done

# Nothing of the caller's desktop comes in: its display and the file that opens it (which
# may be readable by the caller alone: the input-method session's user could not use it), its
# buses and its input method. Each kind below sets its own.
unset DISPLAY XAUTHORITY WAYLAND_DISPLAY WAYLAND_SOCKET GDK_BACKEND DBUS_SESSION_BUS_ADDRESS \
  AT_SPI_BUS_ADDRESS SESSION_MANAGER IBUS_ADDRESS GTK_IM_MODULE QT_IM_MODULE XMODIFIERS \
  XDG_SESSION_TYPE XDG_SESSION_ID XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_KEYRING_CONTROL \
  SSH_AUTH_SOCK

kind="${QUILLET_TEST_DISPLAY:-x11-wm}"
unset QUILLET_TEST_NO_KEYRING
if [[ "$kind" == *+nokeyring ]]; then
  kind="${kind%+nokeyring}"
  export QUILLET_TEST_NO_KEYRING=1
fi
if [[ "$kind" == *+gl ]]; then
  kind="${kind%+gl}"
  # Quillet draws pages in software when it finds no GPU; these undo that choice.
  export WEBKIT_DISABLE_DMABUF_RENDERER=0 GDK_GL="" LIBGL_ALWAYS_SOFTWARE=1
  export QUILLET_TEST_FORCE_GL=1
fi
scale=1
if [[ "$kind" == *@* ]]; then
  scale="${kind#*@}"
  kind="${kind%@*}"
fi
runtime="$(mktemp -d /tmp/quillet-session.XXXXXX)"
chmod 700 "$runtime"
pids=()

finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$runtime"
}
trap finish EXIT
trap 'exit 143' TERM INT

# Waits up to 10 s for a condition given as a command.
wait_for() {
  for _ in $(seq 200); do
    "$@" && return 0
    sleep 0.05
  done
  echo "run-in-session: gave up waiting for: $*" >&2
  return 1
}

start_xvfb() {
  # Xvfb chooses a free display number and writes it to the pipe it is given.
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 "$screen" -nolisten tcp -noreset \
    >"$runtime/xvfb.log" 2>&1 &
  pids+=($!)
  local number=""
  read -r -t 10 -u "$fd" number || {
    echo "run-in-session: Xvfb did not start" >&2
    cat "$runtime/xvfb.log" >&2
    exit 1
  }
  exec {fd}<&-
  export DISPLAY=":$number"
  unset WAYLAND_DISPLAY
  export GDK_BACKEND=x11
}

window_manager_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}

start_openbox() {
  openbox --sm-disable >"$runtime/openbox.log" 2>&1 &
  pids+=($!)
  wait_for window_manager_running || exit 1
}

start_weston() {
  # Weston's headless backend has no seat (no keyboard, no pointer), so nothing could take the
  # focus; its X11 backend on a private Xvfb is just as headless and brings a seat along, which
  # also lets xdotool type into Wayland windows.
  start_xvfb
  local socket="wayland-quillet"
  weston --backend=x11-backend.so --use-pixman --socket="$socket" --width="${screen%%x*}" \
    --height="$(echo "$screen" | cut -dx -f2)" \
    --idle-time=0 --log="$runtime/weston.log" >/dev/null 2>&1 &
  pids+=($!)
  wait_for test -S "$runtime/$socket" || {
    cat "$runtime/weston.log" >&2
    exit 1
  }
  export WAYLAND_DISPLAY="$socket"
  export GDK_BACKEND=wayland
}

# A HiDPI screen has twice the pixels: 1280 x 800 logical pixels at scale 2.
screen=1280x1024x24
[ "$scale" -ge 2 ] && screen=2560x1600x24

export XDG_RUNTIME_DIR="$runtime"
# QUILLET_TEST_NO_A11Y=1 runs without the accessibility bus, as on a desktop that has none.
if [ -n "${QUILLET_TEST_NO_A11Y:-}" ]; then
  export NO_AT_BRIDGE=1
else
  unset NO_AT_BRIDGE
fi
case "$kind" in
  x11) start_xvfb ;;
  x11-wm) start_xvfb && start_openbox ;;
  ime) start_xvfb && start_openbox ;;
  wayland) start_weston ;;
  mutter) ;; # started inside the session bus, below
  *)
    echo "run-in-session: unknown display '$kind'" >&2
    exit 2
    ;;
esac
export GDK_SCALE="$scale"

# A session bus of this session's own; the accessibility bus is activated through it, and the
# keyring's Secret Service runs on it (tests/session/with-keyring.sh).
here="$(cd "$(dirname "$0")" && pwd)"
keyring="$here/with-keyring.sh"
bus=(dbus-run-session)
if [ -n "${QUILLET_TEST_NO_KEYRING:-}" ]; then
  # The session bus starts every service a desktop has on demand but the keyring's.
  mkdir -p "$runtime/services"
  for service in /usr/share/dbus-1/services/*.service; do
    case "$(basename "$service")" in
      org.freedesktop.secrets.* | org.gnome.keyring.* | org.freedesktop.impl.portal.Secret.*) ;;
      *) ln -s "$service" "$runtime/services/" ;;
    esac
  done
  sed "s|<standard_session_servicedirs />|<servicedir>$runtime/services</servicedir>|" \
    /usr/share/dbus-1/session.conf >"$runtime/session.conf"
  bus+=(--config-file="$runtime/session.conf")
fi
if [ "$kind" = mutter ]; then
  "${bus[@]}" -- "$keyring" "$here/with-mutter.sh" "$(echo "$screen" | cut -dx -f1-2)" "$@"
elif [ "$kind" = ime ]; then
  # A desktop user's session, not root's: Mozc's server refuses to run as root.
  chown -R nobody:nogroup "$runtime"
  setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$runtime" \
    "${bus[@]}" -- "$keyring" "$here/with-input-method.sh" "$@"
else
  "${bus[@]}" -- "$keyring" "$@"
fi
