#!/usr/bin/env bash
# Builds the bench preset and prints every speed figure: the address rules,
# the lookup path against a bare getaddrinfo (in the resolver sandbox), a
# lookup plainly and through the window's waiter (idle, and with every
# processor busy), and the
# window's exec-to-first-frame time and peak memory against a bare Qt window
# of the same six widgets (in the sandbox, under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
scripts/configure.sh bench
cmake --build --preset bench
b=build/bench/bench

echo "== address rules"
"$b/bench_rules"
echo "== lookup path"
tests/sandbox.sh "$b/bench_lookup"
# waiter LOAD: the waiter's medians of 5, and what it adds to the plain call
waiter() {
    echo "== waiting off the GUI thread, $1"
    tests/sandbox.sh "$b/bench_waiter" --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_format=json 2>/dev/null |
        python3 -c '
import json, sys
scale = {"ns": 1e-3, "us": 1, "ms": 1e3}
us = {b["run_name"]: b["real_time"] * scale[b["time_unit"]]
      for b in json.load(sys.stdin)["benchmarks"] if b.get("aggregate_name") == "median"}
for name, t in us.items():
    print("%-34s %8.1f us" % (name, t))
print("the waiter adds %.1f us to a lookup, %.1f us to the Get-IP command (goal: at most 250)" % (
    us["ThroughTheWaiter"] - us["PlainCall"],
    us["GetIPCommandInTheWindow/waiter:1"] - us["GetIPCommandInTheWindow/waiter:0"]))'
}
waiter idle
# Every processor busy with other work, as on a loaded desktop.
hogs=()
trap 'kill "${hogs[@]}" 2>/dev/null || true' EXIT # none left once the run is through
for _ in $(seq "$(nproc)"); do yes >/dev/null & hogs+=($!); done
waiter "every processor busy"
kill "${hogs[@]}"
hogs=()
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
