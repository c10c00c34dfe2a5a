#!/usr/bin/env python3
"""Writes a deterministic payload tree shaped like the shipped one: 67 files in
10 directories, about 14.4 MB, which LZMA2 packs to about a third: a mix of
word text (packs well) and noise (does not). usage: make_bench_payload.py DIR"""
import os
import random
import sys

FILES = 67
DIRECTORIES = ["wayspanner", "wayspanner/bin", "wayspanner/lib", "wayspanner/lib/plugins", "wayspanner/data",
               "wayspanner/data/images", "wayspanner/data/sounds", "wayspanner/lang", "wayspanner/lang/extra",
               "wayspanner/docs"]
TOTAL = 14_393_493
NOISE_SHARE = 0.32   # of the bytes: what keeps the packed size near a third

def main(root):
    rng = random.Random(2024)
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
             for _ in range(4000)]
    weights = [rng.random() ** 3 for _ in words]
    lines = [(" ".join(rng.choices(words, weights, k=12)) + "\n").encode() for _ in range(3000)]
    # File sizes: a few large, many small, summing to TOTAL.
    raw = [rng.lognormvariate(0, 1.4) for _ in range(FILES)]
    sizes = [max(1, int(TOTAL * r / sum(raw))) for r in raw]
    sizes[0] += TOTAL - sum(sizes)
    for d in DIRECTORIES:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    for i, size in enumerate(sizes):
        name = "wayspanner/wayspanner.exe" if i == 0 else "%s/file%02d.dat" % (DIRECTORIES[i % len(DIRECTORIES)], i)
        out = bytearray()
        while len(out) < size:
            if rng.random() < NOISE_SHARE:
                out += rng.randbytes(4096)
            else:
                out += b"".join(rng.choices(lines, k=60))
        with open(os.path.join(root, name), "wb") as f:
            f.write(out[:size])

if __name__ == "__main__":
    main(sys.argv[1])
