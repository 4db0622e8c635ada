#!/usr/bin/env bash
# Our zip components against Info-ZIP, measured in the same run on the same corpora.
#   bench/zip_bench.sh [WORK_FOLDER]
# Prints, for each task, the best of three runs of each side and the ratio ours / Info-ZIP; then
# list and extract against libzip alone, with TZ unset and with TZ=UTC. The rest runs with TZ
# unset, as users have it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
work=${1:-$root/build/zip-bench}
"$root/scripts/deps.sh" bc time
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" >/dev/null
tool=$root/build/release/bin/mivo-ziptool
corpus=$root/build/release/bin/make_zip_corpus
unset TZ

mkdir -p "$work"
cd "$work"
if [ ! -f small.zip ]; then
  echo "building the corpora (once)..."
  rm -rf small mixed extra
  "$corpus" small small 100000
  "$corpus" mixed mixed 200
  "$corpus" extra extra 1000
  (cd small && zip -q -r ../small.zip .)
  (cd mixed && zip -q -r ../mixed.zip .)
fi

report() {
  local name=$1 ours=$2 theirs=$3 target=$4
  printf '%-34s ours %8ss   Info-ZIP %8ss   ratio %5.2f   (target <= %s)\n' \
    "$name" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)" "$target"
}

ours=$(best ":" "$tool list small.zip")
theirs=$(best ":" "unzip -l small.zip")
report "list 100,000 entries" "$ours" "$theirs" 0.5
rss=$(peak "$tool" list small.zip)
printf '%-34s peak memory %s KiB   (a one-entry archive: about 6000)\n' "list 100,000 entries" "$rss"

# The main window, offscreen, from the program's start to every row in the view.
window=$root/build/release/bin/window_bench
ours=$(best ":" "QT_QPA_PLATFORM=offscreen $window small.zip 2>/dev/null")
report "window shows 100,000 entries" "$ours" "$theirs" 1

# The entry list of 100,000 rows: a click on "Fichier" (French order), the best of three; then
# the peak memory of the whole program showing them, every column sorted and a search typed.
sort_best=""
for _ in 1 2 3; do
  t=$(QT_QPA_PLATFORM=offscreen "$window" sort small.zip 2>/dev/null | cut -d' ' -f1)
  if [ -z "$sort_best" ] || [ "$(echo "$t < $sort_best" | bc -l)" = 1 ]; then sort_best=$t; fi
done
printf '%-34s ours %8ss   (target < 0.5)\n' "window: sort 100,000 rows by name" "$sort_best"
rss=$(QT_QPA_PLATFORM=offscreen peak "$window" sort small.zip)
printf '%-34s peak memory %s KiB   (target <= 51200)\n' "window: 100,000 rows sorted" "$rss"

ours=$(best "rm -rf out-ours" "$tool extract --always-overwrite mixed.zip out-ours")
theirs=$(best "rm -rf out-unzip" "unzip -o -q mixed.zip -d out-unzip")
report "extract $(du -m mixed.zip | cut -f1) MB mixed archive" "$ours" "$theirs" 0.7

# libzip alone (bench/libzip_anchor.c), the floor under ours, in the same run: with TZ unset, as
# users have it, and with TZ=UTC, where no date conversion looks at /etc/localtime.
anchor=$root/build/release/bin/libzip_anchor
floor() {
  local name=$1 ours=$2 theirs=$3
  printf '%-34s ours %8ss   libzip   %8ss   ratio %5.2f\n' \
    "$name" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
}
for tz in unset UTC; do
  if [ "$tz" = unset ]; then run="env -u TZ"; else run="env TZ=UTC"; fi
  ours=$(best ":" "$run $tool list small.zip")
  theirs=$(best ":" "$run $anchor list small.zip")
  floor "list 100,000 entries (TZ $tz)" "$ours" "$theirs"
  ours=$(best "rm -rf out-ours" "$run $tool extract --always-overwrite mixed.zip out-ours")
  theirs=$(best "rm -rf out-anchor" "$run $anchor extract mixed.zip out-anchor")
  floor "extract $(du -m mixed.zip | cut -f1) MB mixed (TZ $tz)" "$ours" "$theirs"
done

extras=$(cd extra && ls | sed 's|^|extra/|' | tr '\n' ' ')
ours=$(best "cp mixed.zip add-ours.zip" "$tool add add-ours.zip $extras")
theirs=$(best "cp mixed.zip add-zip.zip" "zip -q add-zip.zip $extras")
report "add 1,000 files" "$ours" "$theirs" 2

victims=$(cd small && find . -type f | sed 's|^\./||' | sort | sed -n '1,1000p' | tr '\n' ' ')
ours=$(best "cp small.zip del-ours.zip" "$tool delete del-ours.zip $victims")
theirs=$(best "cp small.zip del-zip.zip" "zip -q -d del-zip.zip $victims")
report "delete 1,000 entries" "$ours" "$theirs" 1

# The window's commands, offscreen: the seconds window_bench prints for the command alone (the
# list refreshed from the disk after adding and removing), best of three.
window_best() {
  local prepare=$1 command=$2 best=""
  for _ in 1 2 3; do
    eval "$prepare"
    local t
    t=$(eval "QT_QPA_PLATFORM=offscreen $command 2>/dev/null" | cut -d' ' -f1)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}
window_extract=$(window_best "rm -rf out-window" "$window extract mixed.zip out-window")
tool_extract=$(best "rm -rf out-ours" "$tool extract --always-overwrite mixed.zip out-ours")
unzip_extract=$(best "rm -rf out-unzip" "unzip -o -q mixed.zip -d out-unzip")
report "window: extract (vs mivo-ziptool)" "$window_extract" "$tool_extract" 1.1
report "window: extract (vs unzip)" "$window_extract" "$unzip_extract" 0.7
(cd extra && ls | sed "s|^|$work/extra/|") > extra-list.txt
ours=$(window_best "cp mixed.zip add-window.zip" "$window add add-window.zip extra-list.txt")
theirs=$(best "cp mixed.zip add-zip.zip" "zip -q add-zip.zip $extras")
report "window: add 1,000 files" "$ours" "$theirs" 1.5
ours=$(window_best "cp small.zip del-window.zip" "$window remove del-window.zip 1000")
theirs=$(best "cp small.zip del-zip.zip" "zip -q -d del-zip.zip $victims")
report "window: remove 1,000 of 100,000" "$ours" "$theirs" 1.0

# Memory: extracting a 1 GiB entry needs a few buffers, not the entry.
if [ ! -f huge.zip ]; then
  mkdir -p huge && head -c 1073741824 /dev/zero > huge/zeros.bin
  (cd huge && zip -q ../huge.zip zeros.bin) && rm -rf huge
fi
rm -rf out-huge
rss=$( { /usr/bin/time -f '%M' "$tool" extract huge.zip out-huge >/dev/null; } 2>&1 | tail -1)
printf '%-34s peak memory %s KiB\n' "extract a 1 GiB entry" "$rss"

rm -rf out-ours out-unzip out-anchor out-huge out-window add-ours.zip add-zip.zip del-ours.zip \
  del-zip.zip add-window.zip del-window.zip extra-list.txt
