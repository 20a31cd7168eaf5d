#!/usr/bin/env python3
"""Checks the folder layering of src/: every #include "..." of a file must name its own folder
or a folder below it in LAYERS, and nothing under core/ may include a Qt header. Prints the
folder graph with --graph. Exits 1 on a violation or a cycle."""
import pathlib
import re
import sys

# Bottom to top. A folder may include itself and any folder before it.
LAYERS = [
    "core/base",
    "core/settings",
    "core/model",
    "core/geometry",
    "core/edit",
    "core/formats",
    "core/batch",
    "raster",
    "formats/metafile",
    "formats",
    "platform",
    "render",
    "batch",
    "view",
    "document",
    "capture",
    "app",
]

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT_HEADER = re.compile(r"^Q[A-Za-z]+(/|$)|^Qt[A-Za-z]*/")


def folder_of(path: str) -> str:
    return str(pathlib.PurePosixPath(path).parent)


def main() -> int:
    src = pathlib.Path(__file__).resolve().parent.parent / "src"
    rank = {name: i for i, name in enumerate(LAYERS)}
    edges: dict[tuple[str, str], str] = {}
    problems = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".h", ".cpp"):
            continue
        rel = file.relative_to(src).as_posix()
        here = folder_of(rel)
        if here == "." or here not in rank:
            if rel != "app/main.cpp" and here != ".":
                problems.append(f"{rel}: folder {here} is not in the layer list")
            continue
        text = file.read_text(encoding="utf-8", errors="replace")
        for kind, name in INCLUDE.findall(text):
            if kind == "<":
                if here.startswith("core/") and QT_HEADER.match(name):
                    problems.append(f"{rel}: core/ includes the Qt header <{name}>")
                continue
            if "/" not in name:
                continue  # a generated file (.moc) or a sibling by bare name
            there = folder_of(name)
            if there not in rank:
                problems.append(f"{rel}: includes {name} from an unknown folder")
                continue
            if there != here:
                edges.setdefault((here, there), f"{rel} -> {name}")
            if rank[there] > rank[here]:
                problems.append(f"{rel}: {here} may not include {name} ({there} is above it)")
    if "--graph" in sys.argv:
        for (a, b), example in sorted(edges.items(), key=lambda e: (rank[e[0][0]], rank[e[0][1]])):
            print(f"{a} -> {b}    e.g. {example}")
    # A cycle needs an upward edge, so none is left once every edge points down; the search
    # below says so independently of the list's order.
    graph: dict[str, set[str]] = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
    state: dict[str, int] = {}

    def visit(node: str, trail: list[str]) -> None:
        state[node] = 1
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                problems.append("cycle: " + " -> ".join(trail[trail.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = 2

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    for p in problems:
        print(p)
    if not problems:
        print(f"layers: {len(LAYERS)} folders, {len(edges)} folder edges, no cycle")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
