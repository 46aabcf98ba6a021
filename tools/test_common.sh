# shellcheck shell=bash
# Sourced by the test scripts: where they build, and how a finished suite's
# results are counted, one way for all of them.
#
#   repo=... source tools/test_common.sh
#   vtb_build_root                  # BUILD_ROOT, or <repo>/build
#   read -r p f < <(vtb_count_results LOG)

: "${repo:?repo must be set before sourcing test_common.sh}"

vtb_build_root() { echo "${BUILD_ROOT:-$repo/build}"; }

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
