#!/usr/bin/python3
"""Prints a UTF-8 text as a C string literal of its GBK (code page 936) bytes.

Usage: tools/gbk.py TEXT...   (one literal per argument)
The program keeps its own texts as GBK bytes; sources are UTF-8, so the
literals are written as escapes with the readable text in a comment.
"""
import sys


def literal(text: str) -> str:
    out = []
    prev_hex = False
    for b in text.encode("gbk"):
        if b >= 0x80 or b < 0x20 or b in (0x22, 0x5C):
            out.append("\\x%02X" % b)
            prev_hex = True
        else:
            ch = chr(b)
            # A hex escape would swallow a following hex digit: split the literal.
            if prev_hex and ch in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(ch)
            prev_hex = False
    return '"' + "".join(out) + '"'


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        print("%s  // %s" % (literal(arg), arg))
