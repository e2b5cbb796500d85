#!/usr/bin/env bash
# Checks every `#include "..."` of the tree against the layer table in
# docs/architecture.md: scripts/check-layers.sh
#
# The table, between the include-table markers, lists each source folder and
# the folders it may include. A file belongs to the longest folder of the
# table that starts its path. An include without a folder (a file beside the
# includer) is always allowed; angle-bracket includes (the standard library
# and third-party libraries) are not checked. A source file under no folder of
# the table is an error too, so the table stays complete.
set -euo pipefail
cd "$(dirname "$0")/.."
table=docs/architecture.md

git ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h' |
  grep -vE '^(build|build-[^/]*)/' |
  awk -v table="$table" '
    BEGIN {
      while ((getline line < table) > 0) {
        if (line ~ /<!-- include-table:begin -->/) { inside = 1; continue }
        if (line ~ /<!-- include-table:end -->/) { inside = 0; continue }
        if (!inside || line !~ /^\| *`/) continue
        split(line, cells, "|")
        folder = cells[2]; gsub(/[ `]/, "", folder)
        allowed[folder] = cells[3]
        folders[++nfolders] = folder
      }
      if (nfolders == 0) { print table ": no include table found" > "/dev/stderr"; broken = 1; exit 2 }
    }
    # The longest folder of the table that starts `path`, or "".
    function ownerOf(path,    i, best) {
      best = ""
      for (i = 1; i <= nfolders; ++i)
        if (index(path, folders[i]) == 1 && length(folders[i]) > length(best)) best = folders[i]
      return best
    }
    function mayInclude(folder, target,    list, n, i, entry) {
      n = split(allowed[folder], list, /[ ,]+/)
      for (i = 1; i <= n; ++i) {
        entry = list[i]; gsub(/`/, "", entry)
        if (entry != "" && index(target, entry) == 1) return 1
      }
      return 0
    }
    {
      file = $0
      owner = ownerOf(file)
      if (owner == "") { print file ": in no folder of the layer table (" table ")"; bad = 1; next }
      lineNo = 0
      while ((getline text < file) > 0) {
        ++lineNo
        if (text !~ /^[ \t]*#[ \t]*include[ \t]*"/) continue
        target = text
        sub(/^[^"]*"/, "", target); sub(/".*$/, "", target)
        if (index(target, "/") == 0) continue
        if (!mayInclude(owner, target)) {
          printf "%s:%d: %s may not include %s (it may include:%s)\n", file, lineNo, owner, target, allowed[owner]
          bad = 1
        }
      }
      close(file)
    }
    END {
      if (broken) exit 2
      if (bad) { print "layer check failed: see " table > "/dev/stderr"; exit 1 }
      print "layers: every include follows " table
    }'
