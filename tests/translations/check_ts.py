#!/usr/bin/env python3
"""Fails when translations/quantaline_en.ts is not what lupdate finds in the sources (a
marked text missing, or one no longer in the code) or when an English text is unfinished,
empty, still French, or does not keep its French text's placeholders and printf formats."""

import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# The .ts reader of the build's table generator, so that both read a text alike.
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from ts_table import element_text  # noqa: E402

FRENCH_WORDS = re.compile(r"\b(le|la|les|du|des|une?|fichier|octet|image|aucune?|matrices? "
                          r"connue|analyse|dossier|n'a|été|pas)\b", re.IGNORECASE)


def messages(path):
    found = {}
    for context in ElementTree.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            found[(name, element_text(message.find("source")))] = translation
    return found


def main():
    lupdate, source_dir, ts_file = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as scratch:
        fresh = scratch + "/fresh_en.ts"
        subprocess.run([lupdate, "-silent", "-locations", "none",
                        "-tr-function-alias", "translate+=tr_text,QT_TRANSLATE_NOOP+=TR_NOOP_TEXT",
                        "-source-language", "fr", "-target-language", "en",
                        source_dir + "/src", source_dir + "/app", "-ts", fresh], check=True)
        marked = set(messages(fresh))
    kept = messages(ts_file)
    problems = []
    for key in sorted(marked - set(kept)):
        problems.append("marked in the code but not in the .ts: %r" % (key,))
    for key in sorted(set(kept) - marked):
        problems.append("in the .ts but no longer in the code: %r" % (key,))
    for key, translation in sorted(kept.items()):
        if key not in marked:
            continue
        context, source = key
        text = element_text(translation) if translation is not None else ""
        if translation is None or translation.get("type") or not text:
            problems.append("no finished English: %r" % (key,))
            continue
        if sorted(re.findall(r"%[1-9]", source)) != sorted(re.findall(r"%[1-9]", text)):
            problems.append("placeholders differ: %r -> %r" % (source, text))
        printf = r"%[-+ 0#]*[0-9]*(?:\.[0-9]+)?(?:ll|l)?[diouxXfs%]"
        if re.findall(printf, re.sub(r"%[1-9]", "", source)) != \
                re.findall(printf, re.sub(r"%[1-9]", "", text)):
            problems.append("printf formats differ: %r -> %r" % (source, text))
        if any(ord(c) > 0x7F for c in text) or FRENCH_WORDS.search(text):
            problems.append("French left in the English: %r -> %r" % (source, text))
    for problem in problems:
        print(problem)
    print("%d texts, %d problems" % (len(marked), len(problems)))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
