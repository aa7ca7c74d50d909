# Sourced by the script tests: check WHAT COMMAND... runs COMMAND and reports it as a check,
# going on after a failure so that one run shows every broken check; checks_done ends the
# script with the verdict.
failures=0

check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}

checks_done() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed" >&2
    exit 1
  fi
}
