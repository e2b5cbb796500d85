#!/usr/bin/env bash
# scripts/check-layers.sh on a small tree of two minihost folders: it passes
# as written, and fails, naming the fault, on each wrong-way use planted in it.
# usage: check_layers_test.sh SOURCE-DIR
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q
mkdir -p scripts docs host minihost/low minihost/high
cp "$src/scripts/check-layers.sh" scripts/
cat > docs/architecture.md <<'TABLE'
<!-- include-table:begin -->
| folder | may include |
|---|---|
| `host/` | `host/` |
| `minihost/low/` | `host/` `minihost/low/` |
| `minihost/high/` | `host/` `minihost/low/` `minihost/high/` |
<!-- include-table:end -->
TABLE
printf 'struct Api {\n    int x;\n};\n' > host/api.h
printf '#include "host/api.h"\nstruct Low {\n    Api api;\n};\n' > minihost/low/low.h
printf '#include "minihost/low/low.h"\nstruct High {\n    Low low;\n};\n' > minihost/high/high.h
printf 'target_link_libraries(minihost_low PUBLIC qr_host)\n' > minihost/low/CMakeLists.txt
printf 'target_link_libraries(minihost_high PUBLIC minihost_low)\n' > minihost/high/CMakeLists.txt
git add -A
git -c user.name=test -c user.email=test@localhost commit -qm tree

failures=0
# expect NAME pass|fail [MESSAGE]: runs the script on the tree as it is now.
expect() {
  local name=$1 want=$2 message=${3:-} out status=0
  out=$(bash scripts/check-layers.sh 2>&1) || status=$?
  if [ "$want" = pass ] && [ $status -ne 0 ]; then
    echo "FAIL $name: expected a pass, got status $status: $out"; failures=$((failures + 1))
  elif [ "$want" = fail ] && { [ $status -ne 1 ] || ! grep -qF -- "$message" <<<"$out"; }; then
    echo "FAIL $name: expected status 1 and \"$message\", got status $status: $out"; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
  git checkout -q -- . && git clean -qfd
}

expect "the tree as written" pass
echo '#include "minihost/high/high.h"' > minihost/low/low.cpp
expect "an include of a higher folder" fail "minihost/low/low.cpp:1: minihost/low/ may not include minihost/high/high.h"
sed -i 's/^struct Low {/struct High;\nstruct Low {/' minihost/low/low.h
expect "a forward declaration of a higher folder's type" fail \
  "minihost/low/low.h:2: minihost/low/ may not declare High, a type of minihost/high/high.h"
printf 'namespace other {\nstruct High;\n}\n' > minihost/high/other.h
expect "a forward declaration beside the definition" pass
sed -i 's/qr_host)/qr_host minihost_high)/' minihost/low/CMakeLists.txt
expect "a link to a higher folder" fail "minihost_low links minihost_high, which minihost/low/ may not include"
sed -i 's/ minihost_low)/)/' minihost/high/CMakeLists.txt
expect "an include without its link" fail "minihost/high/ includes minihost_low but minihost/high/CMakeLists.txt does not link it"
sed -i 's/minihost_low)/minihost_low qr_host)/' minihost/high/CMakeLists.txt
expect "a link that nothing includes" fail "minihost_high links qr_host, which no file of minihost/high/ includes"
mkdir -p other && echo 'int x;' > other/x.h
expect "a file in no folder of the table" fail "other/x.h: in no folder of the layer table"
[ $failures -eq 0 ]
