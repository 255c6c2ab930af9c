#!/usr/bin/env bash
# `make bench`: measures, side by side in one run under Wine, the start-up of packages of 200 MB
# and 1 GB, and of the 200 MB one with eight languages, against the bare engine, their install against a plain copy of the same bytes, the
# engine's own time per installer, where the time of a run goes (phase by phase, from an engine
# built with timing marks), Pendrix.exe's size (its code and data, and with and without its
# language DLL), PendrixPack's time and peak memory for a 500 MB payload, and how the time of
# PendrixPack --check grows with a settings file's and a texts.ini's keys. Timings are medians of
# several runs, and comparisons are ratios of runs taken side by side.
# `scripts/bench.sh BUILD check` (make bench BENCH=check) runs the last part alone.
set -u
build_dir=$1
only=${2:-}
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
    function since(t) { return t < s ? t - s + 86400000 : t - s }  # a span across midnight
    index($0, start) && !found { found = 1; s = ms($0); if (end == "") { getline; print since(ms($0)); exit } }
    found && end != "" && index($0, end) { print since(ms($0)); exit }'
}
pack() {  # settings payload out [more of PendrixPack's options]
  local settings=$1 payload=$2 out=$3
  shift 3
  PENDRIX_PACK_STATS=1 wine "$bin/PendrixPack.exe" --settings "$(win "$settings")" --payload "$(win "$payload")" \
    --out "$(win "$out")" --embed-settings "$@" </dev/null 2>&1 | tr -d '\r'
}
temp_win=$(wine cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')
temp_unix=$(winepath -u "$temp_win" 2>/dev/null)

echo "== Pendrix benchmark ($(date -u '+%Y-%m-%d %H:%M UTC'))"

# --- PendrixPack --check on many keys ----------------------------------------------------------
# A settings file whose setup type holds N keys of its own, and a language folder whose texts.ini
# holds N messages, at 1,000 and 64,000 keys: 64 times the keys should take no more than about 64
# times as long (the reading is linear), and far less while the process's start dominates. Each
# run is a whole PendrixPack process; its findings, one per key, go to a file (Wine writes to
# /dev/null a line at a time, at some 2 ms a line).
check_bench() {
  local n dir runs=3 i kind
  for n in 1000 64000; do
    dir="$bench_dir/check$n"
    mkdir -p "$dir/lang"
    { printf '[default]\r\nMainInstall=Main\r\n'
      seq 1 "$n" | awk '{ printf "Key%d=value %d\r\n", $1, $1 }'
      printf '[Main]\r\nName=Main\r\nFile=main.exe\r\n'; } > "$dir/keys.ini"
    printf '[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n' > "$dir/plain.ini"
    { printf '[Messages]\r\n'; seq 1 "$n" | awk '{ printf "%d=Text number %d\\nof the test\r\n", $1, $1 }'; } \
      > "$dir/lang/texts.ini"
  done
  for i in $(seq 1 $runs); do
    for n in 1000 64000; do
      dir="$bench_dir/check$n"
      /usr/bin/time -f '%e' -a -o "$bench_dir/check-settings-$n.txt" wine "$bin/PendrixPack.exe" --check \
        --settings "$(win "$dir/keys.ini")" </dev/null >"$bench_dir/check-findings.txt" 2>&1
      /usr/bin/time -f '%e' -a -o "$bench_dir/check-texts-$n.txt" wine "$bin/PendrixPack.exe" --check \
        --settings "$(win "$dir/plain.ini")" --language "de-DE=$(win "$dir/lang")" </dev/null \
        >"$bench_dir/check-findings.txt" 2>&1
    done
  done
  echo "PendrixPack --check, a whole process, against the keys it reads (medians of $runs runs)"
  for kind in settings texts; do
    # time's own lines ("Command exited with non-zero status 1": the findings) aside.
    awk -v k="$kind" -v a="$(grep -E '^[0-9.]+$' "$bench_dir/check-$kind-1000.txt" | median)" \
        -v b="$(grep -E '^[0-9.]+$' "$bench_dir/check-$kind-64000.txt" | median)" 'BEGIN {
      name = k == "settings" ? "a settings file, keys in its setup type" : "a texts.ini, keys in [Messages]"
      printf "  %-40s 1,000 keys %6.2f s   64,000 keys %6.2f s   ratio %5.1f (keys: 64)\n", name, a, b, b / (a ? a : 1) }'
  done
  rm -rf "$bench_dir"/check1000 "$bench_dir"/check64000 "$bench_dir/check-findings.txt"
}
if [ "$only" = check ]; then
  check_bench
  exit 0
fi

# --- start-up and install against the payload ------------------------------------------------
# Packages of 200 MB and 1 GB, each of one installer (the fake installer with random bytes after
# it). /MoreHelp installs nothing: its time and peak memory are set against the bare engine's. An
# install (extract, run, delete) is set against a plain `copy` of the same bytes; both are whole
# processes. The runs alternate, in a new order each round, and each ratio is the median of the
# ratios of runs side by side. PendrixFloor.exe, a program that makes the engine's hidden window,
# copies, runs and deletes the installer, shows what any engine of this kind pays beyond the copy.
# Peak memory is the Windows process's own peak working set, sampled by PendrixBench while it runs.
sizes="200 1024" help_rounds=15 rounds=7
printf '[default]\r\nMainInstall=Big\r\n[Big]\r\nName=Big\r\nFile=big.exe\r\nArguments=exit=0\r\n' > "$bench_dir/extract.ini"
for mb in $sizes; do
  mkdir -p "$bench_dir/payload/$mb"
  { cat "$bin/FakeInstaller.exe"; head -c $((mb * 1024 * 1024)) /dev/urandom; } > "$bench_dir/payload/$mb/big.exe"
  pack "$bench_dir/extract.ini" "$bench_dir/payload/$mb" "$bench_dir/Package$mb.exe" > "$bench_dir/pack-$mb.txt" ||
    { cat "$bench_dir/pack-$mb.txt"; exit 1; }
done
# The 200 MB package once more with eight languages (the example's German under eight names): a
# run in one of them extracts that one alone, and reads no more of the package than without them.
languages=()
for name in de-DE de-AT de-CH fr-FR it-IT nl-NL es-ES pt-BR; do
  languages+=(--language "$name=$(win "$bin/examples/suite/de-DE")")
done
pack "$bench_dir/extract.ini" "$bench_dir/payload/200" "$bench_dir/Packagelangs.exe" "${languages[@]}" \
  > "$bench_dir/pack-langs.txt" || { cat "$bench_dir/pack-langs.txt"; exit 1; }
sync  # the packages and payloads just written are on the disk before anything is timed
# One run: "<ms> <peak KB>" appended to the file $1; a run that does not end with $2 is reported.
measure() {
  local into=$1 code=$2 out; shift 2
  out=$(bench run 1 "$@")
  [ "$(echo "$out" | value exit_code)" = "$code" ] || echo "bench: $* ended with exit code $(echo "$out" | value exit_code)" >&2
  echo "$(echo "$out" | value run_ms) $(echo "$out" | value peak_kb)" >> "$bench_dir/$into.txt"
}
column_median() { awk -v c="$1" '{ print $c }' "$bench_dir/$2" | median; }
ratio_median() { paste -d ' ' "$bench_dir/$2" "$bench_dir/$3" | awk -v c="$1" '{ print $c / ($(c + 2) ? $(c + 2) : 1) }' | median; }
# The fastest run against the fastest: on a loaded machine the load only ever adds time.
ratio_best() { awk -v a="$(awk '{ print $1 }' "$bench_dir/$1" | sort -n | head -1)" \
  -v b="$(awk '{ print $1 }' "$bench_dir/$2" | sort -n | head -1)" 'BEGIN { print a / (b ? b : 1) }'; }
# The engine's answer to /MoreHelp, whatever it is, must be the same with and without a payload.
help_code=$(bench run 1 "$(win "$bin/Pendrix.exe")" /MoreHelp | value exit_code)
# Wine's desktop process: what the first window of a session costs, measured after pauses long
# enough for it to end, and then held up for every other measure, as Windows' desktop always is.
cold_runs=()
for i in 1 2 3; do
  sleep 2
  cold_runs+=("$(bench run 1 "$(win "$bin/Pendrix.exe")" /MoreHelp | value run_ms)")
done
coproc DESKTOP { wine "$bin/PendrixBench.exe" desktop </dev/null; }
read -r -t 30 up _ <&"${DESKTOP[0]}"
[ "$up" = desktop_up ] || { echo "bench: PendrixBench could not hold the desktop up"; exit 1; }
# A run of each first, not counted: the first meets the packages just written and a cold cache.
for mb in $sizes; do
  bench run 1 "$(win "$bench_dir/Package$mb.exe")" /MoreHelp > /dev/null
  bench run 1 "$(win "$bench_dir/Package$mb.exe")" > /dev/null
done
bench run 1 "$(win "$bench_dir/Packagelangs.exe")" /UILanguage nl_NL /MoreHelp > /dev/null
for i in $(seq 1 $help_rounds); do
  for run in $(printf '%s\n' bare $sizes langs | shuf); do
    program="$bench_dir/Package$run.exe" && [ "$run" = bare ] && program="$bin/Pendrix.exe"
    if [ "$run" = langs ]; then
      measure "help-$run" "$help_code" "$(win "$program")" /UILanguage nl_NL /MoreHelp
    else
      measure "help-$run" "$help_code" "$(win "$program")" /MoreHelp
    fi
  done
done
for i in $(seq 1 $rounds); do
  for mb in $sizes; do
    # The floor at the smaller size alone: what it shows is fixed, and every gigabyte written adds
    # to the writeback that the other runs meet.
    floor=floor && [ "$mb" -ge 1024 ] && floor=""
    for run in $(printf '%s\n' install copy copyfile $floor | shuf); do
      # Each run starts with nothing left to write back: the disk's flush of the gigabytes the runs
      # before it wrote (and of the packages written for the bench) is no part of what it measures.
      sync
      case $run in
        install)
          log="$log_dir/install${mb}_$i.log"
          measure "install-$mb" 0 "$(win "$bench_dir/Package$mb.exe")" /Log "$(win "$log")"
          log_span "$log" 'ExtractResource - Extracting the resource "INSTALLER_Big"' '' >> "$bench_dir/extract-$mb.txt" ;;
        copy)
          measure "copy-$mb" 0 cmd /c copy /y "$(win "$bench_dir/payload/$mb/big.exe")" "$temp_win\\bench-copy.exe"
          rm -f "$temp_unix/bench-copy.exe" ;;
        floor)
          measure "floor-$mb" 0 "$(win "$bin/PendrixFloor.exe")" "$(win "$bench_dir/payload/$mb/big.exe")" \
            "$temp_win\\bench-floor.exe" ;;
        copyfile)
          bench copy "$(win "$bench_dir/payload/$mb/big.exe")" "$temp_win\\bench-copy.exe" | value copy_ms \
            >> "$bench_dir/copyfile-$mb.txt"
          rm -f "$temp_unix/bench-copy.exe" ;;
      esac
    done
  done
done
echo "Start-up with /MoreHelp, which installs nothing (medians of $help_rounds runs side by side)"
printf '  %-30s %8s %22s %12s\n' "" time "against bare (best)" "peak memory"
for run in bare $sizes langs; do
  name="package of $run MB" && [ "$run" = bare ] && name="the bare engine"
  [ "$run" = langs ] && name="200 MB, 8 languages, in one"
  t=$(column_median 1 "help-$run.txt") k=$(column_median 2 "help-$run.txt") r="" b=""
  [ "$run" != bare ] && r=$(ratio_median 1 "help-$run.txt" help-bare.txt) b=$(ratio_best "help-$run.txt" help-bare.txt)
  awk -v n="$name" -v t="$t" -v r="$r" -v b="$b" -v k="$k" 'BEGIN {
    printf "  %-30s %5.0f ms %22s %9.1f MB\n", n, t, (r == "" ? "" : sprintf("%.2fx (%.2fx)", r, b)), k / 1024 }'
done
echo "  (targets: at most 1.10x the bare engine's time, within 40 MB)"
awk -v c="$(printf '%s\n' "${cold_runs[@]}" | median)" -v w="$(column_median 1 help-bare.txt)" 'BEGIN {
  printf "  the bare engine, Wine starting its desktop %6.0f ms   (+%.0f ms, once a session; held up for every other figure)\n", c, c - w }'
echo "Install of one installer, extract, run and delete, against a plain copy (medians of $rounds runs)"
for mb in $sizes; do
  bench checksum "$(win "$bench_dir/payload/$mb/big.exe")" > "$bench_dir/checksum-$mb.txt"
  size_mb=$(awk -v b="$(stat -c %s "$bench_dir/payload/$mb/big.exe")" 'BEGIN { printf "%.1f", b / 1048576 }')
  awk -v s="$size_mb" -v i="$(column_median 1 "install-$mb.txt")" -v k="$(column_median 2 "install-$mb.txt")" \
      -v c="$(column_median 1 "copy-$mb.txt")" -v r="$(ratio_median 1 "install-$mb.txt" "copy-$mb.txt")" \
      -v b="$(ratio_best "install-$mb.txt" "copy-$mb.txt")" \
      -v l="$([ -f "$bench_dir/floor-$mb.txt" ] && column_median 1 "floor-$mb.txt")" \
      -v lr="$([ -f "$bench_dir/floor-$mb.txt" ] && ratio_median 1 "floor-$mb.txt" "copy-$mb.txt")" \
      -v e="$(median < "$bench_dir/extract-$mb.txt")" -v f="$(median < "$bench_dir/copyfile-$mb.txt")" \
      -v t="$( [ "$mb" -ge 1024 ] && echo 1.0 || echo 1.2)" \
      -v cs="$(value checksum_ms < "$bench_dir/checksum-$mb.txt")" -v ct="$(value checksum_table_ms < "$bench_dir/checksum-$mb.txt")" \
      -v ci="$(value checksum_instruction < "$bench_dir/checksum-$mb.txt")" 'BEGIN {
    printf "  %s MB installer\n", s
    printf "    the package, start to exit               %8.0f ms   peak memory %7.1f MB\n", i, k / 1024
    printf "    cmd /c copy of the same bytes             %8.0f ms\n", c
    printf "    ratio install / copy, pair by pair        %8.2f      best to best %.2f (target: at most %.2f)\n", r, b, t
    if (l > 0) {
      printf "    the least a program with the hidden window does: it, CopyFileA, the run, the delete\n"
      printf "      (PendrixFloor.exe)                      %8.0f ms   against the copy %.2f\n", l, lr
    }
    printf "    ExtractResource alone (from the log)      %8.0f ms   %7.1f MB/s\n", e, s * 1000 / (e ? e : 1)
    printf "    CopyFileA of the same bytes, in-process   %8.0f ms   %7.1f MB/s\n", f, s * 1000 / (f ? f : 1)
    printf "    the check of its bytes (CRC-32C, %s), alone\n", (ci == 1 ? "crc32 instruction" : "table")
    printf "      over the bytes in memory                  %8.1f ms   %5.1f%% of the install\n", cs, 100 * cs / (i ? i : 1)
    if (ci == 1) printf "      on a processor without the instruction    %8.1f ms   %5.1f%%\n", ct, 100 * ct / (i ? i : 1)
  }'
done

# --- where the time goes ------------------------------------------------------------------------
# The same package once more with PendrixTrace.exe, the engine built with its timing marks: each
# run logs, at its end, one "Trace - <phase>: <ms> ms" line per phase. Pendrix.exe has no marks.
trace_runs=5
# Runs $1 (a package) $trace_runs times with /Log; the trace lines of each run go to $2.<n>, and
# each run's whole time to $2.runs.
trace_package() {
  local package=$1 into=$2 i log
  rm -f "$into".*
  bench run 1 "$(win "$package")" > /dev/null  # not counted: a cold cache
  for i in $(seq 1 $trace_runs); do
    log="$log_dir/trace_$(basename "$into")_$i.log"
    rm -f "$log"
    bench run 1 "$(win "$package")" /Log "$(win "$log")" | value run_ms >> "$into.runs"
    tr -d '\r' < "$log" | sed -n 's/.* - Trace - \(.*\): \([0-9.]*\) ms *$/\1\t\2/p' > "$into.$i"
  done
}
# The median of each phase over the runs, in the order of the run ("sequence"), or for a phase
# that repeats, its median total divided by how often it comes ("each").
trace_table() {
  local mode=$1 into=$2
  awk -F '\t' -v mode="$mode" -v runs="$(median < "$into.runs")" '
    function median(list, n, v, i, j, t) {
      n = split(list, v, " ")
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
      return n ? v[int((n + 1) / 2)] : 0
    }
    FNR == 1 { file++; mark = 0 }
    {
      key = mode == "sequence" ? ++mark : $1
      if (!(key in label)) { label[key] = $1; order[++keys] = key }
      total[key, file] += $2
      if (file == 1) count[key]++
    }
    END {
      for (k = 1; k <= keys; k++) {
        key = order[k]
        list = ""
        for (f = 1; f <= file; f++) list = list " " total[key, f]
        m = median(list)
        sum += m
        if (mode == "sequence") printf "    %-58s %8.2f ms\n", label[key], m
        else printf "    %-46s %3d x %8.2f ms\n", label[key], count[key], m / count[key]
      }
      printf "    %-58s %8.2f ms\n", "the marks together", sum
      printf "    %-58s %8.2f ms\n", "the whole run, as PendrixBench times it", runs
      printf "    %-58s %8.2f ms\n", "the rest: the last lines, the process'"'"'s end", runs - sum
    }' "$into".[0-9]*
}
pack "$bench_dir/extract.ini" "$bench_dir/payload/200" "$bench_dir/Trace200.exe" --engine "$(win "$bin/PendrixTrace.exe")" \
  > "$bench_dir/pack-trace.txt" || { cat "$bench_dir/pack-trace.txt"; exit 1; }
trace_package "$bench_dir/Trace200.exe" "$bench_dir/trace200"
echo "Where the time of one install goes: the 200 MB package with /Log (medians of $trace_runs runs of the traced engine)"
trace_table sequence "$bench_dir/trace200"
# The check of the installer's bytes runs beside their writing and reading back: what the run still waits for.
awk -F '\t' '$1 == "checksum: waited for big.exe" { print $2 }' "$bench_dir"/trace200.[0-9]* | median |
  awk -v i="$(column_median 1 install-200.txt)" '{
    printf "  the check of the installer'"'"'s bytes, waited for after writing and reading back %6.2f ms   %4.1f%% of the install (target: at most 5%%)\n", $1, 100 * $1 / (i ? i : 1) }'
rm -rf "$bench_dir/payload/"*

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
many_runs=() direct_runs=() startup_runs=() window_runs=()
bench run 1 "$(win "$bench_dir/Many.exe")" > /dev/null  # not counted: a cold cache
for i in $(seq 1 $rounds); do
  log="$log_dir/many$i.log"
  many_runs+=("$(bench run 1 "$(win "$bench_dir/Many.exe")" /Log "$(win "$log")" | value run_ms)")
  startup_runs+=("$(log_span "$log" '*** Pendrix - Start. ***' 'Run - Launching file')")
  # Wine making the process's first window, the hidden one: from the start-up's last line to the
  # run's first. Windows makes it in well under a millisecond.
  window_runs+=("$(log_span "$log" 'InitPaths - Pendrix' 'SetWelcomeDlgRes - ')")
  direct_runs+=("$(bench run $n "$temp_win\\bench-direct.exe" exit=0 | value run_ms)")
done
rm -f "$temp_unix/bench-direct.exe"
many_ms=$(printf '%s\n' "${many_runs[@]}" | median)
direct_ms=$(printf '%s\n' "${direct_runs[@]}" | median)
# Each figure below is the median over the runs of the figure of one run (or of one pair of runs).
pairs() { paste -d ' ' <(printf '%s\n' "${!1}") <(printf '%s\n' "${!2}") | awk "{ print $3 }" | median; }
each_ms=$(pairs 'many_runs[@]' 'direct_runs[@]' "(\$1 - \$2) / $n")
startup_ms=$(printf '%s\n' "${startup_runs[@]}" | median)
window_ms=$(printf '%s\n' "${window_runs[@]}" | median)
own_ms=$(pairs 'startup_runs[@]' 'window_runs[@]' '$1 - $2')
echo "The engine's own time per installer ($n fake installers, medians of $rounds runs)"
awk -v m="$many_ms" -v d="$direct_ms" -v n="$n" -v e="$each_ms" -v s="$startup_ms" -v w="$window_ms" -v o="$own_ms" 'BEGIN {
  printf "  package of %d installers, start to exit      %8.0f ms\n", n, m
  printf "  the same %d installers run directly          %8.0f ms\n", n, d
  printf "  engine time per installer (difference / %d)  %8.1f ms   (target: at most 20)\n", n, e
  printf "  start-up to the first installer launch       %8.0f ms   (first log line to the launch)\n", s
  printf "    of which Wine making the hidden window     %8.0f ms\n", w
  printf "    of which the engine'"'"'s own                  %8.0f ms   (target: at most 40)\n", o
}'
pack "$bench_dir/many.ini" "$bench_dir/payload" "$bench_dir/TraceMany.exe" --engine "$(win "$bin/PendrixTrace.exe")" \
  > "$bench_dir/pack-trace-many.txt" || { cat "$bench_dir/pack-trace-many.txt"; exit 1; }
trace_package "$bench_dir/TraceMany.exe" "$bench_dir/tracemany"
echo "  each phase of the $n-installer package (traced engine, medians of $trace_runs runs; repeated phases per time)"
trace_table each "$bench_dir/tracemany"

# --- sizes ---------------------------------------------------------------------------------------
exe_bytes=$(stat -c %s "$bin/Pendrix.exe")
dll_bytes=$(stat -c %s "$bin/PendrixLang.dll")
embedded=$(bench resource "$(win "$bin/Pendrix.exe")" LANGUAGE LANG_BOOTSTRAPPER | value resource_bytes)
# Code and data: every section but the resources, at its size in memory.
code_bytes=0
while read -r name size; do
  [ "$name" = .rsrc ] || code_bytes=$((code_bytes + 0x$size))
done < <(i686-w64-mingw32-objdump -h "$bin/Pendrix.exe" | awk '$1 ~ /^[0-9]+$/ { print $2, $3 }')
echo "Size"
awk -v e="$exe_bytes" -v d="$dll_bytes" -v r="${embedded:-0}" -v c="$code_bytes" 'BEGIN {
  printf "  Pendrix.exe, code and data without resources %10d bytes   (%.1f KB; target: at most 120 KB)\n", c, c / 1024
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

check_bench
