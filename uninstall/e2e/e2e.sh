#!/usr/bin/env bash
# End-to-end tests of varnsetrm under Wine on a virtual X screen.
#
#   e2e.sh template TEMPLATE_DIR               builds the Wine prefix that every test copies
#   e2e.sh SCENARIO BIN_DIR TEMPLATE_DIR       runs one scenario in a fresh copy of it
#
# BIN_DIR holds varnsetrm.exe, varnsetrm130.exe, vtdriver.exe and probe.ocx. Each
# scenario prepares an installation (files, directories, SharedDLLs counts, a
# Program Manager group made through DDE, an uninstall key, an install log),
# runs the uninstaller, answers its dialogs through vtdriver as a user would,
# and checks what is left: files, directories, registry, Start Menu, WININIT.INI.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=${WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
WINESERVER=${WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver)}

die() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

# --- the template prefix ----------------------------------------------------

make_template() {
    local dir=$1
    local stamp="$($WINE --version 2>/dev/null || true)"
    if [ -f "$dir/.zv-template" ] && [ "$(cat "$dir/.zv-template")" = "$stamp" ]; then
        echo "template prefix up to date: $dir"
        return 0
    fi
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    WINEPREFIX=$dir xvfb-run -a "$WINE" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$dir "$WINESERVER" -w
    echo "$stamp" > "$dir/.zv-template"
    echo "template prefix made: $dir"
}

if [ "${1:-}" = template ]; then
    make_template "$2"
    exit 0
fi

# Every scenario runs on a virtual X screen of its own.
if [ -z "${ZV_E2E_X:-}" ]; then
    ZV_E2E_X=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$@"
fi

scenario=${1:?scenario}
BIN=$(cd "${2:?bin dir}" && pwd)
TEMPLATE=${3:?template dir}
[ -f "$TEMPLATE/.zv-template" ] || die "no template prefix at $TEMPLATE"

# A fresh prefix: a copy of the template; the large, read-only system
# directory is linked instead of copied.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/zv-e2e-$scenario.XXXXXX")
export WINEPREFIX
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "${ZV_E2E_KEEP:-}" ]; then echo "prefix kept: $WINEPREFIX"; else rm -rf "$WINEPREFIX"; fi
}
trap cleanup EXIT
(cd "$TEMPLATE" && find . -mindepth 1 -maxdepth 1 ! -name drive_c -exec cp -a {} "$WINEPREFIX/" \;)
mkdir -p "$WINEPREFIX/drive_c"
(cd "$TEMPLATE/drive_c" && find . -mindepth 1 -maxdepth 1 ! -name windows \
    -exec cp -a {} "$WINEPREFIX/drive_c/" \;)
mkdir -p "$WINEPREFIX/drive_c/windows"
(cd "$TEMPLATE/drive_c/windows" && find . -mindepth 1 -maxdepth 1 ! -name system32 \
    -exec cp -a {} "$WINEPREFIX/drive_c/windows/" \;)
cp -al "$TEMPLATE/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows/system32"

C=$WINEPREFIX/drive_c
# Unix path of a C:\ path.
unix() { local p=${1#C:\\}; echo "$C/${p//\\//}"; }
wine() { "$WINE" "$@"; }
driver() { "$WINE" 'C:\t\vtdriver.exe' "$@"; }

mkdir -p "$C/t"
cp "$BIN"/varnsetrm.exe "$BIN"/varnsetrm130.exe "$BIN"/vtdriver.exe "$C/t/"

startmenu="$C/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zevlon'
shared_key='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
LOG='C:\Varnset\Zevlon\install.log'

# --- the prepared installation ---------------------------------------------

# Files, directories, shared libraries with their counts, a Program Manager
# group, the uninstall key. The log itself is written by write_log.
install_product() {
    mkdir -p "$C/Zevlon/Data" "$C/Common" "$C/Varnset/Zevlon"
    echo program > "$C/Zevlon/zevlon.exe"
    echo "[QDADRESAR]" > "$C/Zevlon/ZEVLON.INI"
    echo data > "$C/Zevlon/Data/adresar.qtf"
    echo core > "$C/Common/zvcore.dll"
    echo keep > "$C/Common/zvkeep.dll"
    echo help > "$C/Common/Zevlon Help Viewer.dll"
    cp "$BIN/probe.ocx" "$C/Common/zvgrid.ocx"
    cat > "$C/t/install.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\Common\\zvcore.dll"=dword:00000001
"C:\\Common\\zvkeep.dll"=dword:00000003
"C:\\Common\\zvgrid.ocx"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zevlon]
"DisplayName"="Zevlon"
"UninstallString"="C:\\t\\varnsetrm.exe C:\\Varnset\\Zevlon\\install.log"
REG
    wine reg import 'C:\t\install.reg' >/dev/null 2>&1 || die "registry import"
    driver progman-group Zevlon Zevlon 'C:\Zevlon\zevlon.exe' >/dev/null ||
        die "Program Manager group not created"
    [ -d "$startmenu/Zevlon" ] || die "no Start Menu group after DDE CreateGroup"
    reg_has "$uninstall_key" DisplayName || die "uninstall key not imported"
}

# write_log [KIND FIRST SECOND]... : the standard entries, then the extra ones.
write_log() {
    driver writelog "$LOG" \
        0 Zevlon "" \
        2 'C:\Zevlon\Data' "" \
        2 'C:\Zevlon' "" \
        1 'C:\Zevlon\zevlon.exe' "" \
        1 'C:\Zevlon\ZEVLON.INI' "" \
        1 'C:\Zevlon\Data\adresar.qtf' "" \
        4 'C:\Common\zvcore.dll' "" \
        4 'C:\Common\zvkeep.dll' "" \
        4 'C:\Common\zvgrid.ocx' "" \
        5 'Zevlon.lnk' Zevlon \
        6 'HKLM\SOFTWARE\Zevlon' "" \
        3 reserved "" \
        77 'C:\Common\zvkeep.dll' "" \
        "$@" || die "install log not written"
}

# reg_has KEY [VALUE] : the key (or its value) exists.
reg_has() {
    if [ $# -eq 2 ]; then wine reg query "$1" /v "$2" >/dev/null 2>&1
    else wine reg query "$1" >/dev/null 2>&1; fi
}

dword() { wine reg query "$shared_key" /v "$1" 2>/dev/null | tr -d '\r' | awk '/REG_DWORD/ {print $NF}'; }

run_driver() { # script file; output kept in $C/t/driver.out
    driver run "$1" > "$C/t/driver.out" 2>&1 || { cat "$C/t/driver.out" >&2; die "driver: $scenario"; }
    tr -d '\r' < "$C/t/driver.out"
}

script() { printf '%s\n' "$@" > "$C/t/script.txt"; }
tab=$'\t'

# --- checks -----------------------------------------------------------------

check_installation_intact() {
    for f in Zevlon/zevlon.exe Zevlon/ZEVLON.INI Zevlon/Data/adresar.qtf Common/zvcore.dll \
             Common/zvgrid.ocx Varnset/Zevlon/install.log; do
        [ -e "$C/$f" ] || die "$f was removed"
    done
    [ "$(dword 'C:\Common\zvkeep.dll')" = 0x3 ] || die "zvkeep.dll count changed"
    [ "$(dword 'C:\Common\zvcore.dll')" = 0x1 ] || die "zvcore.dll count changed"
    [ -d "$startmenu/Zevlon" ] || die "Start Menu group removed"
    reg_has "$uninstall_key" || die "uninstall key removed"
    [ ! -e "$C/Common/unregistered.txt" ] || die "control unregistered"
    pass "installation intact"
}

check_removed() { # the product is gone; what others share stays
    for f in Zevlon/zevlon.exe Zevlon/ZEVLON.INI Zevlon/Data/adresar.qtf Zevlon/Data Zevlon \
             Common/zvcore.dll Common/zvgrid.ocx; do
        [ ! -e "$C/$f" ] || die "$f still there"
    done
    [ -e "$C/Common/zvkeep.dll" ] || die "zvkeep.dll (still in use) removed"
    [ "$(dword 'C:\Common\zvkeep.dll')" = 0x2 ] || die "zvkeep.dll count not 2"
    ! reg_has "$shared_key" 'C:\Common\zvcore.dll' || die "zvcore.dll count left"
    ! reg_has "$shared_key" 'C:\Common\zvgrid.ocx' || die "zvgrid.ocx count left"
    [ ! -d "$startmenu/Zevlon" ] || die "Start Menu group still there"
    ! reg_has "$uninstall_key" || die "uninstall key still there"
    pass "product removed, shared library in use kept with count 2"
}

check_unregistered() {
    grep -qx 'C:\\COMMON\\ZVGRID.OCX' <(tr -d '\r' < "$C/Common/unregistered.txt" 2>/dev/null) ||
        die "zvgrid.ocx was not unregistered (with its path in upper case)"
    pass "ActiveX control unregistered before deletion"
}

wininit() { find "$C/windows" -maxdepth 1 -iname wininit.ini -print -quit; }

check_no_restart_records() {
    [ -z "$(wininit)" ] || die "WININIT.INI written: $(cat "$(wininit)")"
    ! wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
        /v PendingFileRenameOperations >/dev/null 2>&1 || die "delayed delete requested"
    pass "nothing scheduled for restart"
}

# check_scheduled WINDOWS_PATH : both delayed-delete records name its short form.
check_scheduled() {
    local short
    short=$(driver shortpath "$1" | tr -d '\r') || die "no short path for $1"
    local ini
    ini=$(wininit)
    [ -n "$ini" ] || die "no WININIT.INI"
    tr -d '\r' < "$ini" | grep -qi '^\[rename\]' || die "WININIT.INI without [Rename]"
    tr -d '\r' < "$ini" | grep -qxF "NUL=$short" || die "WININIT.INI lacks NUL=$short: $(cat "$ini")"
    wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
        /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' | grep -qiF "$short" ||
        die "no delayed delete of $short"
    pass "scheduled for restart: WININIT.INI NUL=$short and delayed delete"
}

check_log_dirs_gone() {
    [ ! -e "$C/Varnset/Zevlon/install.log" ] || die "install log still there"
    [ ! -e "$C/Varnset" ] || die "empty directories above the log not removed"
    pass "install log and the empty directories above it removed"
}

# --- scenarios --------------------------------------------------------------

V150='Uninstall (Varnset 1.50)'
CONFIRM='Do you really want to remove the selected application from your computer ?'
SUCCESS='Uninstall has successfully removed the selected application.'

scenario_success() {
    install_product
    write_log 7 'C:\t\vtdriver.exe' 'exit 0'
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "answer${tab}Zevlon Uninstall${tab}OK${tab}$SUCCESS" \
           "exit${tab}0"
    run_driver 'C:\t\script.txt'
    check_removed
    check_unregistered
    check_no_restart_records
    check_log_dirs_gone
}

# One file held open by another program: listed in the restart dialog, both
# delayed-delete records made, no success message. The Program Manager group
# is named twice: the second deletion fails with the DDE message.
locked_setup() {
    install_product
    write_log 1 'C:\Common\Zevlon Help Viewer.dll' "" 5 'Readme.lnk' Zevlon
    rm -f "$C/t/held" "$C/t/release"
    driver hold 'C:\Common\Zevlon Help Viewer.dll' 'C:\t\held' 'C:\t\release' &
    holder=$!
    for _ in $(seq 100); do [ -e "$C/t/held" ] && break; sleep 0.1; done
    [ -e "$C/t/held" ] || die "file not held open"
}

locked_script() { # $1: the restart answer
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "answer${tab}Setup${tab}OK${tab}DdeClientTransaction Failed" \
           "see${tab}Restart${tab}item: C:\\Common\\Zevlon Help Viewer.dll" \
           "centred${tab}Restart" \
           "answer${tab}Restart${tab}$1${tab}item: C:\\Common\\Zevlon Help Viewer.dll" \
           "exit${tab}0"
}

check_locked_dialog() {
    local out=$1
    grep -q 'window "Setup" | Unable to update Start Menu DdeClientTransaction Failed \[\[DeleteGroup("Zevlon")\]\]' <<<"$out" ||
        die "no DDE failure message for the second deletion of the group"
    local items
    items=$(grep -m1 '^window "Restart"' <<<"$out" | grep -o 'item: [^|]*' | sed 's/ *$//')
    [ "$items" = 'item: C:\Common\Zevlon Help Viewer.dll' ] || die "restart list: $items"
    grep -q 'These files could not be removed because currently they are in use:' <<<"$out" ||
        die "restart dialog text"
    pass "restart dialog lists exactly the locked file; second group deletion reported"
}

scenario_locked() {
    locked_setup
    locked_script '&No'
    out=$(run_driver 'C:\t\script.txt')
    echo "$out"
    check_locked_dialog "$out"
    [ -e "$C/Common/Zevlon Help Viewer.dll" ] || die "locked file gone"
    check_scheduled 'C:\Common\Zevlon Help Viewer.dll'
    check_removed
    check_log_dirs_gone
    touch "$C/t/release"; wait "$holder"
}

# "&Yes" in the restart dialog reaches the system's restart: the end-session
# messages arrive at another program's window, and the restart deletes the
# scheduled file (which its holder, like every program at a restart, has let go).
scenario_restart() {
    locked_setup
    rm -f "$C/t/endsession.txt"
    driver endsession 'C:\t\endsession.txt' &
    for _ in $(seq 100); do [ -e "$C/t/endsession.txt" ] && break; sleep 0.1; done
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "answer${tab}Setup${tab}OK${tab}DdeClientTransaction Failed" \
           "see${tab}Restart${tab}item: C:\\Common\\Zevlon Help Viewer.dll" \
           "touch${tab}C:\\t\\release" \
           "sleep${tab}500" \
           "exists${tab}C:\\Common\\Zevlon Help Viewer.dll" \
           "answer${tab}Restart${tab}&Yes${tab}item: C:\\Common\\Zevlon Help Viewer.dll" \
           "exit${tab}0"
    out=$(run_driver 'C:\t\script.txt')
    echo "$out"
    check_locked_dialog "$out"
    for _ in $(seq 100); do grep -q '^endsession' "$C/t/endsession.txt" 2>/dev/null && break; sleep 0.1; done
    tr -d '\r' < "$C/t/endsession.txt" | grep -qx queryendsession || die "no end-session query"
    tr -d '\r' < "$C/t/endsession.txt" | grep -qx endsession || die "session did not end"
    pass "restart request reached the system (end-session messages)"
    for _ in $(seq 100); do [ -e "$C/Common/Zevlon Help Viewer.dll" ] || break; sleep 0.1; done
    [ ! -e "$C/Common/Zevlon Help Viewer.dll" ] || die "locked file not deleted at the restart"
    pass "locked file deleted at the restart"
}

scenario_decline() {
    install_product
    write_log
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&No${tab}$CONFIRM" \
           "exit${tab}0"
    run_driver 'C:\t\script.txt'
    check_installation_intact
    check_no_restart_records
}

scenario_customfail() {
    install_product
    write_log 7 'C:\t\vtdriver.exe' 'exit 1'
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "answer${tab}$V150${tab}OK${tab}Custom uninstall run failed. Varnset will stop application removal." \
           "answer${tab}Zevlon Uninstall${tab}OK${tab}Uninstall has been aborted. Only parts of the application could be removed." \
           "exit${tab}0${tab}Removing application"
    run_driver 'C:\t\script.txt'
    check_installation_intact
}

scenario_nocmdline() {
    install_product
    write_log
    script "start${tab}C:\\t\\varnsetrm.exe" \
           "answer${tab}$V150${tab}OK${tab}Unable to locate Setup logfile." \
           "answer${tab}$V150${tab}OK${tab}Uninstall has been terminated due to an initialization error. The product has NOT been removed from your computer." \
           "exit${tab}0"
    run_driver 'C:\t\script.txt'
    check_installation_intact
}

# "&Cancel" of the removal dialog does nothing: a custom program keeps the
# dialog open while it is pressed, and the removal then runs to its end.
scenario_cancel() {
    install_product
    write_log 7 'C:\t\vtdriver.exe' 'pause C:\t\go'
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "press${tab}Removing application${tab}&Cancel${tab}Loading install-log" \
           "see${tab}Removing application${tab}(Please wait)" \
           "centred${tab}Removing application" \
           "touch${tab}C:\\t\\go" \
           "answer${tab}Zevlon Uninstall${tab}OK${tab}$SUCCESS" \
           "exit${tab}0"
    run_driver 'C:\t\script.txt'
    check_removed
    check_log_dirs_gone
}

# Version 1.30: no unregistration, no list; the success message always, then
# its own restart dialog because a file was locked.
scenario_v130() {
    locked_setup
    script "start${tab}C:\\t\\varnsetrm130.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "answer${tab}Setup${tab}OK${tab}DdeClientTransaction Failed" \
           "answer${tab}Zevlon Uninstall${tab}OK${tab}Uninstall has successfully removed the selected application. Reboot your computer to also remove system files that are locked at the moment." \
           "answer${tab}Restart${tab}&No${tab}Some files could not be removed while running this uninstall. Your system has to be restarted to remove these locked system files." \
           "exit${tab}0"
    out=$(run_driver 'C:\t\script.txt')
    echo "$out"
    [ ! -e "$C/Common/zvgrid.ocx" ] || die "control not deleted"
    [ ! -e "$C/Common/unregistered.txt" ] || die "1.30 unregistered the control"
    check_scheduled 'C:\Common\Zevlon Help Viewer.dll'
    [ ! -e "$C/Zevlon" ] || die "product directory left"
    ! reg_has "$uninstall_key" || die "uninstall key still there"
    check_log_dirs_gone
    pass "version 1.30 flow"
    touch "$C/t/release"; wait "$holder"
}

# The product's data directory was replaced by a link to a directory outside
# it: the file the log names behind the link stays where the link leads. Wine
# cannot remove a link to a directory at once (Windows can), so the link
# itself, and with it its parent, is scheduled for the restart.
scenario_link() {
    install_product
    mkdir -p "$C/Outside"
    mv "$C/Zevlon/Data/adresar.qtf" "$C/Outside/adresar.qtf"
    rmdir "$C/Zevlon/Data"
    ln -s "$C/Outside" "$C/Zevlon/Data"
    write_log
    script "start${tab}C:\\t\\varnsetrm.exe${tab}$LOG" \
           "answer${tab}Zevlon Uninstall${tab}&Yes${tab}$CONFIRM" \
           "answer${tab}Restart${tab}&No${tab}item: C:\\Zevlon\\Data | item: C:\\Zevlon |" \
           "exit${tab}0"
    run_driver 'C:\t\script.txt'
    [ -f "$C/Outside/adresar.qtf" ] || die "file behind the link deleted"
    [ -d "$C/Outside" ] || die "directory behind the link removed"
    [ ! -e "$C/Zevlon/zevlon.exe" ] || die "product file left"
    pass "nothing followed through the link"
}

type "scenario_$scenario" >/dev/null 2>&1 || die "unknown scenario $scenario"
"scenario_$scenario"
echo "PASSED $scenario"
