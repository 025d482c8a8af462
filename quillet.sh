#!/usr/bin/env bash
# Quillet's two commands, for a fresh Debian 12 machine:
#   ./quillet.sh run    install what is missing, build, and start the browser
#   ./quillet.sh test   install what is missing, build, and run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev
  googletest libgtest-dev libbenchmark-dev
  librsvg2-bin fonts-noto-cjk
  xvfb xauth xdotool
  dpkg-dev desktop-file-utils appstream clang openssl
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
    if [ -z "${DISPLAY:-}" ]; then
      exec xvfb-run -a -s "$SCREEN" build/quillet
    fi
    exec build/quillet
    ;;
  test)
    install_missing
    build
    # Short fuzzing runs of the text rules and the settings file (tests/fuzz/run-fuzzers.sh).
    tests/fuzz/run-fuzzers.sh 20
    # One display for all window tests; they run one at a time, since they take the focus.
    # First the unit and UI tests under AddressSanitizer and UBSan, then everything.
    NO_AT_BRIDGE=1 xvfb-run -a -s "$SCREEN" tests/run-sanitized.sh
    NO_AT_BRIDGE=1 xvfb-run -a -s "$SCREEN" \
      ctest --test-dir build --output-on-failure --no-tests=error
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
