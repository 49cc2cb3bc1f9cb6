#!/usr/bin/env python3
"""What each part of a shipped program weighs, and the size goal.

    check_sizes.py [--xml REPORT] [--markdown] --maps DIR PROGRAM.exe...

Each program must stay within its goal without its resources (the file less
its .rsrc section as stored): Vantrel.exe 600,000 bytes, the runner of the
machine's schedule, the service, its views and the policies being in it, every other program 400,000 bytes, so that
the goal holds however a KB is counted. The parts come from the program's link map (DIR/NAME.map,
written by cmake/trim_unwind_link.py): every input section is counted under
the library it came from, with the unwind tables (.eh_frame) apart, and what
no input section fills (headers, and the padding to the boundary each section
starts on in the file: 4 KB in Vantrel.exe, 512 bytes in vantrelctl.exe) is
counted as such, so that the parts add up to the file. --markdown prints the table BENCHMARKS.md shows; otherwise a
line a program, and the exit status says whether every one met the goal.
"""
import argparse
import os
import re
import struct
import sys

LIMITS = {"Vantrel.exe": 600_000}
LIMIT = 400_000  # every other program


def limit_of(name):
    return LIMITS.get(name, LIMIT)

# Rows of the table, in order: (key, label).
PARTS = [
    ("program", "the program's own code and data"),
    ("program-unwind", "the program's unwind tables"),
    ("libstdc++", "C++ runtime (libstdc++): code and data"),
    ("libstdc++-unwind", "C++ runtime: unwind tables"),
    ("libgcc", "exception unwinder and compiler helpers (libgcc, libgcc_eh)"),
    ("threads", "threads (winpthreads), under the C++ runtime"),
    ("crt", "C runtime start-up (MinGW CRT, msvcrt glue)"),
    ("runtime-unwind", "unwind tables of the unwinder, threads and C runtime"),
    ("imports", "import tables"),
    ("relocations", "base relocations"),
    ("resources", "resources (icons, glyphs, manifest, version)"),
    ("padding", "headers, and padding to where each section starts in the file"),
]


def pe_sections(path):
    """{name: (virtual size, raw size)} of a PE file's sections."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("%s is not a PE file" % path)
    count, = struct.unpack_from("<H", data, pe + 6)
    optional, = struct.unpack_from("<H", data, pe + 20)
    sections = {}
    for i in range(count):
        at = pe + 24 + optional + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        virtual, _, raw = struct.unpack_from("<III", data, at + 8)
        sections[name] = (virtual, raw)
    return len(data), sections


def owner(path):
    """The part an input file belongs to, by the library it came from."""
    toolchain = "/usr/lib/gcc/" in path or "-mingw32/lib" in path
    if not toolchain:
        return "program"
    name = re.sub(r"\(.*\)$", "", os.path.basename(path.split("(")[0]))
    if name.startswith("libstdc++") or name.startswith("libsupc++"):
        return "libstdc++"
    if name.startswith("libgcc") or name.startswith("crtbegin") or name.startswith("crtend"):
        return "libgcc"
    if "pthread" in name:
        return "threads"
    return "crt"


def map_parts(map_path):
    """Bytes of each part, from the input sections the link map lists."""
    parts = dict.fromkeys(key for key, _ in PARTS)
    for key in parts:
        parts[key] = 0
    output = None
    pending = False
    in_layout = False
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                in_layout = True
                continue
            if not in_layout:
                continue
            m = re.match(r"^(\.[\w.$]+)\s", line)
            if m:
                output = m.group(1)
                continue
            fields = line.split()
            if line.startswith(" .") and len(fields) == 1:
                pending = True  # a long section name: its place follows
                continue
            if pending or (line.startswith(" .") and len(fields) >= 4):
                pending = False
                sized = fields if not line.startswith(" .") else fields[1:]
                if len(sized) < 3 or not sized[0].startswith("0x") or not sized[1].startswith("0x"):
                    continue
                size, source = int(sized[1], 16), " ".join(sized[2:])
                add(parts, output, source, size)
    return parts


def add(parts, output, source, size):
    if output in (".bss", None) or size == 0:
        return
    part = owner(source)
    if output == ".rsrc":
        parts["resources"] += size
    elif output == ".idata":
        parts["imports"] += size
    elif output == ".reloc":
        parts["relocations"] += size
    elif output == ".eh_frame":
        parts[{"program": "program-unwind", "libstdc++": "libstdc++-unwind"}.get(part, "runtime-unwind")] += size
    else:
        parts[part] += size


def measure(exe, maps):
    size, sections = pe_sections(exe)
    resources_raw = sections.get(".rsrc", (0, 0))[1]
    name = os.path.splitext(os.path.basename(exe))[0]
    map_path = os.path.join(maps, name + ".map")
    parts = map_parts(map_path) if os.path.exists(map_path) else None
    if parts is not None:
        parts["padding"] = size - sum(v for k, v in parts.items() if k != "padding")
    plain = None
    if os.path.exists(map_path + ".plain-size"):
        with open(map_path + ".plain-size") as f:
            plain = int(f.read().split()[0])
    return {"name": os.path.basename(exe), "size": size, "without": size - resources_raw,
            "parts": parts, "plain": plain}


def kb(n):
    return "%.1f" % (n / 1024)


def markdown(results):
    head = "| part | " + " | ".join("%s (KB)" % r["name"] for r in results) + " |"
    lines = [head, "|---|" + "---|" * len(results)]
    for key, label in PARTS:
        cells = [kb(r["parts"][key]) if r["parts"] else "?" for r in results]
        lines.append("| %s | %s |" % (label, " | ".join(cells)))
    lines.append("| **the file** | %s |" % " | ".join("**%s**" % kb(r["size"]) for r in results))
    lines.append("| **without its resources** | %s |" % (
        " | ".join("**%s** (%d bytes)" % (kb(r["without"]), r["without"]) for r in results)))
    lines.append("| goal: at most | %s |" % " | ".join("%d bytes" % limit_of(r["name"]) for r in results))
    if all(r["plain"] for r in results):
        lines.append("| the same link keeping every unwind entry (the linker's own script) | %s |" % (
            " | ".join(kb(r["plain"]) for r in results)))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--xml")
    parser.add_argument("--markdown", action="store_true")
    parser.add_argument("--maps", required=True)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    results = [measure(exe, args.maps) for exe in args.programs]
    if args.markdown:
        print(markdown(results))
        return 0
    cases, failures = "", 0
    for r in results:
        limit = limit_of(r["name"])
        ok = r["without"] <= limit
        print("sizes: %s: %d bytes without its resources (%d in all), goal %d: %s" % (
            r["name"], r["without"], r["size"], limit, "met" if ok else "MISSED"))
        if ok:
            cases += '<testcase name="%s"/>' % r["name"]
        else:
            failures += 1
            cases += ('<testcase name="%s"><failure message="%d bytes without its resources, over %d"/>'
                      "</testcase>" % (r["name"], r["without"], limit))
    if args.xml:
        with open(args.xml, "w") as f:
            f.write('<?xml version="1.0"?>\n<testsuites tests="%d" failures="%d" errors="0" disabled="0" '
                    'skipped="0">\n<testsuite name="ShippedSizes" tests="%d" failures="%d">%s</testsuite>\n'
                    "</testsuites>\n" % (len(results), failures, len(results), failures, cases))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
