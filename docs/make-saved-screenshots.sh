#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the README's screenshots of a kept page as it was seen, with the real browser in a
# desktop session of its own (display, window manager, keyring: tests/session/run-in-session.sh):
#   docs/saved-page.png    保存したページを開く: the page's first version, opened after it changed
#   docs/page-changes.png  変更を見る: the two versions as one text, the changes marked
# usage: docs/make-saved-screenshots.sh   (after ./quillet.sh run or a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
mkdir -p "$work/pages" "$work/config/Quillet"
printf '[sets]\nwidth_main=12000\nheight_main=8700\nwidth_history=2\n[history]\nkeep=1\n' \
  > "$work/config/Quillet/settings.ini"

# The page, in its first version (1) or its second (2): a paragraph edited, one added.
write_page() {
  python3 - "$2" "$1" <<'PY'
import sys
second = sys.argv[2] == "2"
paragraphs = [
    "無線 LAN に接続するには、画面右上のネットワークのアイコンを押し、接続するネットワークを選びます。",
    ("パスワードは 8 文字以上にしてください。WPA3 に対応した機器では WPA3 を選びます。" if second else
     "パスワードは 8 文字以上にしてください。古い機器では WPA2 を選びます。"),
    "有線 LAN は、ケーブルをつなぐだけで使えます。",
]
if second:
    paragraphs.insert(2, "接続できないときは、ルーターの電源を入れ直してください。")
body = "".join(f"<p>{p}</p>" for p in paragraphs)
open(sys.argv[1], "w").write(
    "<!DOCTYPE html><meta charset=utf-8><title>ネットワークの設定</title>"
    "<body style='margin:24px;font-family:sans-serif;color:#222;background:#fbfbf8'>"
    "<h1 style='color:#1a5fb4'>ネットワークの設定</h1>" + body + "</body>")
PY
}
write_page 1 "$work/pages/settings.html"
write_page 2 "$work/second.html"
(cd "$work/pages" && exec python3 -m http.server 8719 --bind 127.0.0.1 >/dev/null 2>&1) &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export WORK="$work"
QUILLET_TEST_DISPLAY=x11-wm tests/session/run-in-session.sh bash -c '
  set -euo pipefail
  page="http://127.0.0.1:8719/settings.html"
  escaped="http%3A%2F%2F127.0.0.1%3A8719%2Fsettings.html"
  go() { xdotool key ctrl+l; xdotool type --delay 5 "$1"; xdotool key Return; sleep 3; }
  shot() { import -window root -crop 800x580+204+230 "$1"; }
  build/quillet "$page" & browser=$!
  sleep 6
  between=$(( $(date +%s) + 1 ))
  sleep 2
  cp "$WORK/second.html" "$WORK/pages/settings.html"
  go "$page"
  xdotool mousemove 1200 1000
  go "quillet://saved/changes?a=$escaped&t=99999999999"
  shot docs/page-changes.png
  go "quillet://saved/?a=$escaped&t=$between"
  shot docs/saved-page.png
  kill -TERM $browser; wait $browser || true'
echo "wrote docs/saved-page.png and docs/page-changes.png"
