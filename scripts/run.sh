#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts Tavrin on the db.dat beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
exec ./build/tavrin "$@"
