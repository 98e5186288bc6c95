#!/usr/bin/env python3
"""Turns translations/quantaline_LANG.ts files into the C++ table the core looks texts up
in (src/io/text_table.h). A message without a finished translation is left out, as lrelease
leaves it out: the program then shows the French text."""

import argparse
import os
import re
import sys
import xml.etree.ElementTree as ElementTree


def cpp_string(text):
    # Every byte outside printable ASCII as an octal escape: the table is the same bytes
    # whatever the compiler's source character set.
    out = []
    for byte in text.encode("utf-8"):
        char = chr(byte)
        if char in '"\\?':
            out.append("\\" + char)
        elif 0x20 <= byte < 0x7F:
            out.append(char)
        else:
            out.append("\\%03o" % byte)
    return '"' + "".join(out) + '"'


def element_text(element):
    # A control character is written <byte value="xd"/> inside the text.
    text = element.text or ""
    for child in element:
        if child.tag == "byte":
            value = child.get("value", "")
            text += chr(int(value[1:], 16) if value.startswith("x") else int(value))
        text += child.tail or ""
    return text


def entries_of(path):
    entries = {}
    for context in ElementTree.parse(path).getroot().iter("context"):
        name = context.findtext("name") or ""
        for message in context.iter("message"):
            source = message.find("source")
            translation = message.find("translation")
            if source is None or translation is None:
                continue
            if translation.get("type") in ("unfinished", "obsolete", "vanished"):
                continue
            if not element_text(translation):
                continue
            entries[(name, element_text(source))] = element_text(translation)
    return entries


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--output", required=True)
    parser.add_argument("ts_files", nargs="*")
    arguments = parser.parse_args()

    lines = [
        "// Generated from translations/*.ts by cmake/ts_table.py: do not edit.",
        '#include "io/text_table.h"',
        "",
        "namespace quantaline::text_table {",
        "",
        "namespace {",
    ]
    tables = []
    for path in sorted(arguments.ts_files):
        match = re.fullmatch(r"quantaline_([A-Za-z_]+)\.ts", os.path.basename(path))
        if not match:
            sys.exit("%s: a translation file is named quantaline_LANG.ts" % path)
        code = match.group(1)
        entries = entries_of(path)
        keys = sorted(entries, key=lambda k: (k[0].encode("utf-8"), k[1].encode("utf-8")))
        lines.append("constexpr Entry entries_%s[] = {" % code)
        for context, source in keys:
            lines.append("    {%s, %s, %s}," % (cpp_string(context), cpp_string(source),
                                               cpp_string(entries[(context, source)])))
        if not keys:
            lines.append('    {"", "", ""},')
        lines.append("};")
        tables.append((code, len(keys)))
    lines.append("} // namespace")
    lines.append("")
    if tables:
        lines.append("const LanguageTable languages[] = {")
        for code, size in tables:
            lines.append('    {"%s", entries_%s, %d},' % (code, code, size))
        lines.append("};")
        lines.append("const std::size_t language_count = %d;" % len(tables))
    else:
        lines.append('const LanguageTable languages[] = {{"", nullptr, 0}};')
        lines.append("const std::size_t language_count = 0;")
    lines.append("")
    lines.append("} // namespace quantaline::text_table")
    text = "\n".join(lines) + "\n"
    # Written only when it changes, so that the core is not built again for nothing.
    try:
        with open(arguments.output, encoding="utf-8") as existing:
            if existing.read() == text:
                return
    except OSError:
        pass
    with open(arguments.output, "w", encoding="utf-8") as output:
        output.write(text)


if __name__ == "__main__":
    main()
