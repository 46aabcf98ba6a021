# shellcheck shell=bash
# Sourced by every build, test and demonstration script: where the build
# trees lie, how each is configured and built, and how a finished suite's
# results are counted, one way for all of them.
#
#   repo=... source tools/common.sh     # sets and exports BUILD_ROOT and JOBS
#   vtb_build TREE [TARGET...]          # configures and builds one tree
#   vtb_count_suite NAME LOG RC         # adds a finished suite to the count
#   vtb_note_pass / vtb_note_failure    # one check that is not a suite's
#   vtb_finish [LABEL]                  # the closing line; false on a failure
#
# BUILD_ROOT: <repo>/build unless set; JOBS: the number of processors unless set.

: "${repo:?repo must be set before sourcing common.sh}"

BUILD_ROOT="${BUILD_ROOT:-$repo/build}"
mkdir -p "$BUILD_ROOT"
BUILD_ROOT="$(cd "$BUILD_ROOT" && pwd)"
JOBS="${JOBS:-$(nproc)}"
export BUILD_ROOT JOBS

# The build trees under BUILD_ROOT, each with its configuration:
#   core-native  the portable core, its tests, benchmarks and vtbcheck
#   core-asan    the same with AddressSanitizer and UBSan
#   core-fuzz    the libFuzzer targets (clang)
#   cross        the DLL (with its own tree, cross/shipped), the Wine tests and tools
vtb_tree_args() {
    case "$1" in
    core-native) echo "-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVTB_SANITIZE=OFF -DVTB_FUZZ=OFF" ;;
    core-asan) echo "-DCMAKE_BUILD_TYPE=Debug -DVTB_SANITIZE=ON -DVTB_FUZZ=OFF" ;;
    core-fuzz) echo "-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVTB_FUZZ=ON" ;;
    cross) echo "-DCMAKE_TOOLCHAIN_FILE=$repo/cmake/toolchain-i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release -DVTB_JOBS=$JOBS" ;;
    *) return 1 ;;
    esac
}

# Configures and builds the tree (all its targets, or the ones named) with
# JOBS processes. The output goes to BUILD_ROOT/TREE.configure.log and
# .build.log; on a failure their last lines are printed and the status is
# non-zero.
vtb_build() {
    local tree="$1" dir="$BUILD_ROOT/$1" args rc=0
    shift
    args="$(vtb_tree_args "$tree")" || { echo "vtb_build: no tree named $tree" >&2; return 1; }
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    if [ "$tree" = core-fuzz ]; then
        # shellcheck disable=SC2086  # the arguments are words
        CC=clang CXX=clang++ cmake -S "$repo" -B "$dir" $args >"$dir.configure.log" 2>&1 || rc=$?
    else
        # shellcheck disable=SC2086
        cmake -S "$repo" -B "$dir" $args >"$dir.configure.log" 2>&1 || rc=$?
    fi
    if [ "$rc" -eq 0 ]; then
        cmake --build "$dir" -j"$JOBS" "${targets[@]}" >"$dir.build.log" 2>&1 || rc=$?
    fi
    if [ "$rc" -ne 0 ]; then
        tail -n 40 "$dir.configure.log" "$dir.build.log" 2>/dev/null >&2
        echo "vtb_build: the $tree build failed (see $dir.build.log)" >&2
    fi
    return "$rc"
}

# "PASSED FAILED" of a suite's log. A runner that prints its own closing line
# "N passed, N failed" (one word and a colon may stand before it) is taken at
# its word; otherwise GoogleTest's per-test lines are counted, so that a run
# that crashed half way still counts the tests it finished.
vtb_count_results() {
    local log="$1" line p f
    line="$(grep -E '^([A-Za-z]+: )?[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 || true)"
    if [ -n "$line" ]; then
        p="$(sed -E 's/^([A-Za-z]+: )?([0-9]+) passed.*/\2/' <<<"$line")"
        f="$(sed -E 's/^([A-Za-z]+: )?[0-9]+ passed, ([0-9]+) failed.*/\2/' <<<"$line")"
    else
        p="$(grep -cE '^\[       OK \] ' "$log" || true)"
        f="$(grep -cE '^\[  FAILED  \] .*\([0-9]+ ms\)$' "$log" || true)"
    fi
    echo "${p:-0} ${f:-0}"
}

# The run's count.
VTB_PASSED=0
VTB_FAILED=0
VTB_FAILURES=()

vtb_note_pass() { VTB_PASSED=$((VTB_PASSED + 1)); }

vtb_note_failure() {
    VTB_FAILED=$((VTB_FAILED + 1))
    VTB_FAILURES+=("$1")
    echo "!! $1"
}

# Adds the results of a finished suite from its log. A suite that exited
# non-zero without a failed test (a crash, a timeout, a build error), or ran
# no test at all, counts as one failure.
vtb_count_suite() {
    local name="$1" log="$2" rc="$3" p f
    read -r p f < <(vtb_count_results "$log")
    VTB_PASSED=$((VTB_PASSED + p))
    VTB_FAILED=$((VTB_FAILED + f))
    if [ "$f" -gt 0 ]; then
        VTB_FAILURES+=("$name: $f failed")
    elif [ "$rc" -ne 0 ]; then
        vtb_note_failure "$name: exited with code $rc (see $log)"
    elif [ "$p" -eq 0 ]; then
        vtb_note_failure "$name: no test ran (see $log)"
    fi
    echo "== $name: $p passed, $f failed (exit code $rc)"
}

# Prints the failures and the closing line "[LABEL: ]N passed, N failed";
# false when anything failed.
vtb_finish() {
    echo
    if [ ${#VTB_FAILURES[@]} -gt 0 ]; then
        echo "Failures:"
        printf '  %s\n' "${VTB_FAILURES[@]}"
    fi
    echo "${1:+$1: }$VTB_PASSED passed, $VTB_FAILED failed"
    [ "$VTB_FAILED" -eq 0 ]
}
