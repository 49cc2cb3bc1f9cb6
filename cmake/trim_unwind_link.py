#!/usr/bin/env python3
"""Links a shipped Windows program without the unwind entries, and so
without the code, of functions nothing calls.

The MinGW linker script keeps every input .eh_frame section (KEEP), and each
unwind entry refers to its function, so --gc-sections keeps every function
that has one: most of the C++ runtime's string code, called or not, about
50 KB of each program. Template and inline functions carry their entries in
sections of their own, .eh_frame$NAME beside .text$NAME. This link keeps
those only for the functions the program reaches: a first link without them
finds which .text$NAME sections are reached; the next keeps the entries of
those, and any function they reach in turn (an entry's exception table can
name more), until nothing new is reached. Every function the program keeps
still has its unwind entry, in the same place before the end marker that
crtend.o adds, so exceptions pass through it as before.

CMake runs it as the linker launcher of the shipped programs:
    trim_unwind_link.py MAP COMPILER ARG...
It writes the final link map to MAP, and the size of the program the
linker's own script makes to MAP.plain-size (tools/check_sizes.py reads
both). A linker whose default script lacks the expected line gets the link
as given.
"""
import os
import re
import subprocess
import sys
import tempfile

KEEP_ALL = "    KEEP(*(.eh_frame*))\n"
SCRIPT_RULE = "=" * 50


def link(command, output, extra):
    args = list(command)
    args[args.index("-o") + 1] = output
    return subprocess.run(args + extra, capture_output=True, text=True)


def default_script(command, scratch, map_out):
    """The script the linker would use for this very link. The size of the
    program that link makes is written beside the map, for comparison."""
    probe_exe = os.path.join(scratch, "probe.exe")
    probe = link(command, probe_exe, ["-Wl,--verbose"])
    if probe.returncode != 0:
        sys.stderr.write(probe.stdout + probe.stderr)
        sys.exit(probe.returncode)
    os.makedirs(os.path.dirname(os.path.abspath(map_out)), exist_ok=True)
    with open(map_out + ".plain-size", "w") as f:
        f.write("%d\n" % os.path.getsize(probe_exe))
    lines = probe.stdout.splitlines(keepends=True)
    rules = [i for i, line in enumerate(lines) if line.startswith(SCRIPT_RULE)]
    if len(rules) < 2:
        return None
    return "".join(lines[rules[0] + 1:rules[1]])


def script_keeping(default, functions):
    entries = "".join("      .eh_frame$%s\n" % name for name in sorted(functions))
    # crtend.o's section begins with the end marker, so it stays last.
    return default.replace(KEEP_ALL,
                           "    KEEP(*(EXCLUDE_FILE(*crtend.o) .eh_frame))\n"
                           + ("    KEEP(*(\n%s    ))\n" % entries if entries else "")
                           + "    KEEP(*crtend.o(.eh_frame))\n")


def reached_functions(map_path):
    """Names NAME of the .text$NAME input sections the link kept."""
    names = set()
    in_layout = False
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                in_layout = True
            elif in_layout:
                m = re.match(r"^ \.text\$(\S+)", line)
                if m:
                    names.add(m.group(1))
    return names


def main():
    map_out, command = sys.argv[1], sys.argv[2:]
    with tempfile.TemporaryDirectory() as scratch:
        default = default_script(command, scratch, map_out)
        if default is None or KEEP_ALL not in default:
            sys.stderr.write("trim_unwind_link: unexpected linker script; linking as given\n")
            sys.exit(subprocess.run(command + ["-Wl,-Map," + map_out]).returncode)
        script = os.path.join(scratch, "link.x")
        trial_map = os.path.join(scratch, "trial.map")
        kept = set()
        for _ in range(8):
            with open(script, "w") as f:
                f.write(script_keeping(default, kept))
            result = link(command, os.path.join(scratch, "trial.exe"),
                          ["-Wl,-T," + script, "-Wl,-Map," + trial_map])
            if result.returncode != 0:
                sys.stderr.write(result.stdout + result.stderr)
                sys.exit(result.returncode)
            reached = reached_functions(trial_map)
            if reached <= kept:
                break
            kept |= reached
        else:
            sys.exit("trim_unwind_link: the functions reached did not settle")
        final = subprocess.run(command + ["-Wl,-T," + script, "-Wl,-Map," + map_out])
        if final.returncode != 0:
            sys.exit(final.returncode)
        if not reached_functions(map_out) <= kept:
            # Never leave a program behind that an exception could not pass.
            os.remove(command[command.index("-o") + 1])
            sys.exit("trim_unwind_link: the final link reached a function without its unwind entry")


if __name__ == "__main__":
    main()
