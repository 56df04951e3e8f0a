#!/bin/sh
# Runs a Windows program under Wine in the build's own prefix, without Wine's
# debug channels and without offering to install Mono or Gecko.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
#        wine-run.sh PREFIX --start-server | --stop-server
#
# --start-server creates the prefix if it is new and keeps one wineserver and
# Wine's own processes running for it, so that the programs run next start in
# a second instead of several, and side by side, until --stop-server ends
# them. The server and Wine's own processes keep the files of the program
# that starts them open (a caller that waits for the end of a pipe would wait
# for ever): here they and wineboot write to PREFIX.log.
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
case $1 in
--start-server)
    wineserver -k 2>/dev/null  # one left from an earlier run
    # The server starts in the prefix's folder, which wineboot then fills.
    if ! mkdir -p "$prefix" || ! wineserver -p </dev/null >"$prefix.log" 2>&1 ||
        ! wine wineboot -i </dev/null >>"$prefix.log" 2>&1; then
        cat "$prefix.log" >&2
        exit 1
    fi
    exit 0
    ;;
--stop-server)
    wineserver -k 2>/dev/null  # unless it has ended already
    exit 0
    ;;
esac
exec wine "$@"
