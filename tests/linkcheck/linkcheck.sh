#!/usr/bin/env bash
# Fails when PROGRAM holds code of the GUI target (the main window, the window registry, the
# entry list, the dialogs), or, with "no-qt", links any Qt library.
#   linkcheck.sh PROGRAM [no-qt]
set -euo pipefail
program=${1:?usage: linkcheck.sh PROGRAM [no-qt]}
gui='(Unzip|Forms|EntryListModel|DosZip2|Zip2|Assoc|AutoExtract|ExplorerTree|ArchiveSession)::'
found=$(nm -C "$program" | grep -E " [TtWw] ($gui)" | head -5 || true)
if [ -n "$found" ]; then
  echo "$program links the GUI target:"
  echo "$found"
  exit 1
fi
if [ "${2:-}" = no-qt ] && ldd "$program" | grep -q 'libQt6'; then
  echo "$program links Qt:"
  ldd "$program" | grep libQt6
  exit 1
fi
echo "$program: no GUI code"
