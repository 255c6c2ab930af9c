#!/usr/bin/env bash
# Makes a language folder for PendrixPack --language: the translator's texts.ini, and a recording
# of each WAVE file that WORDS_INI names, spoken by espeak-ng in VOICE (a language of espeak-ng,
# such as "de"). Each recording keeps the voice's own rate (22,050 Hz), is cut to its speech,
# levelled to 1 dB under full scale and stored as Microsoft ADPCM, which Windows plays.
# Usage: gen-language-speech.sh SOURCE_FOLDER WORDS_INI VOICE OUTPUT_FOLDER
set -euo pipefail

source_dir=${1:?usage: gen-language-speech.sh SOURCE_FOLDER WORDS_INI VOICE OUTPUT_FOLDER}
words_ini=${2:?words file}
voice=${3:?voice}
out=${4:?output folder}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/spoken-prompts.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$out"
cp "$source_dir/texts.ini" "$work/texts.ini"
trim=(silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse)
while read -r file; do
  words=$(prompt_value "$words_ini" "$file" Words)
  [ -n "$words" ] || { echo "gen-language-speech: $file: no words" >&2; exit 1; }
  espeak-ng -v "$voice" -s 150 -w "$work/raw.wav" "$words"
  sox -R "$work/raw.wav" -e ms-adpcm "$work/$file" "${trim[@]}" gain -n -1
done < <(prompt_files "$words_ini")
rm -f "$work/raw.wav"
chmod 755 "$work"
# The folder is replaced whole, so that a recording dropped from the words does not linger.
rm -rf "$out"
mv "$work" "$out"
trap - EXIT
