# Sourced by the scripts that show the program on a display of their own.
#
# start_xvfb WORKDIR SIZE: starts Xvfb on the first free display, exports
# DISPLAY once the server is ready and sets xvfb_pid (the caller's exit trap
# stops it).  Returns 1, with Xvfb's own words on standard error, when the
# server did not come up.
start_xvfb() {
  local work=$1 size=$2
  # Xvfb writes the display number it took to fd 3 once it is ready.
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
  done
  if [[ ! -s "$work/display" ]]; then
    cat "$work/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=:$(head -n1 "$work/display")
}
