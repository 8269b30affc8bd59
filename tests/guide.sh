#!/bin/sh
# Runs every command that docs/guide.md shows, with cram, and fails when one
# of them no longer prints what the guide says it prints.
set -eu
tests=$(cd "$(dirname "$0")" && pwd)

# Shows as skipped, with the reason; CI counts a skip as a failure.
cannot() {
    echo "$1"
    exit 77
}

if [ "$(uname -m)" != x86_64 ]; then
    cannot "the guide's addresses and debugger sessions are those of 64-bit x86, not $(uname -m)"
fi
for tool in cram3 gdb g++ setarch; do
    command -v "$tool" >/dev/null ||
        cannot "the guide's commands need $tool, which is not installed"
done

# The guide shows addresses that change from run to run. setarch turns the
# randomisation back on where a process turned it off for itself and its
# children; where the system has it off, the stack stays put.
stack() { setarch "$(uname -m)" grep '\[stack\]' /proc/self/maps; }
if [ "$(stack)" = "$(stack)" ]; then
    cannot "the guide's addresses change from run to run, but address randomisation is off here"
fi

# cram writes guide.md.err beside the file it runs, so it runs a copy.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$tests/../docs/guide.md" "$scratch/"
GUIDE_TOP="$tests/.." cram3 --indent=4 --shell="$tests/guide-shell" \
    "$scratch/guide.md"
