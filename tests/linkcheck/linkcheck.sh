#!/usr/bin/env bash
# Fails when PROGRAM holds code of the GUI target: any function the GUI library itself defines
# (its strong text symbols, so inline and template code shared with other targets does not
# count); with "no-qt", when it links any Qt library; with "stub", when its direct dependencies
# go beyond what a self-extracting program may ask of a machine.
#   linkcheck.sh GUI_LIBRARY PROGRAM [no-qt|stub]
set -euo pipefail
gui_library=${1:?usage: linkcheck.sh GUI_LIBRARY PROGRAM [no-qt|stub]}
program=${2:?usage: linkcheck.sh GUI_LIBRARY PROGRAM [no-qt|stub]}

strong_text() { nm --defined-only "$1" 2>/dev/null | awk '$2 == "T" { print $3 }' | sort -u; }

gui_symbols=$(strong_text "$gui_library")
# A list that came out empty would pass every program: the library's own classes must be there.
if [ "$(grep -c . <<<"$gui_symbols")" -lt 50 ]; then
  echo "$gui_library defines too few functions to be the GUI library"
  exit 2
fi
found=$(comm -12 <(echo "$gui_symbols") <(strong_text "$program") | head -5 | c++filt || true)
if [ -n "$found" ]; then
  echo "$program links the GUI target:"
  echo "$found"
  exit 1
fi
case "${3:-}" in
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
