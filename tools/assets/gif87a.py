"""A small GIF87a writer: one image, a full 256-entry global colour table,
no extension blocks.

The LZW stream can be tuned to make a file of an exact byte length: the
program embeds each picture with a fixed size, so the writer picks how often
the code table is reset (smaller tables compress less) and how the code bytes
are split into data sub-blocks (every extra sub-block costs one length byte).
Both are ordinary GIF encoder choices; any decoder reads the result.
"""

import struct

CLEAR = 256
EOI = 257
MAX_CODES = 4096

# Everything but the LZW data sub-blocks: header, logical screen descriptor,
# colour table, image descriptor, minimum code size, block terminator, trailer.
FIXED_BYTES = 6 + 7 + 768 + 10 + 1 + 1 + 1


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def write(self, code, width):
        self.acc |= code << self.nbits
        self.nbits += width
        while self.nbits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.nbits -= 8

    def finish(self):
        if self.nbits:
            self.out.append(self.acc & 0xFF)
        return bytes(self.out)


def lzw_encode(pixels, table_limit=MAX_CODES):
    """LZW-compress 8-bit palette indices (minimum code size 8).

    The code table is cleared whenever it reaches table_limit entries
    (259 <= table_limit <= 4096).
    """
    if not 259 <= table_limit <= MAX_CODES:
        raise ValueError("table_limit out of range")
    bits = _BitWriter()
    width = 9
    bits.write(CLEAR, width)
    table = {}
    next_code = 258
    it = iter(pixels)
    try:
        prefix = next(it)
    except StopIteration:
        bits.write(EOI, width)
        return bits.finish()
    for c in it:
        key = (prefix << 8) | c
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        bits.write(prefix, width)
        table[key] = next_code
        # The decoder, one entry behind, widens its codes when it has filled
        # the current width; the new code needs one more bit.
        if next_code == (1 << width) and width < 12:
            width += 1
        next_code += 1
        if next_code >= table_limit:
            bits.write(CLEAR, width)
            table.clear()
            next_code = 258
            width = 9
        prefix = c
    bits.write(prefix, width)
    # The decoder adds one more entry on reading the last code; follow it so
    # the end code is read at the width the decoder expects.
    if next_code == (1 << width) and width < 12 and next_code < table_limit:
        width += 1
    bits.write(EOI, width)
    return bits.finish()


def _sub_blocks(data, count):
    """Split data into `count` sub-blocks of near-equal size (1..255 bytes)."""
    n = len(data)
    if not (n + 254) // 255 <= count <= n:
        raise ValueError("impossible sub-block count")
    q, r = divmod(n, count)
    out = bytearray()
    pos = 0
    for i in range(count):
        size = q + 1 if i < r else q
        out.append(size)
        out += data[pos:pos + size]
        pos += size
    out.append(0)
    return bytes(out)


def _assemble(width, height, palette, blocks):
    head = b"GIF87a" + struct.pack("<HHBBB", width, height, 0xF7, 0, 0)
    head += bytes(palette)
    head += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    return head + b"\x08" + blocks + b"\x3b"


def _fits(data_len, budget):
    """Can data_len code bytes fill exactly `budget` sub-block bytes?"""
    return data_len + (data_len + 254) // 255 + 1 <= budget <= 2 * data_len + 1


def encode(width, height, palette, pixels, target_size=None):
    """Return GIF87a bytes for an image of palette indices.

    palette: up to 256 (r, g, b) triples; padded with black to 256 entries.
    pixels: bytes of width*height indices, row by row.
    target_size: if given, the exact file length to produce.
    """
    if len(pixels) != width * height:
        raise ValueError("pixel count does not match the size")
    if len(palette) > 256:
        raise ValueError("more than 256 colours")
    flat = bytearray()
    for r, g, b in palette:
        flat += bytes((r, g, b))
    flat += bytes(768 - len(flat))
    pixels = bytes(pixels)
    if max(pixels) >= max(len(palette), 1):
        raise ValueError("pixel index outside the palette")

    data = lzw_encode(pixels)
    if target_size is None:
        count = (len(data) + 254) // 255
        return _assemble(width, height, flat, _sub_blocks(data, count))

    budget = target_size - FIXED_BYTES + 1  # sub-blocks plus terminator
    if len(data) + (len(data) + 254) // 255 + 1 > budget:
        raise ValueError("picture too complex for %d bytes (needs at least %d)"
                         % (target_size, len(data) + (len(data) + 254) // 255 + FIXED_BYTES))
    if not _fits(len(data), budget):
        # Compress less: find a table limit whose output is long enough.
        lo, hi = 259, MAX_CODES
        best = None
        while lo <= hi:
            mid = (lo + hi) // 2
            trial = lzw_encode(pixels, mid)
            if _fits(len(trial), budget):
                best = trial
                break
            if len(trial) + (len(trial) + 254) // 255 + 1 > budget:
                lo = mid + 1  # too long: allow a larger table
            else:
                hi = mid - 1  # too short: reset more often
        if best is None:
            raise ValueError("no LZW table limit fits %d bytes" % target_size)
        data = best
    count = budget - 1 - len(data)
    out = _assemble(width, height, flat, _sub_blocks(data, count))
    assert len(out) == target_size
    return out
