#!/usr/bin/env bash
# Usage: bench.sh [--full]
# Installs what is missing, builds the 64-bit program and its benchmarks (build/x86_64) and runs
# every benchmark under Wine on a virtual X server, one after the other: they time real work and
# must not share the machine with each other. Prints a line naming the machine and one table of
# every benchmark's results against the baseline it measured in the same run; each benchmark's own
# tables are kept in build/x86_64/bench-results/. Under Wine the log's edit control walks all its
# lines at every append, so that the log append benchmark's full 100,000 entries take over an
# hour: it runs 20,000 unless --full is given. Ends with 1 when a benchmark failed (a goal not met
# is a result, not a failure).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

full=false
for argument in "$@"; do
  case $argument in
  --full) full=true ;;
  *)
    echo "usage: $0 [--full]" >&2
    exit 2
    ;;
  esac
done

# Every benchmark with its arguments, in the order they run. bare_window is not a benchmark: it is
# the baseline program that startup and program_footprint start.
log_append_arguments="20000 2000"
$full && log_append_arguments="100000 10000"
benchmarks=(
  "monitor_latency"
  "log_append $log_append_arguments"
  "log_save"
  "startup 10"
  "program_footprint 10000 10"
)
helpers=(bare_window)

# A new benchmark must be added above, or it would silently never run.
for source in "$top"/bench/*.cpp; do
  name=$(basename "$source" .cpp)
  listed=false
  for entry in "${benchmarks[@]}" "${helpers[@]}"; do
    [ "${entry%% *}" = "$name" ] && listed=true
  done
  if ! $listed; then
    echo "bench.sh: bench/$name.cpp is neither a benchmark nor a helper in this script" >&2
    exit 1
  fi
done

"$top/scripts/bootstrap.sh"
build_dir=$top/build/x86_64
targets=(Hivelark)
for entry in "${benchmarks[@]}" "${helpers[@]}"; do
  targets+=("bench_${entry%% *}")
done
mkdir -p "$top/build"
build_log=$top/build/bench-build.log
# The library first: that build also picks up benchmark sources added since the last configure,
# which the second one then knows as targets.
if ! { "$top/scripts/build.sh" x86_64 --target hivelark &&
  "$top/scripts/build.sh" x86_64 --target "${targets[@]}"; } >"$build_log" 2>&1; then
  cat "$build_log" >&2
  exit 1
fi

# A prefix of its own: the tests' prefix of this tree may be in use by a test run, whose programs
# would share the session (and its single running Hivelark) and the machine with the benchmarks.
export WINEPREFIX=$build_dir/bench-wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$top/scripts/wine-prefix.sh" "$WINEPREFIX"
results=$build_dir/bench-results
rm -rf "$results"
mkdir -p "$results"

# Output goes to files: Wine's background processes inherit the output handles and would hold a
# pipe open.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  bin=$1 results=$2
  shift 2
  for entry in "$@"; do
    read -r name arguments <<<"$entry"
    echo "bench.sh: running $name $arguments" >&2
    status=0
    # The arguments are numbers, split on purpose.
    wine "$bin/bench_$name.exe" $arguments >"$results/$name.txt" 2>&1 </dev/null || status=$?
    echo "$status" >"$results/$name.status"
  done
  # The session ends by itself once the last program has: wait for it while the display is up.
  timeout 60 wineserver -w >/dev/null 2>&1 </dev/null || true
' bench "$build_dir/bin" "$results" "${benchmarks[@]}"

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
command="make bench"
$full && command="scripts/bench.sh --full"
echo "Machine: $(nproc) cores ($cpu), Debian $(cat /etc/debian_version), $(wine --version);" \
  "build: x86_64 $build_type, $("${compiler:-x86_64-w64-mingw32-g++-posix}" --version | head -n 1);" \
  "$(date -u '+%Y-%m-%d %H:%M UTC'); command: $command"
echo

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
echo "measure|result|baseline|ratio|goal|met?" >"$rows"
failed=0
for entry in "${benchmarks[@]}"; do
  name=${entry%% *}
  status=$(cat "$results/$name.status" 2>/dev/null || echo "not run")
  # The programs write their lines with CR LF.
  tr -d '\r' <"$results/$name.txt" | sed -n 's/^summary|//p' >>"$rows" || true
  if [ "$status" != 0 ]; then
    echo "bench_$name failed (exit $status): see $results/$name.txt|-|-|-|-|NO" >>"$rows"
    failed=1
  fi
done
awk -F'|' '
  { for (column = 1; column <= 6; column++) {
      cell[NR, column] = $column
      if (length($column) > width[column]) width[column] = length($column)
    } }
  END {
    for (row = 1; row <= NR; row++) {
      line = "|"
      for (column = 1; column <= 6; column++) line = line sprintf(" %-" width[column] "s |", cell[row, column])
      print line
      if (row == 1) {
        line = "|"
        for (column = 1; column <= 6; column++) {
          dashes = ""
          for (count = 0; count < width[column] + 2; count++) dashes = dashes "-"
          line = line dashes "|"
        }
        print line
      }
    }
  }' "$rows"
echo
echo "Each benchmark's own tables: $results/"
exit $failed
