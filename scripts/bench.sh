#!/usr/bin/env bash
# `make bench`: measures, side by side in one run under Wine, the engine's extraction of a
# 200 MB installer against a plain copy of the same bytes, the engine's own time per installer,
# Pendrix.exe's size with and without its language DLL, and PendrixPack's time and peak memory
# for a 500 MB payload. Each timing is the median of several runs; extraction and copy also show
# their best run, since the first runs after packing meet a cold mapping of the package.
set -u
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" "$build_dir"
bin="$build_dir/bin"
bench_dir="$build_dir/bench"
# The payloads and packages take a gigabyte; only the logs and summaries stay.
trap 'rm -rf "$bench_dir/payload" "$bench_dir"/*.exe; wine_down' EXIT
wine_up || exit 1

# Logs go where the Windows path has no "-", which would start a new option on the command line.
log_dir="$WINEPREFIX/drive_c/PendrixBench"
rm -rf "$bench_dir" "$log_dir" && mkdir -p "$bench_dir/payload" "$log_dir"
win() { winepath -w "$1" 2>/dev/null; }
bench() { wine "$bin/PendrixBench.exe" "$@" </dev/null | tr -d '\r'; }
value() { awk -v key="$1" '$1 == key { print $2 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR ? v[int((NR + 1) / 2)] : 0) }'; }
# Milliseconds between the first log line containing $2 and the line after it.
log_span() {
  tr -d '\r' < "$1" | awk -v start="$2" -v end="$3" '
    function ms(line, t) { split(line, f, " - "); split(f[2], t, ":"); return ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000 + t[4] }
    index($0, start) && !s { s = ms($0); if (end == "") { getline; print ms($0) - s; exit } }
    s && end != "" && index($0, end) { print ms($0) - s; exit }'
}
pack() {  # settings payload out
  PENDRIX_PACK_STATS=1 wine "$bin/PendrixPack.exe" --settings "$(win "$1")" --payload "$(win "$2")" \
    --out "$(win "$3")" --embed-settings </dev/null 2>&1 | tr -d '\r'
}
temp_win=$(wine cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')
temp_unix=$(winepath -u "$temp_win" 2>/dev/null)

echo "== Pendrix benchmark ($(date -u '+%Y-%m-%d %H:%M UTC'), medians of 3 runs, 5 for extraction)"

# --- extraction of a 200 MB installer against a plain copy -----------------------------------
mb=200
{ cat "$bin/FakeInstaller.exe"; head -c $((mb * 1024 * 1024)) /dev/urandom; } > "$bench_dir/payload/big.exe"
printf '[default]\r\nMainInstall=Big\r\n[Big]\r\nName=Big\r\nFile=big.exe\r\nArguments=exit=0\r\n' > "$bench_dir/extract.ini"
pack "$bench_dir/extract.ini" "$bench_dir/payload" "$bench_dir/Extract.exe" > "$bench_dir/pack-extract.txt" ||
  { cat "$bench_dir/pack-extract.txt"; exit 1; }
extract_runs=() copy_runs=() package_runs=()
for i in 1 2 3 4 5; do
  log="$log_dir/extract$i.log"
  package_runs+=("$(bench run 1 "$(win "$bench_dir/Extract.exe")" /Log "$(win "$log")" | value run_ms)")
  extract_runs+=("$(log_span "$log" 'ExtractResource - Extracting the resource "INSTALLER_Big"' '')")
  copy_runs+=("$(bench copy "$(win "$bench_dir/payload/big.exe")" "$temp_win\\bench-copy.exe" | value copy_ms)")
done
extract_ms=$(printf '%s\n' "${extract_runs[@]}" | median)
copy_ms=$(printf '%s\n' "${copy_runs[@]}" | median)
extract_best=$(printf '%s\n' "${extract_runs[@]}" | sort -n | head -1)
copy_best=$(printf '%s\n' "${copy_runs[@]}" | sort -n | head -1)
package_ms=$(printf '%s\n' "${package_runs[@]}" | median)
size_mb=$(awk -v b="$(stat -c %s "$bench_dir/payload/big.exe")" 'BEGIN { printf "%.1f", b / 1048576 }')
echo "Extraction of a $size_mb MB installer into the temporary folder"
awk -v e="$extract_ms" -v c="$copy_ms" -v eb="$extract_best" -v cb="$copy_best" -v p="$package_ms" -v s="$size_mb" 'BEGIN {
  printf "  engine, ExtractResource (from the log)       %8.0f ms  %7.1f MB/s   best %5.0f ms  (runs: %s)\n", e, s * 1000 / (e ? e : 1), eb, ARGV[1]
  printf "  plain copy of the same bytes (CopyFileA)     %8.0f ms  %7.1f MB/s   best %5.0f ms  (runs: %s)\n", c, s * 1000 / (c ? c : 1), cb, ARGV[2]
  printf "  ratio extraction / copy                      %8.2f       best to best %.2f\n", e / (c ? c : 1), eb / (cb ? cb : 1)
  printf "  the whole package run, start to exit         %8.0f ms\n", p
}' "${extract_runs[*]}" "${copy_runs[*]}"

# --- the engine's own time per installer ------------------------------------------------------
n=20
rm -f "$bench_dir/payload/big.exe"
cp "$bin/FakeInstaller.exe" "$bench_dir/payload/fake.exe"
{
  printf '[default]\r\nPreInstall='
  for i in $(seq -w 1 $((n - 1))); do printf 'I%s|' "$i"; done
  printf '\r\nMainInstall=I%s\r\n' "$n"
  for i in $(seq -w 1 $n); do printf '[I%s]\r\nName=Installer %s\r\nFile=fake.exe\r\nArguments=exit=0\r\n' "$i" "$i"; done
} > "$bench_dir/many.ini"
pack "$bench_dir/many.ini" "$bench_dir/payload" "$bench_dir/Many.exe" > "$bench_dir/pack-many.txt" ||
  { cat "$bench_dir/pack-many.txt"; exit 1; }
cp "$bin/FakeInstaller.exe" "$temp_unix/bench-direct.exe"
many_runs=() direct_runs=() startup_runs=()
for i in 1 2 3; do
  log="$log_dir/many$i.log"
  many_runs+=("$(bench run 1 "$(win "$bench_dir/Many.exe")" /Log "$(win "$log")" | value run_ms)")
  startup_runs+=("$(log_span "$log" '*** Pendrix - Start. ***' 'Run - Launching file')")
  direct_runs+=("$(bench run $n "$temp_win\\bench-direct.exe" exit=0 | value run_ms)")
done
rm -f "$temp_unix/bench-direct.exe"
many_ms=$(printf '%s\n' "${many_runs[@]}" | median)
direct_ms=$(printf '%s\n' "${direct_runs[@]}" | median)
startup_ms=$(printf '%s\n' "${startup_runs[@]}" | median)
echo "The engine's own time per installer ($n fake installers)"
awk -v m="$many_ms" -v d="$direct_ms" -v n="$n" -v s="$startup_ms" 'BEGIN {
  printf "  package of %d installers, start to exit      %8.0f ms\n", n, m
  printf "  the same %d installers run directly          %8.0f ms\n", n, d
  printf "  engine time per installer (difference / %d)  %8.1f ms\n", n, (m - d) / n
  printf "  start-up to the first installer launch       %8.0f ms   (first log line to the launch)\n", s
}'

# --- sizes ---------------------------------------------------------------------------------------
exe_bytes=$(stat -c %s "$bin/Pendrix.exe")
dll_bytes=$(stat -c %s "$bin/PendrixLang.dll")
embedded=$(bench resource "$(win "$bin/Pendrix.exe")" LANGUAGE LANG_BOOTSTRAPPER | value resource_bytes)
echo "Size"
awk -v e="$exe_bytes" -v d="$dll_bytes" -v r="${embedded:-0}" 'BEGIN {
  printf "  Pendrix.exe, as shipped                      %10d bytes\n", e
  printf "  PendrixLang.dll (embedded: %d bytes)     %10d bytes\n", r, d
  printf "  Pendrix.exe without its language DLL         %10d bytes   (%.1f%% of the whole)\n", e - r, 100 * (e - r) / e
  printf "  target: language DLL at most 1 MB             %10d bytes   %s\n", 1048576, d <= 1048576 ? "met" : "missed"
  printf "  target: Pendrix.exe without it at most 500 KB %10d bytes   %s\n", 512000, e - r <= 512000 ? "met" : "missed"
}'

# --- PendrixPack with a 500 MB payload ------------------------------------------------------------
mb=500
rm -f "$bench_dir/payload/"*
head -c $((mb * 1024 * 1024)) /dev/urandom > "$bench_dir/payload/large.exe"
printf '[default]\r\nMainInstall=Large\r\n[Large]\r\nName=Large\r\nFile=large.exe\r\n' > "$bench_dir/large.ini"
# A run that meets an error would wait for a user at a message box: the packages are run with
# setup types that are not silent only because their settings are embedded and complete.
pack_runs=() wall_runs=() rss_runs=() peak_runs=()
for i in 1 2 3; do
  rm -f "$bench_dir/Large.exe"
  out=$( { /usr/bin/time -v env PENDRIX_PACK_STATS=1 wine "$bin/PendrixPack.exe" --settings "$(win "$bench_dir/large.ini")" \
      --payload "$(win "$bench_dir/payload")" --out "$(win "$bench_dir/Large.exe")" </dev/null >/dev/null; } 2>&1 | tr -d '\r')
  pack_runs+=("$(echo "$out" | sed -n 's/^PendrixPack statistics: \([0-9]*\) ms.*/\1/p')")
  peak_runs+=("$(echo "$out" | sed -n 's/.*peak working set \([0-9]*\) KB.*/\1/p')")
  rss_runs+=("$(echo "$out" | sed -n 's/.*Maximum resident set size (kbytes): \([0-9]*\).*/\1/p')")
  wall_runs+=("$(echo "$out" | sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): \(.*\)/\1/p' |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.0f", s * 1000 }')")
done
[ -f "$bench_dir/Large.exe" ] || { echo "bench: PendrixPack did not pack the 500 MB payload"; echo "$out"; exit 1; }
echo "PendrixPack with a $mb MB payload (package: $(stat -c %s "$bench_dir/Large.exe") bytes)"
awk -v p="$(printf '%s\n' "${pack_runs[@]}" | median)" -v w="$(printf '%s\n' "${wall_runs[@]}" | median)" \
    -v k="$(printf '%s\n' "${peak_runs[@]}" | median)" -v r="$(printf '%s\n' "${rss_runs[@]}" | median)" -v mb="$mb" 'BEGIN {
  printf "  time, PendrixPack'"'"'s own                      %8.0f ms  %7.1f MB/s\n", p, mb * 1000 / (p ? p : 1)
  printf "  time, the wine process                       %8.0f ms\n", w
  printf "  peak working set (GetProcessMemoryInfo)      %8.1f MB   (%.2f%% of the payload)\n", k / 1024, 100 * k / 1024 / mb
  printf "  peak resident set of the wine process        %8.1f MB   (/usr/bin/time -v)\n", r / 1024
}'
