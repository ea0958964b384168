#!/usr/bin/env bash
# One command for a developer or CI: install what is missing, build, run every test.
# Arguments go to ctest; $REPORT_CMAKE_ARGS (words) to the configuration.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --test
read -r -a cmake_args <<<"${REPORT_CMAKE_ARGS:-}"
"$root/scripts/build.sh" "${cmake_args[@]}"
cd "${BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@"
