#!/usr/bin/env bash
# Runs one of the fuzzers built under build/*/fuzz-build for a while.
#   tests/fuzz/run-fuzz.sh FUZZER SECONDS WORK_FOLDER
# The corpus grows in WORK_FOLDER/corpus, seeded from tests/fuzz/seeds/NAME/ when that exists
# (NAME: the fuzzer's name without "_fuzzer"); crashes are written to WORK_FOLDER.
set -euo pipefail
fuzzer=${1:?usage: run-fuzz.sh FUZZER SECONDS WORK_FOLDER}
seconds=${2:?usage: run-fuzz.sh FUZZER SECONDS WORK_FOLDER}
work=${3:?usage: run-fuzz.sh FUZZER SECONDS WORK_FOLDER}
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$fuzzer" _fuzzer)
mkdir -p "$work/corpus"
if [ -d "$here/seeds/$name" ]; then cp -n "$here/seeds/$name"/* "$work/corpus/" 2>/dev/null || true; fi
exec "$fuzzer" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus"
