#!/usr/bin/env bash
# Installs what is missing and builds the release preset.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
