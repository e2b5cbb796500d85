#!/usr/bin/env bash
# Formats every C and C++ file of the tree with .clang-format:
#   scripts/format.sh           rewrite the files in place
#   scripts/format.sh --check   change nothing; list the files that differ and fail
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h' |
  grep -vE '^(build|build-[^/]*)/')
case "${1:-}" in
  --check)
    if ! clang-format --dry-run --Werror "${files[@]}" 2>/dev/null; then
      for f in "${files[@]}"; do
        clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "needs formatting: $f"
      done
      echo "format: run scripts/format.sh to format these files" >&2
      exit 1
    fi
    echo "format: every file follows .clang-format" ;;
  "") clang-format -i "${files[@]}" ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
