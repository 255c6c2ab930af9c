#!/bin/sh
# Records the monitor of the test run's null sink (scripts/sound-sink.sh) into OUT as a 16 kHz
# mono 16-bit WAVE file until OUT.stop appears, for two minutes at most. OUT.part grows while it
# records; OUT appears when the recording is complete. Started from the Wine tests, which cannot
# wait for a Unix process: the files are how the two sides talk.
out=$1
rm -f "$out" "$out.part" "$out.stop"
/usr/bin/parec -d "${PENDRIX_SINK:-pendrix}.monitor" --latency-msec=20 --rate=16000 --channels=1 \
  --format=s16le --file-format=wav "$out.part" &
pid=$!
ticks=0
while [ ! -e "$out.stop" ] && [ $ticks -lt 6000 ] && kill -0 $pid 2>/dev/null; do
  sleep 0.02
  ticks=$((ticks + 1))
done
kill -INT $pid 2>/dev/null
wait $pid
rm -f "$out.stop"
mv "$out.part" "$out"
