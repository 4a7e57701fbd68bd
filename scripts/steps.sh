# Sourced first by every script of the project: a script that stops says where and why.
#
# step TEXT prints "== TEXT" and names what the script does from then on. When a command fails
# and the script stops (set -e), one line on the error output names the script, the step, the
# line and the command, and the command's status, e.g.
#   test-windows.sh: stopped in "build for Windows": line 20, `cmake --build ...`, status 1
# A script that stops on purpose says why itself (stop TEXT).

set -eEuo pipefail
# Scripts run Python; its compiled files are not written into the repository.
export PYTHONDONTWRITEBYTECODE=1

step() {
  current_step="$1"
  echo "== $1"
}

# stop TEXT: the script ends here, with TEXT (the reason, in words) after the script's name and
# its step.
stop() {
  echo "$(basename "$0"): stopped in \"${current_step:-start}\": $1" >&2
  trap - ERR
  exit 1
}

# Said once, by the script's own shell: a subshell's failure (a command substitution, a part of a
# pipeline) stops the script only through the command around it, which is then named.
trap 'steps_status=$? steps_line=$LINENO
if [ "$BASH_SUBSHELL" -eq 0 ]; then
  trap - ERR
  echo "$(basename "$0"): stopped in \"${current_step:-start}\": line $steps_line, \`$BASH_COMMAND\`, status $steps_status" >&2
fi' ERR

# fault_table BUILD: the fault tests' table, a row an operation as each of its tests wrote it in
# BUILD/fault-table (a Windows program's with CR LF line ends), in the operations' order; stops
# unless every fault test of BUILD wrote its row.
fault_table() {
  local tests rows
  tests="$(ctest --test-dir "$1" -N -R 'FaultSweep\.' | grep -c 'Test *#' || true)"
  rows="$(find "$1/fault-table" -name '*.txt' 2>/dev/null | wc -l)"
  [ "$tests" -gt 0 ] && [ "$rows" -eq "$tests" ] ||
    stop "the fault tests wrote $rows rows of their table, for $tests operations"
  printf '%-32s%7s%17s%16s%18s\n' operation steps "failures tried" "of them halfway" "before or after"
  cat "$1"/fault-table/*.txt | tr -d '\r'
}
