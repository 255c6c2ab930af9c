#!/usr/bin/env bash
# What the safety tests need of the machine that a Windows program under Wine cannot make itself:
#   machine.sh plant-links PREFIX    links where working folders of earlier runs would lie
#   machine.sh remove-links PREFIX
#   machine.sh small-drive-up PREFIX   drive T: of 2 MB (a tmpfs; needs root)
#   machine.sh small-drive-down PREFIX
# Wine shows a Unix symbolic link as a reparse point, as Windows shows a junction.
set -u
prefix=$2
temp="$prefix/drive_c/windows/temp"
target="$prefix/drive_c/pendrix-link-target"
link=Pendrix-00000000000000000000000000000000       # a link in place of a folder
ours=Pendrix-11111111111111111111111111111111       # a folder as the engine makes it, a link inside
foreign=Pendrix-22222222222222222222222222222222    # a folder of the name that another program made
drive="$prefix/../smalldrive"

case $1 in
  plant-links)
    mkdir -p "$target" "$temp/$ours" "$temp/$foreign"
    echo kept > "$target/kept.txt"
    echo kept > "$temp/$foreign/kept.txt"
    chmod 750 "$temp/$ours"   # the access the engine gives its own folders, as Wine keeps it
    chmod 755 "$temp/$foreign"
    ln -sfn "$target" "$temp/$link"
    ln -sfn "$target" "$temp/$ours/inside"
    ;;
  remove-links)
    rm -f "$temp/$link"
    rm -rf "${temp:?}/$ours" "${temp:?}/$foreign" "$target"
    ;;
  small-drive-up)
    mkdir -p "$drive"
    mountpoint -q "$drive" || mount -t tmpfs -o size=2m pendrix-small "$drive" 2>/dev/null ||
      { echo "machine.sh: no small drive: mounting a tmpfs needs root"; exit 0; }
    ln -sfn "$drive" "$prefix/dosdevices/t:"
    ;;
  small-drive-down)
    rm -f "$prefix/dosdevices/t:"
    mountpoint -q "$drive" && umount "$drive"
    rmdir "$drive" 2>/dev/null
    exit 0
    ;;
esac
