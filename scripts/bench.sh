#!/usr/bin/env bash
# Builds the bench preset and prints every speed figure: the address rules,
# the lookup path against a bare getaddrinfo (in the resolver sandbox), a
# lookup plainly and through the window's waiter, and the
# window's exec-to-first-frame time and peak memory against a bare Qt window
# of the same six widgets (in the sandbox, under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
command -v hyperfine >/dev/null || {
    sudo=(); [ "$(id -u)" = 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq hyperfine >/dev/null
}
cmake --preset bench >/dev/null
cmake --build --preset bench
b=build/bench/bench

echo "== address rules"
"$b/bench_rules"
echo "== lookup path"
tests/sandbox.sh "$b/bench_lookup"
echo "== waiting off the GUI thread"
tests/sandbox.sh "$b/bench_waiter"
echo "== a megabyte on the command line and in the fields"
QT_QPA_PLATFORM=offscreen "$b/bench_input_size"
echo "== first frame and peak memory"
tests/sandbox.sh xvfb-run -a -s "-screen 0 800x400x24 -noreset" bash -c '
    export XDG_RUNTIME_DIR=$(mktemp -d)
    hyperfine -N --warmup 5 --runs 40 "$1/first_frame_hostip" "$1/first_frame_bare"
    for v in hostip bare; do
        kib=$(for i in 1 2 3 4 5; do "$1/first_frame_$v" --rss; done | sort -n | sed -n 3p)
        echo "peak RSS, median of 5: first_frame_$v ${kib} KiB"
    done' _ "$b"
