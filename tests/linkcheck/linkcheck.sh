#!/usr/bin/env bash
# Fails when PROGRAM holds code of the GUI side: any function one of the GUI libraries itself
# defines (their strong text symbols, so inline and template code shared with other targets
# does not count); with "no-qt", when it links any Qt library; with "stub", when its direct
# dependencies go beyond what a self-extracting program may ask of a machine.
#   linkcheck.sh GUI_LIBRARY... PROGRAM [no-qt|stub]
set -euo pipefail
usage='usage: linkcheck.sh GUI_LIBRARY... PROGRAM [no-qt|stub]'
args=("$@")
mode=
if [ ${#args[@]} -gt 0 ] && { [ "${args[-1]}" = no-qt ] || [ "${args[-1]}" = stub ]; }; then
  mode=${args[-1]}
  unset 'args[-1]'
fi
[ ${#args[@]} -ge 2 ] || { echo "$usage"; exit 2; }
program=${args[-1]}
unset 'args[-1]'

strong_text() { nm --defined-only "$1" 2>/dev/null | awk '$2 == "T" { print $3 }' | sort -u; }

gui_symbols=
for gui_library in "${args[@]}"; do
  symbols=$(strong_text "$gui_library")
  # A list that came out empty would pass every program: each library's own code must be there.
  if [ -z "$symbols" ]; then
    echo "$gui_library defines no function"
    exit 2
  fi
  gui_symbols+=$symbols$'\n'
done
gui_symbols=$(sort -u <<<"$gui_symbols" | grep .)
if [ "$(grep -c . <<<"$gui_symbols")" -lt 50 ]; then
  echo "${args[*]} define too few functions to be the GUI libraries"
  exit 2
fi
found=$(comm -12 <(echo "$gui_symbols") <(strong_text "$program") | head -5 | c++filt || true)
if [ -n "$found" ]; then
  echo "$program links the GUI target:"
  echo "$found"
  exit 1
fi
case "$mode" in
  no-qt)
    if ldd "$program" | grep -q 'libQt6'; then
      echo "$program links Qt:"
      ldd "$program" | grep libQt6
      exit 1
    fi
    ;;
  stub)
    # Qt Widgets, Gui and Core, libzip, zlib, libcrypto, the C and C++ runtimes (and the
    # sanitizers' runtimes in the test build).
    allowed='^(libQt6(Widgets|Gui|Core)\.so|libzip\.so|libz\.so|libcrypto\.so|libc\.so|libm\.so|libstdc\+\+\.so|libgcc_s\.so|ld-linux|libasan\.so|libubsan\.so)'
    extra=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | grep -Ev "$allowed" || true)
    if [ -n "$extra" ]; then
      echo "$program needs more than it may:"
      echo "$extra"
      exit 1
    fi
    ;;
esac
echo "$program: no GUI code"
