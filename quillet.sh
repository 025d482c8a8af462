#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Quillet's two commands, for a fresh Debian 12 machine:
#   ./quillet.sh run    install what is missing, build, and start the browser
#   ./quillet.sh test   install what is missing, build, and run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev libsqlite3-dev libsodium-dev libzstd-dev libsecret-1-dev libdtl-dev
  googletest libgtest-dev libbenchmark-dev
  librsvg2-bin librsvg2-common fonts-noto-cjk
  xvfb xauth xdotool x11-utils x11-xkb-utils openbox weston mutter dbus dbus-bin at-spi2-core gnome-keyring
  ibus ibus-gtk3 ibus-mozc
  dpkg-dev desktop-file-utils appstream lintian help2man clang openssl imagemagick xdg-utils
)
SCREEN="-screen 0 1280x1024x24"

install_missing() {
  local missing=()
  for package in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build
}

case "${1:-}" in
  run)
    install_missing
    build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      shot="$PWD/build/quillet-screen.png"
      echo "No display found: Quillet runs on a virtual X display; $shot shows it (refreshed every 5 s). Ctrl+C stops it."
      exec xvfb-run -a -s "$SCREEN" bash -c '
        build/quillet & browser=$!
        trap "kill $browser 2>/dev/null" INT TERM
        while kill -0 $browser 2>/dev/null; do
          import -window root "$0.tmp.png" 2>/dev/null && mv "$0.tmp.png" "$0"
          sleep 5
        done
        wait $browser' "$shot"
    fi
    exec build/quillet
    ;;
  test)
    install_missing
    build
    # Short fuzzing runs of the text rules and the settings file (tests/fuzz/run-fuzzers.sh).
    tests/fuzz/run-fuzzers.sh 20
    # Every window test starts its own display, session bus and accessibility bus
    # (tests/session/run-in-session.sh), so they run side by side: X11 with a window manager,
    # Wayland, and X11 at scale 2. First the unit and UI tests under AddressSanitizer and
    # UBSan, then everything.
    tests/run-sanitized.sh
    ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
