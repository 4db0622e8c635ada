#!/usr/bin/env bash
# Self-extracting programs against unzip, measured in the same run on the same archives:
# building a program from a ~200 MB stored archive and from a ~200 MB deflated one, then
# extracting each through the stub's own code, beside `unzip` extracting the archive itself.
#   bench/sfx_bench.sh [WORK_FOLDER]
# Prints the best of three runs of each, the ratios, and the peak memory of each half.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
work=${1:-$root/build/sfx-bench}
"$root/scripts/deps.sh" bc time
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" >/dev/null
bench=$root/build/release/bin/sfx_bench
corpus=$root/build/release/bin/make_zip_corpus
unset TZ
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

mkdir -p "$work"
cd "$work"
if [ ! -f stored.zip ]; then
  echo "building the archives (once)..."
  rm -rf mixed && "$corpus" mixed mixed 200
  (cd mixed && zip -q -0 -r ../stored.zip . && zip -q -r ../deflated.zip .)
fi

for kind in stored deflated; do
  size=$(du -m "$kind.zip" | cut -f1)
  unzip_time=$(best "rm -rf out-unzip" "unzip -o -q $kind.zip -d out-unzip")
  build_time=$(best "rm -f $kind.exe" "$bench build $kind.zip $kind.exe 2>/dev/null")
  extract_time=$(best "rm -rf out-stub" "$bench extract $kind.exe out-stub 2>/dev/null")
  printf '%-9s %4s MB  unzip %7ss  build %7ss (ratio %4.2f, target <= 1.5)  extract %7ss (ratio %4.2f, target <= 1.5)\n' \
    "$kind" "$size" "$unzip_time" "$build_time" "$(echo "$build_time / $unzip_time" | bc -l)" \
    "$extract_time" "$(echo "$extract_time / $unzip_time" | bc -l)"
  rm -f "$kind.exe"
  build_kib=$(peak "$bench" build "$kind.zip" "$kind.exe")
  rm -rf out-stub
  extract_kib=$(peak "$bench" extract "$kind.exe" out-stub)
  printf '%-9s peak memory: build %s MiB, extract %s MiB, archive %s MB (target about twice)\n' \
    "$kind" "$((build_kib / 1024))" "$((extract_kib / 1024))" "$size"
done
rm -rf out-unzip out-stub stored.exe deflated.exe
