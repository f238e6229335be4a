#!/usr/bin/env python3
"""Checks that every Windows program file of an unpacked release package is
built for the machine its folder calls for: Bin\\amd64 holds x86-64 programs
(machine 0x8664), every other folder 32-bit x86 programs (machine 0x14c);
and that every .exe is marked Terminal-Server-aware (DllCharacteristics
0x8000), so that on a Remote Desktop host Windows shows it the system's
Windows folder rather than one of the user's own.

  pe_machines.py PACKAGE_FOLDER

A program file is one that starts with "MZ" or whose name ends in .exe, .dll
or .sys. Prints one line per program file; exit status 0 when all are right,
1 when one is built for the wrong machine or is no readable PE file, 2 on
wrong usage.
"""
import os
import sys

MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664
MACHINE_NAMES = {MACHINE_I386: "i386", MACHINE_AMD64: "x86-64"}
TERMINAL_SERVER_AWARE = 0x8000  # IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE
PROGRAM_SUFFIXES = (".exe", ".dll", ".sys")


class NotPE(Exception):
    pass


def pe_header(path):
    """The machine field of a PE file's file header and the DllCharacteristics
    of its optional header: "MZ", the offset of the PE header at 0x3c,
    "PE\\0\\0", the 16-bit machine (little-endian), and 20 bytes after the
    signature's end the optional header, whose 16-bit DllCharacteristics lie
    at offset 70 in both its 32-bit and its 64-bit form."""
    with open(path, "rb") as f:
        dos = f.read(0x40)
        if len(dos) < 2 or dos[:2] != b"MZ":
            raise NotPE("no MZ header")
        if len(dos) < 0x40:
            raise NotPE("the DOS header is cut at %d bytes" % len(dos))
        offset = int.from_bytes(dos[0x3C:0x40], "little")
        size = os.fstat(f.fileno()).st_size
        if offset + 6 > size:
            raise NotPE("the PE header's offset 0x%x lies beyond the file's %d bytes" % (offset, size))
        f.seek(offset)
        header = f.read(24 + 72)
        if header[:4] != b"PE\0\0":
            raise NotPE("no PE signature at 0x%x" % offset)
        if len(header) < 24 + 72:
            raise NotPE("the optional header is cut")
        return (int.from_bytes(header[4:6], "little"),
                int.from_bytes(header[24 + 70:24 + 72], "little"))


def expected_machine(relative):
    # Windows folds letter case: "bin\AMD64" is the same folder.
    parts = [p.lower() for p in relative.split(os.sep)]
    return MACHINE_AMD64 if parts[:2] == ["bin", "amd64"] else MACHINE_I386


def is_program_file(path):
    if path.lower().endswith(PROGRAM_SUFFIXES):
        return True
    with open(path, "rb") as f:
        return f.read(2) == b"MZ"


def main(argv):
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print("usage: pe_machines.py PACKAGE_FOLDER", file=sys.stderr)
        return 2
    top = argv[1]
    wrong = 0
    programs = 0
    for folder, dirs, files in os.walk(top):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, top)
            if os.path.islink(path) or not is_program_file(path):
                continue
            programs += 1
            want = expected_machine(relative)
            try:
                machine, characteristics = pe_header(path)
            except (NotPE, OSError) as error:
                print("WRONG %s: %s" % (relative, error))
                wrong += 1
                continue
            got = MACHINE_NAMES.get(machine, "unknown")
            if machine != want:
                print("WRONG %s: machine 0x%04x (%s), its folder wants 0x%04x (%s)"
                      % (relative, machine, got, want, MACHINE_NAMES[want]))
                wrong += 1
            elif name.lower().endswith(".exe") and not characteristics & TERMINAL_SERVER_AWARE:
                print("WRONG %s: not Terminal-Server-aware (DllCharacteristics 0x%04x)"
                      % (relative, characteristics))
                wrong += 1
            else:
                print("ok    %s: 0x%04x (%s)" % (relative, machine, got))
    print("%d program file(s), %d wrong" % (programs, wrong))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
