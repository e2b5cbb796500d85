#!/usr/bin/env bash
# Each module must export `_mod_descrip` and nothing else.
set -euo pipefail
dir=${1:-build}
status=0
for so in "$dir"/QM_Quillrim_S.so "$dir"/QM_Quillrim_P.so; do
  if [ ! -f "$so" ]; then echo "missing $so" >&2; status=1; continue; fi
  syms=$(nm -D --defined-only "$so" | awk '{print $NF}' | grep -vxE '_init|_fini|_edata|_end|__bss_start' || true)
  if [ "$syms" != "_mod_descrip" ]; then
    echo "$so exports: $syms" >&2; status=1
  fi
  libs=$(objdump -p "$so" | awk '/NEEDED/{print $2}' | grep -vxE 'libstdc\+\+\.so\.6|libm\.so\.6|libgcc_s\.so\.1|libc\.so\.6|ld-linux-x86-64\.so\.2|libasan\.so\.[0-9]+|libubsan\.so\.[0-9]+' || true)
  if [ -n "$libs" ]; then echo "$so links beyond the C and C++ runtime: $libs" >&2; status=1; fi
done
[ $status -eq 0 ] && echo "exports: _mod_descrip only, runtime libraries only"
exit $status
