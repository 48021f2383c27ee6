#!/bin/sh
# wine-run.sh PREFIX WINE PROGRAM [ARG...] - runs a Windows program under Wine, quietly, in the
# private prefix PREFIX, without the Mono and Gecko installers a new prefix would offer.
#
# The program's output goes to files first and is copied to ours when it ends. The first
# program of a prefix also starts the wineserver and Wine's own service processes, which
# inherit its output streams and keep them open until the server quits, after the last program
# of a whole test run: a test runner reading a pipe would see that first test last the whole
# run, holding one of its parallel slots and counting against its time-out.
prefix=$1
wine=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
out=$(mktemp) || exit 1
err=$(mktemp) || exit 1
trap 'rm -f "$out" "$err"' EXIT
"$wine" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
exit $status
