#!/usr/bin/env bash
# Takes the pictures of the documentation from the real programs under Xvfb: a package's Welcome
# dialog, progress window, failure box and Help, in English and in German, each text marked with
# the key of texts.ini that holds it. PendrixPack builds the package with the German of
# examples/suite, Photograph.exe runs it as a user does and lists each window's controls, and
# ImageMagick draws the marks and the legend.
# Usage: pictures.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" "$build"
bin=$build/bin
work=$(mktemp -d "$build/pictures.XXXXXX")
trap 'rm -rf "$work"; wine_down' EXIT
wine_up

# A package whose prerequisite runs for three seconds and then fails.
mkdir -p "$work/payload"
cp "$bin/FakeInstaller.exe" "$work/payload/runtime.exe"
cp "$bin/FakeInstaller.exe" "$work/payload/writer.exe"
printf '%s\r\n' '[default]' 'Name=Vellora Writer' 'PreInstall=Runtime' 'MainInstall=Writer' 'WelcomeDlg=yes' \
  'WelcomeWave=no' 'ShowProgressBar=yes' '[Runtime]' 'Name=Vellora Runtime' 'File=runtime.exe' \
  'Arguments=delay=3000 exit=1603' 'FailCodes=1603' '[Writer]' 'Name=Vellora Writer' 'File=writer.exe' \
  > "$work/Settings.ini"
wine "$bin/PendrixPack.exe" --settings "$(winepath -w "$work/Settings.ini")" --payload "$(winepath -w "$work/payload")" \
  --out "$(winepath -w "$work/Setup.exe")" --embed-settings \
  --language "de-DE=$(winepath -w "$bin/examples/suite/de-DE")" > /dev/null 2>&1

# Each window's texts, by the controls that tell the window apart: the Welcome dialog has the
# Silent Install button (7), the progress window its bar (1000), Help its text box (102), a
# message box its text (65535). "caption" is the title bar.
keys() {
  local ids=" $1 "
  case "$ids" in
    *" 7 "*) printf '%s\n' 'caption [Dialog 107] Caption' '104 [Dialog 107] 104' '105 [Dialog 107] 105' \
                 '1 [Dialog 107] 1' '7 [Dialog 107] 7' ;;
    *" 1000 "*) printf '%s\n' 'caption [Dialog 110] Caption' '1001 [Dialog 110] 1001' ;;
    *" 102 "*) printf '%s\n' 'caption [Messages] 50' '102 [Messages] 51, 67, 53, 54, 64, 66, 82, 86, 14' \
                   '2 [Dialog 101] 2' ;;
    *" 65535 "*) printf '%s\n' 'caption [Messages] 59' '65535 [Messages] 60' ;;
  esac
}

# Marks one photograph: a numbered frame on each text, and the legend beside the window.
mark() {
  local shot=$1 png=$2
  local width height caption
  read -r _ width height caption < <(grep '^window ' "$shot.txt")
  local ids
  ids=$(awk '$1 == "control" { printf "%s ", $2 }' "$shot.txt")
  local draw=() legend=() n=0 id key rect
  while read -r id key; do
    [ -n "$id" ] || continue
    if [ "$id" = caption ]; then
      rect="4,4 $((width - 4)),$((caption - 2))"
    else
      rect=$(awk -v id="$id" '$1 == "control" && $2 == id { print $3 "," $4 " " $5 - 1 "," $6 - 1; exit }' "$shot.txt")
    fi
    [ -n "$rect" ] || continue
    n=$((n + 1))
    # The number sits in the frame's top right corner, where texts leave room.
    local right=${rect##* } top=${rect#*,}
    right=${right%%,*}
    top=${top%% *}
    [ "$id" = caption ] && right=$((right - 28))
    draw+=(-stroke '#c81e1e' -strokewidth 2 -fill none -draw "rectangle $rect"
           -stroke none -fill '#c81e1e' -draw "rectangle $((right - 16)),$top $right,$((top + 15))"
           -fill white -font DejaVu-Sans-Bold -pointsize 11 -draw "text $((right - 12)),$((top + 12)) '$n'")
    legend+=(-fill black -font DejaVu-Sans -pointsize 13 -draw "text $((width + 16)),$((14 + n * 22)) '$n  $key'")
  done < <(keys "$ids")
  local legendWidth=340 tall=$((20 + n * 22))
  [ "$tall" -gt "$height" ] || tall=$height
  convert "$shot" -background white -gravity northwest -extent "$((width + legendWidth))x$tall" +gravity \
    "${draw[@]}" "${legend[@]}" +dither -colors 32 "PNG8:$png"
}

for language in en de; do
  shots="$work/shots-$language"
  mkdir -p "$shots"
  uiLanguage=en_US
  [ "$language" = de ] && uiLanguage=de_DE
  for run in install help; do
    arguments="/UILanguage $uiLanguage"
    [ "$run" = help ] && arguments="$arguments /Help"
    # shellcheck disable=SC2086
    PENDRIX_SCREENSHOTS="$shots" wine "$bin/Photograph.exe" "$run" "$(winepath -w "$work/Setup.exe")" $arguments \
      > /dev/null 2>&1 || true
  done
  for shot in "$shots"/*.bmp; do
    [ -e "$shot.txt" ] || continue
    ids=" $(awk '$1 == "control" { printf "%s ", $2 }' "$shot.txt")"
    case "$ids" in
      *" 7 "*) name=welcome ;;
      *" 1000 "*) name=progress ;;
      *" 102 "*) name=help ;;
      *" 65535 "*) name=failure ;;
      *) continue ;;
    esac
    mark "$shot" "$out/$name-$language.png"
    echo "pictures: $out/$name-$language.png"
  done
done
