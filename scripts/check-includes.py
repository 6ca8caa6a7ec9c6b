#!/usr/bin/env python3
"""Checks that the core's folders include one another only downwards.

Layers, lowest first; a file may include its own layer and any lower one:

  1  base/ platform/          the foundations (they use each other)
  2  net/                     waits, event loop, sockets, HTTP
  3  peer/protocol/ model/    the wire format; the window's model (what the windows
     services/                show, which the mechanics report into); the services
                              struct the program hands the mechanics
  4  peer/server/            the mechanics, which take narrow contexts, in an order
  5  relay/                   that leaves no cycle between their folders: the
  6  peer/client/             listener and its handlers; PortN's connector and
                              indicator, the chat, the identity; the client's
                              exchanges, queue, speed test and PortN upkeep
  7  ui/ app/                 the window's commands, menus and model, and the
                              program object they take
  frontends/, tests/, bench/ and fuzz/ may include the whole core.

include-exceptions.txt beside this script lists the deliberate exceptions, each with
its reason (a handful at most), one "FILE -> INCLUDED # reason" a line; a listed
include that is gone fails too (strike it from the list).

Exit status 0 when the tree keeps the rule, 1 with one line per fault otherwise.
"""
import pathlib
import re
import sys

LAYERS = {
    "base": 1, "platform": 1,
    "net": 2,
    "peer/protocol": 3, "model": 3, "services": 3,
    "peer/server": 4, "relay": 5, "peer/client": 6,
    "ui": 7, "app": 7,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    """The layer folder a repository path belongs to, or None outside the core."""
    parts = pathlib.PurePosixPath(path).parts
    if len(parts) >= 2 and parts[0] == "peer":
        key = "peer/" + parts[1]
        return key if key in LAYERS else None
    return parts[0] if parts and parts[0] in LAYERS else None


def read_list(path):
    entries = set()
    if not path.exists():
        return entries
    for line in path.read_text(encoding="utf-8").splitlines():
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        source, _, target = line.partition("->")
        entries.add((source.strip(), target.strip()))
    return entries


def upward_includes(root):
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(root).as_posix()
        source = folder_of(relative)
        if source is None:
            continue
        for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
            match = INCLUDE.match(line)
            if not match:
                continue
            target = folder_of(match.group(1))
            if target is not None and LAYERS[target] > LAYERS[source]:
                yield relative, match.group(1)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    here = pathlib.Path(__file__).resolve().parent
    allowed = read_list(here / "include-exceptions.txt")
    found = set(upward_includes(root))
    faults = []
    for source, target in sorted(found - allowed):
        faults.append(f"{source}: includes {target} from a higher layer")
    for source, target in sorted(allowed - found):
        faults.append(f"{source} -> {target}: no longer included; strike it from the list")
    for fault in faults:
        print(f"check-includes: {fault}")
    if not faults:
        print(f"check-includes: ok ({len(found)} listed exceptions)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
