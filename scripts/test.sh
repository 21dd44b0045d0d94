#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the core and
# window suites under ThreadSanitizer, then each fuzz target for a bounded time;
# last, the optimised build.
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

# The optimised build the README installs from (and the benchmarks): it must
# build too, where the compiler warns differently.
echo "== release build"
cmake --preset release >/dev/null
cmake --build --preset release
