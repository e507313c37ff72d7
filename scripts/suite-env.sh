# Shared by test.sh and coverage.sh, sourced: how a built tree's suite is run.
# A display for the window suites; -a picks a free server number.
withDisplay() { xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" "$@"; }
runSuite() { # runSuite BUILD_DIR [ctest arguments...]
  local dir=$1
  shift
  clearStaleJackServers
  (cd "$dir" && withDisplay ctest --output-on-failure --no-tests=error "$@")
}

# Test servers are named "veltrano-PID-N" after the test process that runs them. One
# whose test died while it was stopped (SIGSTOP) stays stopped with its end pending;
# SIGCONT lets it end. A server whose test still runs is left alone: a suite running beside
# this one may have stopped it on purpose. JACK's registry of servers holds eight slots and
# frees the slot of a killed server only for a new server of the same name, so when no
# JACK server runs at all, the stale registry goes too.
clearStaleJackServers() {
  local pid name owner
  while read -r pid _ _ name _; do
    owner=${name#veltrano-}
    owner=${owner%%-*}
    kill -0 "$owner" 2>/dev/null || kill -CONT "$pid" 2>/dev/null || true
  done < <(pgrep -af '^jackd -n veltrano-' || true)
  sleep 0.5
  if ! pgrep -x jackd >/dev/null 2>&1 && ! pgrep -x jackdbus >/dev/null 2>&1; then
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]*-[0-9]* 2>/dev/null || true
  fi
}
