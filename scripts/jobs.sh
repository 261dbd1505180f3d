# Sourced by the data steps: `later COMMAND...` runs a command in the
# background, and `wait_for_later` waits for every one and fails when any of
# them failed. Steps that do not depend on each other run side by side.
later_jobs=()
later() { "$@" & later_jobs+=($!); }
wait_for_later() {
  local job
  for job in "${later_jobs[@]}"; do wait "$job"; done
  later_jobs=()
}
