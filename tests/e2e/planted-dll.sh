#!/usr/bin/env bash
# End-to-end: the program started as a player starts it, from a folder of its own inside a
# download folder that anyone can write into, with hostile DLLs beside it and in the current
# directory. It runs as administrator, so such a DLL must never be loaded: GDI+, which the
# program loads for the pictures at 150% (144 DPI), and Windows' cryptographic provider, which
# its start-up asks for the stack cookie, come from the system only. Wine prefers its own DLLs;
# "native,builtin" for the program alone (Wine's own processes keep theirs) asks it for
# Windows' search order for these names, so a DLL planted where Windows would look is found.
# Nothing here starts a run, and the scenario runs in a network namespace without any network.
# Usage: planted-dll.sh WINDOWS_BUILD_DIR
set -uo pipefail
source "$(dirname "$(realpath "$0")")/e2e-lib.sh"

# DLLs loaded by name for the program: GDI+ by its own code, the cryptographic provider by
# advapi32 when the stack protector's set-up asks for a random cookie.
PLANTED=(gdiplus rsaenh)

scenario_planted_dlls() {
  local downloads=$WINEPREFIX/drive_c/Downloads
  local folder=$downloads/TiroxOptimize name place
  mkdir -p "$folder"
  cp "$E2E_WIN_DIR/TiroxOptimize.exe" "$folder/"
  for name in "${PLANTED[@]}"; do
    for place in "$folder" "$downloads"; do
      cp "$E2E_WIN_DIR/PlantedDll.dll" "$place/$name.dll"
    done
    e2e_reg add 'HKCU\Software\Wine\AppDefaults\TiroxOptimize.exe\DllOverrides' \
      /v "$name" /t REG_SZ /d native,builtin /f || { fail "could not override $name"; return 1; }
  done
  set_dpi 144 || { fail "could not set the DPI to 144"; return 1; }
  cd "$downloads" || return 1
  start_program "$folder/TiroxOptimize.exe" || return 1
  describe || { fail "DescribeWindow failed"; return 1; }

  for name in "${PLANTED[@]}"; do
    for place in "$folder" "$downloads"; do
      check "the $name.dll in ${place#"$WINEPREFIX/"} was not loaded" [ ! -e "$place/$name.dll.loaded" ]
    done
  done
  check_layout 144
  pointer_away
  check "drawn with the system's GDI+: the 150% set's pictures 13636, 13632 and 13638" \
    shows "$E2E_OUT/normal.png" background "$(picture_id 144 136)" except "$(rect_of 1000)" \
      except "$(rect_of 1001)" except "$(rect_of 1002)" picture "$(picture_id 144 132)@$(place_of 1000)" \
      picture "$(picture_id 144 138)@$(place_of 1002)"
}

e2e_dispatch_inside "$@"
e2e_setup "${1:?usage: planted-dll.sh WINDOWS_BUILD_DIR}" "$0"
[ -f "$E2E_WIN_DIR/PlantedDll.dll" ] || { echo "missing $E2E_WIN_DIR/PlantedDll.dll" >&2; exit 1; }
e2e_scenario planted_dlls --no-net
e2e_finish
