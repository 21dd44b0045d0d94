#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the core and
# window suites under ThreadSanitizer, the release build with its benchmarks
# (where the compiler warns differently) and the install and package checks,
# then each fuzz target for a bounded time.
#
#   scripts/test.sh [PRESET...]   all of them when none is named
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan tsan bench fuzz)
for preset in "${presets[@]}"; do
    echo "== $preset build"
    scripts/configure.sh "$preset"
    cmake --build --preset "$preset"
    echo "== $preset tests"
    ctest --preset "$preset"
done
