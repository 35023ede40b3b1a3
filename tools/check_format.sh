#!/usr/bin/env bash
# Fails when a source file drifts from the project's .clang-format and names
# the files; tools/check_format.sh --fix rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1 >/dev/null) && status=0 || status=$?
if ((status)); then
    mapfile -t drift < <(grep -oE '^[^:]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)
    echo "format: ${#drift[@]} file(s) differ from .clang-format (fix: tools/check_format.sh --fix):" >&2
    printf '  %s\n' "${drift[@]}" >&2
    grep -m 20 -A2 ': error' <<<"$report" >&2 || true
    exit 1
fi
echo "format: ${#files[@]} files as .clang-format wants them"
