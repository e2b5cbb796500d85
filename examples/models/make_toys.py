#!/usr/bin/env python3
"""Writes toys.gltf: a small glTF 2.0 scene made here, so that the import of a
model can be shown and tested with a file nobody else made. It holds a floor,
a crate and a spinning top on two materials ("Floor Tile", "Painted Red"), a
camera, a directional light, and one second of animation: the top rises and
turns a quarter round. Everything is in one file (the buffer is embedded).
Run from this folder: python3 make_toys.py"""
import base64
import json
import math
import struct


def box(sx, sy, sz):
    """Corners, normals and triangles of a box centred on the origin, each
    face with its own corners so that its edges stay sharp."""
    faces = [((1, 0, 0), (0, 0, -1), (0, 1, 0)), ((-1, 0, 0), (0, 0, 1), (0, 1, 0)),
             ((0, 1, 0), (1, 0, 0), (0, 0, -1)), ((0, -1, 0), (1, 0, 0), (0, 0, 1)),
             ((0, 0, 1), (1, 0, 0), (0, 1, 0)), ((0, 0, -1), (-1, 0, 0), (0, 1, 0))]
    points, normals, tris = [], [], []
    for n, u, v in faces:
        base = len(points)
        for a, b in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = [n[i] + a * u[i] + b * v[i] for i in range(3)]
            points.append((p[0] * sx / 2, p[1] * sy / 2, p[2] * sz / 2))
            normals.append(n)
        tris += [(base, base + 1, base + 2), (base, base + 2, base + 3)]
    return points, normals, tris


def top(radius, height, segments):
    """A spinning top: a cone point down under a flat lid, counter-clockwise
    seen from outside (glTF's front side)."""
    points, tris = [(0.0, 0.0, 0.0), (0.0, height, 0.0)], []
    for i in range(segments):
        a = 2 * math.pi * i / segments
        points.append((radius * math.cos(a), height, -radius * math.sin(a)))
    for i in range(segments):
        a, b = 2 + i, 2 + (i + 1) % segments
        tris += [(0, b, a), (1, a, b)]
    return points, None, tris


def look_rotation(eye, target):
    """The quaternion (x, y, z, w) that turns a glTF camera (looking down -Z,
    +Y up) at `eye` towards `target`."""
    f = [target[i] - eye[i] for i in range(3)]
    n = math.sqrt(sum(c * c for c in f))
    z = [-c / n for c in f]  # the camera's +Z points away from the target
    x = [z[2], 0.0, -z[0]]  # up x z
    n = math.sqrt(sum(c * c for c in x))
    x = [c / n for c in x]
    y = [z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]]
    m = [[x[0], y[0], z[0]], [x[1], y[1], z[1]], [x[2], y[2], z[2]]]
    w = math.sqrt(max(0.0, 1 + m[0][0] + m[1][1] + m[2][2])) / 2
    return [(m[2][1] - m[1][2]) / (4 * w), (m[0][2] - m[2][0]) / (4 * w), (m[1][0] - m[0][1]) / (4 * w), w]


class Writer:
    def __init__(self):
        self.data = bytearray()
        self.views, self.accessors = [], []

    def add(self, values, kind, component, count, target=None, bounds=False):
        while len(self.data) % 4:
            self.data.append(0)
        start = len(self.data)
        fmt = "<" + ("f" if component == 5126 else "H") * len(values)
        self.data += struct.pack(fmt, *values)
        view = {"buffer": 0, "byteOffset": start, "byteLength": len(self.data) - start}
        if target:
            view["target"] = target
        self.views.append(view)
        acc = {"bufferView": len(self.views) - 1, "componentType": component, "count": count, "type": kind}
        if bounds:
            width = {"SCALAR": 1, "VEC3": 3, "VEC4": 4}[kind]
            acc["min"] = [min(values[i::width]) for i in range(width)]
            acc["max"] = [max(values[i::width]) for i in range(width)]
        self.accessors.append(acc)
        return len(self.accessors) - 1

    def mesh(self, name, shape, material):
        points, normals, tris = shape
        attributes = {"POSITION": self.add([c for p in points for c in p], "VEC3", 5126, len(points), 34962, True)}
        if normals:
            attributes["NORMAL"] = self.add([c for n in normals for c in n], "VEC3", 5126, len(normals), 34962)
        indices = self.add([i for t in tris for i in t], "SCALAR", 5123, 3 * len(tris), 34963)
        return {"name": name, "primitives": [{"attributes": attributes, "indices": indices, "material": material}]}


def main():
    w = Writer()
    meshes = [w.mesh("Floor", box(4, 0.1, 4), 0), w.mesh("Crate", box(1, 1, 1), 1), w.mesh("Top", top(0.4, 0.6, 24), 1)]
    times = [0.0, 0.5, 1.0]
    lift = [1.5, 0.3, 0.0, 1.5, 0.6, 0.0, 1.5, 0.9, 0.0]
    turn = []
    for t in times:
        a = math.pi / 4 * t  # half the angle of a quarter turn about +Y, by the second
        turn += [0.0, math.sin(a), 0.0, math.cos(a)]
    t_in = w.add(times, "SCALAR", 5126, len(times), bounds=True)
    lift_out = w.add(lift, "VEC3", 5126, len(times))
    turn_out = w.add(turn, "VEC4", 5126, len(times))
    eye, target = [4.0, 3.0, 5.0], [0.3, 0.5, 0.0]
    gltf = {
        "asset": {"version": "2.0", "generator": "make_toys.py"},
        "extensionsUsed": ["KHR_lights_punctual"],
        "extensions": {"KHR_lights_punctual": {"lights": [
            {"name": "Sun", "type": "directional", "color": [1.0, 0.95, 0.85], "intensity": 2.0}]}},
        "scene": 0,
        "scenes": [{"name": "Toys", "nodes": [0, 1, 2, 3, 4]}],
        "nodes": [
            {"name": "Floor", "mesh": 0, "translation": [0, -0.05, 0]},
            {"name": "Crate", "mesh": 1, "translation": [-0.6, 0.5, 0.2], "rotation": [0, 0.2588190, 0, 0.9659258]},
            {"name": "Top", "mesh": 2, "translation": lift[0:3]},
            {"name": "Shot Camera", "camera": 0, "translation": eye, "rotation": look_rotation(eye, target)},
            {"name": "Sun", "extensions": {"KHR_lights_punctual": {"light": 0}},
             "rotation": [-0.3535534, 0.3535534, 0.1464466, 0.8535534]},
        ],
        "cameras": [{"name": "Shot Camera", "type": "perspective",
                     "perspective": {"yfov": 0.6, "aspectRatio": 1.5, "znear": 0.1, "zfar": 100}}],
        "meshes": meshes,
        "materials": [
            {"name": "Floor Tile", "pbrMetallicRoughness": {"baseColorFactor": [0.55, 0.6, 0.5, 1], "metallicFactor": 0}},
            {"name": "Painted Red", "pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.2, 0.15, 1], "metallicFactor": 0}},
        ],
        "animations": [{"name": "Spin", "channels": [
            {"sampler": 0, "target": {"node": 2, "path": "translation"}},
            {"sampler": 1, "target": {"node": 2, "path": "rotation"}}],
            "samplers": [{"input": t_in, "output": lift_out, "interpolation": "LINEAR"},
                         {"input": t_in, "output": turn_out, "interpolation": "LINEAR"}]}],
        "buffers": [{"byteLength": len(w.data),
                     "uri": "data:application/octet-stream;base64," + base64.b64encode(bytes(w.data)).decode()}],
        "bufferViews": w.views,
        "accessors": w.accessors,
    }
    with open("toys.gltf", "w") as out:
        json.dump(gltf, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
