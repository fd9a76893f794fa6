#!/usr/bin/env python3
"""The libraries' include arrows: each folder includes only itself and the folders below
it (app -> window -> session -> reports -> weighing -> link, settings below session,
journal between session and reports, and labserver between session and journal), the window's rooms likewise (main -> options, journal,
protocol, graph -> widgets), and the plain C++ folders no Qt header. Prints the graph; exits 1 naming each wrong arrow."""
import pathlib
import re
import sys

BELOW = {
    "link": set(),
    "weighing": {"link"},
    "reports": {"weighing", "link"},
    "settings": {"link"},
    "journal": {"reports", "weighing", "link"},
    "labserver": {"journal", "reports", "weighing", "link"},
    "session": {"reports", "weighing", "link", "settings", "journal", "labserver"},
    "window": {"session", "reports", "weighing", "link", "settings", "journal", "labserver"},
    "app": {"window", "session", "reports", "weighing", "link", "settings", "journal", "labserver"},
    # tarvelo-journal imports a list of animals as the window does, through the session.
    "tools": {"session", "reports", "weighing", "link", "settings", "journal", "labserver"},
}
PLAIN = {"link", "weighing", "reports", "settings"}
# The window's rooms, each including only itself and the rooms below it.
ROOMS_BELOW = {
    "widgets": set(),
    "graph": {"widgets"},
    "protocol": {"widgets"},
    "journal": {"widgets"},
    "options": {"widgets"},
    "main": {"options", "journal", "protocol", "graph", "widgets"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
graph = {folder: set() for folder in BELOW}
rooms = {room: set() for room in ROOMS_BELOW}
wrong = []


def check_room(path, name):
    room = path.relative_to(root / "window").parts[0]
    target = name.split("/")[1]
    if room not in ROOMS_BELOW or target not in ROOMS_BELOW:
        wrong.append(f"{path.relative_to(root)}: outside the window's rooms: {name}")
    elif target != room:
        rooms[room].add(target)
        if target not in ROOMS_BELOW[room]:
            wrong.append(f"{path.relative_to(root)}: window/{room} may not include {name}")


for folder in BELOW:
    for path in sorted((root / folder).rglob("*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if kind == '"' and "/" in name and name.split("/")[0] in BELOW:
                target = name.split("/")[0]
                if target == folder == "window":
                    check_room(path, name)
                if target == folder:
                    continue
                graph[folder].add(target)
                if target not in BELOW[folder]:
                    wrong.append(f"{path.relative_to(root)}: {folder} may not include {name}")
            elif kind == "<" and folder in PLAIN and re.match(r"Q[A-Za-z]", name):
                wrong.append(f"{path.relative_to(root)}: {folder} is plain C++, not <{name}>")

for folder, targets in graph.items():
    print(f"{folder} -> {', '.join(sorted(targets)) or '(nothing)'}")
for room, targets in rooms.items():
    print(f"window/{room} -> {', '.join(sorted(targets)) or '(nothing)'}")
for line in wrong:
    print(line, file=sys.stderr)
sys.exit(1 if wrong else 0)
