#!/usr/bin/env bash
# Speaks the package's recorded prompts into WAVE files for the resource scripts.
# Usage: gen-speech.sh OUTPUT_DIR
# Each prompt says what the message it accompanies says. Most are 16-bit PCM mono at 22,050 Hz;
# the four reboot prompts are Microsoft ADPCM at 44,100 Hz, the format the reboot code plays.
set -euo pipefail

out=${1:?usage: gen-speech.sh OUTPUT_DIR}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

voice=(-v en-us -s 160)

# speak FILE TEXT: 16-bit PCM mono 22,050 Hz, levelled to the same peak.
speak() {
  espeak-ng "${voice[@]}" -w "$work/raw.wav" "$2"
  sox "$work/raw.wav" -r 22050 -c 1 -b 16 -e signed-integer "$work/$1" gain -n -3
  mv "$work/$1" "$out/$1"
}

# speak_adpcm FILE TEXT: as speak, then Microsoft ADPCM mono at 44,100 Hz.
speak_adpcm() {
  espeak-ng "${voice[@]}" -w "$work/raw.wav" "$2"
  sox "$work/raw.wav" -r 44100 -c 1 -e ms-adpcm "$work/$1" gain -n -3
  mv "$work/$1" "$out/$1"
}

restart="Setup has made changes that require you to restart your computer."
resume="After the restart, setup will continue automatically."

speak os.wav "You cannot install this product on this version of Windows. \
Please contact Tarrowind for a version that will run on your operating system."
speak platform.wav "You cannot install this product on this platform. \
Please contact Tarrowind for a version that will run on your platform."
speak reinstall.wav "The setup package could not install a required component. \
Press Enter to try to correct the error and reinstall the component, \
or press Escape to cancel the installation."

# 1: more of the package runs after the restart; 2: nothing is left to run.
speak_adpcm reboot-ok1.wav "$restart $resume Press Enter to continue."
speak_adpcm reboot-ok2.wav "$restart Press Enter to continue."
speak_adpcm reboot-okcancel1.wav "$restart $resume Press Enter to restart now, or Escape to restart later."
speak_adpcm reboot-okcancel2.wav "$restart Press Enter to restart now, or Escape to restart later."

# Stored for packages that want them; the engine plays none of these.
speak reboot-okcancel3.wav "The setup program requires you to restart the system in order to have speech \
during the installation. After the restart, the setup will automatically continue. \
To restart now, press Enter. Press Escape to restart later and continue the rest of the setup \
process without speech."
speak finish.wav "The installation is complete."
speak xddm.wav "The video card or adapter of this computer is not compatible with this version of \
Lumora under Windows Vista. For more information, please visit the Tarrowind technical support web page."

# The executable's welcome, matching the buttons of its Welcome dialog.
speak welcome.wav "Welcome to the setup package. \
To begin the installation, press Enter or choose Talking Install. \
To install without speech, choose Silent Install. \
To cancel the installation, press Escape."

# The waiting tone, repeated while an installer runs: short and soft, with gentle edges.
sox -n -r 22050 -c 1 -b 16 -e signed-integer "$work/wait-tone.wav" \
  synth 0.3 sine 660 fade h 0.03 0.3 0.12 vol 0.25
mv "$work/wait-tone.wav" "$out/wait-tone.wav"
