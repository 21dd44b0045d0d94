#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the core and
# window suites under ThreadSanitizer, then each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in dev asan tsan fuzz; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== $preset tests"
    ctest --preset "$preset"
done
