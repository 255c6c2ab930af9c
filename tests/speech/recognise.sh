#!/usr/bin/env bash
# Whether a listener understands the recorded prompts at first hearing, judged by an offline
# speech recogniser (pocketsphinx with its US English model): each recording, transcribed, must
# bring back at least half of the content words of its own message (SpokenPrompts.ini, Text), and
# match its own message better than the text of any other prompt.
# Usage: recognise.sh SPEECH_DIR             every recording the build generated
#        recognise.sh --capture WAV FILE     a capture of what was played, as recording FILE
set -u
here=$(cd "$(dirname "$0")" && pwd)
prompts="$here/../../src/ui/language/SpokenPrompts.ini"
source "$here/../../scripts/spoken-prompts.sh"
model=/usr/share/pocketsphinx/model/en-us
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# transcribe WAV: the words pocketsphinx hears, on one line.
transcribe() {
  sox -R "$1" -r 16000 -c 1 -b 16 -e signed-integer "$work/16k.wav" || return 1
  pocketsphinx_continuous -infile "$work/16k.wav" -hmm "$model/en-us" -lm "$model/en-us.lm.bin" \
    -dict "$model/cmudict-en-us.dict" 2>/dev/null | tr '\n' ' '
}

# Lines "FILE<TAB>text<TAB>heard" for awk: every prompt's text, and what was heard where known.
table="$work/table.tsv"
if [ "${1:-}" = "--capture" ]; then
  capture=${2:?capture file}; judged=${3:?recording the capture plays}
  [ -s "$capture" ] || { echo "recognise: no capture at $capture"; exit 1; }
else
  speech_dir=${1:?usage: recognise.sh SPEECH_DIR}
fi
while read -r file; do
  heard="-"
  if [ -n "${capture:-}" ]; then
    [ "$file" = "$judged" ] && heard=$(transcribe "$capture")
  else
    heard=$(transcribe "$speech_dir/$file")
  fi
  printf '%s\t%s\t%s\n' "$file" "$(prompt_value "$prompts" "$file" Text)" "$heard"
done < <(prompt_files "$prompts") > "$table"

awk -F '\t' '
  # Content words: lower case, letters only, without the words that carry no message. "set up"
  # and "setup" sound the same, and ESC is read as escape.
  function words(text, set,   n, i, part) {
    text = tolower(text); gsub(/[^a-z]+/, " ", text); gsub(/set up/, "setup", text); gsub(/(^| )esc( |$)/, " escape ", text)
    n = split(text, part, " ")
    for (i = 1; i <= n; i++) if (length(part[i]) > 1 && !(part[i] in stop)) set[part[i]] = 1
  }
  function count(set,   w, n) { n = 0; for (w in set) n++; return n }
  BEGIN {
    split("an the to of or and you your this that is are be will for in on with has have it at by if as not can could from into", s, " ")
    for (i in s) stop[s[i]] = 1
  }
  { file[NR] = $1; text[NR] = $2; heard[NR] = $3 }
  END {
    failed = 0
    for (k = 1; k <= NR; k++) {
      if (heard[k] == "-") continue
      delete h; words(heard[k], h); nh = count(h)
      best = 0; bestFile = "-"
      for (j = 1; j <= NR; j++) {
        delete m; words(text[j], m); nm = count(m); found = 0
        for (w in m) if (w in h) found++
        f1 = nm + nh ? 2 * found / (nm + nh) : 0   # how well the heard words and the text agree
        if (j == k) { own = f1; recalled = found; total = nm }
        else if (text[j] != text[k] && f1 > best) { best = f1; bestFile = file[j] }
      }
      ok = recalled * 2 >= total && own > best
      judged++; failed += !ok
      printf "%-22s %s  recalls %2d of %2d content words (%3.0f%%), agreement %.2f, next best %.2f (%s)\n",
        file[k], ok ? "ok  " : "FAIL", recalled, total, 100 * recalled / total, own, best, bestFile
      printf "%-22s       heard: %s\n", "", heard[k]
    }
    printf "%d passed, %d failed\n", judged - failed, failed
    exit failed ? 1 : 0
  }' "$table"
