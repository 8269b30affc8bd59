#!/bin/sh
# Runs every command that docs/guide.md shows, with cram, and fails when one
# of them no longer prints what the guide says it prints.
set -eu
tests=$(cd "$(dirname "$0")" && pwd)

for tool in cram3 gdb g++ setarch; do
    if ! command -v "$tool" >/dev/null; then
        echo "the guide's commands need $tool, which is not installed"
        # CI has every tool, so there a skip would hide a stale guide.
        if [ -n "${CI:-}" ]; then exit 1; fi
        exit 77
    fi
done

# cram writes guide.md.err beside the file it runs, so it runs a copy.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$tests/../docs/guide.md" "$scratch/"
GUIDE_TOP="$tests/.." cram3 --indent=4 --shell="$tests/guide-shell" \
    "$scratch/guide.md"
