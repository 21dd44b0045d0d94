#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the core and
# window suites under ThreadSanitizer, the optimised build (which the README
# installs from, and where the compiler warns differently), then each fuzz
# target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in dev asan tsan release fuzz; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    [ "$preset" = release ] && continue # benchmarks, no tests of its own
    echo "== $preset tests"
    ctest --preset "$preset"
done
