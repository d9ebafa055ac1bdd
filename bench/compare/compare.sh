#!/usr/bin/env bash
# Runs the comparisons of bench/README.md in one go and prints their figures.
#
#   bench/compare/compare.sh [BUILD_DIR]        (default: build)
#
# Builds only the benchmark targets it needs. Needs node (Node.js) and curl on
# the PATH. The window's start-up runs on the offscreen platform, without a
# display; run it under xvfb-run for a real X server.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
bin="$build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_compare_analysis bench_compare_batch bench_compare_startup \
  bench_results bench_links bench_export >/dev/null

# Google Benchmark's JSON: the value of a field of one benchmark.
figure() { # file benchmark-name-prefix field
  python3 - "$@" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
for b in data["benchmarks"]:
    if b["name"].startswith(sys.argv[2]):
        print(b[sys.argv[3]])
        break
PY
}
ratio() { python3 -c "print(f'{$1 / $2:.1f}')"; }

echo "== One-page analysis, shipped configuration, 1 MB page"
"$bin/bench_compare_analysis" --write-page="$work/page.html"
"$bin/bench_compare_analysis" --page="$work/page.html" --fields >"$work/qm-fields.txt"
node bench/compare/analysis.js "$work/page.html" 5 >"$work/node.txt"
if ! diff <(head -5 "$work/node.txt") "$work/qm-fields.txt" >/dev/null; then
  echo "The two analyses disagree:" >&2
  diff <(head -5 "$work/node.txt") "$work/qm-fields.txt" >&2 || true
  exit 1
fi
"$bin/bench_compare_analysis" --page="$work/page.html" --benchmark_filter=BM_AnalysePage \
  --benchmark_format=json >"$work/analysis.json" 2>/dev/null
qm_ms=$(figure "$work/analysis.json" BM_AnalysePage real_time)
node_ms=$(grep ms_per_page "$work/node.txt" | cut -d= -f2)
printf '  Quillmark %.2f ms/page, Node.js %.2f ms/page: Quillmark %sx as fast\n' "$qm_ms" "$node_ms" \
  "$(ratio "$node_ms" "$qm_ms")"

echo "== Analysis of 1 MB of pages of mixed sites, shipped configuration, page by page"
mkdir "$work/pages"
"$bin/bench_compare_analysis" --write-pages="$work/pages"
"$bin/bench_compare_analysis" --pages="$work/pages" --fields >"$work/qm-mixed.txt"
node bench/compare/analysis.js "$work/pages" 5 >"$work/node-mixed.txt"
if ! diff <(head -n -2 "$work/node-mixed.txt") "$work/qm-mixed.txt" >/dev/null; then
  echo "The two analyses disagree:" >&2
  diff <(head -n -2 "$work/node-mixed.txt") "$work/qm-mixed.txt" >&2 || true
  exit 1
fi
"$bin/bench_compare_analysis" --pages="$work/pages" --benchmark_filter=BM_AnalyseMixedPages \
  --benchmark_format=json >"$work/mixed.json" 2>/dev/null
qm_ms=$(figure "$work/mixed.json" BM_AnalyseMixedPages real_time)
qm_cpu=$(figure "$work/mixed.json" BM_AnalyseMixedPages cpu_time)
node_ms=$(grep ms_per_page "$work/node-mixed.txt" | cut -d= -f2)
printf '  Quillmark %.2f ms (CPU %.2f ms), Node.js %.2f ms: Quillmark takes %s of Node.js'"'"'s time\n' \
  "$qm_ms" "$qm_cpu" "$node_ms" "$(python3 -c "print(f'{$qm_ms / $node_ms:.3f}')")"

echo "== Batch run over 2,000 URLs of a server on 127.0.0.1"
"$bin/bench_compare_batch" --benchmark_format=json >"$work/batch.json" 2>/dev/null
qm_batch=$(figure "$work/batch.json" BM_QuillmarkBatch real_time)
curl_batch=$(figure "$work/batch.json" BM_CurlLoop real_time)
printf '  quillmark-batch %.0f ms, curl loop %.0f ms: quillmark-batch %sx as fast\n' "$qm_batch" "$curl_batch" \
  "$(ratio "$curl_batch" "$qm_batch")"

echo "== Results, links, export"
"$bin/bench_results" --benchmark_filter='100k' --benchmark_format=json >"$work/results.json" 2>/dev/null
"$bin/bench_links" --benchmark_filter='HarvestAndDeduplicate/20000' --benchmark_format=json >"$work/links.json" 2>/dev/null
"$bin/bench_export" --benchmark_filter='/50000' --benchmark_format=json >"$work/export.json" 2>/dev/null
printf '  save 100,000 rows %.0f ms, load %.0f ms\n' "$(figure "$work/results.json" BM_SaveResults100k real_time)" \
  "$(figure "$work/results.json" BM_LoadResults100k real_time)"
printf '  harvest + de-duplicate 20,000 links %.1f ms\n' \
  "$(figure "$work/links.json" BM_HarvestAndDeduplicate/20000 real_time)"
printf '  export 50,000 rows: copy cells %.0f ms, write workbook %.0f ms\n' \
  "$(figure "$work/export.json" BM_CopyCells/50000 real_time)" \
  "$(figure "$work/export.json" BM_WriteWorkbook/50000 real_time)"

echo "== Start-up to the main window and its start page (three runs)"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# As root the web engine runs only without its sandbox.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export QTWEBENGINE_CHROMIUM_FLAGS=${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}
for run in 1 2 3; do
  "$bin/bench_compare_startup" --benchmark_format=json >"$work/startup.json" 2>/dev/null
  printf '  run %d: window shown %.0f ms, start page %.0f ms, process tree peak %.0f MiB (PSS %.0f MiB, %.0f processes)\n' \
    "$run" "$(figure "$work/startup.json" BM_StartUp window_shown_ms)" \
    "$(figure "$work/startup.json" BM_StartUp start_page_ms)" \
    "$(figure "$work/startup.json" BM_StartUp tree_peak_MiB)" \
    "$(figure "$work/startup.json" BM_StartUp tree_pss_MiB)" \
    "$(figure "$work/startup.json" BM_StartUp processes)"
done
