#!/usr/bin/env bash
# Installs the Debian packages the project needs, once: a second run with everything present
# only asks dpkg and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-translations-l10n libzip-dev zlib1g-dev libssl-dev libicu-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zip unzip p7zip-full locales
  libglib2.0-dev
  clang libclang-rt-14-dev
  dpkg-dev file appstream desktop-file-utils groff-base
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q -o DPkg::Lock::Timeout=600 \
  --no-install-recommends "${missing[@]}"
