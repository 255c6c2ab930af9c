#!/usr/bin/env bash
# Runs every test through ctest inside the project's Wine prefix and an X display.
# ctest's closing line is the last thing printed.
set -u
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" "$build_dir"
trap wine_down EXIT
wine_up || exit 1
wine32_up
shots=$(cd "$build_dir/.." && pwd)/screenshots
mkdir -p "$shots"
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 "${@:2}"
status=$?
# Screenshots are saved as bitmaps by the tests; keep a PNG of each beside it for viewing.
for shot in "$shots"/*.bmp; do
  [ -e "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" >/dev/null 2>&1 && rm -f "$shot"
done
exit $status
