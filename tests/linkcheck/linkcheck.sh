#!/usr/bin/env bash
# Fails when PROGRAM holds code of the GUI target (the main window, the window registry, the
# entry list, the dialogs); with "no-qt", when it links any Qt library; with "stub", when its
# direct dependencies go beyond what a self-extracting program may ask of a machine.
#   linkcheck.sh PROGRAM [no-qt|stub]
set -euo pipefail
program=${1:?usage: linkcheck.sh PROGRAM [no-qt|stub]}
gui='(Unzip|Forms|EntryListModel|EntryCommands|DosZip2|Zip2|Assoc|AutoExtract|ExplorerTree|ArchiveSession)::'
found=$(nm -C "$program" | grep -E " [TtWw] ($gui)" | head -5 || true)
if [ -n "$found" ]; then
  echo "$program links the GUI target:"
  echo "$found"
  exit 1
fi
case "${2:-}" in
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
