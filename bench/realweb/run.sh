#!/bin/sh
# The batch run on a loopback web shaped like the real one (see RealWebPlan.h):
# times quillmark-batch over each scenario's list and checks that the rows and
# the report of the parallel run are those of a run with one connection.
#
#   bench/realweb/run.sh [options]
#     --build DIR        build folder (default: build); its targets are built first
#     --batch PATH       the quillmark-batch to time (default: DIR/bin/quillmark-batch)
#     --scenario NAME    harvested, clean, clean429 or large; may be repeated (default: the
#                        first three)
#     --connections N    connections of the timed run (default: 8; 2 per host always)
#     --timeout S        pass --timeout S to quillmark-batch (only when it has that option)
#     --reference        also run with one connection and compare rows and report
#     --pool             time the fetch pool alone over each list (bench_realweb_pool),
#                        all URLs given at once, instead of quillmark-batch
#     --silent-free      with --pool: silent transfers stop counting against the
#                        connections in all (FetchPool::setSilentTransfersFree)
#     --seed N           the plan's seed (default: 21)
#     --port P           the port every host listens on (default: 24321)
#     --keep DIR         keep the program folders, lists, rows and reports in DIR
#
# Prints one line per run: scenario, connections, seconds, the peak resident
# memory of quillmark-batch, rows, the outcomes of the report, and the server's counts (requests, most at once on one host
# and in all). Exits non-zero when a run fails, breaks a connection limit, or
# differs from its one-connection reference in anything but the times.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=build
batch=
scenarios=
connections=8
timeout=
reference=0
pool=0
silent_free=
seed=21
port=24321
keep=
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --batch) batch=$2; shift 2 ;;
    --scenario) scenarios="$scenarios $2"; shift 2 ;;
    --connections) connections=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --reference) reference=1; shift ;;
    --pool) pool=1; shift ;;
    --silent-free) silent_free=--silent-free; shift ;;
    --seed) seed=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
[ -n "$scenarios" ] || scenarios="harvested clean clean429"
case "$build" in /*) ;; *) build="$source_dir/$build" ;; esac
cmake --build "$build" --target bench_realweb_server bench_realweb_pool quillmark-batch -j2 >/dev/null
[ -n "$batch" ] || batch="$build/bin/quillmark-batch"
server="$build/bin/bench_realweb_server"

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    work=$(cd "$keep" && pwd)
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi

# The shipped configuration; every page of the plan passes its checks.
folder="$work/folder"
mkdir -p "$folder"
for f in links.ini headers.txt badwords.txt baddomains.txt; do cp "$source_dir/data/$f" "$folder/"; done
printf '[Run]\r\nConnections=%s\r\nConnectionsPerHost=2\r\n' "$connections" > "$folder/preferences.ini"

status=0

# serve SCENARIO NAME: starts a fresh server (a "429" page is busy again),
# so that every run meets the same web; sets $pid.
serve() {
    rm -f "$work/$2.links" "$work/$2.server"
    "$server" --scenario "$1" --seed "$seed" --port "$port" --links "$work/$2.links" > "$work/$2.server" &
    pid=$!
    while ! grep -q ready "$work/$2.server" 2>/dev/null; do
        kill -0 $pid 2>/dev/null || { echo "the server did not start" >&2; exit 1; }
        sleep 0.1
    done
}

# pool_alone SCENARIO: the fetch pool over the same list, all URLs at once.
pool_alone() {
    serve "$1" "$1-pool"
    # shellcheck disable=SC2086
    "$build/bin/bench_realweb_pool" --connections "$connections" --per-host 2 ${timeout:+--timeout $timeout} \
        $silent_free "$work/$1-pool.links" | sed "s/^/$1, /"
    kill -TERM $pid
    wait $pid || true
    sed -n 's/^requests /  server: requests /p' "$work/$1-pool.server"
}

# run SCENARIO CONNECTIONS: one batch run against a fresh server. Sets $seconds.
run() {
    name="$1-$2"
    serve "$1" "$name"
    extra=
    [ -z "$timeout" ] || extra="--timeout $timeout"
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    if ! /usr/bin/time -f %M -o "$work/$name.rss" "$batch" --folder "$folder" --connections "$2" $extra \
        --output "$work/$name.rows" --report "$work/$name.csv" "$work/$name.links" 2> "$work/$name.log"; then
        echo "error: $name: quillmark-batch failed, see $work/$name.log" >&2
        status=1
    fi
    end=$(date +%s%N)
    kill -TERM $pid
    wait $pid || true
    seconds=$(echo "$start $end" | awk '{printf "%.1f", ($2 - $1) / 1e9}')
    rows=$(($(wc -l < "$work/$name.rows") - 1))
    outcomes=$(python3 "$here/report.py" summary "$work/$name.csv")
    counts=$(sed -n 's/^requests /requests /p' "$work/$name.server")
    peak=$(awk '{printf "%.0f", $1 / 1024}' "$work/$name.rss")
    echo "$1, $2 connections: $seconds s, peak $peak MiB, $rows rows, $outcomes; $counts"
    # Twice the connections in all: the batch run lets a transfer whose
    # server has sent nothing for 2 s stop counting (never per host).
    if ! echo "$counts" | awk -v c="$2" '{ split($0, f, /[ ,]+/); if (f[9] > 2 || f[12] > 2 * c) exit 1 }'; then
        echo "error: $name: more requests at once than the connection limits allow" >&2
        status=1
    fi
}

for scenario in $scenarios; do
    if [ "$pool" = 1 ]; then
        pool_alone "$scenario"
        continue
    fi
    run "$scenario" "$connections"
    eval "seconds_$scenario=$seconds"
    if [ "$reference" = 1 ] && [ "$connections" != 1 ]; then
        run "$scenario" 1
        if ! cmp -s "$work/$scenario-1.rows" "$work/$scenario-$connections.rows"; then
            echo "error: $scenario: the rows of 1 and $connections connections differ" >&2
            status=1
        fi
        if ! python3 "$here/report.py" compare "$work/$scenario-1.csv" "$work/$scenario-$connections.csv"; then
            echo "error: $scenario: the reports of 1 and $connections connections differ" >&2
            status=1
        fi
    fi
done

if [ -n "${seconds_clean:-}" ] && [ -n "${seconds_clean429:-}" ]; then
    echo "$seconds_clean429 $seconds_clean" |
        awk '{printf "clean429 took %.2f times as long as clean (goal: at most 1.3)\n", $1 / $2}'
fi
exit $status
