#!/usr/bin/env python3
"""Checks that a kernel driver image is what the 64-bit kernel loads: an
x86-64 PE32+ image of the native subsystem whose entry point is DriverEntry,
importing only from the given modules, and each name only if that module's
import library (or .def list) has it."""
import argparse
import re
import subprocess
import sys


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def library_names(nm, library):
    names = set()
    for line in run(nm, library).splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[-2] in ("T", "I"):
            names.add(parts[-1].removeprefix("__imp_"))
    return names


def def_names(path):
    names, exports = set(), False
    for line in open(path, encoding="ascii"):
        line = line.split(";")[0].strip()
        if not line:
            continue
        if line.upper() == "EXPORTS":
            exports = True
        elif exports:
            names.add(line.split()[0])
    return names


def imports(dump):
    table, current = {}, None
    for line in dump.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            current = table.setdefault(m.group(1).lower(), set())
            continue
        m = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
        if current is not None and m:
            current.add(m.group(1))
        elif current is not None and not line.strip():
            current = None
    return table


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--sys", required=True)
    p.add_argument("--objdump", required=True)
    p.add_argument("--nm", required=True)
    p.add_argument("--import", dest="libs", action="append", default=[], help="module=import library")
    p.add_argument("--def", dest="defs", action="append", default=[], help="module=.def file")
    a = p.parse_args()

    allowed = {}
    for pair in a.libs:
        module, lib = pair.split("=", 1)
        allowed[module.lower()] = library_names(a.nm, lib)
    for pair in a.defs:
        module, path = pair.split("=", 1)
        allowed[module.lower()] = def_names(path)

    faults = []
    header = run(a.objdump, "-f", a.sys)
    if "architecture: i386:x86-64" not in header:
        faults.append("not an x86-64 image")
    dump = run(a.objdump, "-p", a.sys)
    if not re.search(r"^Magic\s+020b", dump, re.M):
        faults.append("not PE32+")
    if not re.search(r"^Subsystem\s+00000001", dump, re.M):
        faults.append("not the native subsystem")

    # Nothing may need a C run-time's start-up: the kernel runs no constructors.
    sections = set(re.findall(r"^\s*\d+\s+(\S+)\s", run(a.objdump, "-h", a.sys), re.M))
    for name in sorted(sections & {".CRT", ".ctors", ".dtors", ".tls", ".init_array"}):
        faults.append(f"has a {name} section")

    base = int(re.search(r"^ImageBase\s+([0-9a-f]+)", dump, re.M).group(1), 16)
    entry = int(re.search(r"^AddressOfEntryPoint\s+([0-9a-f]+)", dump, re.M).group(1), 16)
    symbols = {parts[-1]: int(parts[0], 16) for parts in
               (line.split() for line in run(a.nm, a.sys).splitlines()) if len(parts) == 3}
    if symbols.get("DriverEntry") is None or symbols["DriverEntry"] - base != entry:
        faults.append("the entry point is not DriverEntry")

    table = imports(dump)
    if not table:
        faults.append("no import table")
    for module, names in sorted(table.items()):
        if module not in allowed:
            faults.append(f"imports from {module}")
            continue
        for name in sorted(names - allowed[module]):
            faults.append(f"{module} does not export {name}")

    for fault in faults:
        print("FAIL:", fault)
    print(f"{len(table)} modules, {sum(map(len, table.values()))} imports checked")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
