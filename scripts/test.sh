#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test:
# first the headless suite on Qt's offscreen platform, then the key tests that press keys
# through an X server (CTest label x11), one at a time on a virtual X server of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELOR_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
asan="detect_stack_use_after_return=0"

# The headless suite needs no display: it gets none.  When it fails, the run ends
# here, so that the last line printed is its summary.
ASAN_OPTIONS="$asan:strict_string_checks=1" env -u DISPLAY -u WAYLAND_DISPLAY \
  ctest --test-dir "$build" --output-on-failure --no-label-summary -j "$(nproc)" -LE x11 </dev/null

# The X key tests.  The server picks a free display number and writes it when it is ready.
xdir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  3>"$xdir/display" </dev/null >"$xdir/log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$xdir"' EXIT
display=""
for _ in $(seq 600); do
  if read -r number <"$xdir/display"; then
    display=":$number"
    break
  fi
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$display" ]; then
  # The tests then cannot open a display and fail.
  echo "Xvfb did not start:" >&2
  cat "$xdir/log" >&2
fi
# strict_string_checks stops inside the X keyboard library at start-up.
ASAN_OPTIONS="$asan" DISPLAY="$display" \
  ctest --test-dir "$build" --output-on-failure --no-label-summary -L x11 </dev/null
