#!/usr/bin/env bash
# Usage: bench.sh [--full]
# Installs what is missing, builds the program and its benchmarks for both builds and runs every
# benchmark under the Wine of the Wine root on a virtual X server, one after the other (they time
# real work and must not share the machine with each other): first on the 32-bit build, the program
# users get, under WoW64 as most of them run it, then on the 64-bit build. Prints a line naming the
# machine and one table of every benchmark's results against the baseline it measured in the same
# run, the 32-bit figures first and the 64-bit ones in a column of their own; each benchmark's own
# tables are kept in build/<arch>/bench-results/. Under Wine the log's edit control walks all its
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
  "change_details 15 7"
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
arches=(i686 x86_64)
targets=(Hivelark)
for entry in "${benchmarks[@]}" "${helpers[@]}"; do
  targets+=("bench_${entry%% *}")
done
mkdir -p "$top/build"
build_log=$top/build/bench-build.log
: >"$build_log"
for arch in "${arches[@]}"; do
  # The library first: that build also picks up benchmark sources added since the last configure,
  # which the second one then knows as targets.
  if ! { "$top/scripts/build.sh" "$arch" --target hivelark &&
    "$top/scripts/build.sh" "$arch" --target "${targets[@]}"; } >>"$build_log" 2>&1; then
    cat "$build_log" >&2
    exit 1
  fi
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A build that this machine cannot run at all (scripts/wine-loader.sh says why) leaves its column
# empty.
runnable=()
for arch in "${arches[@]}"; do
  loader_status=0
  "$top/scripts/wine-loader.sh" "$arch" >/dev/null || loader_status=$?
  case $loader_status in
  0) runnable+=("$arch") ;;
  3) rm -rf "$top/build/$arch/bench-results" ;;
  *) exit 1 ;;
  esac
done
for arch in "${runnable[@]}"; do
  build_dir=$top/build/$arch
  loader=$("$top/scripts/wine-loader.sh" "$arch")
  # A prefix of its own: the tests' prefix of this tree may be in use by a test run, whose programs
  # would share the session (and its single running Hivelark) and the machine with the benchmarks.
  export WINEPREFIX=$build_dir/bench-wineprefix
  "$top/scripts/wine-prefix.sh" "$WINEPREFIX"
  results=$build_dir/bench-results
  rm -rf "$results"
  mkdir -p "$results"
  runner=$top/scripts/in-wine-root.sh
  # Output goes to files: Wine's background processes inherit the output handles and would hold a
  # pipe open.
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    arch=$1 runner=$2 loader=$3 bin=$4 results=$5
    shift 5
    for entry in "$@"; do
      read -r name arguments <<<"$entry"
      echo "bench.sh: running $name $arguments on the $arch build" >&2
      status=0
      # The arguments are numbers, split on purpose.
      "$runner" "$loader" "$bin/bench_$name.exe" $arguments >"$results/$name.txt" 2>&1 </dev/null ||
        status=$?
      echo "$status" >"$results/$name.status"
    done
    # The session ends by itself once the last program has: wait for it while the display is up.
    timeout 60 "$runner" wineserver -w >/dev/null 2>&1 </dev/null || true
  ' bench "$arch" "$runner" "$loader" "$build_dir/bin" "$results" "${benchmarks[@]}"
done

describe_build() {
  local build_dir=$top/build/$1 compiler build_type
  compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
  build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
  echo "$1 $build_type, $("${compiler:-$1-w64-mingw32-g++-posix}" --version | head -n 1)"
}
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
command="make bench"
$full && command="scripts/bench.sh --full"
echo "Machine: $(nproc) cores ($cpu), Debian $(cat /etc/debian_version);" \
  "$("$top/scripts/in-wine-root.sh" /usr/lib/wine/wine64 --version)," \
  "64-bit prefixes (the 32-bit build under WoW64);" \
  "builds: $(describe_build i686); $(describe_build x86_64);" \
  "$(date -u '+%Y-%m-%d %H:%M UTC'); command: $command"
echo

# Each benchmark's summary lines, measure|result|baseline|ratio|goal|met?, of one build.
summaries() {
  local arch=$1 entry name status results=$top/build/$1/bench-results
  for entry in "${benchmarks[@]}"; do
    name=${entry%% *}
    status=$(cat "$results/$name.status" 2>/dev/null || echo "not run")
    # The programs write their lines with CR LF.
    tr -d '\r' <"$results/$name.txt" | sed -n 's/^summary|//p' || true
    if [ "$status" != 0 ]; then
      echo "bench_$name failed on the $arch build (exit $status): see $results/$name.txt|-|-|-|-|NO"
      failed=1
    fi
  done
}
rows=$(mktemp)
trap 'rm -f "$rows" "$rows".*' EXIT
failed=0
: >"$rows.i686"
: >"$rows.x86_64"
for arch in "${runnable[@]}"; do
  summaries "$arch" >"$rows.$arch"
done
# One row a measure: the 32-bit figures and whether the goal is met on them, then the 64-bit
# result, baseline and ratio of the same measure in one column.
# A measure that only the 64-bit build reports (its failure, say) follows with its own goal.
awk -F'|' '
  FILENAME == ARGV[1] { order[++count] = $1; other[$1] = ($3 == "-") ? $2 : $2 " / " $3 " = " $4; goal[$1] = $5 "|" $6; next }
  { print $1 "|" $2 "|" $3 "|" $4 "|" $5 "|" $6 "|" (($1 in other) ? other[$1] : "-"); shown[$1] = 1 }
  END {
    for (row = 1; row <= count; row++)
      if (!(order[row] in shown)) print order[row] "|-|-|-|" goal[order[row]] "|" other[order[row]]
  }
' "$rows.x86_64" "$rows.i686" >"$rows.body"
{
  echo "measure|result|baseline|ratio|goal|met?|64-bit build: result / baseline = ratio"
  cat "$rows.body"
} >"$rows"
awk -F'|' '
  { for (column = 1; column <= 7; column++) {
      cell[NR, column] = $column
      if (length($column) > width[column]) width[column] = length($column)
    } }
  END {
    for (row = 1; row <= NR; row++) {
      line = "|"
      for (column = 1; column <= 7; column++) line = line sprintf(" %-" width[column] "s |", cell[row, column])
      print line
      if (row == 1) {
        line = "|"
        for (column = 1; column <= 7; column++) {
          dashes = ""
          for (count = 0; count < width[column] + 2; count++) dashes = dashes "-"
          line = line dashes "|"
        }
        print line
      }
    }
  }' "$rows"
echo
[ "${runnable[0]:-}" = i686 ] ||
  echo "The 32-bit build was not run: this machine cannot run 32-bit code (scripts/wine-loader.sh)."
echo "Each benchmark's own tables: $top/build/i686/bench-results/ and $top/build/x86_64/bench-results/"
exit $failed
