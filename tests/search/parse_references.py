"""Parses an exported reference file with the readers reference managers use and prints what they read as JSON.

csv: Python's csv module (the byte-order mark removed as spreadsheet programs do); ris: bibutils' ris2xml, then
the MODS records it writes; pybtex: pybtex's BibTeX parser, its fields turned into text by latexcodec (LaTeX to
Unicode) and the grouping braces dropped, as reference managers show them (url and doi verbatim, as biblatex reads
them); bibtexparser: bibtexparser's entries
as it reads them, nothing undone (its keys and the verbatim url field).
"""
import codecs
import csv
import json
import re
import subprocess
import sys
import xml.etree.ElementTree as ET


def parse_csv(path):
    with open(path, newline="", encoding="utf-8-sig") as f:
        return list(csv.reader(f))


# Text symbols of LaTeX itself (textcomp) that latexcodec's table lacks.
# (\textbackslash is in it, but latexcodec leaves its "{}" behind, which then reads as an escaped brace.)
LATEX_SYMBOLS = {r"\textbraceleft": "{", r"\textbraceright": "}", r"\textasciicircum": "^",
                 r"\textbackslash": "\\", r"\$": "$"}


def latex_to_text(value):
    import latexcodec  # noqa: F401  (registers the codec)
    for command, char in LATEX_SYMBOLS.items():
        # A command named by letters ends where the letters do; a control symbol (\$) is one character.
        end = r"(?![A-Za-z])(\{\})?" if command[1:].isalpha() else ""
        value = re.sub(re.escape(command) + end, lambda _, c=char: "\x00%d\x00" % ord(c), value)
    text = codecs.decode(value, "ulatex")
    # What is left of TeX's grouping: braces that no command escaped.
    text = re.sub(r"(?<!\\)[{}]", "", text)
    return re.sub("\x00(\\d+)\x00", lambda m: chr(int(m.group(1))), text)


def parse_pybtex(path):
    from pybtex.database import parse_file
    db = parse_file(path, bib_format="bibtex")
    entries = []
    for key, entry in db.entries.items():
        fields = {name: (value if name.lower() in ("url", "doi") else latex_to_text(value))
                  for name, value in entry.fields.items()}
        fields["raw_title"] = entry.fields.get("title", "")
        fields["ID"] = key
        fields["ENTRYTYPE"] = entry.type
        fields["authors"] = [latex_to_text(str(p)) for p in entry.persons.get("author", [])]
        entries.append(fields)
    return entries


def parse_bibtexparser(path):
    import bibtexparser
    from bibtexparser.bparser import BibTexParser
    parser = BibTexParser(common_strings=False)
    parser.ignore_nonstandard_types = False
    with open(path, encoding="utf-8") as f:
        return bibtexparser.load(f, parser).entries


def text(element, path):
    found = element.find(path)
    return found.text if found is not None and found.text else ""


def parse_ris(path):
    xml = subprocess.run(["ris2xml", "-i", "utf8", "-o", "utf8", path], capture_output=True, check=True).stdout
    records = []
    # ris2xml starts its output with a byte-order mark, which the XML reader does not take.
    for mods in ET.fromstring(xml.removeprefix(b"\xef\xbb\xbf")).findall(".//{*}mods"):
        title = text(mods, "{*}titleInfo/{*}title")
        sub = text(mods, "{*}titleInfo/{*}subTitle")
        authors = []
        for name in mods.findall("{*}name"):
            parts = [p.text or "" for p in name.findall("{*}namePart")]
            authors.append(" ".join(parts))
        records.append({"title": title + (": " + sub if sub else ""), "authors": authors,
                        "url": text(mods, "{*}location/{*}url"), "abstract": text(mods, "{*}abstract"),
                        "doi": text(mods, "{*}identifier[@type='doi']")})
    return records


print(json.dumps({"csv": parse_csv, "pybtex": parse_pybtex, "bibtexparser": parse_bibtexparser,
                  "ris": parse_ris}[sys.argv[1]](sys.argv[2]), ensure_ascii=False))
