#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Hostile share names for a real smbd, and the checks of what lanterra-scan
makes of them.

  hostile_names.py conf SHARE_PATH SET      smb.conf sections for one set of names
  hostile_names.py check WORK HOST SET...   checks the outputs in WORK

SET is "hostile" (names built to break output, markup, shells, spreadsheets
and text direction) or "long" (names far longer than usual, on a host of
their own so that they cannot hide the others).
"""
import csv
import io
import json
import os
import sys
import re

HOSTILE = [
    'quote"double', "quote'single", "lt<gt>", "amp&ersand", "&quot;entity&quot;", "&#60;ref",
    "%s%n%x", "$(touch pwned-subshell)", "`touch pwned-backtick`", "-rf", "--help",
    '=HYPERLINK("http://x","click")', "+SUM(1)", "@cmd", "semi;colon", "comma,name",
    "rlo\u202eexe.txt", "line\u2028sep", "para\u2029sep", "next\u0085line",
    "Музыка", "音楽と映画", "🎵 emoji 👨\u200d👩\u200d👧",
    "<html><body><h1>page</h1></body></html>", '<img src="/dev/zero">', "<b>bold</b>",
    "back\\slash", "for/ward",
]
LONG = [
    "x" * 2000,
    "ж" * 700,  # 1,400 bytes of UTF-8
    "short",
]
FORMULA_START = "=+-@\t\r"


def names(which):
    return {"hostile": HOSTILE, "long": LONG}[which]


def conf(path, which):
    for name in names(which):
        print("[%s]\n   path = %s\n   guest ok = yes\n   read only = yes" % (name, path))


def hidden(c):
    """What the text and CSV outputs write out as \\uXXXX."""
    import unicodedata
    o = ord(c)
    if o in (0x200C, 0x200D) or 0xE0020 <= o <= 0xE007F:
        return False
    return unicodedata.category(c) in ("Cc", "Cf", "Cs", "Zl", "Zp")


def escaped(name):
    return "".join(("\\u%04X" % ord(c) if ord(c) <= 0xFFFF else "\\U%08X" % ord(c)) if hidden(c) else c
                   for c in name)


def unescape(value):
    """The escapes the program's reader decodes; any other '&' stands as it is."""
    def one(m):
        named = {"amp": "&", "lt": "<", "gt": ">", "quot": '"', "apos": "'"}
        if m.group(1) in named:
            return named[m.group(1)]
        code = int(m.group(2) or m.group(3), 16 if m.group(3) else 10)
        if code == 0 or code > 0x10FFFF or 0xD800 <= code <= 0xDFFF:
            return m.group(0)
        return chr(code)
    return re.sub(r"&(?:(amp|lt|gt|quot|apos)|#([0-9]{1,8})|#x([0-9A-Fa-f]{1,8}));", one, value)


def document_shares(path):
    """(host, share) pairs of a network document, read as the format is: an
    attribute value ends at the next double quote, '&' and '<' may stand bare
    in it, so this is no job for a general XML parser."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-16")
    pairs = []
    current = None
    for m in re.finditer(r'<host name="([^"]*)"|<share name="([^"]*)" />', text):
        if m.group(1) is not None:
            current = unescape(m.group(1))
        else:
            pairs.append((current, unescape(m.group(2))))
    return pairs


class Checks:
    def __init__(self):
        self.failures = 0

    def check(self, what, ok, detail=""):
        print("%s %s%s" % ("ok  " if ok else "FAIL", what, (": " + detail) if detail and not ok else ""))
        if not ok:
            self.failures += 1


def check(work, host, sets):
    c = Checks()
    expected = [n for s in sets for n in names(s)]

    # JSON: valid, every name exact.
    with open(os.path.join(work, "out.json"), encoding="utf-8") as f:
        try:
            rows = json.load(f)
        except ValueError as e:
            rows = []
            c.check("json parses", False, str(e))
    got = [r["share"] for r in rows if r.get("host") in host.split(",")]
    for name in expected:
        c.check("json has %r exactly" % name[:60], name in got)
    c.check("json has nothing else", sorted(got) == sorted(expected),
            repr(sorted(set(got) - set(expected)))[:300])

    # CSV: one record per line, every line as the csv module reads it, no
    # cell that a spreadsheet would run, names given back after the quote.
    with open(os.path.join(work, "out.csv"), encoding="utf-8", newline="") as f:
        text = f.read()
    lines = text.splitlines()  # splits on U+2028, U+0085... too
    records = list(csv.reader(io.StringIO(text)))
    c.check("csv: one line per record", len(lines) == len(records), "%d lines, %d records" % (len(lines), len(records)))
    c.check("csv: seven cells in every record", all(len(r) == 7 for r in records))
    cells = [cell for r in records for cell in r]
    c.check("csv: no cell starts like a formula", not any(cell[:1] in FORMULA_START and cell for cell in cells),
            repr([cell for cell in cells if cell[:1] in FORMULA_START and cell])[:300])
    c.check("csv: no hidden characters", not any(hidden(ch) for ch in text.replace("\n", "")))
    shares = [r[3] for r in records[1:] if r[1] in host.split(",")]
    for name in expected:
        want = escaped(("'" + name) if name[:1] in FORMULA_START else name)
        c.check("csv has %r" % name[:60], want in shares)

    # Text: one line per share, no hidden characters.
    with open(os.path.join(work, "out.txt"), encoding="utf-8", newline="") as f:
        text = f.read()
    lines = text.splitlines()
    ours = [l for l in lines[1:] if any(" %s " % h in l for h in host.split(","))]
    c.check("text: one line per share", len(ours) == len(expected), "%d lines for %d shares" % (len(ours), len(expected)))
    c.check("text: no hidden characters", not any(hidden(ch) for ch in text.replace("\n", "")))
    for name in expected:
        c.check("text shows %r" % name[:60], any(escaped(name) in l for l in ours))

    # The saved document gives every name back to a reader of the format.
    saved = [name for h, name in document_shares(os.path.join(work, "lab.net")) if h in host.split(",")]
    for name in expected:
        c.check("document keeps %r exactly" % name[:60], name in saved)

    # Nothing ran.
    for trace in ("pwned-subshell", "pwned-backtick"):
        c.check("nothing executed (%s)" % trace, not os.path.exists(os.path.join(work, trace)))
    print("%d failure(s)" % c.failures)
    return 1 if c.failures else 0


if __name__ == "__main__":
    if sys.argv[1] == "conf":
        conf(sys.argv[2], sys.argv[3])
    else:
        sys.exit(check(sys.argv[2], sys.argv[3], sys.argv[4:]))
