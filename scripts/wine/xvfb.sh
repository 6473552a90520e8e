# Sourced by the Wine tests and benchmarks: an Xvfb of their own on the first free display.
# start_xvfb SIZE (e.g. 1280x900) sets $display and $xvfb (the server's pid) or returns 1.
start_xvfb() {
  display=
  local n
  for n in $(seq 60 99); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { display=$n; break; }
  done
  [ -n "$display" ] || { echo "no free display" >&2; return 1; }
  Xvfb ":$display" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && return 0; sleep 0.1; done
  return 0
}
