#!/bin/sh
# Runs every benchmark; exits non-zero when any figure missed its target.
bin=$1
sim=$2
export QT_QPA_PLATFORM=offscreen
status=0
"$bin/bench_startup" 2>/dev/null || status=1
"$bin/bench_upload" "$sim" 2>/dev/null || status=1
"$bin/bench_log" 2>/dev/null || status=1
"$bin/bench_parse" 2>/dev/null || status=1
"$bin/bench_sync" "$sim" 2>/dev/null || status=1
"$bin/bench_numberlist" 2>/dev/null || status=1
"$bin/bench_accesslist" 2>/dev/null || status=1
"$bin/bench_compare" "$sim" 2>/dev/null || status=1
"$bin/bench_sites" 2>/dev/null || status=1
echo
if [ $status -eq 0 ]; then echo "All figures within their targets."; else echo "Some figures MISSED their targets."; fi
exit $status
