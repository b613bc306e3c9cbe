#!/usr/bin/env bash
# Builds the programs (release) and starts VelorSpec.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELOR_BUILD_TESTS=OFF -DVELOR_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target VelorSpec
exec "$build/workbench/VelorSpec" "$@"
