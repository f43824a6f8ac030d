#!/usr/bin/python3
"""Tests of the build step that turns text/texts.tsv into GBK constants
(cmake/gbk_texts.py): the literals it writes hold the texts' bytes as a C++
compiler reads them, and a table it cannot turn into constants stops it with
the line and the reason.

    /usr/bin/python3 tests/text/test_gbk_texts.py

Ends with the line "N passed, M failed"; exit status 0 only when all pass.
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "cmake", "gbk_texts.py")
TABLE = os.path.join(ROOT, "text", "texts.tsv")
SIMPLE = {"r": "\r", "n": "\n", '"': '"', "\\": "\\"}


def pieces(literals):
    """The bodies of the adjacent "..." literals, as written."""
    return re.findall(r'"((?:[^"\\]|\\.)*)"', literals)


def c_bytes(literals):
    """The bytes of adjacent narrow literals as C++ reads them: a hex escape
    takes every hex digit that follows it."""
    out = bytearray()
    for body in pieces(literals):
        i = 0
        while i < len(body):
            if body[i] != "\\":
                out += body[i].encode("ascii")
                i += 1
            elif body[i + 1] == "x":
                j = i + 2
                while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                    j += 1
                value = int(body[i + 2:j], 16)
                if value > 0xFF:
                    raise ValueError("hex escape out of range: %s" % body[i:j])
                out.append(value)
                i = j
            else:
                out += SIMPLE[body[i + 1]].encode("ascii")
                i += 2
    return bytes(out)


def c_wide(literal):
    """The characters of a wide literal with \\u, \\U and simple escapes."""
    body = "".join(pieces(literal))
    out = []
    i = 0
    while i < len(body):
        if body[i] != "\\":
            out.append(body[i])
            i += 1
        elif body[i + 1] in "uU":
            width = 4 if body[i + 1] == "u" else 8
            out.append(chr(int(body[i + 2:i + 2 + width], 16)))
            i += 2 + width
        else:
            out.append(SIMPLE[body[i + 1]])
            i += 2
    return "".join(out)


def run(table_text, version="1.1"):
    """(exit status, stderr, {name: (gbk bytes, wide text)}, header text)."""
    with tempfile.TemporaryDirectory() as tmp:
        table = os.path.join(tmp, "texts.tsv")
        with open(table, "w", encoding="utf-8", newline="") as f:
            f.write(table_text)
        header = os.path.join(tmp, "texts.h")
        r = subprocess.run([sys.executable, SCRIPT, table, header, version], capture_output=True, text=True)
        if not os.path.exists(header):
            return r.returncode, r.stderr, {}, ""
        with open(header, encoding="utf-8") as f:
            source = f.read()
    narrow = dict(re.findall(r"std::string_view (k\w+) = (.*);\n", source))
    wide = dict(re.findall(r"std::wstring_view (k\w+) = (L.*);\n", source))
    texts = {name: (c_bytes(narrow[name]), c_wide(wide[name])) for name in narrow}
    return r.returncode, r.stderr, texts, source


class Literals(unittest.TestCase):
    def test_each_text_is_written_byte_for_byte(self):
        want = {
            "kPlain": "帮助",
            "kDigitAfterEscape": "键A1b 键 f",  # a hex digit right after a GBK byte
            "kQuotesAndBackslashes": 'Run\\Pelomar(Vok) "隐藏"',
            "kLeadingBlank": " Ctrl键时忽略",
            "kVersion": "Pelomar(Vok) v{version}",
            "kLines": "第一段\r\n\r\n第二段",
        }
        table = "# a comment\n\n" + "".join("%s\t%s\n" % (k, v) for k, v in want.items() if k != "kLines")
        table += "kLines\t第一段\n\t\n\t第二段\n"
        status, err, texts, source = run(table, version="2.7")
        self.assertEqual(status, 0, err)
        self.assertEqual(set(texts), set(want))
        for name, text in want.items():
            text = text.replace("{version}", "2.7")
            self.assertEqual(texts[name][0], text.encode("gbk"), name)
            self.assertEqual(texts[name][1], text, name)
        # The UTF-8 text stands beside its constant, each line quoted.
        self.assertIn('// " Ctrl键时忽略"\ninline constexpr std::string_view kLeadingBlank', source)
        self.assertIn('// "第一段"\n// ""\n// "第二段"\n', source)
        self.assertIn('{"kPlain", kPlain, wide::kPlain},', source)

    def test_the_program_table(self):
        with open(TABLE, encoding="utf-8") as f:
            status, err, texts, _ = run(f.read())
        self.assertEqual(status, 0, err)
        self.assertIn("kSettingsSection", texts)
        for name, (gbk, wide) in texts.items():
            self.assertEqual(gbk, wide.encode("gbk"), name)
            self.assertNotIn("{version}", wide, name)
        self.assertEqual(texts["kHelpText"][1].count("\r\n\r\n"), 3)


class Refusals(unittest.TestCase):
    def refused(self, table, *words):
        status, err, texts, _ = run(table)
        self.assertEqual(status, 1)
        self.assertEqual(texts, {}, "no header is written")
        for word in words:
            self.assertIn(word, err)

    def test_a_text_gbk_cannot_hold_names_its_line_and_character(self):
        self.refused("kFine\t帮助\nkMaltese\tħ\n", "texts.tsv:2:", "kMaltese", "U+0127", "cannot be written in GBK")
        self.refused("kEmoji\tok \U0001F600\n", "texts.tsv:1:", "U+1F600")

    def test_lines_the_table_does_not_allow(self):
        self.refused("kA\tx\nkA\ty\n", "texts.tsv:2:", "kA is listed twice")
        self.refused("menuHelp\tx\n", "texts.tsv:1:", "not a constant's name")
        self.refused("kNoText\n", "texts.tsv:1:", "no tab")
        self.refused("\tgoes on\n", "texts.tsv:1:", "no text above it")
        self.refused("kBell\ta\x07b\n", "texts.tsv:1:", "control character U+0007")


if __name__ == "__main__":
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=1)
    result = unittest.main(exit=False, testRunner=runner).result
    failed = len(result.failures) + len(result.errors)
    sys.stdout.flush()
    print("%d passed, %d failed" % (result.testsRun - failed, failed))
    sys.exit(1 if failed else 0)
