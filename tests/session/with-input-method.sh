#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one command with a Japanese input method, as a Japanese desktop has one: IBus with Mozc,
# in a home folder of this session's own (its settings, its learning and its server), started
# here and ended when the command returns. Mozc starts in direct input, as it does for a new
# user: Latin text is typed as it is, and the Zenkaku_Hankaku key turns Japanese input on.
# GTK programs started by the command use it (GTK_IM_MODULE=ibus), and the tests know it is
# there (QUILLET_TEST_INPUT_METHOD=mozc).
#
#   with-input-method.sh COMMAND [ARGS...]
set -uo pipefail
home="$XDG_RUNTIME_DIR/input-method-home"
mkdir -p "$home/.config/mozc" && chmod -R 700 "$home"
cat >"$home/.config/mozc/ibus_config.textproto" <<'CONFIG'
engines {
  name: "mozc-jp"
  longname: "Mozc"
  layout: "default"
  layout_variant: ""
  layout_option: ""
  rank: 80
}
active_on_launch: False
CONFIG
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
  ibus-daemon --xim --panel=disable --replace >"$XDG_RUNTIME_DIR/ibus.log" 2>&1 &
daemon=$!
finish() {
  kill "$daemon" 2>/dev/null
  wait "$daemon" 2>/dev/null
  # Mozc's engine starts its server on its own; it is this session's by its home folder.
  for pid in $(pgrep -x mozc_server); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "HOME=$home" && kill "$pid"
  done
}
trap finish EXIT
address=""
for _ in $(seq 200); do
  file=$(ls "$home/.config/ibus/bus/"* 2>/dev/null | head -1)
  [ -n "$file" ] && address=$(sed -n 's/^IBUS_ADDRESS=//p' "$file")
  [ -n "$address" ] && break
  sleep 0.05
done
if [ -z "$address" ]; then
  echo "with-input-method: IBus did not start" >&2
  cat "$XDG_RUNTIME_DIR/ibus.log" >&2
  exit 1
fi
# A Japanese keyboard, as Japanese users have: its Zenkaku_Hankaku key turns Japanese input on
# and off (a key the keyboard lacks would reach the program as no key at all).
[ -n "${DISPLAY:-}" ] && setxkbmap -layout jp
export IBUS_ADDRESS="$address" GTK_IM_MODULE=ibus XMODIFIERS=@im=ibus
for _ in $(seq 100); do
  HOME="$home" ibus engine mozc-jp 2>/dev/null
  [ "$(HOME="$home" ibus engine 2>/dev/null)" = mozc-jp ] && break
  sleep 0.05
done
export QUILLET_TEST_INPUT_METHOD=mozc
"$@"
