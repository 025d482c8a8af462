#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every benchmark and prints one table:
#   - in-process figures (capture, history at 100 / 1,000 / 10,000 / 32,767 entries, pane
#     drawing, export of 1,000 entries) from build/bench/quillet_bench under Xvfb;
#   - the kept history at 100,000 pages of debian-reference-ja (build/bench/history_bench):
#     storing step, file size per page, search, the pane; and the cold start with it
#     (QUILLET_BENCH_HISTORY_PAGES sets another number of pages);
#   - whole-process figures: cold start to home page painted (bench/paint_time.py), a link
#     opened from another program while Quillet runs to its page painted (--link), and the
#     PSS of the process tree with the home page shown, beside the floor program and surf,
#     measured with peer-bench in the same run.
# usage: bench/run-benchmarks.sh [PEER_BENCH_DIR]   (default ../shared/peer-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
source_bench="${1:-../shared/peer-bench}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source_bench" "$work/peer-bench"
chmod -R u+w "$work/peer-bench"
peer="$work/peer-bench"

cmake --build build --target quillet quillet_bench history_bench >/dev/null

echo "== In-process (real window 1280 x 1024 under Xvfb)"
xvfb-run -a -s "-screen 0 1920x1200x24" build/bench/quillet_bench \
  --benchmark_counters_tabular=true 2>/dev/null | grep -v -E "^(Running|Run on|CPU|  L|Load|\*\*\*)"

echo
echo "== Start to home page painted (5 cold starts after a warm-up)"
python3 bench/paint_time.py "$peer" build/quillet 5 | tail -1

echo
echo "== A link from another program (quillet FILE while Quillet runs) to its page painted"
python3 bench/paint_time.py --link "$peer" build/quillet 5 | tail -1

echo
# The kept history needs Debian's Japanese reference for its pages.
[ -d /usr/share/debian-reference ] || apt-get install -y debian-reference-ja >/dev/null
pages="${QUILLET_BENCH_HISTORY_PAGES:-100000}"
xvfb-run -a -s "-screen 0 1920x1200x24" build/bench/history_bench "$pages" "$work/kept" 2>/dev/null
echo
echo "== Start to home page painted with $pages kept pages, keeping on (5 cold starts)"
python3 bench/paint_time.py "$peer" build/quillet 5 "$work/kept" | tail -1

echo
echo "== Total PSS of the process tree 3 s after the page is shown (median of 3)"
"$peer/baseline/build.sh" "$peer/quillet_min" >/dev/null
mkdir -p "$work/pages" && python3 "$peer/gen_pages.py" "$work/pages"
(cd "$work/pages" && exec python3 -m http.server 0 --bind 127.0.0.1 >"$work/http.log" 2>&1) &
server=$!
sleep 1
port=$(ss -ltnp 2>/dev/null | grep "pid=$server," | grep -o '127.0.0.1:[0-9]*' | head -1 | cut -d: -f2)
page="http://127.0.0.1:$port/bench.html"
measure() { "$peer/measure.sh" run "$@" 2>/dev/null | python3 -c \
  'import json,sys; d=json.load(sys.stdin); print(d.get("pss_kb") or "", d.get("t_paint") or "")'; }
for name in quillet floor surf; do
  rows=()
  for run in 1 2 3; do
    case $name in
      quillet) rows+=("$(measure --no-url --title '^Quillet ホーム$' -- "$PWD/build/quillet")") ;;
      floor) rows+=("$(measure --url "$page" --title 'Bench Page' --bg '#2e8b57' -- "$peer/quillet_min" '{url}')") ;;
      surf) command -v surf >/dev/null || { rows+=("- -"); continue; }
            rows+=("$(measure --url "$page" --title 'Bench Page' --bg '#2e8b57' -- surf '{url}')") ;;
    esac
  done
  printf '%s\n' "${rows[@]}" | sort -n | sed -n 2p | {
    read -r pss paint
    printf '%-8s PSS %6s MiB   title-gated paint %s s\n' "$name" \
      "$( [ -n "$pss" ] && [ "$pss" != "-" ] && echo $((pss / 1024)) || echo "-")" "${paint:--}"
  }
done
kill "$server"
