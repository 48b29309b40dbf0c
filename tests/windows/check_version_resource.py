#!/usr/bin/env python3
"""Checks the version resource of a Windows executable: the fixed file and
product version numbers, and the strings that Windows shows in the file's
properties.

usage: check_version_resource.py EXE VERSION DESCRIPTION
"""

import struct
import sys

FIXED_SIGNATURE = 0xFEEF04BD


def version_block(data):
    """The VS_VERSION_INFO block: its key, in UTF-16, follows three words,
    the first of which is the block's length."""
    key = "VS_VERSION_INFO".encode("utf-16le")
    at = data.find(key)
    if at < 6:
        return None
    length = struct.unpack_from("<H", data, at - 6)[0]
    return data[at - 6:at - 6 + length]


def align(at):
    return (at + 3) & ~3


def parse(block, at):
    """One node of a version resource: (key, value, children), and its end.
    A node is its length, its value's length, its type (1: text), its key in
    UTF-16 up to a NUL, its value and its children, each on 32 bits."""
    length, value_length, kind = struct.unpack_from("<3H", block, at)
    end = at + length
    key_end = at + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[at + 6:key_end].decode("utf-16le")
    pos = align(key_end + 2)
    size = value_length * 2 if kind == 1 else value_length
    value = block[pos:pos + size]
    if kind == 1:
        value = value.decode("utf-16le").rstrip("\0")
    pos = align(pos + size)
    children = []
    while pos < end:
        child, child_end = parse(block, pos)
        children.append(child)
        pos = align(child_end)
    return (key, value, children), end


def main(argv):
    exe, version, description = argv[1:4]
    with open(exe, "rb") as f:
        data = f.read()
    block = version_block(data)
    if block is None:
        print(f"FAIL {exe} has no version resource")
        return 1

    problems = []
    (_, fixed, children), _ = parse(block, 0)
    numbers = [int(n) for n in version.split(".")] + [0]
    want = ((numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3])
    if len(fixed) < 24 or struct.unpack_from("<I", fixed)[0] != FIXED_SIGNATURE:
        problems.append("no fixed file information")
    else:
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", fixed, 8)
        if (file_ms, file_ls) != want:
            problems.append(f"file version {file_ms:#x} {file_ls:#x}, want {want}")
        if (product_ms, product_ls) != want:
            problems.append(f"product version {product_ms:#x} {product_ls:#x}, want {want}")

    strings = {}
    for key, _, tables in children:
        if key == "StringFileInfo":
            for _, _, entries in tables:
                strings.update((name, value) for name, value, _ in entries)
    want_strings = {"FileVersion": version, "ProductVersion": version, "ProductName": "feregtool",
                    "FileDescription": description, "OriginalFilename": "feregtool.exe"}
    for key, value in want_strings.items():
        if strings.get(key) != value:
            problems.append(f"{key} is {strings.get(key)!r}, want {value!r}")

    for problem in problems:
        print(f"FAIL {problem}")
    print(f"{exe}: version resource {'differs' if problems else 'as built'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
