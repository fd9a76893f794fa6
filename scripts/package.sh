#!/usr/bin/env bash
# Sets up what is missing, builds the release preset and makes its Debian package in
# build/package.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
cpack --config build/release/CPackConfig.cmake -B build/package
