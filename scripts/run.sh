#!/usr/bin/env bash
# Sets up, builds and starts the console monitor on this machine's ARP table, in a fresh
# data directory (Ctrl+C stops it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup-deps.sh"
bash "$root/scripts/build.sh" native
dir=${VETREL_DIR:-$(mktemp -d /tmp/vetrel.XXXXXX)}
echo "data directory: $dir"
exec "$root/build/native/src/vetrel" monitor --dir "$dir"
