#!/usr/bin/env python3
"""runtime_calls.py OBJDUMP EXE SYSTEM_DIR RELAY_LOG PID OUT

Writes to OUT the DLL functions that EXE called while it ran under Wine with the
relay channel on (WINEDEBUG=+pid,+relay, RelayFromInclude naming EXE): the calls
of process PID (decimal) that return into EXE's own image, one "dll.function" a line, sorted, unique, the DLL
in lower case without ".dll".

Wine's relay names the function that finally ran. Where EXE imports a function
that Wine's DLL only forwards to another DLL (kernel32's EnterCriticalSection is
ntdll's RtlEnterCriticalSection), the call is written as the import EXE names,
read from the export tables of the DLLs in SYSTEM_DIR (the prefix's system32).
"""
import os
import re
import subprocess
import sys

CALL = re.compile(r"\bCall ([A-Za-z0-9_.]+)\.([A-Za-z0-9_@?$]+)\(.* ret=([0-9a-fA-F]+)$")


def objdump(tool, path):
    return subprocess.run([tool, "-p", path], check=True, capture_output=True,
                          text=True).stdout


def image_range(tool, exe):
    """The addresses the executable's image occupies: [base, base + size)."""
    header = objdump(tool, exe)
    base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", header, re.M).group(1), 16)
    size = int(re.search(r"^SizeOfImage\s+([0-9a-fA-F]+)", header, re.M).group(1), 16)
    return base, base + size


def imports(tool, exe):
    """(dll, function) pairs of the executable's import table."""
    result, dll = [], None
    for line in objdump(tool, exe).splitlines():
        fields = line.split()
        if line.strip().startswith("DLL Name:"):
            dll = fields[-1].lower()
        elif not fields:
            dll = None
        elif dll and len(fields) >= 3 and re.fullmatch(r"[0-9a-fA-F]+", fields[0]) \
                and fields[1].isdigit():
            result.append((dll, fields[2]))
    return result


def forwards(tool, path):
    """{exported name: "TARGETDLL.Target"} of a DLL's forwarded exports."""
    text = objdump(tool, path)
    by_index, names = {}, {}
    for line in text.splitlines():
        forward = re.match(r"\s*\[\s*(\d+)\] \+base\[\s*\d+\]\s+\S+ Forwarder RVA -- (\S+)", line)
        if forward:
            by_index[forward.group(1)] = forward.group(2)
            continue
        name = re.match(r"\s*\[\s*(\d+)\] (\S+)$", line)
        if name:
            names[name.group(1)] = name.group(2)
    return {names[i]: target for i, target in by_index.items() if i in names}


def short(dll):
    dll = dll.lower()
    return dll[:-4] if dll.endswith(".dll") else dll


def main():
    tool, exe, system_dir, relay_log, pid, out = sys.argv[1:7]
    # Wine's +pid lines begin "pid:tid:", both in hexadecimal.
    prefix = f"{int(pid):04x}:"
    # The import each forward target stands for.
    imported_as = {}
    exe_imports = imports(tool, exe)
    for dll in sorted({dll for dll, _ in exe_imports}):
        path = os.path.join(system_dir, dll)
        if not os.path.exists(path):
            continue
        for name, target in forwards(tool, path).items():
            target_dll, _, target_name = target.rpartition(".")
            imported_as[(short(target_dll), target_name)] = (short(dll), name)
    for dll, name in exe_imports:
        imported_as.setdefault((short(dll), name), (short(dll), name))

    # Only calls that return into the program: Wine's DLLs also call each other
    # through relay thunks, for instance when looking a function up by name.
    low, high = image_range(tool, exe)
    calls = set()
    with open(relay_log, encoding="latin-1") as log:
        for line in log:
            match = CALL.search(line.rstrip()) if line.startswith(prefix) else None
            if match and low <= int(match.group(3), 16) < high:
                key = (short(match.group(1)), match.group(2))
                calls.add(imported_as.get(key, key))
    if not calls:
        sys.exit(f"runtime_calls: no calls in {relay_log} (was the relay channel on?)")
    with open(out, "w", encoding="ascii") as f:
        f.writelines(f"{line}\n" for line in sorted(f"{dll}.{name}" for dll, name in calls))
    print(f"runtime_calls: {len(calls)} functions called, listed in {out}")


if __name__ == "__main__":
    main()
