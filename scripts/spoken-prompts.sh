# Sourced: reads src/ui/language/SpokenPrompts.ini, the recorded prompts with their words and the
# text of their messages, for the speech script and the recognition test.
# prompt_files INI: the WAVE file names, one a line. prompt_value INI FILE KEY: one value.

prompt_files() {
  tr -d '\r' <"$1" | sed -n 's/^\[\(.*\)\][[:space:]]*$/\1/p'
}

prompt_value() {
  tr -d '\r' <"$1" | awk -v section="[$2]" -v key="$3" '
    /^\[/ { inside = ($0 == section) }
    !found && inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); found = 1 }'
}
