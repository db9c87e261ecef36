#!/usr/bin/env bash
# Checks the files installed for the desktop: the desktop entry passes desktop-file-validate,
# and the man pages format without a warning from man --warnings. Run by the test suite.
set -euo pipefail
dist="$(cd "$(dirname "$0")" && pwd)"
status=0
desktop-file-validate "$dist/tamsor.desktop" || status=1
for page in "$dist"/man/*.1; do
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    if [ -n "$warnings" ]; then
        echo "${page##*/}: $warnings" >&2
        status=1
    fi
done
exit $status
