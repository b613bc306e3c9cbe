#!/usr/bin/env bash
# Builds the programs (release) and starts one of them:
#   bash scripts/run.sh [VelorSpec|VelorTime] [arguments...]   (VelorSpec when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
program=VelorSpec
case "${1:-}" in
  VelorSpec|VelorTime) program=$1; shift ;;
esac
bash scripts/deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELOR_BUILD_TESTS=OFF -DVELOR_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target "$program"
case "$program" in
  VelorTime) exec "$build/controller/VelorTime" "$@" ;;
  *) exec "$build/workbench/VelorSpec" "$@" ;;
esac
