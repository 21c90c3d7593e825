#!/usr/bin/env python3
"""Draws QuietMinder's icons (16x16 and 32x32) and the About page's two bitmaps into
src/resources/icons/. They are stored with a palette of 16 colours, as a handheld's pictures are:
the drawings use fewer colours than that and no pixel is partly transparent, so they look the same
as with 32 bits a pixel, at a fifth of the size."""
import os
import struct

OUT = os.path.join(os.path.dirname(__file__), '..', 'src', 'resources', 'icons')

DARK = (40, 44, 52, 255)
GREEN = (34, 160, 70, 255)
RED = (210, 30, 30, 255)
AMBER = (235, 150, 0, 255)
BLUE = (30, 100, 210, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)


def canvas(n):
    return [[CLEAR] * n for _ in range(n)]


def rect(img, x0, y0, x1, y1, color):
    height, width = len(img), len(img[0])
    for y in range(max(0, y0), min(height, y1)):
        for x in range(max(0, x0), min(width, x1)):
            img[y][x] = color


def line(img, x0, y0, x1, y1, color, width):
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 + 1
    for i in range(steps + 1):
        t = i / steps
        x = x0 + (x1 - x0) * t
        y = y0 + (y1 - y0) * t
        h = width / 2
        rect(img, int(round(x - h)), int(round(y - h)), int(round(x + h)), int(round(y + h)), color)


def speaker(img, s):
    """A speaker on the left half, in units of s = size / 16."""
    rect(img, 1 * s, 6 * s, 4 * s, 10 * s, DARK)
    for i in range(5 * s):
        rect(img, 4 * s + i, 6 * s - (i * 4) // 5 - 1, 4 * s + i + 1, 10 * s + (i * 4) // 5 + 1, DARK)


def waves(img, s, color):
    """Two sound waves right of the speaker, as ")" shapes on the 16-pixel grid."""
    pixels = [(10, 6), (11, 7), (11, 8), (11, 9), (10, 10),
              (12, 4), (13, 5), (14, 6), (14, 7), (14, 8), (14, 9), (14, 10), (13, 11), (12, 12)]
    for x, y in pixels:
        rect(img, x * s, y * s, (x + 1) * s, (y + 1) * s, color)


def cross(img, s, color):
    line(img, 10 * s, 5 * s, 15 * s, 11 * s, color, 2 * s)
    line(img, 10 * s, 11 * s, 15 * s, 5 * s, color, 2 * s)


def pause(img, s, color):
    rect(img, 10 * s, 4 * s, 12 * s, 12 * s, color)
    rect(img, 13 * s, 4 * s, 15 * s, 12 * s, color)


def up_arrow(img, s, color):
    rect(img, 12 * s, 12 * s, 14 * s, 16 * s, color)
    for i in range(3 * s):
        rect(img, 13 * s - i - 1, 10 * s + i, 13 * s + i + 1, 10 * s + i + 1, color)


def calendar(img, s):
    rect(img, 1 * s, 2 * s, 15 * s, 15 * s, BLUE)
    rect(img, 2 * s, 5 * s, 14 * s, 14 * s, WHITE)
    rect(img, 4 * s, 1 * s, 5 * s, 3 * s, DARK)
    rect(img, 11 * s, 1 * s, 12 * s, 3 * s, DARK)
    # a small crossed-out speaker inside the page
    rect(img, 4 * s, 8 * s, 6 * s, 11 * s, DARK)
    for i in range(3 * s):
        rect(img, 6 * s + i, 8 * s - i // 2 - 1, 6 * s + i + 1, 11 * s + i // 2 + 1, DARK)
    line(img, 10 * s, 7 * s, 13 * s, 12 * s, RED, 1.5 * s)
    line(img, 10 * s, 12 * s, 13 * s, 7 * s, RED, 1.5 * s)


def draw(kind, n):
    s = n // 16
    img = canvas(n)
    if kind in ('app', 'page_header'):
        calendar(img, s)
        return img
    speaker(img, s)
    if kind == 'idle':
        waves(img, s, GREEN)
    elif kind == 'muted':
        cross(img, s, RED)
    elif kind == 'muted_user_restore':
        cross(img, s, AMBER)
        up_arrow(img, s, GREEN)
    elif kind == 'filter_hold':
        pause(img, s, BLUE)
    return img


def palette_of(img):
    """The image's opaque colours, after black (what a transparent pixel is drawn with)."""
    colors = [(0, 0, 0)]
    for row in img:
        for c in row:
            if c[3] not in (0, 255):
                raise ValueError('a pixel is partly transparent: it needs 32 bits')
            if c[3] == 255 and c[:3] not in colors:
                colors.append(c[:3])
    if len(colors) > 16:
        raise ValueError('more than 16 colours')
    return colors + [(0, 0, 0)] * (16 - len(colors))


def pixels_4bit(img, colors):
    """Bottom-up rows of palette indices, two pixels a byte, each row padded to 4 bytes."""
    width = len(img[0])
    row_bytes = (width + 7) // 8 * 4
    out = b''
    for row in reversed(img):
        indices = [colors.index(c[:3]) if c[3] == 255 else 0 for c in row]
        indices += [0] * (row_bytes * 2 - len(indices))
        out += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, len(indices), 2))
    return out


def palette_bytes(colors):
    return b''.join(struct.pack('BBBB', c[2], c[1], c[0], 0) for c in colors)


def dib(img):
    n = len(img)
    colors = palette_of(img)
    header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    mask_row = ((n + 31) // 32) * 4
    mask = b''
    for row in reversed(img):
        row_bytes = bytearray(mask_row)
        for x, c in enumerate(row):
            if c[3] == 0:
                row_bytes[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row_bytes)
    return header + palette_bytes(colors) + pixels_4bit(img, colors) + mask


def write_icon(kind):
    images = [dib(draw(kind, n)) for n in (16, 32)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((16, 32), images):
        out += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(os.path.join(OUT, kind + '.ico'), 'wb') as f:
        f.write(out)


# A 5x7 pixel font for the letters the bitmaps use.
GLYPHS = {
    'Q': ['01110', '10001', '10001', '10001', '10101', '10010', '01101'],
    'U': ['10001', '10001', '10001', '10001', '10001', '10001', '01110'],
    'I': ['01110', '00100', '00100', '00100', '00100', '00100', '01110'],
    'E': ['11111', '10000', '10000', '11110', '10000', '10000', '11111'],
    'T': ['11111', '00100', '00100', '00100', '00100', '00100', '00100'],
    'M': ['10001', '11011', '10101', '10101', '10001', '10001', '10001'],
    'N': ['10001', '11001', '10101', '10011', '10001', '10001', '10001'],
    'D': ['11110', '10001', '10001', '10001', '10001', '10001', '11110'],
    'R': ['11110', '10001', '10001', '11110', '10100', '10010', '10001'],
    'V': ['10001', '10001', '10001', '10001', '01010', '01010', '00100'],
    '1': ['00100', '01100', '00100', '00100', '00100', '00100', '01110'],
    '4': ['00010', '00110', '01010', '10010', '11111', '00010', '00010'],
    '.': ['00000', '00000', '00000', '00000', '00000', '01100', '01100'],
}


def text(img, x, y, words, color, scale):
    for ch in words:
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == '1':
                    rect(img, x + col * scale, y + row * scale, x + (col + 1) * scale,
                         y + (row + 1) * scale, color)
        x += 6 * scale


def write_bmp(name, img):
    """A bottom-up BMP file with a palette of 16 colours."""
    height, width = len(img), len(img[0])
    colors = palette_of(img)
    pixels = pixels_4bit(img, colors)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    table = palette_bytes(colors)
    offset = 14 + len(info) + len(table)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(header + info + table + pixels)


def write_bitmaps():
    paper = (236, 233, 216, 255)
    logo = [[paper] * 136 for _ in range(20)]
    rect(logo, 0, 17, 136, 19, BLUE)
    text(logo, 2, 2, 'QUIETMINDER', DARK, 2)
    write_bmp('logo.bmp', logo)
    badge = [[BLUE] * 40 for _ in range(18)]
    text(badge, 2, 5, 'V1.4', WHITE, 1)
    for x, y in [(29, 6), (30, 7), (30, 8), (30, 9), (29, 10), (32, 4), (33, 5), (34, 6),
                 (34, 7), (34, 8), (34, 9), (34, 10), (33, 11), (32, 12)]:
        rect(badge, x, y, x + 1, y + 1, WHITE)
    write_bmp('badge.bmp', badge)


if __name__ == '__main__':
    os.makedirs(OUT, exist_ok=True)
    for kind in ('app', 'page_header', 'idle', 'muted', 'muted_user_restore', 'filter_hold'):
        write_icon(kind)
    write_bitmaps()
