#!/usr/bin/env bash
# The 64-bit Windows Installer package under Wine's own msiexec, in a fresh prefix of
# the lab: a quiet install of an older build, a print server's ports and a scope
# imported, the upgrade that keeps them, the downgrade refused, the removal refused while
# a printer uses a port, then the removal that leaves only the ports and scope kept
# aside, which a new install brings back. The upgrade and the removal run while another
# process holds the monitor loaded, as Windows' spooler service does. msiinfo checks the
# tables first.
#   msi_lab_test.sh BUILD_FOLDER      (inside the lab)
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)
package=$(ls "$build"/PraloPM-*-x64.msi)
release=${package%.msi}
release=$build/release/$(basename "$release")
work=$(mktemp -d)
fail=0
check() {  # check WHAT COMMAND...: runs the command, reports WHAT when it fails
  local what=$1
  shift
  "$@" >"$work/out" 2>&1 || { echo "FAILED: $what"; tail -20 "$work/out"; fail=1; }
}
refused_quietly() { ! "$@"; }
refused() {  # refused WHAT COMMAND...: the command must fail
  local what=$1
  shift
  if "$@" >"$work/out" 2>&1; then echo "FAILED (not refused): $what"; fail=1; fi
}

# The tables: every file of the release, the monitor's registration, upgrade and downgrade.
msiinfo export "$package" File >"$work/files"
for file in $(cd "$release" && find . -type f -printf '%f\n'); do
  grep -q "	$file	" "$work/files" || { echo "FAILED: $file is not in the File table"; fail=1; }
done
msiinfo export "$package" CustomAction >"$work/actions"
check "RegisterMonitor runs PrlSetup install through PrlSetupQuiet" \
  grep -q "RegisterMonitor	3090	f_monitor_PrlSetupQuiet_exe	install" "$work/actions"
check "UnregisterMonitor runs PrlSetup uninstall through PrlSetupQuiet" \
  grep -q "UnregisterMonitor	3090	f_monitor_PrlSetupQuiet_exe	uninstall" "$work/actions"
# What runs as SYSTEM opens no console window on the desktop of whoever is logged on:
# each program that a custom action runs is of the GUI subsystem, as its PE header says.
for action in RegisterMonitor UnregisterMonitor; do
  key=$(awk -F'\t' -v action="$action" '$1 == action { print $3 }' "$work/actions")
  file=$(awk -F'\t' -v key="$key" '$1 == key { print $3 }' <(msiinfo export "$package" File))
  check "$action runs a GUI-subsystem program ($file)" grep -q "^Subsystem.*(Windows GUI)" \
    <(x86_64-w64-mingw32-objdump -p "$(find "$release" -name "${file#*|}")")
done
check "RegisterMonitor runs on a first install and an upgrade only" grep -q "RegisterMonitor	NOT Installed AND NOT REMOVE=\"ALL\"	4001" \
  <(msiinfo export "$package" InstallExecuteSequence)
check "the downgrade is detected" grep -q "WIX_DOWNGRADE_DETECTED" <(msiinfo export "$package" Upgrade)
check "the Start-menu shortcut" grep -q "Pralo Port Manager" <(msiinfo export "$package" Shortcut)

# An older build of the same package, as the machines to upgrade have it.
older=$work/older.msi
"$repo/scripts/msi" "$release" x64 1.0 "$older"

export WINEPREFIX=$work/prefix
cp -a "${PRALO_WINE_TEMPLATE:-$repo/build/wineprefix}" "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
wineserver -p
msiexec() { wine msiexec "$@" /qn /l*v "Z:$work/msi.log"; }
programs="$WINEPREFIX/drive_c/Program Files/Pralo Port Manager"
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Pralo Port Manager*'; }
prlport() { wine "C:\\Program Files\\Pralo Port Manager\\prlport.exe" "$@"; }
# Another process holds the monitor and its UI library loaded until release.
hold() {
  rm -f "$work/stop" "$work/held"
  wine "Z:$build/windows/bin/hold_monitor.exe" "Z:$work/stop" >"$work/held" 2>&1 &
  holder=$!
  for _ in $(seq 100); do grep -q holding "$work/held" 2>/dev/null && return 0; sleep 0.1; done
  echo "FAILED: the monitor is not held"; cat "$work/held"; fail=1
}
release() { touch "$work/stop"; wait "$holder"; }
printer_key='HKLM\System\CurrentControlSet\Control\Print\Printers\Moved Office'
entries() {  # the entries "Pralo Port Manager" under Programs and Features
  rm -f "$work/arp.reg"
  wine reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' "Z:$work/arp.reg" /reg:64 >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 "$work/arp.reg" 2>/dev/null | grep -c '"DisplayName"="Pralo Port Manager"'
}

check "quiet install of the older build" msiexec /i "Z:$older"
check "prlport list after the install" prlport list
check "the Start-menu shortcut" grep -q "Pralo Port Manager/Pralo Port Manager.lnk" <(shortcuts)
check "the monitor's library in the system folder" test -f "$WINEPREFIX/drive_c/windows/system32/PraloLpr.dll"
# Beside the two ports, a print server's two hundred: the monitor held loaded follows its
# ports while setup deletes the monitor's key, long enough for any write of the monitor
# into that key to meet the deletion.
fleet() {
  local i
  for i in $(seq -w 1 200); do
    printf ' {"name": "Fleet%s", "DeviceIP": "127.1.0.%d", "CommunityName": "mirabo", "Protocal": 9100, "LprQueue": "",\n' "$i" $((10#$i % 200 + 30))
    printf '  "LprByteCounting": 0, "RawPortNumber": 9100, "BiDiEnabled": 0, "ConfigUpdateInt": 30, "StatusUpdateInt": 10},\n'
  done
}
cat >"$work/ports.json" <<JSON
{"format": "Pralo TCP/IP Port ports", "version": 1, "ports": [
$(fleet)
 {"name": "Moved1", "DeviceIP": "127.1.0.22", "CommunityName": "mirabo", "Protocal": 9100, "LprQueue": "",
  "LprByteCounting": 0, "RawPortNumber": 9101, "BiDiEnabled": 1, "ConfigUpdateInt": 30, "StatusUpdateInt": 10},
 {"name": "Moved2", "DeviceIP": "labels-3", "CommunityName": "Sec", "Protocal": 515, "LprQueue": "zpl",
  "LprByteCounting": 1, "RawPortNumber": 9100, "BiDiEnabled": 0, "ConfigUpdateInt": 45, "StatusUpdateInt": 15}],
 "discovery": {"SubnetMask": "255.255.255.0", "SubnetAddresses": ["127.2.0.0"]}}
JSON
check "import of the ports and a scope" prlport import "Z:$work/ports.json"
prlport export >"$work/before.json" 2>/dev/null

hold
check "quiet upgrade to this build, the monitor in use" msiexec /i "Z:$package"
release
prlport export >"$work/after.json" 2>/dev/null
check "the upgrade keeps the ports and the scope" cmp "$work/before.json" "$work/after.json"
check "the ports are listed after the upgrade" grep -q Moved2 <(prlport list)
check "one entry in Programs and Features" test "$(entries)" -eq 1

# A repair, which a standard user may start, runs no program as SYSTEM: the catalogue
# that PrlSetup copies into the Windows folder stays gone. (Wine's msiexec answers 69 to
# /f; the Installer's REINSTALL property asks for the same repair.)
rm -f "$WINEPREFIX/drive_c/windows/PrlModels.ini"
check "a repair run" msiexec /i "Z:$package" REINSTALL=ALL REINSTALLMODE=vomus
check "the repair runs no PrlSetup" test ! -e "$WINEPREFIX/drive_c/windows/PrlModels.ini"
check "the program stays after the repair" test -f "$programs/prlport.exe"

refused "installing the older build over this one" msiexec /i "Z:$older"
# Wine's msiexec does not log a launch condition's text in a quiet install; Windows does.
check "the downgrade is detected" grep -q "WIX_DOWNGRADE_DETECTED = {" "$work/msi.log"
check "the downgrade's reason" grep -q "A newer version of Pralo Port Manager is already installed" \
  <(msiinfo export "$older" LaunchCondition)
check "the ports survive the refused downgrade" grep -q Moved1 <(prlport list)
refused "the 32-bit package on 64-bit Windows" msiexec /i "Z:${package%-x64.msi}-x86.msi"

wine reg add "$printer_key" /v Name /d "Moved Office" /f >/dev/null 2>&1
wine reg add "$printer_key" /v Port /d Moved1 /f >/dev/null 2>&1
refused "removal while a printer prints to Moved1" msiexec /x "Z:$package"
check "the program stays after the refused removal" test -f "$programs/prlport.exe"
wine reg delete "$printer_key" /f >/dev/null 2>&1

hold
check "quiet removal, the monitor in use" msiexec /x "Z:$package"
release
check "the program folder is gone" test ! -e "$programs"
check "the Start-menu folder is gone" test -z "$(shortcuts)"
for file in system32/PraloLpr.dll system32/PrlStat.dll system32/PRLFIND.dll PrlModels.ini PrlStat.ini; do
  check "$file is gone" test ! -e "$WINEPREFIX/drive_c/windows/$file"
done
refused "the monitor's key is gone" wine reg query 'HKLM\System\CurrentControlSet\Control\Print\Monitors\Pralo TCP/IP Port'
check "no entry in Programs and Features" test "$(entries)" -eq 0
check "the ports are kept aside" wine reg query 'HKLM\Software\Pralo\Port Manager\Kept ports\Port Names\Moved2' /reg:64
check "the scope is kept aside" wine reg query 'HKLM\Software\Pralo\Port Manager\Kept ports\Discovery' /reg:64
check "quiet install after the removal" msiexec /i "Z:$package"
prlport export >"$work/again.json" 2>/dev/null
check "the kept ports and scope come back" cmp "$work/before.json" "$work/again.json"
check "the kept ports leave the registry once back" refused_quietly wine reg query 'HKLM\Software\Pralo\Port Manager\Kept ports' /reg:64
check "the second removal" msiexec /x "Z:$package"
[ $fail -eq 0 ] && echo "msi: installed, upgraded with the ports kept, downgrade refused, removed cleanly, reinstalled"
exit $fail
