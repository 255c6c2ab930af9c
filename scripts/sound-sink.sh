# Sourced by wine-env.sh: a PulseAudio server of this build tree's own, whose only output is a
# null sink, so that whatever the package plays can be recorded from the sink's monitor and
# nothing reaches a real sound card. Its socket and runtime folder are inside the build tree (or
# a fresh temporary folder when that path is too long for a socket), so that test runs of other
# build trees on the same machine each have their own.
# sound_up exports PULSE_SERVER and PENDRIX_SINK for Wine, parec and the tests; sound_down ends it.

PENDRIX_PULSE_PID=""
PENDRIX_PULSE_DIR=""

sound_up() {
  PENDRIX_PULSE_DIR="$WINE_BUILD_DIR/pulse"
  # A socket path must fit into 108 bytes.
  if [ ${#PENDRIX_PULSE_DIR} -gt 90 ]; then PENDRIX_PULSE_DIR=$(mktemp -d); fi
  rm -rf "$PENDRIX_PULSE_DIR" && mkdir -p "$PENDRIX_PULSE_DIR"
  export PENDRIX_SINK=pendrix
  export PULSE_SERVER="unix:$PENDRIX_PULSE_DIR/native"
  # Its own home and runtime folder: no cookie or state of the user's is read or written.
  HOME="$PENDRIX_PULSE_DIR" XDG_CONFIG_HOME="$PENDRIX_PULSE_DIR" PULSE_RUNTIME_PATH="$PENDRIX_PULSE_DIR" \
    PULSE_STATE_PATH="$PENDRIX_PULSE_DIR" \
    pulseaudio --daemonize=no -n --use-pid-file=no --exit-idle-time=-1 --disallow-exit \
      --disallow-module-loading --disable-shm=yes --log-target=stderr \
      --load="module-native-protocol-unix socket=$PENDRIX_PULSE_DIR/native auth-anonymous=1" \
      --load="module-null-sink sink_name=$PENDRIX_SINK sink_properties=device.description=PendrixTestSink" \
      >"$PENDRIX_PULSE_DIR/server.log" 2>&1 </dev/null &
  PENDRIX_PULSE_PID=$!
  local i
  for i in $(seq 1 50); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "sound-sink: PulseAudio did not start (see $PENDRIX_PULSE_DIR/server.log)" >&2
  return 1
}

sound_down() {
  if [ -n "$PENDRIX_PULSE_PID" ]; then
    kill "$PENDRIX_PULSE_PID" 2>/dev/null || true
    wait "$PENDRIX_PULSE_PID" 2>/dev/null || true
    PENDRIX_PULSE_PID=""
  fi
  [ -n "$PENDRIX_PULSE_DIR" ] && rm -rf "$PENDRIX_PULSE_DIR"
  PENDRIX_PULSE_DIR=""
}
