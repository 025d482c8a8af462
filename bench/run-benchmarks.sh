#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every benchmark and prints one table:
#   - in-process figures (capture, history at 100 / 1,000 / 10,000 / 32,767 entries, pane
#     drawing, export of 1,000 entries) from build/bench/quillet_bench under Xvfb;
#   - the kept history at 100,000 pages of debian-reference-ja (build/bench/history_bench):
#     storing step, file size per page, search, the pane; and the cold start with it
#     (QUILLET_BENCH_HISTORY_PAGES sets another number of pages);
#   - whole-process figures: cold start to home page painted (bench/paint_time.py) beside the
#     floor program's start to a local page (--floor), a link opened from another program
#     while Quillet runs to its page painted (--link), and the PSS of the process tree with
#     the home page shown, beside the floor program (on its bench page and on Quillet's home
#     page) and surf, measured with peer-bench in the same run;
#   - a long session: 1,000 loads over 50 real pages (build/bench/quillet_soak --cycle;
#     QUILLET_BENCH_SOAK_LOADS sets another number), the UI process's growth beyond its
#     thumbnails and what a leak would leave;
#   - last, one table of Quillet's figures against the floor's (or the goal's), as ratios.
# usage: bench/run-benchmarks.sh [PEER_BENCH_DIR]   (default ../shared/peer-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
source_bench="${1:-../shared/peer-bench}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source_bench" "$work/peer-bench"
chmod -R u+w "$work/peer-bench"
peer="$work/peer-bench"

cmake --build build --target quillet quillet_bench history_bench saved_bench quillet_soak >/dev/null

echo "== In-process (real window 1280 x 1024 under Xvfb)"
xvfb-run -a -s "-screen 0 1920x1200x24" build/bench/quillet_bench \
  --benchmark_counters_tabular=true 2>/dev/null | grep -v -E "^(Running|Run on|CPU|  L|Load|\*\*\*)" |
  tee "$work/in-process.txt"
capture=$(awk '/^capture_120x120_from_1280x1024/ {print $2}' "$work/in-process.txt")

# The median line of paint_time.py: "median ...: 0.830 s over 5 runs" -> 0.830
median_of() {
  local line
  line=$(tail -1)
  echo "$line" >&2 # shown as it comes; the number goes to the table
  sed -E 's/.*: ([0-9.]+) s over.*/\1/' <<<"$line"
}

echo
echo "== Start to page painted, Quillet's home page and the floor program's local page (5 cold starts each)"
"$peer/baseline/build.sh" "$peer/quillet_min" >/dev/null
start_quillet=$(python3 bench/paint_time.py "$peer" build/quillet 5 | median_of)
start_floor=$(python3 bench/paint_time.py --floor "$peer" "$peer/quillet_min" 5 | median_of)

echo
echo "== A link from another program (quillet FILE while Quillet runs) to its page painted"
link=$(python3 bench/paint_time.py --link "$peer" build/quillet 5 | median_of)

echo
# The kept history needs Debian's Japanese reference for its pages.
[ -d /usr/share/debian-reference ] || apt-get install -y debian-reference-ja >/dev/null
pages="${QUILLET_BENCH_HISTORY_PAGES:-100000}"
# One session for all three: the kept history is sealed with the key in the session's keyring.
# The start to the pane's first rows again in a process of its own, as for the plain file below:
# the bench's own figure comes after it wrote and searched both files.
# Saved copies are opened, and what changed in them shown, in a copy of that kept history.
tests/session/run-in-session.sh bash -c "build/bench/history_bench $pages $work/kept 2>/dev/null &&
  build/bench/history_bench --window $work/kept 2>/dev/null &&
  echo && echo '== Start to home page painted with $pages kept pages, keeping on (5 cold starts)' &&
  python3 bench/paint_time.py $peer build/quillet 5 $work/kept | tail -1 &&
  echo && echo '== Kept pages as they were seen: opening them, what changed, the copies space' &&
  build/bench/saved_bench $work/kept 2>/dev/null"
# The same pages in a plain file, on a desktop without a keyring (with one, the window would
# seal the file first): the start to the pane's first rows against the sealed file's above.
QUILLET_TEST_DISPLAY=x11-wm+nokeyring tests/session/run-in-session.sh \
  build/bench/history_bench --window "$work/kept-plain" unsealed 2>/dev/null
rm -rf "$work/kept-plain"


echo
echo "== Total PSS of the process tree 3 s after the page is shown (median of 3)"
mkdir -p "$work/pages" && python3 "$peer/gen_pages.py" "$work/pages"
cp resources/home/index.html "$work/pages/quillet-home.html"
(cd "$work/pages" && exec python3 -m http.server 0 --bind 127.0.0.1 >"$work/http.log" 2>&1) &
server=$!
sleep 1
port=$(ss -ltnp 2>/dev/null | grep "pid=$server," | grep -o '127.0.0.1:[0-9]*' | head -1 | cut -d: -f2)
page="http://127.0.0.1:$port/bench.html"
measure() { "$peer/measure.sh" run "$@" 2>/dev/null | python3 -c \
  'import json,sys; d=json.load(sys.stdin); print(d.get("pss_kb") or "", d.get("t_paint") or "")'; }
floor=(--env WEBKIT_DISABLE_DMABUF_RENDERER=1 -- "$peer/quillet_min" '{url}')
declare -A pss
for name in quillet floor floor-home surf; do
  rows=()
  for run in 1 2 3; do
    case $name in
      quillet) rows+=("$(measure --no-url --title '^Quillet ホーム$' -- "$PWD/build/quillet")") ;;
      floor) rows+=("$(measure --url "$page" --title 'Bench Page' --bg '#2e8b57' "${floor[@]}")") ;;
      # The floor showing Quillet's home page: what the page itself (its Japanese text) costs.
      floor-home) rows+=("$(measure --url "${page%bench.html}quillet-home.html" --title 'ホーム' "${floor[@]}")") ;;
      surf) command -v surf >/dev/null || { rows+=("- -"); continue; }
            rows+=("$(measure --url "$page" --title 'Bench Page' --bg '#2e8b57' -- surf '{url}')") ;;
    esac
  done
  read -r kb paint < <(printf '%s\n' "${rows[@]}" | sort -n | sed -n 2p)
  pss[$name]=$( [ -n "$kb" ] && [ "$kb" != "-" ] && echo $((kb / 1024)) || echo "-")
  printf '%-10s PSS %6s MiB   title-gated paint %s s\n' "$name" "${pss[$name]}" "${paint:--}"
done
kill "$server"

echo
loads="${QUILLET_BENCH_SOAK_LOADS:-1000}"
echo "== A long session: $loads loads cycling through 50 real pages (build/bench/quillet_soak --cycle)"
xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/quillet_soak --cycle "$loads" 2>/dev/null |
  tee "$work/soak.txt"
growth=$(sed -nE 's/^from load 100 to [0-9]+: ([-+0-9.]+) MiB.*/\1/p' "$work/soak.txt")

echo
echo "== Against the floor (a ratio above 1.00 is a regression to look at)"
ratio() { [ -n "$1" ] && [ -n "$2" ] && [ "$1" != "-" ] && [ "$2" != "-" ] &&
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }' || echo "-"; }
printf '| %-46s | %9s | %9s | %5s |\n' "figure" "Quillet" "floor" "ratio"
printf '|%s|%s|%s|%s|\n' "------------------------------------------------" "-----------" "-----------" "-------"
printf '| %-46s | %7s s | %7s s | %5s |\n' "start to page painted" "$start_quillet" "$start_floor" \
  "$(ratio "$start_quillet" "$start_floor")"
printf '| %-46s | %5s MiB | %5s MiB | %5s |\n' "PSS of the process tree" "${pss[quillet]}" "${pss[floor]}" \
  "$(ratio "${pss[quillet]}" "${pss[floor]}")"
printf '| %-46s | %5s MiB | %5s MiB | %5s |\n' "PSS, the floor on Quillet's home page" "${pss[quillet]}" \
  "${pss[floor-home]}" "$(ratio "${pss[quillet]}" "${pss[floor-home]}")"
printf '| %-46s | %6s ms | %6s ms | %5s |\n' "capture 120x120 from 1280x1024 (goal)" "$capture" "2" \
  "$(ratio "$capture" 2)"
printf '| %-46s | %7s s | %7s s | %5s |\n' "link from another program to page (goal)" "$link" "1" \
  "$(ratio "$link" 1)"
printf '| %-46s | %5s MiB | %5s MiB | %5s |\n' "UI growth, loads 100 to $loads (goal)" "$growth" "5" \
  "$(ratio "${growth#+}" 5)"
