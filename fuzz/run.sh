#!/bin/sh
# run.sh FUZZER SEEDS [libFuzzer options...]: fuzzes from the seed corpus without adding
# to it (new inputs go to a scratch directory that is removed afterwards).
set -u
fuzzer=$1
seeds=$2
shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" "$@" "$scratch" "$seeds"
