#!/usr/bin/env bash
# Configures a preset's build folder, build/PRESET. Afresh only where that
# folder was made with another generator than the presets' Ninja (CMake
# refuses to switch); any other failure shows as it is, the cache kept.
#   scripts/configure.sh PRESET
set -euo pipefail
cd "$(dirname "$0")/.."
fresh=()
cache=build/$1/CMakeCache.txt
if [ -f "$cache" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache"; then
    fresh=(--fresh)
fi
cmake "${fresh[@]}" --preset "$1" >/dev/null
