#!/usr/bin/env bash
# The wine prefixes of the Windows build's tests and benchmarks, each served by one persistent wineserver:
#   wine-prefix.sh make PREFIX [x11]       a new prefix, its server and wine's services started (graphics: null)
#   wine-prefix.sh copy PREFIX FROM        the same from a copy of FROM, as make left it
#   wine-prefix.sh run PREFIX PROGRAM ...  PROGRAM in it without a display, the screen at $KICKLIST_TEST_DPI
#                                          (96) dpi, the windows' faces drawn in $KICKLIST_TEST_FACE (IPAPGothic)
#   wine-prefix.sh wait PREFIX [SECONDS]   until nothing but wine's own services runs in it
#   wine-prefix.sh stop PREFIX             its server and everything in it ended, the registry saved
# Wine gets no output of the caller's: its services, and the desktop while any window stays, outlive the program
# that started them and would hold the caller's pipe (CTest's) open. Each step is bounded and named if it overruns.
set -uo pipefail
what=$1 WINEPREFIX=$(realpath -m "$2")
shift 2
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" LANG=${LANG:-C.UTF-8}
wine=$(realpath "$(command -v wine64 || echo /usr/lib/wine/wine64)") log=$WINEPREFIX/wine.log
fail() {
    echo "wine-prefix $what: $*" >&2
    exit 1
}
[ -x "$wine" ] && command -v wineserver >/dev/null || fail "wine64 not found; scripts/setup.sh installs wine"

# step SECONDS WHAT COMMAND...: a wine command, its output kept in the prefix's log.
step() {
    local seconds=$1 doing=$2
    shift 2
    timeout -k 5 "$seconds" "$wine" "$@" </dev/null >>"$log" 2>&1
    case $? in
    0) ;;
    124 | 137) fail "$doing did not end within $seconds s" ;;
    *) fail "$doing failed: $(tail -n 3 "$log" | tr '\n' ' ')" ;;
    esac
}

# Imports the .reg lines on stdin (regedit reads UTF-16).
settings() {
    { printf 'Windows Registry Editor Version 5.00\n\n' && cat; } | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16 \
        >"$WINEPREFIX/drive_c/settings.reg" && step 60 regedit regedit /S 'C:\settings.reg'
}

# The processes in this prefix, one a line: the program's file and its command line.
processes() {
    for environ in $(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
        echo "$(readlink "${environ%/*}/exe") $(tr '\0' ' ' <"${environ%/*}/cmdline")"
    done 2>/dev/null
}

# wait_programs SECONDS: until only wine's services run (the desktop ends by itself).
wait_programs() {
    for ((i = 0; i < $1 * 4; i++)); do
        left=$(processes | grep "^$wine " | grep -Ev \
            'system32\\(services|winedevice|plugplay|svchost|rpcss)\.exe|explorer\.exe /desktop') || return 0
        sleep 0.25
    done
    fail "still running after $1 s: $left"
}

stop() {
    processes | grep '^[^ ]*/wineserver' >/dev/null || return 0
    wineserver -k >/dev/null 2>&1
    timeout 60 wineserver -w >/dev/null 2>&1
    [ $? != 124 ] || fail "the wineserver did not end within 60 s"
}

# The server, and wine's services started by a first program as no one's children.
serve() {
    timeout 30 wineserver -p </dev/null >/dev/null 2>&1 || fail "the wineserver did not start"
    [ "${1-}" ] || step 120 "starting wine's services (wineboot)" wineboot
    wait_programs 120
}

case $what in
make)
    [ -n "$(fc-list IPAPGothic)" ] || fail "the IPAPGothic font is missing; scripts/setup.sh installs fonts-ipafont-gothic"
    [[ $(locale -a) == *ja_JP.utf8* ]] || fail "the ja_JP.UTF-8 locale is missing; scripts/setup.sh makes it"
    stop
    rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" && serve new
    step 300 "making the prefix (wineboot -i)" wineboot -i
    # x11 for the caller's display, without a window manager; else no display, windows and focus all the same.
    settings <<<"[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
\"Graphics\"=\"${1:-null}\"
[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
\"Managed\"=\"N\""
    stop # saves the registry, for copies
    serve
    ;;
copy)
    stop
    rm -rf "$WINEPREFIX" && cp -a "$1" "$WINEPREFIX" || fail "cannot copy $1"
    serve
    settings <<<'[-HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
[-HKEY_CURRENT_USER\Software\Kicklist]
[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060'
    ;;
run)
    processes | grep '^[^ ]*/wineserver' >/dev/null || fail "no wineserver serves $WINEPREFIX (the test win32.prefix)"
    unset DISPLAY WAYLAND_DISPLAY
    face=${KICKLIST_TEST_FACE:-IPAPGothic} seconds=${KICKLIST_WINE_TIMEOUT:-540} out=$(mktemp)
    # The Japanese faces the designs ask for, drawn in one of a Japanese system's measures whatever the locale.
    settings <<<"[HKEY_CURRENT_USER\\Control Panel\\Desktop]
\"LogPixels\"=dword:$(printf %08x "${KICKLIST_TEST_DPI:-96}")
[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
\"Tahoma\"=\"$face\"
\"MS UI Gothic\"=\"$face\"
\"ＭＳ Ｐゴシック\"=\"$face\""
    timeout -k 10 "$seconds" "$wine" "$@" </dev/null >"$out" 2>&1
    status=$?
    cat "$out" && rm -f "$out"
    [ $status != 124 ] && [ $status != 137 ] || fail "${1##*/} did not end within $seconds s"
    exit $status
    ;;
wait) wait_programs "${1:-60}" ;;
stop) stop ;;
*) fail "make, copy, run, wait or stop" ;;
esac
