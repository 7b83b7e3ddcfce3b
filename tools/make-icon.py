#!/usr/bin/env python3
"""Render the Brindle application icon from its JSON source into a PNG-based .ico.

resources/brindle.ico is generated but kept in the tree; --check tells CI when it is stale.
"""

import argparse
import json
import math
import struct
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_SOURCE = ROOT / "tools" / "icon" / "brindle-icon.json"
DEFAULT_OUTPUT = ROOT / "resources" / "brindle.ico"
SIZES = (16, 24, 32, 48, 64, 128, 256)


def parse_colour(text):
    text = text.lstrip("#").ljust(8, "F")
    r, g, b, a = (int(text[i:i + 2], 16) for i in range(0, 8, 2))
    return r, g, b, a / 255.0


def colour_at(fill, t):
    """A fill is one colour or a [top, bottom] vertical gradient; t runs 0..1 down it."""
    if isinstance(fill, str):
        return parse_colour(fill)
    top, bottom = parse_colour(fill[0]), parse_colour(fill[1])
    t = min(max(t, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(top, bottom))


def subtract(spans, holes):
    out = []
    for a, b in spans:
        for h0, h1 in holes:
            if h1 <= a or h0 >= b:
                continue
            if h0 > a:
                out.append((a, h0))
            a = max(a, h1)
        if a < b:
            out.append((a, b))
    return out


def intersect(spans, others):
    return [(max(a, c), min(b, d)) for a, b in spans for c, d in others
            if max(a, c) < min(b, d)]


class Shape:
    """One layer of the design, pre-scaled to pixel space for a single icon size."""

    def __init__(self, item, scale):
        self.kind, self.id = item["type"], item.get("id")
        self.fill = item["fill"]
        self.clip = item.get("clip")
        self.points = None
        if self.kind == "rounded_rect":
            self._init_rect(item, scale)
            return
        if self.kind == "stripe":
            points = stripe_outline(item)
        elif self.kind == "polygon":
            points = item["points"]
        else:
            raise ValueError(f"unknown shape type {self.kind!r}")
        self.points = [(x * scale, y * scale) for x, y in points]
        self.top = min(y for _, y in self.points)
        self.bottom = max(y for _, y in self.points)

    def _init_rect(self, item, scale):
        x, y, w, h = (v * scale for v in item["rect"])
        box = [x, y, x + w, y + h]
        if item.get("snap"):
            # Whole-pixel edges keep the tile and frame sharp at 16 and 24 px.
            box = [float(round(v)) for v in box]
        radius = item.get("radius", 0)
        radii = radius if isinstance(radius, list) else [radius] * 4
        self.box, self.radii = box, [r * scale for r in radii]
        self.stroke = item.get("stroke", 0) * scale
        if item.get("snap") and self.stroke:
            self.stroke = float(max(1, round(self.stroke)))
        self.top, self.bottom = box[1], box[3]

    def spans(self, y):
        """Horizontal runs [x0, x1) this shape covers on the scanline at y."""
        if not self.top <= y < self.bottom:
            return []
        if self.points:
            return self._polygon_spans(y)
        outer = rect_spans(self.box, self.radii, y)
        if not self.stroke:
            return outer
        s = self.stroke
        inner_box = [v + d for v, d in zip(self.box, (s, s, -s, -s))]
        inner_radii = [max(r - s, 0.0) for r in self.radii]
        return subtract(outer, rect_spans(inner_box, inner_radii, y))

    def _polygon_spans(self, y):
        pts = self.points
        xs = sorted(xa + (y - ya) * (xb - xa) / (yb - ya)
                    for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1])
                    if ya <= y < yb or yb <= y < ya)
        return [(xs[i], xs[i + 1]) for i in range(0, len(xs) - 1, 2)]


def stripe_outline(item, steps=12):
    """A pointed, gently bent band from "from" to "to": one brindle stripe."""
    (x0, y0), (x1, y1) = item["from"], item["to"]
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    nx, ny = -dy / length, dx / length
    left, right = [], []
    for i in range(1, steps):
        t = i / steps
        swell = math.sin(math.pi * t)
        # The exponent keeps the band full-bodied and only sharpens near the tips.
        half = item["width"] / 2 * swell ** 0.6
        cx = x0 + dx * t + nx * item.get("bend", 0) * swell
        cy = y0 + dy * t + ny * item.get("bend", 0) * swell
        left.append((cx + nx * half, cy + ny * half))
        right.append((cx - nx * half, cy - ny * half))
    return [(x0, y0)] + left + [(x1, y1)] + right[::-1]


def rect_spans(box, radii, y):
    """Radii run clockwise from the top-left corner."""
    x0, y0, x1, y1 = box
    if not y0 <= y < y1:
        return []
    tl, tr, br, bl = radii
    left = max(corner_inset(tl, y0 + tl - y), corner_inset(bl, y - y1 + bl))
    right = max(corner_inset(tr, y0 + tr - y), corner_inset(br, y - y1 + br))
    return [(x0 + left, x1 - right)] if x0 + left < x1 - right else []


def corner_inset(r, d):
    """How far a corner of radius r pulls the edge in at d past the corner's centre."""
    return r - math.sqrt(max(r * r - d * d, 0.0)) if d > 0 else 0.0


def over(src, dst):
    """Source-over: straight-alpha src onto premultiplied dst, premultiplied result."""
    a, k = src[3], 1.0 - src[3]
    return tuple(s * a + d * k for s, d in zip(src[:3], dst[:3])) + (a + dst[3] * k,)


def render(design, size):
    """Return rows of (r, g, b, a) bytes, straight alpha, for a size x size icon."""
    scale = size / design["grid"]
    n = 8 if size <= 64 else 4  # small sizes get denser sampling so edges stay clean
    shapes = [Shape(item, scale) for item in design["shapes"]]
    by_id = {shape.id: shape for shape in shapes if shape.id}
    width = size * n
    rows = []
    for py in range(size):
        acc = [0.0] * (size * 4)
        for sy in range(n):
            y = py + (sy + 0.5) / n
            line = paint_line(shapes, by_id, y, n, width)
            for px in range(size):
                cell = line[px * n:(px + 1) * n]
                for c in range(4):
                    acc[px * 4 + c] += sum(sample[c] for sample in cell)
        rows.append(resolve_pixels(acc, n * n))
    return rows


def paint_line(shapes, by_id, y, n, width):
    line = [(0.0, 0.0, 0.0, 0.0)] * width
    for shape in shapes:
        spans = shape.spans(y)
        if shape.clip:
            spans = intersect(spans, by_id[shape.clip].spans(y))
        if not spans:
            continue
        colour = colour_at(shape.fill, (y - shape.top) / max(shape.bottom - shape.top, 1e-9))
        for x0, x1 in spans:
            i0 = max(0, math.ceil(x0 * n - 0.5))
            i1 = min(width, math.ceil(x1 * n - 0.5))
            if colour[3] >= 1.0:
                line[i0:i1] = [colour] * (i1 - i0)
            else:
                line[i0:i1] = [over(colour, dst) for dst in line[i0:i1]]
    return line


def resolve_pixels(acc, count):
    """Average premultiplied sums back to straight-alpha RGBA bytes."""
    out = bytearray()
    for i in range(0, len(acc), 4):
        r, g, b, a = (v / count for v in acc[i:i + 4])
        rgb = (min(255, round(v / a)) for v in (r, g, b)) if a > 0 else (0, 0, 0)
        out += bytes((*rgb, min(255, round(a * 255))))
    return bytes(out)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def encode_png(size, rows):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def build_ico(images):
    """images: list of (size, png bytes) in ascending size order."""
    offset = 6 + 16 * len(images)
    entries = struct.pack("<HHH", 0, 1, len(images))
    for size, png in images:
        dim = 0 if size >= 256 else size  # a zero byte means 256 in ICONDIRENTRY
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(png), offset)
        offset += len(png)
    return entries + b"".join(png for _, png in images)


def make_icon(source):
    design = json.loads(Path(source).read_text(encoding="utf-8"))
    images = [(size, encode_png(size, render(design, size))) for size in SIZES]
    return build_ico(images), images


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", type=Path, default=DEFAULT_SOURCE, help="design (JSON)")
    parser.add_argument("--output", type=Path, default=DEFAULT_OUTPUT,
                        help="icon file to write, or to compare with --check")
    parser.add_argument("--check", action="store_true",
                        help="exit 1 if the output file is missing or out of date")
    parser.add_argument("--preview", type=Path, metavar="DIR",
                        help="also write each size as brindle-<size>.png into DIR")
    args = parser.parse_args(argv)

    ico, images = make_icon(args.source)
    if args.preview:
        args.preview.mkdir(parents=True, exist_ok=True)
        for size, png in images:
            (args.preview / f"brindle-{size}.png").write_bytes(png)
    if args.check:
        current = args.output.read_bytes() if args.output.is_file() else None
        if current != ico:
            state = "missing" if current is None else f"out of date with {args.source}"
            print(f"error: {args.output} is {state}; run tools/make-icon.py "
                  "and commit the result", file=sys.stderr)
            return 1
        print(f"{args.output} is up to date")
        return 0
    args.output.parent.mkdir(parents=True, exist_ok=True)
    args.output.write_bytes(ico)
    print(f"wrote {args.output} ({len(ico)} bytes, sizes {', '.join(map(str, SIZES))})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
