#!/usr/bin/env python3
"""Checks that the includes of the code point down the folder order of docs/ARCHITECTURE.md.

The order is the `include-order` block of that document: one line per top-level folder, led by
its level (folders of one level stand side by side), then its subfolders from the bottom up
("<" separates levels, "," folders side by side, "." the folder's own files). A file belongs to
the folder it is in; an include from one folder into another must reach a lower level, so no
include goes up and no two folders include each other. tests/ and bench/ (the fuzz targets
with them) may include anything and are not read.

Exit status 0 when every include points down; 1 with one line per fault otherwise.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
ORDER_DOC = "docs/ARCHITECTURE.md"
NOT_CODE = {"tests", "bench"}
SOURCE = re.compile(r".*\.(h|hpp|c|cc|cpp)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_order(path):
    """{folder: (top level, sub level)}, and the top folders whose subfolders are ordered."""
    lines, inside = [], False
    with open(path, encoding="utf-8") as doc:
        for line in doc:
            if line.startswith("```"):
                if inside:
                    break
                inside = line.strip() == "```include-order"
                continue
            if inside and line.strip():
                lines.append(line.strip())
    if not lines:
        sys.exit(f"{ORDER_DOC}: no include-order block")
    order, split = {}, set()
    for line in lines:
        m = re.match(r"(\d+)\s+([\w.-]+)\s*(?::\s*(.*))?$", line)
        if not m:
            sys.exit(f"{ORDER_DOC}: cannot read order line '{line}'")
        level, top, subs = int(m.group(1)), m.group(2), m.group(3)
        if not subs:
            order[top] = (level, 0)
            continue
        split.add(top)
        for rank, group in enumerate(subs.split("<")):
            for sub in group.split(","):
                sub = sub.strip()
                order[top if sub == "." else f"{top}/{sub}"] = (level, rank)
    return order, split


def folder_of(path, order, split):
    """The ordered folder a file path (relative to the root) belongs to, or None."""
    top = path.split("/", 1)[0]
    if top in order and top not in split:
        return top
    folder = os.path.dirname(path)
    return folder if folder in order else None


def resolve(include, source_dir):
    for candidate in (include, os.path.join(source_dir, include)):
        candidate = os.path.normpath(candidate)
        if os.path.isfile(os.path.join(ROOT, candidate)):
            return candidate
    return None


def circles(edges):
    """Groups of folders that reach each other (Tarjan), each of more than one folder."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(edges.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def shortest_cycle(start, edges, members):
    """The folders of a shortest way from `start` back to it inside one circle, both ends named."""
    before, queue = {start: None}, [start]
    for node in queue:
        for nxt in sorted(edges.get(node, ())):
            if nxt == start:
                way = [node]
                while before[way[-1]] is not None:
                    way.append(before[way[-1]])
                return way[::-1] + [start]
            if nxt in members and nxt not in before:
                before[nxt] = node
                queue.append(nxt)
    return [start]


def main():
    order, split = read_order(os.path.join(ROOT, ORDER_DOC))
    faults, edges, first = [], {}, {}
    files = includes = 0
    seen_folders = set()
    for top in sorted(os.listdir(ROOT)):
        if top in NOT_CODE or top.startswith((".", "build")) or not os.path.isdir(os.path.join(ROOT, top)):
            continue
        for dirpath, dirnames, filenames in os.walk(os.path.join(ROOT, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if not SOURCE.match(name):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), ROOT)
                here = folder_of(path, order, split)
                if here is None:
                    faults.append(f"{path}: its folder is not in the include order of {ORDER_DOC}")
                    continue
                seen_folders.add(here)
                files += 1
                with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        includes += 1
                        where = f'{path}:{number}: #include "{m.group(1)}"'
                        target = resolve(m.group(1), os.path.dirname(path))
                        if target is None:
                            faults.append(f"{where}: no such file")
                            continue
                        there = folder_of(target, order, split)
                        if there is None:
                            faults.append(f"{where}: reaches outside the ordered folders")
                            continue
                        if there == here:
                            continue
                        edges.setdefault(here, set()).add(there)
                        first.setdefault((here, there), where)
                        # Within one top-level folder its subfolders' levels count, else the top levels.
                        step = 1 if here.split("/")[0] == there.split("/")[0] else 0
                        if order[there][step] == order[here][step]:
                            faults.append(f"{where}: {here} and {there} stand side by side")
                        elif order[there][step] > order[here][step]:
                            faults.append(f"{where}: goes up from {here} to {there}")
    for group in circles(edges):
        cycle = shortest_cycle(group[0], edges, set(group))
        links = [first[(a, b)] for a, b in zip(cycle, cycle[1:])]
        faults.append(f"circle between {len(group)} folders ({', '.join(group)}), for one: "
                      + " -> ".join(cycle) + "\n    " + "\n    ".join(links))
    for folder in sorted(set(order) - seen_folders):
        faults.append(f"{ORDER_DOC}: '{folder}' is in the include order but holds no code")
    for fault in faults:
        print(fault)
    if faults:
        print(f"include order: {len(faults)} faults")
        return 1
    print(f"include order: {includes} includes of {files} files point down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
