#!/usr/bin/env bash
# One command for a user: install what is missing, build, start the desktop program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "${BUILD_DIR:-$root/build}/bin/report" "$@"
