#!/usr/bin/env bash
# check-imports.sh OBJDUMP EXE ALLOWLIST
# Fails when EXE imports a DLL function that ALLOWLIST does not list. Windows 98
# refuses to start a program with an import it lacks, so every import must be a
# function known to exist there. ALLOWLIST lines: "DLL FUNCTION WHERE-CONFIRMED";
# "#" starts a comment; DLL names match in any case.
set -euo pipefail
objdump="$1" exe="$2" allowlist="$3"

allowed=$(sed -e 's/#.*//' "$allowlist" | awk 'NF >= 2 { print tolower($1) "!" $2 }' | sort -u)
imports=$("$objdump" -p "$exe" | awk '
  /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
  /^[[:space:]]*$/ { dll = "" ; next }
  dll != "" && $1 ~ /^[0-9a-fA-F]+$/ && NF >= 3 && $2 ~ /^[0-9]+$/ { print dll "!" $3 }
  dll != "" && /<none>/ { print dll "!<ordinal " $2 ">" }
' | sort -u)

if [[ -z "$imports" ]]; then
  echo "check-imports: no imports read from $exe (objdump output not understood)" >&2
  exit 1
fi
missing=$(comm -23 <(printf '%s\n' "$imports") <(printf '%s\n' "$allowed"))
if [[ -n "$missing" ]]; then
  echo "check-imports: $exe imports functions that are not on the Windows 98 list ($allowlist):" >&2
  printf '  %s\n' $missing >&2
  exit 1
fi
echo "check-imports: $(printf '%s\n' "$imports" | wc -l) imports of $(basename "$exe"), all on the Windows 98 list"
