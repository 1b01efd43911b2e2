#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds a language file (.lng) from its UTF-8 source (.lng.src).

The output is byte for byte what the program's XML writer produces for the
same table: the byte-order mark FF FE, the fixed header, then the root
element in UTF-16LE with CR LF line breaks and one blank of indentation per
level. Sections are ordered by their names (UTF-16 code units) and strings
by their numbers, as the program's ordered maps keep them.

Usage:
    make_lng.py SOURCE.lng.src [OUTPUT.lng]   write the language file
    make_lng.py --check SOURCE.lng.src [OUTPUT.lng]
                                              fail when OUTPUT is out of date
"""

import re
import sys

HEADER = ('<?xml version="1.0" encoding="UTF-16"?>\n'
          '\n'
          '<!--\n'
          '  saved by xml mapping,\n'
          '  do not edit manually \n'
          '-->\n'
          '\n')

HEADER_KEYS = ('format', 'title', 'author')
_SECTION = re.compile(r'^\[(.+)\]$')
_ENTRY = re.compile(r'^(-?\d+|[a-z]+)\s*=\s*"(.*)"$')


class SourceError(Exception):
    pass


def unescape(text, where):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == '\\':
            nxt = text[i + 1:i + 2]
            if nxt == 't':
                out.append('\t')
            elif nxt in ('"', '\\'):
                out.append(nxt)
            else:
                raise SourceError(f'{where}: unknown escape "\\{nxt}"')
            i += 2
            continue
        if c == '"':
            raise SourceError(f'{where}: write a double quote as \\"')
        out.append(c)
        i += 1
    return ''.join(out)


def parse(source_text, name):
    header = {}
    sections = {}
    current = None
    for number, raw in enumerate(source_text.splitlines(), 1):
        where = f'{name}:{number}'
        line = raw.strip()
        if not line or line.startswith('#'):
            continue
        match = _SECTION.match(line)
        if match:
            current = match.group(1)
            if current in sections:
                raise SourceError(f'{where}: section "{current}" given twice')
            sections[current] = {}
            continue
        match = _ENTRY.match(line)
        if not match:
            raise SourceError(f'{where}: expected `number = "text"` or `[section]`')
        key, value = match.group(1), unescape(match.group(2), where)
        if current is None:
            if key not in HEADER_KEYS:
                raise SourceError(f'{where}: header keys are {", ".join(HEADER_KEYS)}')
            header[key] = value
            continue
        if not re.fullmatch(r'-?\d+', key):
            raise SourceError(f'{where}: entry numbers are decimal integers')
        number_key = int(key)
        if not -2**31 <= number_key < 2**31:
            raise SourceError(f'{where}: number out of range')
        if number_key in sections[current]:
            raise SourceError(f'{where}: number {number_key} given twice in "{current}"')
        sections[current][number_key] = value
    for key in HEADER_KEYS:
        header.setdefault(key, '')
    return header, sections


_REFERENCE = re.compile(r'&(?:(?:amp|lt|gt|quot|apos);|#([0-9]{1,8});|#x([0-9A-Fa-f]{1,8});)')


def _is_reference(text, at):
    """Whether the program's reader would decode an escape at `at`."""
    match = _REFERENCE.match(text, at)
    if not match:
        return False
    if match.group(1) is None and match.group(2) is None:
        return True
    code = int(match.group(1), 10) if match.group(1) is not None else int(match.group(2), 16)
    return 0 < code <= 0x10FFFF and not 0xD800 <= code <= 0xDFFF


def escape_attribute(value):
    """The writer's escaping of attribute values: a double quote, and an '&'
    that would read back as an escape; everything else as it stands."""
    out = []
    for i, c in enumerate(value):
        if c == '"':
            out.append('&quot;')
        elif c == '&' and _is_reference(value, i):
            out.append('&amp;')
        else:
            out.append(c)
    return ''.join(out)


def render(header, sections):
    def attr(value):
        return escape_attribute(value)

    out = ['<language format="%s" title="%s" author="%s' %
           (attr(header['format']), attr(header['title']), attr(header['author']))]
    if not sections:
        out.append('" />')
        return ''.join(out)
    out.append('">\r\n <sections>')
    for name in sorted(sections, key=lambda s: s.encode('utf-16-be')):
        out.append('\r\n  <section name="%s' % attr(name))
        strings = sections[name]
        if not strings:
            out.append('" />')
            continue
        out.append('">')
        for number in sorted(strings):
            out.append('\r\n   <string id="%d" text="%s" />' % (number, attr(strings[number])))
        out.append('\r\n  </section>')
    out.append('\r\n </sections>\r\n</language>')
    return ''.join(out)


def build(source_path):
    with open(source_path, encoding='utf-8') as source:
        header, sections = parse(source.read(), source_path)
    return b'\xff\xfe' + (HEADER + render(header, sections)).encode('utf-16-le')


def main(argv):
    check = '--check' in argv
    args = [a for a in argv if a != '--check']
    if len(args) not in (1, 2) or not args[0].endswith('.lng.src'):
        sys.stderr.write(__doc__)
        return 2
    source_path = args[0]
    output_path = args[1] if len(args) == 2 else source_path[:-len('.src')]
    try:
        data = build(source_path)
    except (OSError, SourceError) as error:
        sys.stderr.write(f'{error}\n')
        return 1
    if check:
        try:
            with open(output_path, 'rb') as existing:
                if existing.read() == data:
                    return 0
        except OSError:
            pass
        sys.stderr.write(f'{output_path} is out of date; run {sys.argv[0]} {source_path}\n')
        return 1
    with open(output_path, 'wb') as output:
        output.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
