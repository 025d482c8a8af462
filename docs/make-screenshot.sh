#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the README's screenshots with the real browser under Xvfb, keeping its history:
#   docs/screenshot.png     after it has visited a few pages served from this machine, so that
#                           its history pane shows their thumbnails;
#   docs/timeline.png       履歴をたどる (Ctrl+Shift+H) after a second day's pages: the first
#                           run's visits are moved a day back in the kept history;
#   docs/similar-pages.png  似たページを探す (Ctrl+Enter) on one of them.
# usage: docs/make-screenshot.sh   (after ./quillet.sh run or a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/pages" "$work/config/Quillet"
printf '[sets]\nwidth_main=12000\nheight_main=8700\nwidth_history=2\n[history]\nkeep=1\n' \
  > "$work/config/Quillet/settings.ini"

python3 - "$work/pages" <<'PY'
import sys
pages = [("ニュース", "#fdfdfd", "#c0392b"), ("天気予報", "#eaf4fb", "#2471a3"),
         ("レシピ集", "#fff8e7", "#b9770e"), ("写真ギャラリー", "#1e1e28", "#f4d03f"),
         ("今日のニュース", "#fdfdfd", "#c0392b"), ("週末の天気", "#eaf4fb", "#2471a3"),
         ("夜の写真", "#1e1e28", "#f4d03f")]
for n, (title, bg, accent) in enumerate(pages):
    boxes = "".join(f"<div style='display:inline-block;width:150px;height:100px;margin:8px;"
                    f"background:hsl({(n % 4 * 70 + i * 40) % 360},55%,60%)'></div>" for i in range(6))
    text = "".join(f"<p>{title}の記事 {i}: Quillet は表示したページを履歴に残します。</p>" for i in range(8))
    html = (f"<!DOCTYPE html><meta charset=utf-8><title>{title}</title><body style='margin:24px;"
            f"font-family:sans-serif;background:{bg};color:{'#ddd' if bg == '#1e1e28' else '#222'}'>"
            f"<h1 style='color:{accent}'>{title}</h1>{boxes}{text}</body>")
    open(f"{sys.argv[1]}/{n}.html", "w").write(html)
PY
(cd "$work/pages" && exec python3 -m http.server 8719 --bind 127.0.0.1 >/dev/null 2>&1) &
server=$!
sleep 1

export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
# In each session (xvfb-run goes through sh, which does not pass on bash's functions): wait
# for a window by its caption, and visit pages by typing their addresses into the address box.
helpers='
  wait_for() { for _ in $(seq 100); do xdotool search --name "^$1\$" >/dev/null 2>&1 && return; sleep 0.2; done; }
  visit() {
    for n in "$@"; do
      xdotool mousemove 360 280 click --repeat 3 1 && xdotool type "http://127.0.0.1:8719/$n.html"
      xdotool key Return
      sleep 0.5
      wait_for "Quillet .*"
      sleep 1.2
    done
  }'
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$helpers"'
  build/quillet & browser=$!
  wait_for "Quillet ホーム"
  visit 0 1 2 3
  xdotool mousemove 1000 900
  sleep 0.5
  import -window root -crop 800x580+204+230 docs/screenshot.png
  kill -TERM $browser; wait $browser'

# The first run's pages a day earlier: the timeline then has two days.
python3 - "$XDG_DATA_HOME/Quillet/history.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE visits SET time = time - 86400")
db.execute("UPDATE pages SET last_visit = last_visit - 86400")
db.commit()
PY

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$helpers"'
  build/quillet & browser=$!
  wait_for "Quillet ホーム"
  visit 4 5 6
  xdotool key ctrl+shift+h
  sleep 1.5
  xdotool key ctrl+minus ctrl+minus # both days in view
  sleep 1.5
  xdotool mousemove 1000 900
  import -window root -crop 800x580+204+230 docs/timeline.png
  xdotool key ctrl+0
  # The pane'"'"'s second entry (the first run'"'"'s news page), then the pages like it.
  xdotool mousemove 804 502 click 1
  sleep 0.5
  xdotool key ctrl+Return
  sleep 1.5
  xdotool mousemove 1000 900
  import -window root -crop 800x580+204+230 docs/similar-pages.png
  kill -TERM $browser; wait $browser'
kill "$server"
echo "wrote docs/screenshot.png, docs/timeline.png and docs/similar-pages.png"
