# shellcheck shell=bash
# VTRXIFS.dll under Wine, sourced by run.sh on its prefix: a modem device made with SetupAPI
# and installed around the co-installer (coinstall.exe), then the two utilities called by an
# outside program (utilities.exe). The same facts as the host's end-to-end test: the answers
# of both passes, State, InfFile and PnfFile, the monitor applet started and then closed by
# KillMessageDaemon; IsDeviceInUse answers 0 since no modem driver exists here.
#
#   vtrxifs_checks    prints "ok"/"FAIL" lines; fails when a check failed

vtrxifs_failed=0
vtrxifs_check() { # NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        echo "ok    vtrxifs: $1"
    else
        echo "FAIL  vtrxifs: $1"
        diff -u --label expected --label actual <(echo "$2") <(echo "$3") | sed 's/^/      /'
        vtrxifs_failed=1
    fi
}

# Whether the monitor applet's window exists, asked until it is as wanted (up to 10 s).
applet_window_is() { # 0: there, 1: gone
    local tries status
    for ((tries = 0; tries < 100; tries++)); do
        wine_run "$mingw64_build/tools/vtrxmsg/closewindow.exe" /find </dev/null >/dev/null 2>&1
        status=$?
        [ "$status" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

vtrxifs_checks() {
    local drive=$WINEPREFIX/drive_c scratch actual
    scratch=$(mktemp -d)
    cp examples/uninstall-info.reg "$drive/uninstall-info.reg"
    wine_run reg delete 'HKLM\Software\Hwctl' /f >/dev/null 2>&1
    wine_run reg import 'C:\uninstall-info.reg' >/dev/null 2>&1
    cp "$mingw64_build/vtrxifs/VTRXIFS.dll" "$drive/windows/system32/VTRXIFS.dll"
    cp "$mingw64_build/tools/vtrxmsg/vtrxmsg.exe" "$drive/windows/VTRXMSG.exe"

    # Into a file: the applet that the co-installer starts inherits the output and keeps it open.
    (cd "$drive" && wine_run "$mingw64_build/tests/wine/coinstall.exe" oem7.inf >"$scratch/out" 2>&1
        echo "status $?" >>"$scratch/out")
    actual=$(tr -d '\r' <"$scratch/out")
    vtrxifs_check "co-installer passes" $'pre: 0xE0000226\npost: 0x00000000\nstatus 0' "$actual"

    wine_run reg export 'HKLM\Software\Hwctl' 'C:\hwctl.reg' /y >/dev/null 2>&1
    actual=$("$regnorm" normalize "$drive/hwctl.reg" 2>&1)
    vtrxifs_check "State" $'[HKEY_LOCAL_MACHINE\\Software\\Hwctl]\n"State"="Finished install"' "$actual"
    wine_run reg export 'HKLM\Software\TessalyUninstallInfo\InstalledFiles' 'C:\files.reg' /y \
        >/dev/null 2>&1
    actual=$("$regnorm" normalize "$drive/files.reg" 2>&1 | grep -E '^"(InfFile|PnfFile)"')
    vtrxifs_check "InfFile and PnfFile" \
        $'"InfFile"="%WIN_DIR%\\\\Inf\\\\oem7.inf"\n"PnfFile"="%WIN_DIR%\\\\Inf\\\\oem7.pnf"' "$actual"

    applet_window_is 0
    vtrxifs_check "monitor applet started" 0 $?

    actual=$(cd "$drive" && wine_run "$mingw64_build/tests/wine/utilities.exe" 2>&1 | tr -d '\r'; echo "status ${PIPESTATUS[0]}")
    vtrxifs_check "utilities" $'IsDeviceInUse: 0\nKillMessageDaemon: 0\nstatus 0' "$actual"
    applet_window_is 1
    vtrxifs_check "monitor applet closed by KillMessageDaemon" 0 $?

    rm -rf "$scratch" "$drive/windows/system32/VTRXIFS.dll" "$drive/windows/VTRXMSG.exe"
    return $vtrxifs_failed
}
