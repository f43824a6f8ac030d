#!/usr/bin/python3
"""Turns the program's table of texts (UTF-8) into a C++ header of constants.

Usage: gbk_texts.py TABLE OUTPUT.h VERSION

Each text becomes pelomar::text::kName, its GBK bytes (the program's texts at
run time), and pelomar::text::wide::kName, the same text as a wide literal
for the wide Windows functions; the UTF-8 text stands beside them as a
comment. Fails, naming the line, on a text that GBK cannot hold and on any
line the table's rules do not allow (see the head of the table).
"""
import os
import re
import sys

NAME = re.compile(r"k[A-Z][A-Za-z0-9]*\Z")
HEX_DIGITS = "0123456789abcdefABCDEF"


class TableError(Exception):
    pass


def parse(lines, version):
    """[(name, text, line number)] in table order."""
    entries = []
    names = set()
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip("\r\n")
        if line.startswith("#") or (not line.strip() and not line.startswith("\t")):
            continue
        name, tab, text = line.partition("\t")
        if not tab:
            raise TableError(number, "no tab between the name and the text")
        if name == "":
            if not entries:
                raise TableError(number, "a continued line with no text above it")
            last_name, last_text, first = entries[-1]
            entries[-1] = (last_name, last_text + "\r\n" + text, first)
            continue
        if not NAME.match(name):
            raise TableError(number, "%r is not a constant's name (kUpperCamelCase)" % name)
        if name in names:
            raise TableError(number, "%s is listed twice" % name)
        names.add(name)
        entries.append((name, text, number))
    out = []
    for name, text, number in entries:
        text = text.replace("{version}", version)
        for ch in text:
            if (ord(ch) < 0x20 and ch not in "\r\n") or 0x7F <= ord(ch) < 0xA0:
                raise TableError(number, "%s: control character U+%04X" % (name, ord(ch)))
        try:
            text.encode("gbk")
        except UnicodeEncodeError as e:
            bad = text[e.start]
            raise TableError(number, "%s: %r (U+%04X) cannot be written in GBK" % (name, bad, ord(bad)))
        out.append((name, text))
    return out


def escaped(ch):
    return {"\r": "\\r", "\n": "\\n", '"': '\\"', "\\": "\\\\"}.get(ch)


def gbk_literal(text):
    out = []
    after_hex = False
    for b in text.encode("gbk"):
        ch = chr(b)
        if b >= 0x80:
            out.append("\\x%02X" % b)
            after_hex = True
            continue
        if after_hex and ch in HEX_DIGITS:
            out.append('" "')  # a hex escape would take this digit in
        out.append(escaped(ch) or ch)
        after_hex = False
    return '"%s"' % "".join(out)


def wide_literal(text):
    out = []
    for ch in text:
        code = ord(ch)
        if code < 0x80:
            out.append(escaped(ch) or ch)
        else:
            out.append("\\u%04X" % code if code <= 0xFFFF else "\\U%08X" % code)
    return 'L"%s"' % "".join(out)


def header(entries):
    out = ["// Generated from text/texts.tsv by cmake/gbk_texts.py. Do not edit.\n",
           "// Each text as GBK bytes, the program's texts at run time, with the table's\n",
           "// UTF-8 beside it; wide:: holds the same texts for the wide Windows functions.\n",
           "#pragma once\n\n#include <string_view>\n\nnamespace pelomar::text {\n"]
    for name, text in entries:
        out.append("\n")
        out.extend('// "%s"\n' % line for line in text.split("\r\n"))
        out.append("inline constexpr std::string_view %s = %s;\n" % (name, gbk_literal(text)))
    out.append("\nnamespace wide {\n")
    for name, text in entries:
        out.append("inline constexpr std::wstring_view %s = %s;\n" % (name, wide_literal(text)))
    out.append("}  // namespace wide\n\n")
    out.append("struct Entry {\n    std::string_view name;\n    std::string_view gbk;\n"
               "    std::wstring_view wide;\n};\n\n")
    out.append("// Every text, for the tests that look at them all.\n")
    out.append("inline constexpr Entry kAll[] = {\n")
    out.extend('    {"%s", %s, wide::%s},\n' % (name, name, name) for name, _ in entries)
    out.append("};\n\n}  // namespace pelomar::text\n")
    return "".join(out)


def main():
    table, output, version = sys.argv[1:4]
    with open(table, encoding="utf-8") as f:
        lines = f.readlines()
    try:
        entries = parse(lines, version)
    except TableError as e:
        sys.stderr.write("%s:%d: %s\n" % (table, e.args[0], e.args[1]))
        return 1
    tmp = output + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(header(entries))
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
