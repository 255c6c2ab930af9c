#!/usr/bin/env bash
# Whether the recordings of a language folder are heard: no speech recogniser knows German, so
# each recording the words file names must be there, last a spoken sentence's length and reach
# well above silence, at the voice's own rate (espeak-ng's 22,050 Hz, never resampled).
# Usage: audible.sh LANGUAGE_FOLDER WORDS_INI
set -u
folder=${1:?usage: audible.sh LANGUAGE_FOLDER WORDS_INI}
words_ini=${2:?words file}
source "$(dirname "$0")/../../scripts/spoken-prompts.sh"
failed=0
while read -r file; do
  wav="$folder/$file"
  if [ ! -s "$wav" ]; then echo "audible: $file: missing"; failed=1; continue; fi
  rate=$(soxi -r "$wav") seconds=$(soxi -D "$wav")
  peak=$(sox "$wav" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
  verdict=$(awk -v r="$rate" -v s="$seconds" -v p="$peak" 'BEGIN {
    if (r != 22050) print "at " r " Hz, not the voice'"'"'s own 22050";
    else if (s < 0.8 || s > 40) print "lasts " s " s";
    else if (p < 0.5) print "peaks at " p ", too quiet";
    else print "ok" }')
  echo "audible: $file: $seconds s, peak $peak: $verdict"
  [ "$verdict" = ok ] || failed=1
done < <(prompt_files "$words_ini")
exit $failed
