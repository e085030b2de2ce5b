#!/usr/bin/env python3
"""Writes the fuzz targets' seed files into fuzz/corpus/<target>/: small valid pictures in every
layout the picture loader reads, INI files and documents. Run it again after changing it; the
JPEG seeds (made once with Qt's writer: baseline colour, progressive, grey) are kept in git as they are.
"""
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def colour(x, y):
    return ((x * 37 + y) & 0xFF, (y * 59) & 0xFF, (x * y * 13 + 7) & 0xFF)


# ---- BMP -------------------------------------------------------------------------------------

def bmp_file(header, palette, pixels, offset_extra=b""):
    off = 14 + len(header) + len(palette) + len(offset_extra)
    size = off + len(pixels)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, off) + header + palette + offset_extra + pixels


def rows(width, height, bits, index_of=None, top_down=False, pack=None):
    stride = (width * bits + 31) // 32 * 4
    out = bytearray()
    order = range(height) if top_down else range(height - 1, -1, -1)
    for y in order:
        row = bytearray()
        if bits in (1, 4, 8):
            acc, n = 0, 0
            for x in range(width):
                acc = (acc << bits) | index_of(x, y)
                n += bits
                if n == 8:
                    row.append(acc)
                    acc, n = 0, 0
            if n:
                row.append(acc << (8 - n))
        else:
            for x in range(width):
                row += pack(*colour(x, y))
        row += b"\0" * (stride - len(row))
        out += row
    return bytes(out)


def info_header(width, height, bits, compression=0, size_image=0, colours=0, length=40, extra=b""):
    h = struct.pack("<IiiHHIIiiII", length, width, height, 1, bits, compression, size_image, 2835, 2835,
                    colours, 0)
    h += extra
    return h + b"\0" * (length - len(h))


def palette_quads(count):
    return b"".join(bytes((i * 40 % 256, i * 90 % 256, i * 150 % 256, 0)) for i in range(count))


def bmp_seeds():
    w, h = 7, 5
    bgr = lambda r, g, b: bytes((b, g, r))
    put("picture", "info24.bmp", bmp_file(info_header(w, h, 24), b"", rows(w, h, 24, pack=bgr)))
    put("picture", "info24-topdown.bmp",
        bmp_file(info_header(w, -h, 24), b"", rows(w, h, 24, pack=bgr, top_down=True)))
    put("picture", "info32.bmp", bmp_file(info_header(w, h, 32), b"", rows(w, h, 32, pack=lambda r, g, b: bytes((b, g, r, 0)))))
    for bits in (1, 4, 8):
        n = 1 << bits
        put("picture", "info%d.bmp" % bits,
            bmp_file(info_header(w, h, bits, colours=n), palette_quads(n),
                     rows(w, h, bits, index_of=lambda x, y, n=n: (x + y) % n)))
    # 16 bits 5-5-5 without masks, and 5-6-5 with BI_BITFIELDS masks after the header.
    p555 = lambda r, g, b: struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
    put("picture", "info16-555.bmp", bmp_file(info_header(w, h, 16), b"", rows(w, h, 16, pack=p555)))
    p565 = lambda r, g, b: struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
    put("picture", "bitfields16-565.bmp",
        bmp_file(info_header(w, h, 16, compression=3), struct.pack("<III", 0xF800, 0x07E0, 0x001F),
                 rows(w, h, 16, pack=p565)))
    # V4 and V5 headers: 32 bits with an alpha mask.
    masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    argb = lambda r, g, b: bytes((b, g, r, (r + g) & 0xFF))
    for name, length in (("v4", 108), ("v5", 124)):
        extra = masks + b"sRGB"
        put("picture", "%s-32.bmp" % name,
            bmp_file(info_header(w, h, 32, compression=3, length=length, extra=extra), b"", rows(w, h, 32, pack=argb)))
    put("picture", "v5-24.bmp", bmp_file(info_header(w, h, 24, length=124), b"", rows(w, h, 24, pack=bgr)))
    # OS/2 1.x: 12-byte header, RGB triples in the palette.
    core = struct.pack("<IHHHH", 12, w, h, 1, 8)
    triples = b"".join(bytes((i * 40 % 256, i * 90 % 256, i * 150 % 256)) for i in range(256))
    put("picture", "os2-core8.bmp", bmp_file(core, triples, rows(w, h, 8, index_of=lambda x, y: (x * 3 + y) % 256)))
    put("picture", "os2-core24.bmp", bmp_file(struct.pack("<IHHHH", 12, w, h, 1, 24), b"", rows(w, h, 24, pack=bgr)))
    # OS/2 2.x: 64-byte header.
    put("picture", "os2-v2-8.bmp",
        bmp_file(info_header(w, h, 8, colours=16, length=64), palette_quads(16),
                 rows(w, h, 8, index_of=lambda x, y: (x + 2 * y) % 16)))
    # RLE8: runs, an absolute run, end of line, a delta, end of bitmap.
    rle8 = bytearray()
    for y in range(h):
        if y == 2:
            rle8 += bytes((0, 2, 3, 1))  # delta: 3 right, 1 down
            continue
        rle8 += bytes((3, y, 0, 4, 1, 2, 3, 4, 0, 0))  # 3 x index y, then 4 literal indexes, end of line
    rle8 += bytes((0, 1))
    put("picture", "rle8.bmp", bmp_file(info_header(w, h, 8, compression=1, size_image=len(rle8), colours=16),
                                        palette_quads(16), bytes(rle8)))
    # RLE4: a run of alternating nibbles and an absolute run of 3 (padded to a word).
    rle4 = bytearray()
    for y in range(h):
        rle4 += bytes((4, 0x12, 0, 3, 0x34, 0x50, 0, 0))
    rle4 += bytes((0, 1))
    put("picture", "rle4.bmp", bmp_file(info_header(w, h, 4, compression=2, size_image=len(rle4), colours=16),
                                        palette_quads(16), bytes(rle4)))


# ---- GIF: a four-colour table; the LZW stream clears after every two pixels, so codes stay 3 bits.

def gif(width, height, frames):
    out = bytearray(b"GIF89a" + struct.pack("<HH", width, height) + bytes((0xF1, 0, 0)))
    out += bytes((255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255))
    for pixels in frames:
        out += b"\x21\xF9\x04\x00\x0A\x00\x00\x00"
        out += b"," + struct.pack("<HHHH", 0, 0, width, height) + b"\0\x02"
        bits, count, data = 0, 0, bytearray()

        def code(c):
            nonlocal bits, count
            bits |= c << count
            count += 3
            while count >= 8:
                data.append(bits & 0xFF)
                bits >>= 8
                count -= 8

        for i, p in enumerate(pixels):
            if i % 2 == 0:
                code(4)
            code(p)
        code(5)
        if count:
            data.append(bits & 0xFF)
        for at in range(0, len(data), 255):
            block = data[at:at + 255]
            out += bytes((len(block),)) + block
        out += b"\0"
    out += b";"
    return bytes(out)


# ---- PNG -------------------------------------------------------------------------------------

def png(width, height, colour_type, depth, sample, palette=None):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += sample(x, y)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    if palette:
        out += chunk(b"PLTE", palette)
    return out + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")


def picture_seeds():
    bmp_seeds()
    put("picture", "still.gif", gif(3, 2, [[0, 1, 2, 3, 0, 1]]))
    put("picture", "animated.gif", gif(3, 2, [[0, 1, 2, 3, 0, 1], [2, 2, 2, 2, 2, 2]]))
    put("picture", "rgb8.png", png(6, 4, 2, 8, lambda x, y: bytes(colour(x, y))))
    put("picture", "rgba8.png", png(6, 4, 6, 8, lambda x, y: bytes(colour(x, y)) + bytes(((x * 40) & 0xFF,))))
    put("picture", "grey8.png", png(6, 4, 0, 8, lambda x, y: bytes(((x * 40 + y) & 0xFF,))))
    put("picture", "grey16.png", png(6, 4, 0, 16, lambda x, y: struct.pack(">H", x * 9000 + y * 7)))
    put("picture", "palette.png", png(6, 4, 3, 8, lambda x, y: bytes(((x + y) % 3,)), palette=bytes(range(9))))


# ---- INI files and documents --------------------------------------------------------------------

def ini_seeds():
    doc = ("[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Mono\r\nPicDesignPath=design.bmp\r\n"
           "KurikaesiHaba=70\r\nRittaido=20\r\nMitudo=30\r\n")
    put("ini", "document.qbd", doc.encode())
    put("ini", "unknown-lines.ini",
        ("; a comment\r\n[Other]\r\nKey=1\r\n[Quarbel Ver.2]\r\n  key = spaced value  \r\nKEY=second\r\n"
         "free text line\r\n\r\n[Quarbel Ver.2]\r\nlater=x\r\n").encode())
    put("ini", "shift-jis.ini", "[Quarbel Ver.2]\r\nPicDesignPath=C:\\画像\\サメ.bmp\r\n".encode("cp932"))
    put("ini", "bom-lf.ini", b"\xef\xbb\xbf[Quarbel Ver.2]\nEditerPath=/usr/bin/gimp\nsldMitudoEnabled=-1")


def document_seeds():
    # The fuzz target puts design.bmp and field.bmp beside the document.
    put("document", "random-dot.qbd",
        b"[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Color\r\nPicDesignPath=design.bmp\r\n"
        b"KurikaesiHaba=20\r\nRittaido=30\r\nMitudo=60\r\n")
    put("document", "field.qbd",
        b"[Quarbel Ver.2]\r\nStereoName=Field\r\nMONOorCOLOR=\r\nPicDesignPath=design.bmp\r\n"
        b"PicFieldPath=field.bmp\r\nKurikaesiHaba=12\r\nRittaido=50\r\n")
    put("document", "defaults.qbd", b"[Quarbel Ver.2]\nStereoName=RandomDot\nPicDesignPath=design.bmp\n")
    put("document", "shift-jis.qbd",
        "[Quarbel Ver.2]\r\nStereoName=Field\r\nPicDesignPath=design.bmp\r\nPicFieldPath=field.bmp\r\n"
        "DocName=サメ\r\n".encode("cp932"))


if __name__ == "__main__":
    picture_seeds()
    ini_seeds()
    document_seeds()
