#!/bin/sh
# Runs a Windows program under Wine in the build's own prefix, without Wine's
# debug channels and without offering to install Mono or Gecko.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
