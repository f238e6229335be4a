#!/usr/bin/env python3
"""Draws the installer's pictures and icon and writes them as Windows files.

    make_pictures.py OUTPUT_FOLDER

Writes step1.bmp (a computer with a recycle bin), step2.bmp (a computer with
a software box and a disc), step3.bmp (a computer with a card printer),
printer.bmp (a card printer on a blue ground), each 64 x 64 pixels with 24
bits per pixel, and pelmora.ico (the card printer at 16, 32 and 48 pixels,
32 bits with alpha). Standard library only; the shapes are drawn on a
four-times finer grid and averaged, so edges are smooth.
"""

import math
import os
import struct
import sys

SUPER = 4  # subsamples per pixel along each axis


class Canvas:
    """RGBA drawing surface in 64-unit coordinates, any output size."""

    def __init__(self, size, background=None):
        self.size = size
        self.n = size * SUPER
        self.scale = self.n / 64.0
        fill = background + (255,) if background else (0, 0, 0, 0)
        self.px = [list(fill) for _ in range(self.n * self.n)]

    def _paint(self, inside, box, color):
        x0, y0, x1, y1 = box
        s = self.scale
        ix0 = max(0, int(math.floor(x0 * s)))
        iy0 = max(0, int(math.floor(y0 * s)))
        ix1 = min(self.n, int(math.ceil(x1 * s)))
        iy1 = min(self.n, int(math.ceil(y1 * s)))
        for iy in range(iy0, iy1):
            y = (iy + 0.5) / s
            row = iy * self.n
            for ix in range(ix0, ix1):
                x = (ix + 0.5) / s
                if inside(x, y):
                    c = color(x, y) if callable(color) else color
                    self.px[row + ix] = [c[0], c[1], c[2], 255]

    def rect(self, x0, y0, x1, y1, color):
        self._paint(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1), color)

    def round_rect(self, x0, y0, x1, y1, r, color):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self._paint(inside, (x0, y0, x1, y1), color)

    def ellipse(self, cx, cy, rx, ry, color):
        self._paint(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0,
                    (cx - rx, cy - ry, cx + rx, cy + ry), color)

    def ring(self, cx, cy, r_outer, r_inner, color):
        def inside(x, y):
            d = (x - cx) ** 2 + (y - cy) ** 2
            return r_inner * r_inner <= d <= r_outer * r_outer
        self._paint(inside, (cx - r_outer, cy - r_outer, cx + r_outer, cy + r_outer), color)

    def polygon(self, points, color):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            hit = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        self._paint(inside, (min(xs), min(ys), max(xs), max(ys)), color)

    def line(self, x0, y0, x1, y1, width, color):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                      (x0 - nx, y0 - ny)], color)

    def pixels(self):
        """Averages the subsamples: rows of (r, g, b, a), top row first."""
        out = []
        area = SUPER * SUPER
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r = g = b = a = 0
                for sy in range(SUPER):
                    base = (y * SUPER + sy) * self.n + x * SUPER
                    for sx in range(SUPER):
                        pr, pg, pb, pa = self.px[base + sx]
                        r += pr * pa
                        g += pg * pa
                        b += pb * pa
                        a += pa
                if a:
                    row.append((r // a, g // a, b // a, a // area))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


def vertical(top, bottom, y0, y1):
    """A colour that runs from `top` at y0 to `bottom` at y1."""
    def color(x, y):
        t = min(1.0, max(0.0, (y - y0) / float(y1 - y0)))
        return tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
    return color


# Pieces ----------------------------------------------------------------------

def computer(c, x, y, w=38, h=28):
    """A monitor with a bright screen, its stand and a keyboard."""
    c.round_rect(x, y, x + w, y + h, 2.5, (58, 62, 72))
    c.rect(x + 2.5, y + 2.5, x + w - 2.5, y + h - 4, vertical((70, 150, 235), (25, 80, 180), y, y + h))
    # A window on the screen.
    c.rect(x + 6, y + 6, x + w - 12, y + h - 9, (240, 244, 250))
    c.rect(x + 6, y + 6, x + w - 12, y + 8.5, (40, 90, 200))
    c.rect(x + 8, y + 11, x + w - 16, y + 12.2, (150, 160, 175))
    c.rect(x + 8, y + 14, x + w - 20, y + 15.2, (150, 160, 175))
    c.ellipse(x + w - 4.5, y + h - 2, 0.9, 0.9, (90, 220, 120))  # power light
    mid = x + w / 2
    c.polygon([(mid - 3.5, y + h), (mid + 3.5, y + h), (mid + 5, y + h + 5), (mid - 5, y + h + 5)],
              (120, 124, 134))
    c.round_rect(mid - 11, y + h + 4.5, mid + 11, y + h + 7, 1.2, (90, 94, 104))
    # Keyboard in front.
    c.polygon([(x + 3, y + h + 13), (x + w - 3, y + h + 13), (x + w + 1, y + h + 19), (x - 1, y + h + 19)],
              (200, 204, 212))
    for row in range(2):
        ky = y + h + 14.3 + row * 2.2
        for k in range(9):
            kx = x + 2 + k * 3.9 + row * 0.8
            c.rect(kx, ky, kx + 2.8, ky + 1.5, (120, 126, 138))


def recycle_bin(c, x, y):
    """A light grey bin with a lid and ribs, a green recycling mark on it."""
    c.polygon([(x, y + 5), (x + 18, y + 5), (x + 16, y + 26), (x + 2, y + 26)],
              vertical((215, 220, 226), (160, 166, 176), y + 5, y + 26))
    c.round_rect(x - 1.5, y + 2, x + 19.5, y + 5.5, 1.2, (120, 126, 138))
    c.round_rect(x + 6, y, x + 12, y + 3, 1, (120, 126, 138))
    for i in range(4):
        rx = x + 4 + i * 3.4
        c.line(rx, y + 8, rx + (0.4 if i > 1 else -0.4), y + 23.5, 0.9, (140, 146, 156))
    # Recycling mark: three arrows round a triangle.
    cx, cy, r = x + 9, y + 15.5, 5.0
    green = (40, 160, 70)
    for k in range(3):
        a0 = math.radians(-90 + k * 120 + 18)
        a1 = math.radians(-90 + k * 120 + 102)
        p0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
        p1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))
        c.line(p0[0], p0[1], p1[0], p1[1], 1.6, green)
        # arrow head at p1
        ang = math.atan2(p1[1] - p0[1], p1[0] - p0[0])
        tip = (p1[0] + 1.6 * math.cos(ang), p1[1] + 1.6 * math.sin(ang))
        left = (p1[0] + 1.8 * math.cos(ang + 2.2), p1[1] + 1.8 * math.sin(ang + 2.2))
        right = (p1[0] + 1.8 * math.cos(ang - 2.2), p1[1] + 1.8 * math.sin(ang - 2.2))
        c.polygon([tip, left, right], green)


def software_box(c, x, y):
    """A boxed product: front, top and side faces."""
    w, h, d = 15, 20, 5
    c.polygon([(x, y + d), (x + d, y), (x + w + d, y), (x + w, y + d)], (250, 190, 90))
    c.polygon([(x + w, y + d), (x + w + d, y), (x + w + d, y + h), (x + w, y + h + d)], (190, 110, 30))
    c.rect(x, y + d, x + w, y + h + d, vertical((245, 150, 40), (220, 110, 20), y + d, y + h + d))
    c.rect(x, y + d + 5, x + w, y + d + 8, (40, 90, 200))
    c.ellipse(x + w / 2, y + d + 14, 3.5, 3.5, (255, 235, 200))
    c.ellipse(x + w / 2, y + d + 14, 1.2, 1.2, (220, 110, 20))


def disc(c, cx, cy, r):
    """An optical disc with a coloured sheen and its centre hole."""
    def sheen(x, y):
        a = math.atan2(y - cy, x - cx)
        t = (math.sin(a * 2) + 1) / 2
        return (int(190 + 50 * t), int(200 + 30 * (1 - t)), int(225 + 20 * t))
    c.ellipse(cx, cy, r, r, (130, 136, 150))
    c.ellipse(cx, cy, r - 0.7, r - 0.7, sheen)
    c.ring(cx, cy, r * 0.38, r * 0.22, (235, 238, 244))
    c.ellipse(cx, cy, r * 0.2, r * 0.2, (130, 136, 150))
    c.ellipse(cx, cy, r * 0.13, r * 0.13, (255, 255, 255))


def card_printer(c, x, y, s=1.0):
    """A desktop card printer: body, hopper on top, a card coming out the front."""
    def P(px, py):
        return (x + px * s, y + py * s)

    def R(x0, y0, x1, y1, color, r=None):
        a, b = P(x0, y0)
        e, f = P(x1, y1)
        if r:
            c.round_rect(a, b, e, f, r * s, color)
        else:
            c.rect(a, b, e, f, color)
    # Card hopper at the top back.
    R(4, 0, 22, 6, (90, 96, 110), 1.2)
    R(5.5, 1.2, 20.5, 3.5, (240, 240, 240))
    # Body.
    R(0, 5, 26, 20, (205, 210, 218), 2)
    R(0, 15, 26, 20, (150, 156, 168), 2)
    R(0, 14, 26, 16, (150, 156, 168))
    # Output slot and the card in it.
    R(3, 11.5, 23, 13, (40, 44, 54))
    c.polygon([P(5, 12.2), P(21, 12.2), P(23.5, 19.5), P(2.5, 19.5)], (255, 255, 255))
    c.polygon([P(2.5, 19.5), P(23.5, 19.5), P(23.6, 19.9), P(2.4, 19.9)], (170, 170, 170))
    c.polygon([P(6.5, 13.6), P(12, 13.6), P(12.5, 17.6), P(6, 17.6)], (70, 130, 210))
    c.polygon([P(14, 14.4), P(20.5, 14.4), P(20.8, 15.2), P(14.2, 15.2)], (120, 120, 130))
    c.polygon([P(14.3, 16.4), P(21, 16.4), P(21.3, 17.2), P(14.5, 17.2)], (120, 120, 130))
    # Panel and status light.
    R(17, 7, 24, 10, (60, 66, 80), 0.6)
    a, b = P(9, 8.6)
    c.ellipse(a, b, 1.1 * s, 1.1 * s, (60, 210, 100))


# Pictures --------------------------------------------------------------------

BACKGROUND = (255, 255, 255)


def step1():
    c = Canvas(64, BACKGROUND)
    computer(c, 2, 8)
    recycle_bin(c, 43, 30)
    return c


def step2():
    c = Canvas(64, BACKGROUND)
    computer(c, 2, 8)
    software_box(c, 40, 30)
    disc(c, 52, 52, 9)
    return c


def step3():
    c = Canvas(64, BACKGROUND)
    computer(c, 2, 6)
    card_printer(c, 37, 34, 1.0)
    c.line(40, 31, 46, 34, 0.9, (150, 156, 168))  # the cable between them
    return c


def printer_on_blue():
    c = Canvas(64)
    c.rect(0, 0, 64, 64, vertical((60, 110, 230), (20, 50, 160), 0, 64))
    c.ellipse(32, 52, 26, 4, (15, 35, 120))  # its shadow
    card_printer(c, 6, 16, 2.0)
    return c


def icon(size):
    c = Canvas(size)
    card_printer(c, 2, 12, 2.3)
    return c


# Files -----------------------------------------------------------------------

def bmp24(pixels):
    """A bottom-up 24-bit BMP file; rows padded to four bytes."""
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b, a in row:
            # Opaque pictures: blend whatever is not fully covered onto white.
            line += bytes((
                (b * a + 255 * (255 - a)) // 255,
                (g * a + 255 * (255 - a)) // 255,
                (r * a + 255 * (255 - a)) // 255,
            ))
        line += b"\0" * (stride - len(line))
        body += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    return header + info + bytes(body)


def ico(images):
    """An icon file of 32-bit images with alpha and their AND masks."""
    entries = []
    blobs = []
    for pixels in images:
        n = len(pixels)
        xor = bytearray()
        for row in reversed(pixels):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((n + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(pixels):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append(info + bytes(xor) + bytes(mask))
        entries.append(n)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    pictures = {
        "step1.bmp": step1,
        "step2.bmp": step2,
        "step3.bmp": step3,
        "printer.bmp": printer_on_blue,
    }
    for name, draw in pictures.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bmp24(draw().pixels()))
    with open(os.path.join(folder, "pelmora.ico"), "wb") as f:
        f.write(ico([icon(48).pixels(), icon(32).pixels(), icon(16).pixels()]))


if __name__ == "__main__":
    main()
