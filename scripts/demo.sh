#!/usr/bin/env bash
# `make demo`: runs the built Pendrix.exe under Wine with /Log and shows its whole exit code
# and its log.
set -u
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" "$build_dir"
trap wine_down EXIT
wine_up || exit 1

bin="$build_dir/bin"
demo_dir="$build_dir/demo"
rm -rf "$demo_dir" && mkdir -p "$demo_dir"
cp "$bin/Pendrix.exe" "$demo_dir/"
log="$demo_dir/setup.log"

echo "== Running Pendrix.exe /Log $(winepath -w "$log" 2>/dev/null)"
wine "$bin/runexit.exe" "$(winepath -w "$demo_dir/Pendrix.exe")" /Log "$(winepath -w "$log")" </dev/null | tr -d '\r'
echo "== Log"
tr -d '\r' < "$log"
