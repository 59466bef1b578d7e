#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Packs a MIDlet suite reproducibly: the manifest first, as META-INF/MANIFEST.MF,
then every file below the class folder in sorted order, all deflated at level 9
with one fixed timestamp, so that the same inputs always give the same bytes.

    pack-jar.py OUTPUT.jar MANIFEST.MF CLASS_FOLDER
"""
import os
import sys
import zipfile

FIXED_TIME = (2010, 1, 1, 0, 0, 0)


def add(archive, name, data):
    info = zipfile.ZipInfo(name, FIXED_TIME)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0          # MS-DOS, as phones' tools expect
    info.external_attr = 0
    archive.writestr(info, data, compresslevel=9)


def files_below(folder):
    found = []
    for root, dirs, names in os.walk(folder):
        dirs.sort()
        for name in names:
            path = os.path.join(root, name)
            found.append((os.path.relpath(path, folder).replace(os.sep, "/"), path))
    return sorted(found)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    output, manifest, classes = sys.argv[1:]
    partial = output + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        with open(manifest, "rb") as f:
            add(archive, "META-INF/MANIFEST.MF", f.read())
        for name, path in files_below(classes):
            with open(path, "rb") as f:
                add(archive, name, f.read())
    os.replace(partial, output)


if __name__ == "__main__":
    main()
