# Shared by the benchmark scripts (sourced): timing and memory of a command.

# best PREPARE COMMAND: the best of three runs of COMMAND in seconds; PREPARE runs before each.
best() {
  local prepare=$1 command=$2 best=""
  for _ in 1 2 3; do
    eval "$prepare"
    local start end t
    start=$(date +%s.%N)
    eval "$command" >/dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}

# peak COMMAND...: its peak resident memory in KiB.
peak() {
  /usr/bin/time -f '%M' -o peak.txt "$@" >/dev/null 2>&1
  cat peak.txt
  rm -f peak.txt
}
