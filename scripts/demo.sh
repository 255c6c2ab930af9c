#!/usr/bin/env bash
# `make demo`: builds the sample package of examples/demo with PendrixPack (a Windows Installer
# prerequisite and a setup program), installs it unattended under Wine with /Log, shows its whole
# exit code, its log and what was installed, and uninstalls it again so that the demo can run
# twice.
set -u
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
source "$here/wine-env.sh" "$build_dir"
trap wine_down EXIT
wine_up || exit 1

bin="$build_dir/bin"
demo_dir="$build_dir/demo"
example="$source_dir/examples/demo"
runtime_code="{8C2E4A61-5D3B-4F7A-9E10-2B6C8D4F7A31}"
runtime_folder="$WINEPREFIX/drive_c/Program Files (x86)/Vellora Runtime"
rm -rf "$demo_dir" && mkdir -p "$demo_dir/payload"
win() { winepath -w "$1" 2>/dev/null; }

# An earlier demo that was interrupted may have left the runtime installed.
wine msiexec /x "$runtime_code" /qn >/dev/null 2>&1 </dev/null

echo "== Building the payload"
wixl -a x86 -o "$demo_dir/payload/vellora-runtime.msi" "$example/vellora-runtime.wxs" || exit 1
cp "$bin/FakeInstaller.exe" "$demo_dir/payload/vellora.exe"
ls -l "$demo_dir/payload" | tail -n +2

echo "== Packing Setup.exe with PendrixPack"
wine "$bin/PendrixPack.exe" --settings "$(win "$example/Settings.ini")" --payload "$(win "$demo_dir/payload")" \
  --out "$(win "$demo_dir/Setup.exe")" --embed-settings </dev/null 2>&1 | tr -d '\r'
[ -f "$demo_dir/Setup.exe" ] || { echo "demo: PendrixPack did not build the package" >&2; exit 1; }

# The log goes to a folder whose Windows path has no "-": every "-" on the package's command
# line starts a new option. Windows Installer's verbose log of the prerequisite lands beside it.
log_dir="$WINEPREFIX/drive_c/PendrixDemo"
rm -rf "$log_dir" && mkdir -p "$log_dir"
log="$log_dir/setup.log"
journal="$log_dir/vellora-setup.journal"
# The stand-in setup program notes how it was started.
export FAKE_INSTALLER_JOURNAL="$(win "$journal")"
echo "== Running Setup.exe /Log $(win "$log")"
wine "$bin/runexit.exe" "$(win "$demo_dir/Setup.exe")" /Log "$(win "$log")" </dev/null | tr -d '\r'
echo "== Log"
tr -d '\r' < "$log"
for msi_log in "$log_dir"/*.log; do
  [ "$msi_log" = "$log" ] || echo "(Windows Installer's verbose log: $(win "$msi_log"), $(wc -l < "$msi_log") lines)"
done

echo "== Installed"
if [ -d "$runtime_folder" ]; then
  for f in "$runtime_folder"/*; do echo "C:\\Program Files (x86)\\Vellora Runtime\\$(basename "$f"): $(tr -d '\r' < "$f")"; done
else
  echo "Vellora Runtime: not installed"
fi
if [ -f "$journal" ]; then
  tr -d '\r' < "$journal" | while IFS=$'\t' read -r arguments folder module; do
    echo "Vellora Setup ran as $module with \"$arguments\" in $folder"
  done
else
  echo "Vellora Setup: did not run"
fi

echo "== Uninstalling"
wine msiexec /x "$runtime_code" /qn </dev/null
status=$?
[ -d "$runtime_folder" ] && echo "Vellora Runtime: still installed (msiexec returned $status)" \
  || echo "Vellora Runtime: removed"
