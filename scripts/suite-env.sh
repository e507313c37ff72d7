# Shared by test.sh and coverage.sh, sourced: how a built tree's suite is run.
# A display for the window suites; -a picks a free server number.
withDisplay() { xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" "$@"; }
runSuite() { # runSuite BUILD_DIR [ctest arguments...]
  local dir=$1
  shift
  (cd "$dir" && withDisplay ctest --output-on-failure --no-tests=error "$@")
}
