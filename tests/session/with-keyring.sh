#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command with a Secret Service of its own on the session bus, as a desktop has: GNOME's
# keyring daemon, its login keyring made with an empty password and unlocked, kept in the
# session's runtime folder and gone with it.
#
#   with-keyring.sh COMMAND [ARGS...]   (inside dbus-run-session, XDG_RUNTIME_DIR set)
set -uo pipefail

# A desktop without a keyring (run-in-session.sh's +nokeyring) has none to start.
[ -n "${QUILLET_TEST_NO_KEYRING:-}" ] && exec "$@"

keyrings="$XDG_RUNTIME_DIR/keyring-data"
mkdir -p "$keyrings"
# The daemon reads the login password on its standard input; the new keyring is made with it,
# unlocked and the default (an empty one would make it ask on screen instead).
printf 'quillet-test-session' | XDG_DATA_HOME="$keyrings" gnome-keyring-daemon --foreground --unlock \
  --components=secrets >"$XDG_RUNTIME_DIR/keyring.log" 2>&1 &
daemon=$!
trap 'kill "$daemon" 2>/dev/null; wait "$daemon" 2>/dev/null' EXIT
for _ in $(seq 200); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
    grep -q 'boolean true' && break
  sleep 0.05
done
"$@"
