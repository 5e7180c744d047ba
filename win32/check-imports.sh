#!/usr/bin/env bash
# check-imports.sh OBJDUMP EXE ALLOWLIST
#   Fails when EXE imports a DLL function that ALLOWLIST does not list as present
#   on Windows 98. Windows 98 refuses to start a program with an import it lacks.
# check-imports.sh --calls CALLS ALLOWLIST
# check-imports.sh --calls-i686 CALLS ALLOWLIST
#   Fails when CALLS (one "dll.function" a line: the functions a program called at
#   run time) names a function that ALLOWLIST does not list as present.
# ALLOWLIST lines: "DLL FUNCTION WHERE-CONFIRMED"; "#" starts a comment; DLL names
# match in any case. A function whose WHERE-CONFIRMED is "w9xstub" is exported by
# Windows 95/98/Me only as a stub that fails, and counts as missing. One marked
# "x64build" is called only by the x86-64 test build: it passes in the calls of
# that build (--calls) and counts as missing among the imports and in the calls of
# the shipped 32-bit program (--calls-i686).
set -euo pipefail
# listed ALLOWLIST stub|present|x64: the "dll!function" entries of one kind.
listed() {
  sed -e 's/#.*//' "$1" | awk -v kind="$2" 'NF >= 2 {
    k = $3 == "w9xstub" ? "stub" : $3 == "x64build" ? "x64" : "present"
    if (k == kind) print tolower($1) "!" $2 }' | sort -u
}

if [[ "${1:-}" == "--calls" || "${1:-}" == "--calls-i686" ]]; then
  calls="$2" allowlist="$3" what="calls"; counted="functions called, listed in"
  used=$(awk -F. 'NF >= 2 { f = $NF; d = tolower(substr($0, 1, length($0) - length(f) - 1))
                            if (d !~ /\.(dll|drv)$/) d = d ".dll"; print d "!" f }' "$calls" | sort -u)
  subject=$(basename "$calls")
  if [[ "$1" == "--calls" ]]; then
    present=$( (listed "$allowlist" present; listed "$allowlist" x64) | sort -u)
  else
    present=$(listed "$allowlist" present)
  fi
else
  objdump="$1" exe="$2" allowlist="$3" what="imports"; counted="imports of"
  used=$("$objdump" -p "$exe" | awk '
    /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
    /^[[:space:]]*$/ { dll = "" ; next }
    dll != "" && $1 ~ /^[0-9a-fA-F]+$/ && NF >= 3 && $2 ~ /^[0-9]+$/ { print dll "!" $3 }
    dll != "" && /<none>/ { print dll "!<ordinal " $2 ">" }
  ' | sort -u)
  subject=$(basename "$exe")
  present=$(listed "$allowlist" present)
  if [[ -z "$used" ]]; then
    echo "check-imports: no imports read from $exe (objdump output not understood)" >&2
    exit 1
  fi
fi

status=0
stubs=$(comm -12 <(printf '%s\n' "$used") <(listed "$allowlist" stub))
if [[ -n "$stubs" ]]; then
  echo "check-imports: $subject $what functions that Windows 95/98 only stub (w9xstub in $allowlist):" >&2
  printf '  %s\n' $stubs >&2
  status=1
fi
missing=$(comm -23 <(printf '%s\n' "$used") <(printf '%s\n' "$present") |
          comm -23 - <(listed "$allowlist" stub))
if [[ -n "$missing" ]]; then
  echo "check-imports: $subject $what functions that are not on the Windows 98 list ($allowlist):" >&2
  printf '  %s\n' $missing >&2
  status=1
fi
((status == 0)) || exit 1
echo "check-imports: $(printf '%s\n' "$used" | grep -c .) $counted $subject, all on the Windows 98 list"
