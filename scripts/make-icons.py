#!/usr/bin/env python3
"""Draws the program's icons pixel by pixel and writes them as .ico files.

  kprt5.ico      icon 128: the handset seen from the side, a dark grey wedge with a light
                 stripe along its top; 16, 32 and 48 px, each in 256 colours and in true colour
  ready.ico      icon 131: the handset standing upright in its dark grey cradle; 16 px true colour
  not_ready.ico  icon 132: the same with a red prohibition sign in the lower right; 16 px true colour

Each picture is a stack of shapes given as signed distance functions in a 0..1 square; a pixel's
coverage of each shape is sampled on a 4 x 4 grid and the layers are blended front over back.
Standard library only.  Usage: make-icons.py [output folder], default src/resources/icons.
"""

import math
import os
import struct
import sys

SUPERSAMPLE = 4


# ---------------------------------------------------------------- shapes (signed distances)

def polygon_distance(points):
    """Signed distance to a convex polygon given counter-clockwise or clockwise; < 0 inside."""
    count = len(points)

    def distance(x, y):
        best = float("inf")
        inside = True
        sign_ref = None
        for i in range(count):
            ax, ay = points[i]
            bx, by = points[(i + 1) % count]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            dx, dy = wx - ex * t, wy - ey * t
            best = min(best, math.hypot(dx, dy))
            cross = ex * wy - ey * wx
            side = cross >= 0
            if sign_ref is None:
                sign_ref = side
            elif side != sign_ref:
                inside = False
        return -best if inside else best

    return distance


def rounded(shape, radius):
    return lambda x, y: shape(x, y) - radius


def inset(shape, amount):
    return lambda x, y: shape(x, y) + amount


def intersect(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def subtract(shape, cut):
    return lambda x, y: max(shape(x, y), -cut(x, y))


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def half_plane(ax, ay, bx, by):
    """Inside is to the left of the directed line a -> b (y grows downwards)."""
    length = math.hypot(bx - ax, by - ay)
    nx, ny = (by - ay) / length, -(bx - ax) / length
    return lambda x, y: (x - ax) * nx + (y - ay) * ny


def band(ax, ay, bx, by, width):
    """A straight bar of the given width along the segment a -> b, with flat ends."""
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length

    def distance(x, y):
        wx, wy = x - ax, y - ay
        along = wx * ux + wy * uy
        across = abs(-wx * uy + wy * ux)
        return max(across - width / 2, -along, along - length)

    return distance


def rotate(points, degrees, cx=0.5, cy=0.5):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    return [(cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c) for x, y in points]


# ---------------------------------------------------------------- colours

def shade(colour, factor):
    return tuple(max(0, min(255, round(c * factor))) for c in colour)


def vertical_gradient(top, bottom, y0, y1):
    def colour(_x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))

    return colour


def solid(colour):
    return lambda _x, _y: colour


BODY_TOP = (92, 94, 102)
BODY_BOTTOM = (48, 49, 54)
OUTLINE = (22, 22, 26)
STRIPE = (206, 212, 220)
CRADLE_TOP = (70, 71, 77)
CRADLE_BOTTOM = (34, 35, 39)
RED = (214, 28, 28)
WHITE = (250, 250, 250)


# ---------------------------------------------------------------- pictures

def handset_layers(points, stripe_from, stripe_to, size):
    """A handset body (dark grey, outlined) with a light stripe just inside one long edge."""
    px = 1.0 / size
    outline_width = max(px, 0.045)
    corner = 0.06
    body = rounded(polygon_distance(points), corner)
    inner = inset(body, outline_width)
    sx0, sy0 = stripe_from
    sx1, sy1 = stripe_to
    stripe_width = max(1.2 * px, 0.07)
    stripe = intersect(band(sx0, sy0, sx1, sy1, stripe_width), inset(body, outline_width * 1.2))
    ys = [y for _, y in points]
    return [
        (body, solid(OUTLINE)),
        (inner, vertical_gradient(BODY_TOP, BODY_BOTTOM, min(ys), max(ys))),
        (stripe, solid(STRIPE)),
    ]


def fit(points, margin=0.03):
    """Scales and moves points so that they fill the square up to the margin, keeping proportions."""
    xs, ys = [x for x, _ in points], [y for _, y in points]
    scale = (1 - 2 * margin) / max(max(xs) - min(xs), max(ys) - min(ys))
    ox = 0.5 - (min(xs) + max(xs)) / 2 * scale
    oy = 0.5 - (min(ys) + max(ys)) / 2 * scale
    return lambda pts: [(ox + x * scale, oy + y * scale) for x, y in pts]


def main_icon(size):
    """Icon 128: the handset lying on its side, a wedge thick at the mouthpiece, tilted."""
    # Unrotated: top edge straight, bottom edge sloping; thick at the left, thin at the right.
    wedge = [(0.0, 0.30), (1.0, 0.30), (1.0, 0.50), (0.0, 0.74)]
    angle = -32.0
    place = fit(rotate(wedge, angle), margin=0.07)
    points = place(rotate(wedge, angle))
    # The stripe runs just inside the top edge.
    stripe = place(rotate([(0.10, 0.385), (0.93, 0.385)], angle))
    return handset_layers(points, stripe[0], stripe[1], size)


def upright_handset_layers(size):
    """Icon 131: the handset standing upright in a cradle that holds its lower part."""
    px = 1.0 / size
    handset = [(0.33, 0.02), (0.65, 0.02), (0.62, 0.84), (0.36, 0.84)]
    layers = handset_layers(handset, (0.425, 0.09), (0.435, 0.60), size)
    cradle = rounded(union(
        polygon_distance([(0.14, 0.64), (0.84, 0.64), (0.96, 0.96), (0.02, 0.96)]),
        polygon_distance([(0.16, 0.46), (0.31, 0.46), (0.31, 0.70), (0.16, 0.70)]),
        polygon_distance([(0.67, 0.46), (0.82, 0.46), (0.82, 0.70), (0.67, 0.70)])), 0.02)
    cradle_inner = inset(cradle, max(px, 0.05))
    lip = 0.64 + 1.6 * px
    cradle_lip = intersect(cradle_inner, half_plane(1.0, lip, 0.0, lip),
                           half_plane(0.0, 0.64, 1.0, 0.64))
    layers += [
        (cradle, solid(OUTLINE)),
        (cradle_inner, vertical_gradient(CRADLE_TOP, CRADLE_BOTTOM, 0.46, 0.96)),
        (cradle_lip, solid(shade(CRADLE_TOP, 1.45))),
    ]
    return layers


def ready_icon(size):
    return upright_handset_layers(size)


def not_ready_icon(size):
    px = 1.0 / size
    cx, cy, r = 0.70, 0.70, 0.27
    width = max(1.6 * px, 0.11)
    a = math.radians(45.0)
    bar = intersect(band(cx - r * math.cos(a), cy - r * math.sin(a),
                         cx + r * math.cos(a), cy + r * math.sin(a), width),
                    circle(cx, cy, r))
    return upright_handset_layers(size) + [
        (circle(cx, cy, r + width / 2 + 0.6 * px), solid(WHITE)),
        (ring(cx, cy, r, width), solid(RED)),
        (bar, solid(RED)),
    ]


# ---------------------------------------------------------------- rendering

def render(layers, size):
    """Returns rows of (r, g, b, a) pixels, top row first."""
    pixels = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b and alpha
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    r = g = b = alpha = 0.0
                    for shape, colour in layers:
                        if shape(x, y) <= 0:
                            cr, cg, cb = colour(x, y)
                            r, g, b, alpha = cr, cg, cb, 1.0
                    acc[0] += r * alpha
                    acc[1] += g * alpha
                    acc[2] += b * alpha
                    acc[3] += alpha
            samples = n * n
            alpha = acc[3] / samples
            if alpha > 0:
                colour = tuple(round(c / acc[3]) for c in acc[:3])
            else:
                colour = (0, 0, 0)
            row.append((*colour, round(alpha * 255)))
        pixels.append(row)
    return pixels


# ---------------------------------------------------------------- .ico writing

def and_mask(pixels):
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (_r, _g, _b, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bits
    return bytes(data)


def bitmap_header(size, bit_count, image_bytes, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, image_bytes, 0, 0,
                       colours_used, 0)


def true_colour_image(pixels):
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = and_mask(pixels)
    return bitmap_header(size, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def palette_image(pixels):
    """256 colours: opaque pixels only (alpha >= 128), colours reduced until they fit."""
    size = len(pixels)
    step = 1
    while True:
        def reduce(c):
            return tuple(min(255, (v // step) * step + step // 2) for v in c)

        colours = sorted({reduce(p[:3]) for row in pixels for p in row if p[3] >= 128})
        if len(colours) <= 255:
            break
        step *= 2
    palette = [(0, 0, 0)] + colours
    index = {c: i for i, c in enumerate(palette)}
    palette += [(0, 0, 0)] * (256 - len(palette))
    stride = (size + 3) // 4 * 4
    xor = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            line[x] = index[reduce(p[:3])] if p[3] >= 128 else 0
        xor += line
    mask = and_mask(pixels)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return bitmap_header(size, 8, len(xor) + len(mask), 256) + table + bytes(xor) + mask


def write_ico(path, images):
    """images: list of (size, bit_count, data)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = bytearray()
    body = bytearray()
    for size, bit_count, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bit_count, len(data),
                               offset + len(body))
        body += data
    with open(path, "wb") as out:
        out.write(header + bytes(entries) + bytes(body))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "resources", "icons")
    os.makedirs(folder, exist_ok=True)

    images = []
    for size in (16, 32, 48):
        images.append((size, 8, palette_image(render(main_icon(size), size))))
    for size in (16, 32, 48):
        images.append((size, 32, true_colour_image(render(main_icon(size), size))))
    write_ico(os.path.join(folder, "kprt5.ico"), images)

    write_ico(os.path.join(folder, "ready.ico"),
              [(16, 32, true_colour_image(render(ready_icon(16), 16)))])
    write_ico(os.path.join(folder, "not_ready.ico"),
              [(16, 32, true_colour_image(render(not_ready_icon(16), 16)))])


if __name__ == "__main__":
    main()
