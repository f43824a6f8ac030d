"""The words' sound coding: 4-bit IMA ADPCM, one nibble a sample, the low
nibble first. A coded sound is one byte with the step index the decoder
starts from (0..88), then the nibbles; the predictor starts at 0. The
program's decoder (media/adpcm.cpp) is the same arithmetic.

At step index 0 a nibble of 0 adds nothing, so a coded sound that starts
in silence stays exactly at zero, and the encoder brings the predictor back
to exactly zero after a sound, for the silence that follows.
"""

INDEX_STEP = (-1, -1, -1, -1, 2, 4, 6, 8)
STEPS = (
    7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45,
    50, 55, 60, 66, 73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230,
    253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963,
    1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327,
    3660, 4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442,
    11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794,
    32767)


def _difference(step, code):
    """How far a nibble's magnitude (its low three bits) moves the predictor."""
    diff = step >> 3
    if code & 4:
        diff += step
    if code & 2:
        diff += step >> 1
    if code & 1:
        diff += step >> 2
    return diff


def _step(predictor, index, code):
    diff = _difference(STEPS[index], code)
    predictor = predictor - diff if code & 8 else predictor + diff
    predictor = max(-32768, min(32767, predictor))
    index = max(0, min(88, index + INDEX_STEP[code & 7]))
    return predictor, index


def encode(samples, start_index=0):
    """Coded bytes of a list of 16-bit sample values. Each nibble is the one
    of the eight magnitudes (with the sign of the error) whose reconstruction
    lies nearest the sample."""
    predictor, index = 0, start_index
    codes = []
    for x in samples:
        step = STEPS[index]
        err = x - predictor
        sign = 8 if err < 0 else 0
        mag = -err if err < 0 else err
        best, best_code = None, 0
        # The reconstructions of the magnitudes 0..7 grow with the code.
        for c in range(8):
            d = abs(mag - _difference(step, c))
            if best is None or d < best:
                best, best_code = d, c
            elif d > best:
                break
        code = sign | best_code
        predictor, index = _step(predictor, index, code)
        codes.append(code)
    if len(codes) % 2:
        codes.append(0)
    return bytes([start_index]) + bytes(codes[i] | (codes[i + 1] << 4) for i in range(0, len(codes), 2))


def decode(coded, count):
    """count 16-bit sample values of a coded sound; None when it is not one
    (no step byte, a step index above 88, or fewer nibbles than count)."""
    if len(coded) < 1 or coded[0] > 88 or (len(coded) - 1) * 2 < count:
        return None
    predictor, index = 0, coded[0]
    out = []
    for i in range(count):
        byte = coded[1 + i // 2]
        code = byte & 15 if i % 2 == 0 else byte >> 4
        predictor, index = _step(predictor, index, code)
        out.append(predictor)
    return out
