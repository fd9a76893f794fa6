#!/usr/bin/env bash
# The journal's writer through a held write lock, a close during it, and a full disk: a 2 MB
# tmpfs of its own that bench_journal_outage fills and frees. Needs root, for the mount.
#   sudo bench/journal_outage.sh [LOCK seconds, 30] [FREE seconds, 20] [build dir, build/release]
set -euo pipefail
lock=${1:-30}
free=${2:-20}
build=${3:-build/release}
full=$(mktemp -d)
mount -t tmpfs -o size=2m tmpfs "$full"
trap 'umount "$full"; rmdir "$full"' EXIT
"$build/bench/bench_journal_outage" "${TMPDIR:-/tmp}" "$lock" "$full" "$free"
