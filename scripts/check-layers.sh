#!/usr/bin/env bash
# Checks the tree against the layer table in docs/architecture.md:
# scripts/check-layers.sh
#
# The table, between the include-table markers, lists each source folder and
# the folders it may include. A file belongs to the longest folder of the
# table that starts its path. Three things are checked:
#  - every `#include "..."`: an include without a folder (a file beside the
#    includer) is always allowed; angle-bracket includes (the standard library
#    and third-party libraries) are not checked;
#  - every forward declaration (`struct X;` or `class X;` on a line of its
#    own): it may not name a type defined only in folders the file may not
#    include, so a lower layer cannot name a higher layer's type;
#  - each minihost folder's CMakeLists.txt: its target_link_libraries name
#    exactly the minihost folders (minihost_NAME) its files include, and
#    qr_host when they include host/, so the libraries follow the table too.
# A source file under no folder of the table is an error too, so the table
# stays complete.
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
    # The library of a folder: host/ -> qr_host, minihost/NAME/ -> minihost_NAME.
    function libraryOf(folder,    name) {
      if (folder == "host/") return "qr_host"
      if (folder !~ /^minihost\/[^\/]+\/$/) return ""
      name = folder; sub(/^minihost\//, "", name); sub(/\/$/, "", name)
      return "minihost_" name
    }
    function allowedAsFile(folder, target,    list, n, i, entry) {
      n = split(allowed[folder], list, /[ ,]+/)
      for (i = 1; i <= n; ++i) {
        entry = list[i]; gsub(/`/, "", entry)
        if (entry == target && entry !~ /\/$/) return 1
      }
      return 0
    }
    function typeName(text,    name) {
      name = text
      sub(/^[ \t]*(struct|class)[ \t]+/, "", name); sub(/[^A-Za-z0-9_].*$/, "", name)
      return name
    }
    {
      file = $0
      owner = ownerOf(file)
      if (owner == "") { print file ": in no folder of the layer table (" table ")"; bad = 1; next }
      hasFiles[owner] = 1
      lineNo = 0
      while ((getline text < file) > 0) {
        ++lineNo
        if (text ~ /^[ \t]*(struct|class)[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*;/) {
          ++nforward
          forwardName[nforward] = typeName(text); forwardAt[nforward] = file ":" lineNo
          forwardOwner[nforward] = owner
          continue
        }
        if (text ~ /^[ \t]*(struct|class)[ \t]+[A-Za-z_][A-Za-z0-9_]*([ \t]+final)?[ \t]*(:[^:]|:$|\{|$)/) {
          definedIn[typeName(text)] = definedIn[typeName(text)] " " file
          continue
        }
        if (text !~ /^[ \t]*#[ \t]*include[ \t]*"/) continue
        target = text
        sub(/^[^"]*"/, "", target); sub(/".*$/, "", target)
        if (index(target, "/") == 0) continue
        if (!mayInclude(owner, target)) {
          printf "%s:%d: %s may not include %s (it may include:%s)\n", file, lineNo, owner, target, allowed[owner]
          bad = 1
        }
        # A header the table allows by its own name is header-only: it needs
        # no link to the folder it lives in.
        used = ownerOf(target)
        if (used != owner && libraryOf(used) != "" && !allowedAsFile(owner, target))
          uses[owner, libraryOf(used)] = file ":" lineNo
      }
      close(file)
    }
    # A forward declaration is wrong when every definition of its name lies
    # in a folder the declaring file may not include.
    function checkForward(i,    n, defs, k, ok) {
      n = split(definedIn[forwardName[i]], defs, " ")
      if (n == 0) return  # a type of no source file here (a third-party one)
      ok = 0
      for (k = 1; k <= n; ++k) if (mayInclude(forwardOwner[i], defs[k])) ok = 1
      if (!ok) {
        printf "%s: %s may not declare %s, a type of %s (it may include:%s)\n", forwardAt[i], forwardOwner[i],
               forwardName[i], defs[1], allowed[forwardOwner[i]]
        bad = 1
      }
    }
    # The libraries named in a CMakeLists.txt by its target_link_libraries.
    function linkedBy(cmake, links,    text, line, call, n, words, k) {
      text = ""
      while ((getline line < cmake) > 0) { sub(/#.*$/, "", line); text = text " " line }
      close(cmake)
      while (match(text, /target_link_libraries\([^)]*\)/)) {
        call = substr(text, RSTART, RLENGTH); text = substr(text, RSTART + RLENGTH)
        n = split(call, words, /[ \t()]+/)
        for (k = 1; k <= n; ++k) if (words[k] ~ /^(minihost_[a-z_]+|qr_host)$/) links[words[k]] = 1
      }
    }
    function checkLinks(folder,    cmake, own, links, lib, key, parts, i, want) {
      cmake = folder "CMakeLists.txt"
      if ((getline line < cmake) <= 0) { print cmake ": missing: each minihost folder builds its library"; bad = 1; return }
      close(cmake)
      own = libraryOf(folder)
      split("", links)
      linkedBy(cmake, links)
      delete links[own]
      for (lib in links) {
        want = lib == "qr_host" ? "host/" : "minihost/" substr(lib, 10) "/"
        if (!mayInclude(folder, want)) {
          printf "%s: %s links %s, which %s may not include (it may include:%s)\n", cmake, own, lib, folder,
                 allowed[folder]
          bad = 1
        } else if (!((folder, lib) in uses)) {
          printf "%s: %s links %s, which no file of %s includes\n", cmake, own, lib, folder
          bad = 1
        }
      }
      for (key in uses) {
        split(key, parts, SUBSEP)
        if (parts[1] == folder && !(parts[2] in links)) {
          printf "%s: %s includes %s but %s does not link it\n", uses[key], folder, parts[2], cmake
          bad = 1
        }
      }
    }
    END {
      if (broken) exit 2
      for (i = 1; i <= nforward; ++i) checkForward(i)
      for (i = 1; i <= nfolders; ++i)
        if (libraryOf(folders[i]) ~ /^minihost_/ && hasFiles[folders[i]]) checkLinks(folders[i])
      if (bad) { print "layer check failed: see " table > "/dev/stderr"; exit 1 }
      print "layers: every include, forward declaration and minihost library follows " table
    }'
