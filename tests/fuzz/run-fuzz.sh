#!/usr/bin/env bash
# Builds the decoder fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) and runs it.
#   tests/fuzz/run-fuzz.sh SECONDS [WORK_FOLDER]
# The corpus grows in WORK_FOLDER/corpus, seeded with a few valid streams.
set -euo pipefail
seconds=${1:?usage: run-fuzz.sh SECONDS [WORK_FOLDER]}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${2:-$root/build/fuzz}
mkdir -p "$work/corpus"

cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "clang++ not found: fuzzer not built"
  exit 0
fi

"$cxx" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/codec" "$here/decode_fuzzer.cpp" "$root"/codec/Huffman*.cpp -o "$work/decode_fuzzer"

printf 'HE0\rabc' > "$work/corpus/seed-stored"
printf 'HE2\r9\ra\002\001b\002\003c\001\000`3\r\r' > "$work/corpus/seed-abc"
printf 'HE2\r3\ra\001\001a1\r\001' > "$work/corpus/seed-a"

"$work/decode_fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus"
