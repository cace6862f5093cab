#!/usr/bin/env python3
"""Draws all of Hivelark's artwork and writes it under resources/.

Everything is vector-drawn and anti-aliased here with the standard library only, so the pictures can
be rebuilt on any machine and come out byte for byte the same every time:

  Hivelark.ico       application icon, 256/64/48/32/24/16 px, 32-bit (the 256 image stored as PNG)
  buttons/*.png      six 48 x 48 gel buttons of the main window
  folder.bmp         60 x 34 strip of the file name field's browse button: three 20 x 17 folder
                     pictures above their masks (folder-125.png and so on at the larger scales)
  about.bmp          147 x 110 picture of the About box (about-125.png and so on)
  check.png          36 x 18 check-mark glyph of the About box's OK button, normal and greyed

The pictures other than the icon are also drawn for displays scaled to 125, 150 and 200 percent, as
NAME-125.png and so on: each size rounded once from its 96-dpi size (half up, as the program rounds),
so that the program finds the picture for its scale exactly as large as the control it fills.

Usage: make-artwork.py [--out DIR]   (default: the resources/ folder next to this script's folder)
"""

import argparse
import math
import os
import struct
import zlib

# Sub-scanlines per pixel row. Horizontal coverage is computed exactly, so 16 rows are plenty for
# smooth edges even on the 16 px icon.
SUBROWS = 16

# Display scales in percent that get pictures of their own; 100 keeps the plain file names.
SCALES = (100, 125, 150, 200)


def scaled_size(pixels, percent):
    """A 96-dpi length at a display scale, rounded half up."""
    return (pixels * percent * 2 + 100) // 200


def scaled_name(name, percent):
    stem, extension = os.path.splitext(name)
    return name if percent == 100 else f"{stem}-{percent}{extension}"


# ---------------------------------------------------------------------------------------------
# Colours: tuples (red, green, blue, alpha) of floats in 0..1, straight (not premultiplied).


def colour(hex_text, alpha=1.0):
    value = int(hex_text.lstrip("#"), 16)
    return ((value >> 16 & 255) / 255.0, (value >> 8 & 255) / 255.0, (value & 255) / 255.0, alpha)


def with_alpha(c, alpha):
    return (c[0], c[1], c[2], alpha)


def scaled(c, factor):
    """Darkens (factor < 1) or brightens a colour, keeping its alpha."""
    return (min(1.0, c[0] * factor), min(1.0, c[1] * factor), min(1.0, c[2] * factor), c[3])


def mix(c0, c1, t):
    """Interpolates in premultiplied space, so fading a colour towards transparency keeps its hue."""
    a = c0[3] + (c1[3] - c0[3]) * t
    if a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((c0[i] * c0[3] + (c1[i] * c1[3] - c0[i] * c0[3]) * t) / a for i in range(3)) + (a,)


def grey_version(c):
    """The colour as a light, low-contrast grey: the look of a disabled glyph."""
    luma = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]
    return (0.45 + 0.45 * luma,) * 3 + (c[3],)


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def smoothstep(edge0, edge1, x):
    t = clamp((x - edge0) / (edge1 - edge0))
    return t * t * (3.0 - 2.0 * t)


# ---------------------------------------------------------------------------------------------
# Paints: functions of a point (in drawing units) giving its colour.


def gradient_at(stops, t):
    t = clamp(t)
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0.0)
    return stops[-1][1]


def linear(x0, y0, x1, y1, stops):
    dx, dy = x1 - x0, y1 - y0
    length_squared = dx * dx + dy * dy
    return lambda x, y: gradient_at(stops, ((x - x0) * dx + (y - y0) * dy) / length_squared)


def radial(cx, cy, rx, ry, stops):
    return lambda x, y: gradient_at(stops, math.hypot((x - cx) / rx, (y - cy) / ry))


def soft(distance, c, blur):
    """A blurred silhouette: full colour well inside the shape, fading out across its edge."""
    return lambda x, y: with_alpha(c, c[3] * (1.0 - smoothstep(-blur, blur, distance(x, y))))


def circle_distance(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse_distance(cx, cy, rx, ry):
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * min(rx, ry)


def box_distance(left, top, right, bottom, radius=0.0):
    cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
    half_w, half_h = (right - left) / 2.0 - radius, (bottom - top) / 2.0 - radius

    def distance(x, y):
        qx, qy = abs(x - cx) - half_w, abs(y - cy) - half_h
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius

    return distance


# ---------------------------------------------------------------------------------------------
# Geometry: a shape is a list of closed contours, each a list of (x, y) points. Shapes are filled
# with the non-zero rule, so contours of the same orientation unite and a reversed one cuts a hole.


def signed_area(points):
    return 0.5 * sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]))


def oriented(points, positive=True):
    return points if (signed_area(points) >= 0) == positive else points[::-1]


def ellipse(cx, cy, rx, ry, segments=96):
    return [(cx + rx * math.cos(2 * math.pi * i / segments), cy + ry * math.sin(2 * math.pi * i / segments))
            for i in range(segments)]


def circle(cx, cy, r, segments=96):
    return ellipse(cx, cy, r, r, segments)


def ring(cx, cy, outer, inner, segments=96):
    return [oriented(circle(cx, cy, outer, segments)), oriented(circle(cx, cy, inner, segments), False)]


def rectangle(left, top, right, bottom):
    return [(left, top), (right, top), (right, bottom), (left, bottom)]


def rounded_rectangle(left, top, right, bottom, radius, segments_per_corner=8):
    corners = [(right - radius, top + radius, -90), (right - radius, bottom - radius, 0),
               (left + radius, bottom - radius, 90), (left + radius, top + radius, 180)]
    points = []
    for cx, cy, start in corners:
        for i in range(segments_per_corner + 1):
            angle = math.radians(start + 90.0 * i / segments_per_corner)
            points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


def hexagon(cx, cy, radius):
    """A hexagon with flat top and bottom, as honeycomb cells are usually drawn."""
    return [(cx + radius * math.cos(math.radians(60 * i)), cy + radius * math.sin(math.radians(60 * i)))
            for i in range(6)]


def bezier(p0, p1, p2, p3, segments=24):
    """Points of a cubic Bezier curve, both ends included."""
    points = []
    for i in range(segments + 1):
        t = i / segments
        u = 1.0 - t
        points.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                       u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return points


def stroke(points, width, closed=False):
    """Outline of a polyline of the given width with round joins and caps."""
    half = width / 2.0
    pairs = list(zip(points, points[1:] + points[:1] if closed else points[1:]))
    contours = []
    for (x0, y0), (x1, y1) in pairs:
        length = math.hypot(x1 - x0, y1 - y0)
        if length == 0.0:
            continue
        nx, ny = -(y1 - y0) / length * half, (x1 - x0) / length * half
        contours.append(oriented([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]))
    segments = max(8, int(width * 4))
    contours.extend(oriented(circle(x, y, half, segments)) for x, y in points)
    return contours


def translated(shape, dx, dy):
    return [[(x + dx, y + dy) for x, y in contour] for contour in shape]


def clip_convex(points, window):
    """Sutherland-Hodgman: the part of a contour inside a convex window."""
    window = oriented(window)
    for (ax, ay), (bx, by) in zip(window, window[1:] + window[:1]):
        def inside(p):
            return (bx - ax) * (p[1] - ay) - (by - ay) * (p[0] - ax) >= 0

        def crossing(p, q):
            denominator = (bx - ax) * (q[1] - p[1]) - (by - ay) * (q[0] - p[0])
            t = ((bx - ax) * (ay - p[1]) - (by - ay) * (ax - p[0])) / denominator
            return (p[0] + (q[0] - p[0]) * t, p[1] + (q[1] - p[1]) * t)

        clipped = []
        for p, q in zip(points, points[1:] + points[:1]):
            if inside(q):
                if not inside(p):
                    clipped.append(crossing(p, q))
                clipped.append(q)
            elif inside(p):
                clipped.append(crossing(p, q))
        points = clipped
        if not points:
            break
    return points


def clipped(shape, window):
    return [c for c in (clip_convex(contour, window) for contour in shape) if len(c) >= 3]


# ---------------------------------------------------------------------------------------------
# Canvas


class Canvas:
    """Premultiplied RGBA pixels. Shapes are given in drawing units; `scale` pixels make one unit,
    so one drawing serves several icon sizes."""

    def __init__(self, width, height, scale=1.0):
        self.width, self.height, self.scale = width, height, scale
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def pixel_units(self, pixels):
        """A length of so many device pixels, in drawing units: keeps hairlines visible when small."""
        return pixels / self.scale

    def fill(self, shape, paint):
        """Composites `paint` (a colour or a function of a point) over the shape's area."""
        paint_at = paint if callable(paint) else (lambda x, y: paint)
        edges = self._edges(shape)
        if not edges:
            return
        top = max(0, int(math.floor(min(e[0] for e in edges))))
        bottom = min(self.height, int(math.ceil(max(e[1] for e in edges))))
        for row in range(top, bottom):
            active = [e for e in edges if e[0] < row + 1 and e[1] > row]
            coverage, low, high = self._row_coverage(row, active)
            for column in range(low, high):
                amount = min(1.0, coverage[column])
                if amount <= 0.0:
                    continue
                c = paint_at((column + 0.5) / self.scale, (row + 0.5) / self.scale)
                self._blend(self.pixels[row * self.width + column], c, amount)

    def _edges(self, shape):
        edges = []
        for contour in shape:
            points = [(x * self.scale, y * self.scale) for x, y in contour]
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if y0 == y1:
                    continue
                winding = 1 if y1 > y0 else -1
                if y0 > y1:
                    x0, y0, x1, y1 = x1, y1, x0, y0
                edges.append((y0, y1, x0, (x1 - x0) / (y1 - y0), winding))
        return edges

    def _row_coverage(self, row, active):
        """Fraction of each pixel of the row inside the shape: exact across, sampled down."""
        coverage = [0.0] * (self.width + 1)
        low, high = self.width, 0
        weight = 1.0 / SUBROWS
        for sub in range(SUBROWS):
            y = row + (sub + 0.5) / SUBROWS
            crossings = sorted((x0 + (y - y0) * slope, winding)
                               for y0, y1, x0, slope, winding in active if y0 <= y < y1)
            winding = 0
            start = 0.0
            for x, direction in crossings:
                if winding == 0:
                    start = x
                winding += direction
                if winding == 0:
                    span_low, span_high = self._add_span(coverage, start, x, weight)
                    low, high = min(low, span_low), max(high, span_high)
        return coverage, low, min(high, self.width)

    def _add_span(self, coverage, x0, x1, weight):
        x0, x1 = max(0.0, x0), min(float(self.width), x1)
        if x1 <= x0:
            return self.width, 0
        first, last = int(x0), int(x1)
        if first == last:
            coverage[first] += (x1 - x0) * weight
            return first, first + 1
        coverage[first] += (first + 1 - x0) * weight
        for column in range(first + 1, last):
            coverage[column] += weight
        coverage[last] += (x1 - last) * weight
        return first, last + 1

    @staticmethod
    def _blend(pixel, c, amount):
        alpha = c[3] * amount
        if alpha <= 0.0:
            return
        keep = 1.0 - alpha
        pixel[0] = c[0] * alpha + pixel[0] * keep
        pixel[1] = c[1] * alpha + pixel[1] * keep
        pixel[2] = c[2] * alpha + pixel[2] * keep
        pixel[3] = alpha + pixel[3] * keep

    def straight_rgba(self, darken=1.0):
        """Rows of 8-bit (red, green, blue, alpha) tuples, top row first, colours unpremultiplied."""
        rows = []
        for row in range(self.height):
            out = []
            for r, g, b, a in self.pixels[row * self.width:(row + 1) * self.width]:
                if a <= 0.0:
                    out.append((0, 0, 0, 0))
                    continue
                out.append(tuple(to_byte(v / a * darken) for v in (r, g, b)) + (to_byte(a),))
            rows.append(out)
        return rows


def to_byte(value):
    return int(clamp(value) * 255.0 + 0.5)


# ---------------------------------------------------------------------------------------------
# File formats


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def paeth_predictor(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_filter(kind, line, prior, bpp):
    out = bytearray(len(line))
    for i, value in enumerate(line):
        left = line[i - bpp] if i >= bpp else 0
        up = prior[i]
        upper_left = prior[i - bpp] if i >= bpp else 0
        predictor = (0, left, up, (left + up) >> 1, paeth_predictor(left, up, upper_left))[kind]
        out[i] = (value - predictor) & 255
    return bytes(out)


def filter_cost(filtered):
    """The usual heuristic: the sum of the bytes taken as signed values."""
    return sum(v if v < 128 else 256 - v for v in filtered)


def png_filter_types(lines, bpp):
    """Per row the filter type with the smallest cost, and then every type 0..4 forced onto a row
    near the middle if the heuristic left it out: each of our PNG files holds all five filters, so
    whatever reads them is exercised on every one."""
    choices = []
    prior = bytes(len(lines[0]))
    for line in lines:
        costs = [filter_cost(png_filter(kind, line, prior, bpp)) for kind in range(5)]
        choices.append(costs.index(min(costs)))
        prior = line
    forced = set()
    for kind in range(5):
        if kind in choices:
            continue
        for row in sorted(range(len(lines)), key=lambda r: (abs(r - len(lines) // 2), r)):
            if row not in forced and choices.count(choices[row]) > 1:
                choices[row] = kind
                forced.add(row)
                break
    return choices


def png_bytes(rows):
    """An 8-bit, non-interlaced PNG of rows of (red, green, blue, alpha) tuples, or of (red, green,
    blue) tuples for an opaque picture."""
    width, height = len(rows[0]), len(rows)
    channels = len(rows[0][0])
    lines = [bytes(v for pixel in row for v in pixel) for row in rows]
    raw = bytearray()
    prior = bytes(len(lines[0]))
    for line, kind in zip(lines, png_filter_types(lines, channels)):
        raw.append(kind)
        raw += png_filter(kind, line, prior, channels)
        prior = line
    data = zlib.compress(bytes(raw), 9)
    # Split the image data into 8 KiB chunks as common encoders do; readers must join them.
    idat = b"".join(png_chunk(b"IDAT", data[i:i + 8192]) for i in range(0, len(data), 8192))
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if channels == 4 else 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + idat + png_chunk(b"IEND", b"")


def bitmap_info_header(width, height, bit_count, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, image_size, 2835, 2835, 0, 0)


def bmp24_bytes(rows):
    """A bottom-up 24-bit Windows bitmap of rows of (red, green, blue) tuples, top row first."""
    width, height = len(rows[0]), len(rows)
    padding = b"\0" * (-width * 3 % 4)
    pixels = b"".join(bytes(v for r, g, b in row for v in (b, g, r)) + padding for row in reversed(rows))
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + bitmap_info_header(width, height, 24, len(pixels)) + pixels


def icon_bitmap_entry(rows):
    """A classic icon image: header with doubled height, bottom-up BGRA, then the 1-bit AND mask
    (set where the pixel is fully transparent), its rows padded to 32 bits."""
    width, height = len(rows[0]), len(rows)
    colour_data = b"".join(bytes(v for r, g, b, a in row for v in (b, g, r, a)) for row in reversed(rows))
    mask_row_bytes = (width + 31) // 32 * 4
    mask_data = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask_data += bits
    size = len(colour_data) + len(mask_data)
    return bitmap_info_header(width, height * 2, 32, size) + colour_data + bytes(mask_data)


def ico_bytes(images):
    """An icon file of (size, rows) pairs; 256 px images are stored as PNG, the rest as bitmaps."""
    entries = [(size, png_bytes(rows) if size >= 256 else icon_bitmap_entry(rows)) for size, rows in images]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in entries)


# ---------------------------------------------------------------------------------------------
# Application icon: glass cubes standing in front of a page. Drawn in a 256-unit square.

PAPER_EDGE = colour("#9aa3ad")
TEXT_LINE = colour("#a9b1ba")
GLASS_DARK = colour("#0f4f66")
GLASS_EDGE = colour("#ffffff")


def draw_page(canvas):
    # Edges on whole pixels and the outline inside them keep the page crisp at 16 and 24 px.
    def snap(value):
        return round(value * canvas.scale) / canvas.scale

    left, top, right, bottom, fold = snap(34), snap(12), snap(182), snap(204), snap(44)
    page = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    canvas.fill([rectangle(left - 4, top, right + 12, bottom + 14)],
                soft(box_distance(left + 4, top + 6, right + 4, bottom + 5, 6), colour("#000000", 0.35), 7))
    canvas.fill([page], linear(0, top, 0, bottom, [(0, colour("#ffffff")), (1, colour("#e9eef3"))]))
    edge_width = max(canvas.pixel_units(1.0), 2.5)
    inset = edge_width / 2
    outline = [(left + inset, top + inset), (right - fold, top + inset), (right - inset, top + fold),
               (right - inset, bottom - inset), (left + inset, bottom - inset)]
    canvas.fill(stroke(outline, edge_width, closed=True), PAPER_EDGE)
    draw_text_lines(canvas, left, top, right, bottom, fold)
    flap = [(right - fold + inset, top + inset), (right - inset, top + fold - inset),
            (right - fold + inset, top + fold - inset)]
    canvas.fill([flap], linear(right - fold, top + fold, right - fold / 2, top + fold / 2,
                               [(0, colour("#c9d2dc")), (1, colour("#f7f9fb"))]))
    canvas.fill(stroke(flap, edge_width, closed=True), PAPER_EDGE)


def draw_text_lines(canvas, left, top, right, bottom, fold):
    """Grey lines of text, snapped to whole pixels so that they stay crisp at every size."""
    scale = canvas.scale
    thickness = max(1, round(8 * scale))
    pitch = max(thickness + 1, round(20 * scale))
    lengths = [0.55, 0.9, 0.75, 0.95, 0.6, 0.85, 0.7, 0.9]
    start_x = round((left + 20) * scale)
    y = round((top + 36) * scale)
    for i, share in enumerate(lengths):
        if y + thickness > (bottom - 16) * scale:
            break
        limit = (right - 20 - (fold if i == 0 else 0)) * scale
        end_x = max(start_x + 2, round(start_x + (limit - start_x) * share))
        canvas.fill([rectangle(start_x / scale, y / scale, end_x / scale, (y + thickness) / scale)], TEXT_LINE)
        y += pitch


def cube_corners(x, y, a):
    """Screen points of a cube whose front bottom corner is (x, y) and whose edge is a. The view is
    a little steeper than isometric, so the hidden back corner shows through the glass instead of
    sitting exactly behind the front corner."""
    across, depth = 0.866 * a, 0.42 * a
    return {
        "front": (x, y), "right": (x + across, y - depth), "left": (x - across, y - depth),
        "back": (x, y - 2 * depth),
        "front_top": (x, y - a), "right_top": (x + across, y - depth - a), "left_top": (x - across, y - depth - a),
        "back_top": (x, y - 2 * depth - a),
    }


def draw_glass_cube(canvas, x, y, a, hue, detailed):
    p = cube_corners(x, y, a)
    hairline = canvas.pixel_units(1.0)
    silhouette = [p["front"], p["right"], p["right_top"], p["back_top"], p["left_top"], p["left"]]
    left_face = [p["front"], p["left"], p["left_top"], p["front_top"]]
    right_face = [p["front"], p["front_top"], p["right_top"], p["right"]]
    top_face = [p["front_top"], p["left_top"], p["back_top"], p["right_top"]]

    # A soft contact shadow on whatever the cube stands on.
    canvas.fill([ellipse(x, y - 0.42 * a, 1.15 * a, 0.62 * a)],
                soft(ellipse_distance(x + 0.1 * a, y - 0.36 * a, 0.95 * a, 0.5 * a), colour("#0a2430", 0.4), 0.18 * a))

    # The tinted body of the glass, light enough for the page to show through.
    canvas.fill([silhouette], with_alpha(hue, 0.3))
    canvas.fill([left_face], linear(p["left_top"][0], p["left_top"][1], p["front"][0], p["front"][1],
                                    [(0, with_alpha(scaled(hue, 1.35), 0.3)), (1, with_alpha(hue, 0.5))]))
    canvas.fill([right_face], linear(p["front_top"][0], p["front_top"][1], p["right"][0], p["right"][1],
                                     [(0, with_alpha(scaled(hue, 0.8), 0.5)), (1, with_alpha(scaled(hue, 0.55), 0.7))]))
    canvas.fill([top_face], linear(p["front_top"][0], p["front_top"][1], p["back_top"][0], p["back_top"][1],
                                   [(0, with_alpha(mix(hue, colour("#ffffff"), 0.55), 0.55)),
                                    (1, with_alpha(mix(hue, colour("#ffffff"), 0.8), 0.4))]))
    if detailed:
        # The edges behind, seen through the glass; a glossy band slanting across the left face; a
        # glow on the top face.
        for corner in ("left", "right", "back_top"):
            canvas.fill(stroke([p["back"], p[corner]], max(hairline, 0.014 * a)), colour("#ffffff", 0.45))
        band = [(x - 0.75 * a, y - 0.4 * a), (x - 0.35 * a, y - 0.6 * a), (x - 0.1 * a, y - 1.1 * a),
                (x - 0.6 * a, y - 1.3 * a)]
        canvas.fill(clipped([band], left_face), linear(x - 0.7 * a, y - 1.3 * a, x - 0.3 * a, y - 0.5 * a,
                                                       [(0, colour("#ffffff", 0.75)), (1, colour("#ffffff", 0.05))]))
        canvas.fill([top_face], radial(x - 0.1 * a, y - 1.47 * a, 0.7 * a, 0.35 * a,
                                       [(0, colour("#ffffff", 0.6)), (1, colour("#ffffff", 0.0))]))

    # Bright front edges catch the light; a dark outline keeps the cube distinct from the page.
    edge = max(hairline, 0.03 * a)
    for corner in ("front", "left_top", "right_top"):
        canvas.fill(stroke([p["front_top"], p[corner]], edge), with_alpha(GLASS_EDGE, 0.85))
    canvas.fill(stroke(silhouette, max(hairline, 0.028 * a), closed=True), with_alpha(GLASS_DARK, 0.9))
    if detailed:
        fx, fy = p["front_top"]
        canvas.fill([circle(fx, fy, 0.12 * a)], radial(fx, fy, 0.12 * a, 0.12 * a,
                                                      [(0, colour("#ffffff", 0.95)), (1, colour("#ffffff", 0.0))]))


# Cubes per icon size, back to front: (front bottom x, y, edge, hue). Fewer and bigger when small.
ICON_CUBES = {
    "full": [(206, 146, 50, colour("#3aa7c9")),
             (96, 236, 58, colour("#2f8fd0")),
             (184, 247, 66, colour("#21b3a6"))],
    "pair": [(90, 236, 60, colour("#2f8fd0")),
             (182, 248, 70, colour("#21b3a6"))],
    "single": [(166, 250, 90, colour("#2aa6b8"))],
}


def draw_icon(size):
    canvas = Canvas(size, size, size / 256.0)
    draw_page(canvas)
    layout = "full" if size >= 48 else "pair" if size >= 24 else "single"
    for x, y, edge, hue in ICON_CUBES[layout]:
        draw_glass_cube(canvas, x, y, edge, hue, detailed=size >= 32)
    return canvas.straight_rgba()


# ---------------------------------------------------------------------------------------------
# Gel buttons, 48 x 48 pixels

BUTTON_COLOURS = {
    "start": colour("#3cb532"),
    "clear": colour("#c9d0d8"),
    "save": colour("#f2c418"),
    "tray": colour("#f7841c"),
    "about": colour("#2f7fe0"),
    "exit": colour("#dd2a22"),
}


def draw_button(base, percent=100):
    canvas = Canvas(scaled_size(48, percent), scaled_size(48, percent), percent / 100.0)
    cx, cy, radius = 24.0, 23.0, 21.0
    white = colour("#ffffff")
    canvas.fill([circle(cx, cy + 1.5, radius + 2.5)], soft(circle_distance(cx, cy + 1.6, radius - 0.5),
                                                           colour("#000000", 0.5), 2.2))
    canvas.fill([circle(cx, cy, radius)], linear(0, cy - radius, 0, cy + radius,
                                                 [(0, scaled(base, 0.45)), (1, scaled(base, 0.7))]))
    inner = radius - 1.6
    canvas.fill([circle(cx, cy, inner)], radial(cx, cy + 11, 30, 26, [
        (0.0, mix(base, white, 0.45)), (0.45, base), (1.0, scaled(base, 0.62))]))
    # Light gathers at the bottom of the gel, as in a lens.
    canvas.fill([circle(cx, cy, inner)], radial(cx, cy + 15, 13, 6, [(0, with_alpha(mix(base, white, 0.7), 0.55)),
                                                                     (1, with_alpha(base, 0.0))]))
    # The reflection of a window above: a bright ellipse fading downwards.
    canvas.fill([ellipse(cx, cy - 9.6, 14.0, 8.8)], linear(0, cy - 18.4, 0, cy - 0.8, [
        (0, colour("#ffffff", 0.98)), (0.55, colour("#ffffff", 0.4)), (1, colour("#ffffff", 0.06))]))
    canvas.fill(ring(cx, cy, radius, radius - 0.9), colour("#000000", 0.25))
    return canvas.straight_rgba()


# ---------------------------------------------------------------------------------------------
# Browse button strip: open yellow folder with a curved blue arrow, 20 x 17 pixels per image.

FOLDER_OUTLINE = colour("#8a5a0c")
ARROW_OUTLINE = colour("#153c86")


def draw_folder(canvas, dx, dy):
    back = translated([[(1.5, 4.0), (2.5, 3.0), (6.5, 3.0), (8.0, 4.5), (14.5, 4.5), (15.0, 5.0), (15.0, 15.5),
                        (1.5, 15.5)]], dx, dy)
    canvas.fill(back, linear(0, 3 + dy, 0, 15 + dy, [(0, colour("#f7cf5a")), (1, colour("#d99a1e"))]))
    canvas.fill(stroke(back[0], 1.0, closed=True), FOLDER_OUTLINE)
    sheet = translated([rectangle(3.5, 6.0, 13.0, 11.0)], dx, dy)
    canvas.fill(sheet, colour("#fdfdf8"))
    canvas.fill(stroke(sheet[0], 0.8, closed=True), colour("#b8b2a0"))
    draw_arrow(canvas, dx, dy)
    flap = translated([[(4.0, 8.5), (19.0, 8.5), (15.5, 15.5), (1.5, 15.5)]], dx, dy)
    canvas.fill(flap, linear(0, 8.5 + dy, 0, 15.5 + dy, [(0, colour("#ffe88a")), (1, colour("#f0b429"))]))
    canvas.fill(stroke(flap[0], 1.0, closed=True), FOLDER_OUTLINE)
    canvas.fill(stroke(translated([[(5.0, 9.6), (17.2, 9.6)]], dx, dy)[0], 0.7), colour("#fff8d8", 0.8))


def draw_arrow(canvas, dx, dy):
    """An arrow rising out of the folder and bending to the right, its head in the free corner."""
    path = translated([bezier((7.0, 10.5), (7.0, 4.4), (10.0, 4.0), (14.2, 4.0), 12)], dx, dy)[0]
    head = translated([[(13.6, 1.0), (18.2, 4.0), (13.6, 7.0)]], dx, dy)[0]
    canvas.fill(stroke(path, 3.0) + stroke(head, 1.1, closed=True) + [oriented(head)], ARROW_OUTLINE)
    canvas.fill(stroke(path[:-1], 1.3) + [oriented(head)],
                linear(0, 1 + dy, 0, 8 + dy, [(0, colour("#8cc4ff")), (1, colour("#2a63d4"))]))


def draw_folder_strip(percent=100):
    """Three images side by side above their masks: the picture at rest twice (the left copy stands
    for a state the plain button never draws), then pressed: moved a pixel right and down and a
    little darker. A mask pixel tells per channel how much of the background shows through (0 none,
    255 all), so a button draws picture * (255 - mask) / 255 + background * mask / 255; the
    picture's colours are therefore not premultiplied, and black where the mask is 255."""
    width, height, scale = scaled_size(20, percent), scaled_size(17, percent), percent / 100.0
    images = []
    for shift, darken in ((0, 1.0), (0, 1.0), (scaled_size(1, percent) / scale, 0.85)):
        canvas = Canvas(width, height, scale)
        draw_folder(canvas, shift, shift)
        images.append(canvas.straight_rgba(darken))
    picture_rows = [[px[:3] for image in images for px in image[row]] for row in range(height)]
    mask_rows = [[(255 - px[3],) * 3 for image in images for px in image[row]] for row in range(height)]
    return picture_rows + mask_rows


# ---------------------------------------------------------------------------------------------
# About box picture, 147 x 110 pixels of which the top-left 145 x 105 are shown.


def draw_about(percent=100):
    canvas = Canvas(scaled_size(147, percent), scaled_size(110, percent), percent / 100.0)
    canvas.fill([rectangle(0, 0, 147, 110)], linear(0, 0, 0, 110, [(0, colour("#fffaf0")), (1, colour("#f6d48e"))]))
    canvas.fill([rectangle(0, 0, 147, 110)], radial(40, 30, 90, 70, [(0, colour("#ffffff", 0.7)),
                                                                      (1, colour("#ffffff", 0.0))]))
    draw_hexagon_texture(canvas)
    draw_honeycomb(canvas)
    draw_lark(canvas)
    draw_magnifier(canvas, 106.0, 44.0, 25.0)
    return [[px[:3] for px in row] for row in canvas.straight_rgba()]


HONEYCOMB_RADIUS = 11.5


def cell_centre(column, row, left, top):
    """Centre of a cell of a flat-topped honeycomb; odd columns sit half a cell lower."""
    step_x, step_y = 1.5 * HONEYCOMB_RADIUS, math.sqrt(3) * HONEYCOMB_RADIUS
    return left + column * step_x, top + row * step_y + (step_y / 2 if column % 2 else 0)


def draw_hexagon_texture(canvas):
    """A faint honeycomb over the whole background, so the picture reads as one scene."""
    for column in range(10):
        for row in range(-1, 6):
            cx, cy = cell_centre(column, row, 2, 4)
            canvas.fill(stroke(hexagon(cx, cy, HONEYCOMB_RADIUS - 0.5), 1.0, closed=True), colour("#c08a30", 0.12))


def draw_honeycomb(canvas):
    # (column, row, filled with honey): a heap in the lower left, sloping down to the right.
    cells = [(0, 0, False), (0, 1, True), (0, 2, True), (1, 0, True), (1, 1, False), (1, 2, True),
             (2, 1, True), (2, 2, False), (3, 1, True), (3, 2, True), (4, 2, True)]
    for column, row, filled in cells:
        cx, cy = cell_centre(column, row, 8, 51)
        draw_cell(canvas, cx, cy, HONEYCOMB_RADIUS, filled)


def draw_cell(canvas, cx, cy, radius, filled):
    canvas.fill([hexagon(cx + 1, cy + 2, radius)], colour("#6b3c00", 0.25))
    canvas.fill([hexagon(cx, cy, radius)], linear(cx, cy - radius, cx, cy + radius,
                                                  [(0, colour("#f3c04a")), (1, colour("#b9720a"))]))
    inner = hexagon(cx, cy, radius - 2.6)
    if filled:
        canvas.fill([inner], radial(cx - 2, cy + 3, radius, radius, [(0, colour("#ffd34d")), (0.6, colour("#f29d0c")),
                                                                     (1, colour("#b35f00"))]))
        canvas.fill([ellipse(cx - 2.5, cy - 4.5, 5.5, 2.6, 32)],
                    linear(0, cy - 7, 0, cy - 2, [(0, colour("#ffffff", 0.85)), (1, colour("#ffffff", 0.1))]))
    else:
        canvas.fill([inner], radial(cx, cy - 3, radius, radius, [(0, colour("#fff2c4")), (1, colour("#e0b25c"))]))
    canvas.fill(stroke(hexagon(cx, cy, radius - 0.5), 1.0, closed=True), colour("#7a4600", 0.8))


def draw_lark(canvas):
    """A lark flying to the right with its near wing raised, as a warm brown silhouette."""
    far_wing = bezier((43, 20), (45, 14), (49, 9), (54, 6)) + bezier((54, 6), (52, 12), (50, 17), (47, 21))
    body = bezier((22, 26.5), (30, 20), (40, 17), (49, 18.5)) + bezier((50, 23.5), (44, 29), (32, 31.5), (22, 29.5))
    tail = [(23, 26.5), (11, 24.6), (13.5, 28.2), (10, 31.8), (23, 29.8)]
    head = circle(50.5, 20.8, 4.2, 32)
    crest = [(47.2, 17.8), (47.6, 14.6), (51, 16.8)]
    beak = [(54.2, 19.6), (58.8, 21.1), (54.2, 22.5)]
    near_wing = (bezier((42, 21.5), (41, 11), (35, 4), (26, 1.5)) + bezier((26, 1.5), (23, 1), (21, 2), (21.5, 4))
                 + bezier((21.5, 4), (26, 10), (27, 18), (30, 25)))
    silhouette = [oriented(part) for part in (body, tail, head, crest, beak, near_wing)]
    canvas.fill(translated([oriented(far_wing)] + silhouette, 1.0, 1.5), colour("#7a4a00", 0.2))
    canvas.fill([oriented(far_wing)], colour("#2e1d0e"))
    canvas.fill(silhouette, linear(0, 1, 0, 32, [(0, colour("#7a5632")), (1, colour("#3a2412"))]))
    # Quill lines on the raised wing, and the eye.
    for start, end in (((30, 6), (37, 21)), ((25.5, 4.5), (33, 22))):
        canvas.fill(stroke([start, end], 0.6), colour("#c8a070", 0.45))
    canvas.fill([circle(52.2, 19.9, 0.9, 12)], colour("#f5e6c8"))


def draw_magnifier(canvas, cx, cy, radius):
    handle_end = (cx + radius * 1.35, cy + radius * 1.5)
    handle_start = (cx + radius * 0.78, cy + radius * 0.78)
    canvas.fill(stroke([(handle_start[0] + 2, handle_start[1] + 3), (handle_end[0] + 2, handle_end[1] + 3)], 9),
                colour("#5a3400", 0.3))
    canvas.fill([circle(cx + 2, cy + 3, radius + 3)], colour("#5a3400", 0.25))
    canvas.fill(stroke([handle_start, handle_end], 8.5), linear(handle_start[0] - 4, 0, handle_start[0] + 4, 0, [
        (0, colour("#3a2a20")), (0.45, colour("#8a6a50")), (1, colour("#2a1a10"))]))
    canvas.fill(stroke([handle_start, handle_end], 8.5),
                linear(handle_start[0] - 3, handle_start[1] + 3, handle_start[0] + 3, handle_start[1] - 3,
                       [(0, colour("#2a1a10", 0.5)), (0.5, colour("#b08a6a", 0.4)), (1, colour("#2a1a10", 0.5))]))
    lens = circle(cx, cy, radius)
    canvas.fill([lens], radial(cx - 6, cy - 8, radius * 1.4, radius * 1.4,
                               [(0, colour("#ffffff", 0.92)), (1, colour("#d8ecf8", 0.92))]))
    draw_key_tree(canvas, cx, cy, lens)
    canvas.fill([lens], radial(cx, cy, radius, radius, [(0.7, colour("#5a8ab0", 0.0)), (1, colour("#5a8ab0", 0.35))]))
    canvas.fill([ellipse(cx - 7, cy - 12, 11, 5.5, 48)],
                linear(0, cy - 17.5, 0, cy - 6, [(0, colour("#ffffff", 0.9)), (1, colour("#ffffff", 0.0))]))
    canvas.fill(ring(cx, cy, radius + 3.5, radius), linear(cx - radius, cy - radius, cx + radius, cy + radius, [
        (0, colour("#f5d889")), (0.5, colour("#c08a2a")), (1, colour("#7a5010"))]))
    canvas.fill(ring(cx, cy, radius + 3.5, radius + 2.7), colour("#5a3a08", 0.6))
    canvas.fill(ring(cx, cy, radius + 0.8, radius), colour("#5a3a08", 0.5))


def draw_key_tree(canvas, cx, cy, lens):
    """A small tree of registry keys under the lens; one key glows as if it has just changed."""
    x0, y0 = cx - 15, cy - 14
    nodes = [(x0, y0), (x0 + 8, y0 + 9), (x0 + 16, y0 + 18), (x0 + 16, y0 + 27), (x0 + 8, y0 + 36)]
    line = colour("#7d8fa0")
    links = [[(x0, y0), (x0, y0 + 36), (x0 + 8, y0 + 36)], [(x0, y0 + 9), (x0 + 8, y0 + 9)],
             [(x0 + 8, y0 + 9), (x0 + 8, y0 + 27), (x0 + 16, y0 + 27)], [(x0 + 8, y0 + 18), (x0 + 16, y0 + 18)]]
    for link in links:
        canvas.fill(clipped(stroke(link, 1.0), lens), line)
    for index, (x, y) in enumerate(nodes):
        changed = index == 2
        draw_key_node(canvas, x, y, lens, changed)
        label_width = (18, 14, 16, 12, 15)[index]
        canvas.fill(clipped([rounded_rectangle(x + 5, y - 1.2, x + 5 + label_width, y + 1.2, 1.2, 3)], lens),
                    colour("#e0802a") if changed else colour("#95a5b5"))


def draw_key_node(canvas, x, y, lens, changed):
    if changed:
        canvas.fill(clipped([circle(x, y, 6.5, 32)], lens), radial(x, y, 6.5, 6.5, [(0, colour("#ffb040", 0.8)),
                                                                                   (1, colour("#ffb040", 0.0))]))
    folder = [(x - 3.5, y - 3), (x - 1, y - 3), (x, y - 2), (x + 3.5, y - 2), (x + 3.5, y + 3), (x - 3.5, y + 3)]
    canvas.fill(clipped([folder], lens), linear(0, y - 3, 0, y + 3, [(0, colour("#ffe07a")), (1, colour("#e0a020"))]))
    canvas.fill(clipped(stroke(folder, 0.8, closed=True), lens), colour("#9a6a10"))


# ---------------------------------------------------------------------------------------------
# OK button glyph: a check mark, normal on the left half and greyed on the right.

CHECK_PATH = [(3.6, 9.6), (7.2, 13.4), (14.6, 4.4)]


def draw_check(canvas, dx, tint):
    path = [(x + dx, y) for x, y in CHECK_PATH]
    canvas.fill(stroke([(x + 0.4, y + 0.8) for x, y in path], 4.4), with_alpha(tint(colour("#0a3a05")), 0.3))
    canvas.fill(stroke(path, 4.2), tint(colour("#1f6e12")))
    canvas.fill(stroke(path, 2.6), linear(0, 4, 0, 15, [(0, tint(colour("#9be35e"))), (1, tint(colour("#2f9a1c")))]))
    canvas.fill(stroke([(x - 0.3, y - 0.6) for x, y in path], 0.9), colour("#ffffff", 0.55))


def draw_check_glyph(percent=100):
    side, scale = scaled_size(18, percent), percent / 100.0
    canvas = Canvas(2 * side, side, scale)
    draw_check(canvas, 0, lambda c: c)
    # The greyed twin starts at a whole pixel, so that each half is one image of `side` pixels.
    draw_check(canvas, side / scale, grey_version)
    return canvas.straight_rgba()


# ---------------------------------------------------------------------------------------------


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(f"{path}: {len(data)} bytes")


def main():
    default_out = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "resources")
    parser = argparse.ArgumentParser(description="Draws Hivelark's artwork.")
    parser.add_argument("--out", default=default_out, help="folder to write into (default: %(default)s)")
    out = parser.parse_args().out

    write(os.path.join(out, "Hivelark.ico"), ico_bytes([(size, draw_icon(size)) for size in (256, 64, 48, 32, 24, 16)]))
    for percent in SCALES:
        for name, base in BUTTON_COLOURS.items():
            write(os.path.join(out, "buttons", scaled_name(name + ".png", percent)),
                  png_bytes(draw_button(base, percent)))
        # The pictures of 100 % are bitmaps, as the program has always had them; the larger ones are
        # PNG files, a third of the size or less.
        opaque = bmp24_bytes if percent == 100 else png_bytes
        extension = ".bmp" if percent == 100 else ".png"
        write(os.path.join(out, scaled_name("folder" + extension, percent)), opaque(draw_folder_strip(percent)))
        write(os.path.join(out, scaled_name("about" + extension, percent)), opaque(draw_about(percent)))
        write(os.path.join(out, scaled_name("check.png", percent)), png_bytes(draw_check_glyph(percent)))


if __name__ == "__main__":
    main()
