#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora under fuzz/corpus/: tiny valid pictures of every accepted
format (raster ones through ImageMagick, metafiles record by record) and a few settings files.
Run again only to change the seeds; the files it writes are kept in the repository."""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def magick(*args):
    """Runs ImageMagick's convert with `args` (the last one is the output format:name) and
    returns the bytes it wrote."""
    with tempfile.TemporaryDirectory() as tmp:
        fmt, name = args[-1].split(":", 1)
        out = os.path.join(tmp, name)
        # No time stamps, so that writing the seeds again gives the same bytes.
        subprocess.run(["convert", *args[:-1], "-define", "png:exclude-chunks=date,time",
                        f"{fmt}:{out}"], check=True)
        with open(out, "rb") as f:
            return f.read()


def with_exif_orientation(jpeg, orientation):
    """`jpeg` with an APP1 Exif segment right after its start marker, holding only the
    orientation tag."""
    tiff = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 1)
    tiff += struct.pack("<HHIHH", 0x0112, 3, 1, orientation, 0) + struct.pack("<I", 0)
    payload = b"Exif\0\0" + tiff
    return jpeg[:2] + b"\xFF\xE1" + struct.pack(">H", len(payload) + 2) + payload + jpeg[2:]


SOURCE = ["-size", "5x3", "xc:white", "-fill", "red", "-draw", "point 0,0", "-fill", "blue",
          "-draw", "point 4,2", "-fill", "lime", "-draw", "point 2,1"]


def raster_seeds():
    put("fuzz_picture_bmp", "rgb24.bmp", magick(*SOURCE, "-type", "TrueColor", "BMP3:a.bmp"))
    put("fuzz_picture_bmp", "palette8.bmp", magick(*SOURCE, "-type", "Palette", "BMP3:a.bmp"))
    put("fuzz_picture_bmp", "mono1.bmp", magick(*SOURCE, "-monochrome", "BMP3:a.bmp"))
    put("fuzz_picture_bmp", "rle8.bmp", magick(*SOURCE, "-type", "Palette", "-compress", "RLE",
                                                "BMP3:a.bmp"))
    put("fuzz_picture_bmp", "os2.bmp", magick(*SOURCE, "BMP2:a.bmp"))
    put("fuzz_picture_bmp", "alpha32.bmp", magick(*SOURCE, "-alpha", "set", "-channel", "A",
                                                  "-fx", "0.5", "BMP:a.bmp"))
    put("fuzz_picture_jpeg", "baseline.jpg", magick(*SOURCE, "-quality", "50", "JPEG:a.jpg"))
    put("fuzz_picture_jpeg", "progressive.jpg", magick(*SOURCE, "-interlace", "JPEG",
                                                       "-quality", "50", "JPEG:a.jpg"))
    put("fuzz_picture_jpeg", "gray.jpg", magick(*SOURCE, "-colorspace", "Gray", "JPEG:a.jpg"))
    put("fuzz_picture_jpeg", "cmyk.jpg", magick(*SOURCE, "-colorspace", "CMYK", "JPEG:a.jpg"))
    put("fuzz_picture_jpeg", "exif-rotated.jpg",
        with_exif_orientation(magick(*SOURCE, "JPEG:a.jpg"), 6))
    put("fuzz_picture_gif", "still.gif", magick(*SOURCE, "GIF:a.gif"))
    put("fuzz_picture_gif", "interlaced.gif", magick(*SOURCE, "-interlace", "GIF", "GIF:a.gif"))
    put("fuzz_picture_gif", "two-frames.gif", magick("-delay", "10", "-size", "3x2", "xc:red",
                                                     "xc:blue", "GIF:a.gif"))
    put("fuzz_picture_gif", "transparent.gif", magick(*SOURCE, "-transparent", "white",
                                                      "GIF:a.gif"))
    put("fuzz_picture_png", "rgb.png", magick(*SOURCE, "PNG24:a.png"))
    put("fuzz_picture_png", "palette.png", magick(*SOURCE, "PNG8:a.png"))
    put("fuzz_picture_png", "alpha.png", magick(*SOURCE, "-transparent", "white", "PNG32:a.png"))
    put("fuzz_picture_png", "interlaced.png", magick(*SOURCE, "-interlace", "PNG", "PNG24:a.png"))
    put("fuzz_picture_png", "gray16.png", magick(*SOURCE, "-colorspace", "Gray", "-depth", "16",
                                                 "PNG:a.png"))
    put("fuzz_picture_ico", "one.ico", magick(*SOURCE, "ICO:a.ico"))
    put("fuzz_picture_ico", "two-sizes.ico", magick("-size", "2x2", "xc:red", "-size", "4x4",
                                                    "xc:blue", "ICO:a.ico"))
    put("fuzz_picture_ico", "alpha.ico", magick(*SOURCE, "-transparent", "white", "ICO:a.ico"))


def u16(*v):
    return struct.pack("<%dH" % len(v), *[x & 0xFFFF for x in v])


def u32(*v):
    return struct.pack("<%dI" % len(v), *[x & 0xFFFFFFFF for x in v])


def rgb(r, g, b):
    return r | g << 8 | b << 16


def dib24(width, height, pixels):
    """A bottom-up 24-bit packed DIB; `pixels` top row first as (r, g, b)."""
    info = u32(40, width, height) + u16(1, 24) + u32(0, 0, 0, 0, 0, 0)
    rows = b""
    for y in reversed(range(height)):
        row = b"".join(bytes((b, g, r)) for r, g, b in pixels[y * width:(y + 1) * width])
        rows += row + b"\0" * (-len(row) % 4)
    return info + rows


def dib1(width, height, rows):
    """A 1-bit DIB with a black and white palette; `rows` bottom row first as bit strings."""
    info = u32(40, width, height) + u16(1, 1) + u32(0, 0, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    data = b"".join(int(r.ljust(32, "0"), 2).to_bytes(4, "big") for r in rows)
    return info + palette + data


SMALL_DIB = dib24(2, 2, [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)])
HATCH_DIB = dib1(8, 8, ["10000001", "01000010", "00100100", "00011000"] * 2)


# --- WMF ---------------------------------------------------------------------------------------

def wrec(function, words=(), raw=b""):
    params = u16(*words) + raw
    if len(params) % 2:
        params += b"\0"
    return u32(3 + len(params) // 2) + u16(function) + params


def wmf(records, box=None, inch=1440, objects=16):
    body = b"".join(records) + wrec(0)
    header = u16(1, 9, 0x0300) + u32(9 + len(body) // 2) + u16(objects) + u32(64) + u16(0)
    data = header + body
    if box is None:
        return data
    words = [0xCDD7, 0x9AC6, 0, *box, inch, 0, 0]
    checksum = 0
    for w in words:
        checksum ^= w & 0xFFFF
    return u16(*words) + u16(checksum) + data


def w_pen(style, width, color):
    return wrec(0x02FA, (style, width, 0, color & 0xFFFF, color >> 16))


def w_brush(style, color, hatch=0):
    return wrec(0x02FC, (style, color & 0xFFFF, color >> 16, hatch))


def w_font(height, escapement, face, charset=0, weight=400, italic=0):
    params = struct.pack("<hhhhhBBBBBBBB", height, 0, escapement, escapement, weight, italic, 0,
                         0, charset, 0, 0, 3, 0) + face + b"\0"
    return wrec(0x02FB, raw=params)


def w_select(i):
    return wrec(0x012D, (i,))


def w_delete(i):
    return wrec(0x01F0, (i,))


def w_box(function, l, t, r, b):
    return wrec(function, (b, r, t, l))


def w_points(function, points):
    return wrec(function, (len(points), *[c for p in points for c in p]))


def w_textout(x, y, text):
    padded = text + b"\0" * (len(text) % 2)
    return wrec(0x0521, (len(text),), padded + u16(y, x))


def w_exttextout(x, y, text, options=0, rect=None, dx=False):
    raw = u16(y, x, len(text), options)
    if rect:
        raw += u16(*rect)
    raw += text + b"\0" * (len(text) % 2)
    if dx:
        raw += u16(*([7] * len(text)))
    return wrec(0x0A32, raw=raw)


def w_stretchdib(x, y, w, h, sw, sh, dib, rop=0x00CC0020):
    return wrec(0x0F43, raw=u32(rop) + u16(0, sh, sw, 0, 0, h, w, y, x) + dib)


def wmf_seeds():
    shapes = [
        wrec(0x020B, (0, 0)), wrec(0x020C, (80, 100)),
        w_pen(0, 1, rgb(255, 0, 0)), w_pen(1, 1, rgb(0, 0, 255)), w_pen(0, 4, rgb(0, 128, 0)),
        w_pen(5, 1, 0),
        w_brush(0, rgb(255, 255, 0)), w_brush(2, rgb(0, 0, 0), 3), w_brush(1, 0),
        w_brush(2, rgb(255, 0, 255), 5),
        wrec(0x0102, (1,)), wrec(0x0201, (rgb(200, 200, 255) & 0xFFFF, 0x00FF)),
        w_select(0), w_select(4), w_box(0x041B, 5, 5, 40, 30),
        w_select(1), w_select(5), w_box(0x0418, 45, 5, 95, 35),
        wrec(0x0102, (2,)), w_select(7), w_box(0x041B, 5, 40, 40, 75),
        w_select(2), w_points(0x0325, [(50, 40), (70, 70), (90, 45), (95, 75)]),
        w_select(0), w_select(6), w_points(0x0324, [(10, 10), (30, 20), (15, 35)]),
        wrec(0x0214, (78, 2)), wrec(0x0213, (2, 98)),
        wrec(0x061C, (10, 10, 78, 98, 60, 60)),
        wrec(0x0817, (60, 90, 40, 60, 78, 98, 40, 60)),
        wrec(0x081A, (70, 70, 50, 50, 78, 90, 42, 52)),
        wrec(0x0830, (45, 45, 75, 80, 78, 90, 42, 52)),
        wrec(0x0538, (2, 3, 3, 1, 1, 9, 1, 5, 9, 20, 20, 29, 20, 25, 29)),
        wrec(0x001E), wrec(0x0416, (60, 60, 10, 10)), w_box(0x041B, 0, 0, 100, 80),
        wrec(0x0127, (0xFFFF,)),
        wrec(0x041F, (rgb(0, 0, 0) & 0xFFFF, 0, 1, 1)),
        w_delete(0), w_delete(4), w_pen(2, 1, rgb(10, 20, 30)), w_select(0),
        wrec(0x0214, (70, 5)), wrec(0x0213, (70, 95)),
    ]
    put("fuzz_picture_wmf", "shapes.wmf", wmf(shapes, box=(0, 0, 100, 80), inch=96))
    text = [
        wrec(0x020B, (0, 0)), wrec(0x020C, (60, 120)),
        w_font(-14, 0, b"IPAGothic", charset=128), w_font(16, 900, b"Sans", weight=700,
                                                          italic=1),
        wrec(0x0209, (rgb(0, 0, 160) & 0xFFFF, 0)), wrec(0x0102, (2,)),
        wrec(0x0201, (0xFFFF, 0x00FF)), w_select(0),
        w_exttextout(4, 4, "寸法 ｷｬﾌﾟ".encode("cp932")),
        w_exttextout(4, 24, b"clip", options=4, rect=(4, 24, 30, 34), dx=True),
        wrec(0x012E, (24,)), w_textout(60, 50, b"Base"), w_select(1), wrec(0x012E, (0,)),
        w_textout(100, 55, b"Up"),
    ]
    put("fuzz_picture_wmf", "text.wmf", wmf(text, box=(0, 0, 120, 60), inch=96))
    bitmap = [
        wrec(0x020B, (0, 0)), wrec(0x020C, (40, 40)),
        w_stretchdib(0, 0, 20, 20, 2, 2, SMALL_DIB),
        wrec(0x0B41, raw=u32(0x00CC0020) + u16(2, 2, 0, 0, 10, 10, 25, 25) + SMALL_DIB),
        wrec(0x0940, raw=u32(0x00CC0020) + u16(0, 0, 2, 2, 2, 30) + SMALL_DIB),
        wrec(0x0142, raw=u16(5, 0) + HATCH_DIB), w_select(0),
        wrec(0x061D, raw=u32(0x00F00021) + u16(10, 10, 25, 0)),
        wrec(0x0940, raw=u32(0x00550009) + u16(5, 5, 0, 30, 0, 0, 0)),
    ]
    put("fuzz_picture_wmf", "bitmap.wmf", wmf(bitmap, box=(0, 0, 40, 40), inch=96))
    plain = [wrec(0x020B, (0, 0)), wrec(0x020C, (16, 24)), w_pen(0, 1, 0),
             w_brush(2, rgb(0, 0, 255), 4), w_select(0), w_select(1),
             w_box(0x041B, 2, 2, 22, 14)]
    put("fuzz_picture_wmf", "plain.wmf", wmf(plain))


# --- EMF ---------------------------------------------------------------------------------------

def erec(type_, values=(), raw=b""):
    params = u32(*values) + raw
    params += b"\0" * (-len(params) % 4)
    return u32(type_, 8 + len(params)) + params


def emf(records, frame, bounds=(0, 0, 99, 99)):
    body = b"".join(records) + erec(14, (0, 16, 20))
    header = u32(1, 88) + struct.pack("<4i", *bounds) + struct.pack("<4i", *frame)
    header += u32(0x464D4520, 0x10000, 88 + len(body), len(records) + 2) + u16(16, 0)
    header += u32(0, 0, 0) + struct.pack("<4i", 960, 960, 254, 254)
    return header + body


def e_pen(index, style, width, color):
    return erec(38, (index, style, width, 0, color))


def e_extpen(index, style, width, color, hatch=0, brush_style=0):
    return erec(95, (index, 0, 0, 0, 0, style | 0x10000, width, brush_style, color, hatch, 0))


def e_brush(index, style, color, hatch=0):
    return erec(39, (index, style, color, hatch))


def e_select(index):
    return erec(37, (index,))


def e_poly16(type_, points):
    return erec(type_, (0, 0, 0, 0, len(points)), struct.pack("<%dh" % (2 * len(points)),
                                                            *[c for p in points for c in p]))


def e_font(index, height, escapement, face, charset=1, weight=400):
    face16 = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    return erec(82, (index, height, 0, escapement, escapement, weight),
                bytes((0, 0, 0, charset, 0, 0, 3, 0)) + face16)


def e_textw(x, y, text, options=0, dx=False):
    encoded = text.encode("utf-16-le")
    off_string = 76
    off_dx = 0
    padded = encoded + b"\0" * (-len(encoded) % 4)
    if dx:
        off_dx = off_string + len(padded)
    fields = struct.pack("<4i3I", 0, 0, 0, 0, 1, 0, 0)
    fields += struct.pack("<2i3I4iI", x, y, len(text), off_string, options, 0, 0, 40, 20, off_dx)
    raw = fields + padded + (struct.pack("<%di" % len(text), *([9] * len(text))) if dx else b"")
    return erec(84, raw=raw)


def e_stretchdibits(x, y, w, h, sw, sh, dib):
    info, bits = dib[:40], dib[40:]
    head = struct.pack("<4i6i", 0, 0, 0, 0, x, y, 0, 0, sw, sh)
    head += u32(80, len(info), 80 + len(info), len(bits), 0, 0x00CC0020) + struct.pack("<2i", w, h)
    return erec(81, raw=head + info + bits)


def e_bitblt(x, y, w, h, rop, dib=b""):
    head = struct.pack("<4i4i", 0, 0, 0, 0, x, y, w, h) + u32(rop) + struct.pack("<2i", 0, 0)
    head += struct.pack("<6f", 1, 0, 0, 1, 0, 0) + u32(0, 0)
    if dib:
        info, bits = dib[:40], dib[40:]
        head += u32(100, len(info), 100 + len(info), len(bits)) + info + bits
    else:
        head += u32(0, 0, 0, 0)
    return erec(76, raw=head)


def emf_seeds():
    stock = 0x80000000
    shapes = [
        e_pen(1, 0, 1, rgb(255, 0, 0)), e_pen(2, 2, 1, rgb(0, 0, 255)),
        e_extpen(3, 0x2000, 5, rgb(0, 128, 0)), e_extpen(4, 1, 1, rgb(80, 80, 80)),
        e_brush(5, 0, rgb(255, 255, 0)), e_brush(6, 2, rgb(0, 0, 0), 4),
        e_brush(7, 2, rgb(255, 0, 255), 2),
        erec(18, (1,)), erec(25, (rgb(200, 200, 255),)),
        e_select(1), e_select(5), erec(43, (5, 5, 40, 30)),
        e_select(2), e_select(6), erec(42, (45, 5, 95, 35)),
        erec(18, (2,)), e_select(7), erec(44, (5, 40, 40, 75, 8, 8)),
        e_select(3), e_poly16(87, [(50, 40), (70, 70), (90, 45), (95, 75)]),
        e_select(4), e_select(stock | 5), e_poly16(86, [(10, 10), (30, 20), (15, 35)]),
        erec(90, (0, 0, 0, 0, 2, 4), raw=u32(2, 2) + struct.pack("<8h", 1, 90, 20, 90, 1, 95,
                                                                 20, 95)),
        erec(27, (2, 78)), erec(54, (98, 2)),
        erec(45, (60, 40, 98, 78, 60, 40, 90, 60)),
        erec(47, (52, 42, 90, 78, 50, 50, 70, 70)),
        erec(33), erec(30, (10, 10, 60, 60)), e_select(stock | 4), erec(43, (0, 0, 99, 99)),
        erec(34, (-1,)),
        erec(36, raw=struct.pack("<6f", 1, 0.2, -0.2, 1, 5, 5) + u32(2)),
        e_select(1), erec(43, (60, 60, 80, 80)),
        erec(59), erec(27, (10, 80)), erec(54, (30, 95)), erec(54, (5, 95)), erec(61),
        erec(60), erec(63, (0, 0, 0, 0)),
        erec(40, (1,)), erec(40, (5,)),
    ]
    put("fuzz_picture_emf", "shapes.emf", emf(shapes, frame=(0, 0, 2646, 2646)))
    text = [
        e_font(1, -14, 0, "IPAGothic", charset=128), e_font(2, 16, 900, "Sans", weight=700),
        erec(24, (rgb(0, 0, 160),)), erec(18, (2,)), erec(25, (rgb(255, 255, 0),)),
        e_select(1), e_textw(4, 4, "寸法 ｷｬﾌﾟｼｮﾝ"), e_textw(4, 30, "dx", dx=True),
        erec(22, (24,)), e_select(2), e_textw(100, 55, "Up"),
        e_select(0x80000000 | 13), e_textw(60, 40, "stock"),
    ]
    put("fuzz_picture_emf", "text.emf", emf(text, frame=(0, 0, 3175, 1587)))
    bitmap = [
        e_stretchdibits(0, 0, 20, 20, 2, 2, SMALL_DIB),
        e_bitblt(25, 25, 10, 10, 0x00CC0020, SMALL_DIB),
        e_brush(2, 2, rgb(0, 0, 255), 5), e_select(2),
        e_bitblt(0, 25, 20, 15, 0x00F00021),
        # A pattern brush: header and palette, then the bits, after the fixed fields.
        erec(94, (1, 0, 32, 48, 80, len(HATCH_DIB) - 48), raw=HATCH_DIB),
        e_select(1), erec(43, (22, 0, 40, 20)),
    ]
    put("fuzz_picture_emf", "bitmap.emf", emf(bitmap, frame=(0, 0, 1058, 1058)))


def settings_seeds():
    lines = [""] * 100
    values = {1: '"/home/user/ピクチャ"', 2: '"a.jpg"', 3: "70000", 4: "-2.25", 10: "10",
              11: "0", 12: "2", 13: "255", 14: '"ＭＳ ゴシック"', 15: "12", 16: "#TRUE#",
              17: "#FALSE#", 18: "16777215", 20: "0.5", 21: "1", 22: "#TRUE#", 23: "20",
              31: "30", 32: "15.5", 33: "50", 34: "90", 35: '"寸法 ｷｬﾌﾟｼｮﾝ ―"', 36: "#FALSE#",
              37: "1", 51: "640", 52: "480", 53: "320", 54: "240"}
    for slot, value in values.items():
        lines[slot - 1] = value
    put("fuzz_settings", "typical.ini", ("\r\n".join(lines) + "\r\n").encode("cp932"))
    put("fuzz_settings", "mixed.ini",
        b'1,2 , "a,b",  #true# ,\n"open quote\r\n1e3,-2.5E-2,NaN,Infinity,-Infinity\r\n'
        b'  text with blanks  ,\r"x"junk,3\n\r\n+5,.5,5.,-0\r\n40000,2147483648,-32769\r\n'
        b'\x82\xa0\x81\x5c\xff\x80\r\n')
    put("fuzz_settings", "short.ini", b'"\x8e\xc0\x90\xfc"\r\n3\r\n#FALSE#')


def png_chunk(kind, data, length=None):
    import zlib
    size = len(data) if length is None else length
    return struct.pack(">I", size) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def hostile_inputs():
    """Inputs that once cost memory or settings; kept as findings (their names say so), so the
    replay refuses them every run."""
    head = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 2, 0, 0, 0))
    # A 4 x 4 PNG whose text chunk claims 2 GiB: 44 bytes.
    text_bomb = head + struct.pack(">I", 0x7FFFFFFF) + b"tEXtabc"
    ztxt_bomb = head + struct.pack(">I", 0x7FFFFFFF) + b"zTXtabc"
    put("fuzz_picture_png", "oom-text-chunk-length.png", text_bomb)
    put("fuzz_picture_png", "oom-ztxt-chunk-length.png", ztxt_bomb)
    icon = u16(0, 1, 1) + bytes((4, 4, 0, 0)) + u16(1, 32) + u32(len(ztxt_bomb), 22) + ztxt_bomb
    put("fuzz_picture_ico", "oom-png-icon-chunk-length.ico", icon)
    # Unused slots holding what the program itself would not write, to be kept byte for byte.
    lines = [b""] * 100
    lines[0] = b'"\x81\xff\xfc"'
    lines[1] = b"0010"
    lines[2] = b"  1.50  "
    lines[9] = b"25"
    lines[18] = b'"\xff"'
    lines[99] = b"\x82\xa0 unquoted \x80"
    put("fuzz_settings", "unused-slot-bytes.ini", b"\r\n".join(lines) + b"\r\n")


if __name__ == "__main__":
    raster_seeds()
    wmf_seeds()
    emf_seeds()
    settings_seeds()
    hostile_inputs()
