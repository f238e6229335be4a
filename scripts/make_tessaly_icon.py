#!/usr/bin/env python3
"""Draws Tessaly's icon: a card printer's two-line panel (white cells on the
balloon's blue) with a status light, at 16, 32 and 48 pixels.

    make_tessaly_icon.py OUTPUT_FILE
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_pictures import Canvas, ico  # noqa: E402

BLUE = (0, 0, 255)
BACK = (32, 32, 255)
WHITE = (255, 255, 255)
GREEN = (40, 200, 60)


def icon(size):
    c = Canvas(size)
    c.round_rect(2, 8, 62, 56, 8, BACK)
    c.rect(6, 12, 58, 20, BLUE)
    for row, top in enumerate((24, 38)):
        for k in range(6):
            x = 8 + k * 8
            c.rect(x, top, x + 6, top + 10, WHITE if (k + row) % 3 else BLUE)
    c.ellipse(53, 16, 3.5, 3.5, GREEN)
    return c


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(ico([icon(48).pixels(), icon(32).pixels(), icon(16).pixels()]))


if __name__ == "__main__":
    main()
