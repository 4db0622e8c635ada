#!/usr/bin/env bash
# Starts Mivo-ZIP under Xvfb on a sample archive and writes a PNG of the real window, then builds
# a self-extracting program from that archive and writes a PNG of the stub's window.
#   scripts/screenshot.sh [OUTPUT.png [STUB.png]]
#   (defaults: docs/screenshot.png and docs/screenshot-stub.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshot.png}
stub_out=${2:-$root/docs/screenshot-stub.png}
"$root/scripts/deps.sh" xvfb xauth imagemagick fonts-dejavu-core
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sample/Documents" "$work/sample/Photos"
for i in 1 2 3; do
  seq 1 $((i * 4000)) > "$work/sample/Documents/rapport-$i.txt"
done
printf 'Liste des courses\n' > "$work/sample/Documents/Élève à l'école.txt"
head -c 300000 /dev/urandom > "$work/sample/Photos/vacances.jpg"
seq 1 20000 > "$work/sample/lisez-moi.txt"
(cd "$work/sample" && zip -q -r ../exemple.zip .)

mkdir -p "$(dirname "$out")"
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s '-screen 0 800x600x24' bash -c "
  '$root/build/release/bin/Mivo-ZIP' '$work/exemple.zip' &
  sleep 3
  import -window root '$work/root.png'
  kill %1
"
# The window sits in the middle of a black screen: keep the window only.
convert "$work/root.png" -trim +repage "$out"
echo "$out"

"$root/build/release/bin/mivo-sfx" "$work/exemple.zip" "$work/exemple.exe" >/dev/null
xvfb-run -a -s '-screen 0 800x600x24' bash -c "
  '$work/exemple.exe' &
  sleep 3
  import -window root '$work/stub.png'
  kill %1
"
convert "$work/stub.png" -trim +repage "$stub_out"
echo "$stub_out"
