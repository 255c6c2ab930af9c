#!/usr/bin/env bash
# Speaks the package's recorded prompts into WAVE files for the resource scripts.
# Usage: gen-speech.sh OUTPUT_DIR
# The words of each prompt and its format are in src/ui/language/SpokenPrompts.ini, beside the
# text of the message it goes with. The voice is flite's "slt", clear to a first-time listener
# and to a speech recogniser alike, a little quicker than its default pace; each recording is
# cut to its speech and levelled to the same peak, 1 dB under full scale. sox runs repeatable (-R):
# its dither is seeded, so the same words always give the same recording.
set -euo pipefail

out=${1:?usage: gen-speech.sh OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)
prompts="$here/../src/ui/language/SpokenPrompts.ini"
source "$here/spoken-prompts.sh"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

voice=(-voice slt --setf duration_stretch=0.85)
# Silence before the first and after the last word is cut, so that a prompt starts at once.
trim=(silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse)
level=(gain -n -1)

while read -r file; do
  words=$(prompt_value "$prompts" "$file" Words)
  format=$(prompt_value "$prompts" "$file" Format)
  case $format in
    ms-adpcm-16k) encoding=(-r 16000 -c 1 -e ms-adpcm) ;;
    *) echo "gen-speech: $file: unknown format \"$format\"" >&2; exit 1 ;;
  esac
  [ -n "$words" ] || { echo "gen-speech: $file: no words" >&2; exit 1; }
  flite "${voice[@]}" -t "$words" -o "$work/raw.wav"
  sox -R "$work/raw.wav" "${encoding[@]}" "$work/$file" "${trim[@]}" "${level[@]}"
  mv "$work/$file" "$out/$file"
done < <(prompt_files "$prompts")

# The waiting tone, repeated while an installer runs: short and soft, with gentle edges.
sox -R -n -r 16000 -c 1 -e ms-adpcm "$work/wait-tone.wav" \
  synth 0.3 sine 660 fade h 0.03 0.3 0.12 vol 0.25
mv "$work/wait-tone.wav" "$out/wait-tone.wav"
