#!/usr/bin/env python3
"""Makes the directory trees that the file-scan benchmarks walk.

    bench/make_trees.py [DIR [TREE ...]]      (default /tmp/hxbench-trees, both trees)

DIR/mixed: 20,000 files of mixed sizes, about 1.5 GB: 16,000 small (1 to 7 KB), 3,000 medium
(50 to 150 KB) and 1,000 large (0.65 to 1.65 MB) files, 25 to a directory, two levels deep.
DIR/tiny: 200,000 files of 0 to 199 bytes, 100 to a directory, two levels deep.

Every file has content of its own (a header naming it, then bytes from a fixed random block),
so no two files share a digest. The trees are the same on every run (fixed seed); a tree that
is already complete is left as it is.
"""
import os
import random
import sys

KB = 1024
MB = 1024 * KB
BLOCK = random.Random(11).randbytes(2 * MB)


def write(path, size, rng):
    header = (path + "\n").encode()
    start = rng.randrange(0, len(BLOCK) - MB)
    body = bytearray()
    while len(body) < size:
        body += BLOCK[start:start + min(size - len(body), MB)]
    with open(path, "wb") as f:
        f.write((header + bytes(body))[:size] if size >= len(header) else header[:size])


def make(root, sizes, per_dir):
    marker = os.path.join(root, ".complete")
    if os.path.exists(marker):
        return
    rng = random.Random(len(sizes))
    for i, size in enumerate(sizes):
        d = os.path.join(root, "d%03d" % (i // (per_dir * 100)), "s%03d" % (i // per_dir % 100))
        os.makedirs(d, exist_ok=True)
        write(os.path.join(d, "f%06d.bin" % i), size, rng)
    open(marker, "w").close()


def mixed_sizes():
    rng = random.Random(1)
    sizes = [rng.randrange(1 * KB, 7 * KB) for _ in range(16000)]
    sizes += [rng.randrange(50 * KB, 150 * KB) for _ in range(3000)]
    sizes += [rng.randrange(650 * KB, 1650 * KB) for _ in range(1000)]
    rng.shuffle(sizes)
    return sizes


def main():
    base = sys.argv[1] if len(sys.argv) > 1 else "/tmp/hxbench-trees"
    wanted = sys.argv[2:] or ["mixed", "tiny"]
    if "mixed" in wanted:
        make(os.path.join(base, "mixed"), mixed_sizes(), 25)
    if "tiny" in wanted:
        tiny = random.Random(2)
        make(os.path.join(base, "tiny"), [tiny.randrange(0, 200) for _ in range(200000)], 100)
    print(base)


if __name__ == "__main__":
    main()
