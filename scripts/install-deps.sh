#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need.
# Cheap when everything is present: dpkg is asked first, apt-get runs only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev libmspack-dev libxlsxwriter-dev nettle-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  xvfb xauth fonts-dejavu-core fonts-liberation2
)
if [[ "${1:-}" == "--test" ]]; then
  # Peers the tests compare our archives against.
  packages+=(cabextract gcab)
  # Reading back the printed PDFs.
  packages+=(poppler-utils)
  # Opening the exported workbooks as a spreadsheet program does (headless).
  packages+=(libreoffice-calc-nogui)
  # Printing the report's text documents into PDFs as users with an office
  # installed get them.
  packages+=(libreoffice-writer-nogui)
  # Checking the Debian package (CPack's dpkg-shlibdeps comes with dpkg-dev).
  packages+=(dpkg-dev lintian)
fi
if [[ "${1:-}" == "--fuzz" ]]; then
  # clang with libFuzzer and the sanitizers' runtimes (scripts/fuzz.sh).
  packages+=(clang)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
