#!/usr/bin/env python3
"""Checks that every #include "folder/..." of the program's sources points
down the layers (or stays in its own folder). Prints each upward include and
exits 1 when there is one.

    scripts/check-layers.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

# What each folder may include besides itself, from the top of the program
# down to the operating system.
ALLOWED = {
    "app": {"batch", "fx", "update", "core", "toolkit", "image", "platform"},
    "batch": {"core", "image", "platform"},
    "fx": {"core", "toolkit", "image", "platform"},
    "update": {"core", "toolkit", "platform"},
    "toolkit": {"image", "platform"},
    "core": {"platform"},
    "image": {"platform"},
    "platform": set(),
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.MULTILINE)


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    faults = []
    for folder, allowed in ALLOWED.items():
        for source in sorted((root / folder).rglob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            for line_no, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if match and match.group(1) != folder and match.group(1) not in allowed:
                    faults.append(f"{source.relative_to(root)}:{line_no}: {folder}/ includes {match.group(1)}/")
    if not any((root / folder).is_dir() for folder in ALLOWED):
        faults.append(f"no source folders under {root}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
