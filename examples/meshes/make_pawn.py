#!/usr/bin/env python3
"""Writes pawn.obj and pawn.mtl: a lathed chess pawn with three surfaces
(Base, Body, Head), so that the example scenes have a real mesh with several
materials. Run from this folder: python3 make_pawn.py"""
import math

# (radius, height, surface) profile from the bottom up; the head is a sphere.
PROFILE = [
    (0.00, 0.00, "Base"), (0.62, 0.00, "Base"), (0.62, 0.10, "Base"), (0.55, 0.16, "Base"),
    (0.55, 0.22, "Base"), (0.42, 0.28, "Body"), (0.30, 0.45, "Body"), (0.22, 0.75, "Body"),
    (0.19, 1.00, "Body"), (0.34, 1.06, "Body"), (0.34, 1.12, "Body"), (0.16, 1.16, "Head"),
]
HEAD_CENTRE, HEAD_RADIUS = 1.42, 0.30
SEGMENTS = 40


def head_profile():
    out = []
    steps = 12
    start = math.asin((1.16 - HEAD_CENTRE) / HEAD_RADIUS)
    for i in range(1, steps + 1):
        a = start + (math.pi / 2 - start) * i / steps
        out.append((HEAD_RADIUS * math.cos(a), HEAD_CENTRE + HEAD_RADIUS * math.sin(a), "Head"))
    out[-1] = (0.0, HEAD_CENTRE + HEAD_RADIUS, "Head")
    return out


def main():
    rings = PROFILE + head_profile()
    points, index = [], []
    for r, y, _ in rings:
        if r == 0.0:
            index.append([len(points)] * SEGMENTS)
            points.append((0.0, y, 0.0))
            continue
        row = []
        for j in range(SEGMENTS):
            a = 2 * math.pi * j / SEGMENTS
            row.append(len(points))
            points.append((r * math.sin(a), y, r * math.cos(a)))
        index.append(row)
    faces = []  # (surface, [1-based indices])
    for k in range(len(rings) - 1):
        surface = rings[k + 1][2]
        for j in range(SEGMENTS):
            j2 = (j + 1) % SEGMENTS
            quad = [index[k][j], index[k][j2], index[k + 1][j2], index[k + 1][j]]
            poly = []
            for v in quad:  # a pole gives a triangle
                if v not in poly:
                    poly.append(v)
            faces.append((surface, [v + 1 for v in poly]))
    with open("pawn.obj", "w") as f:
        f.write("# A chess pawn with three surfaces, written by make_pawn.py\n")
        f.write("mtllib pawn.mtl\no Pawn\n")
        for p in points:
            f.write("v %.6f %.6f %.6f\n" % p)
        current = None
        for surface, poly in faces:
            if surface != current:
                f.write("usemtl %s\n" % surface)
                current = surface
            f.write("f " + " ".join(str(v) for v in poly) + "\n")
    with open("pawn.mtl", "w") as f:
        f.write("# Materials of pawn.obj; minihost takes surface names from them\n")
        for name, kd in (("Base", "0.2 0.2 0.25"), ("Body", "0.9 0.85 0.7"), ("Head", "0.8 0.3 0.2")):
            f.write("newmtl %s\nKd %s\n\n" % (name, kd))


if __name__ == "__main__":
    main()
