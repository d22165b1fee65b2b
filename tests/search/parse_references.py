"""Parses an exported reference file with a real reader and prints what it read as JSON.

csv: Python's csv module (the byte-order mark removed as spreadsheet programs do); bibtex: bibtexparser, with the
exporter's TeX escapes undone; ris: bibutils' ris2xml, then the MODS records it writes.
"""
import csv
import json
import subprocess
import sys
import xml.etree.ElementTree as ET

TEX = [("\\textbraceleft{}", "{"), ("\\textbraceright{}", "}"), ("\\textbackslash{}", "\\"),
       ("\\textasciitilde{}", "~"), ("\\textasciicircum{}", "^"), ("\\%", "%"), ("\\&", "&"), ("\\#", "#"),
       ("\\$", "$"), ("\\_", "_")]


def untex(value):
    out = ""
    i = 0
    while i < len(value):
        for escaped, plain in TEX:
            if value.startswith(escaped, i):
                out += plain
                i += len(escaped)
                break
        else:
            out += value[i]
            i += 1
    return out


def parse_csv(path):
    with open(path, newline="", encoding="utf-8-sig") as f:
        return list(csv.reader(f))


def parse_bibtex(path):
    import bibtexparser
    from bibtexparser.bparser import BibTexParser
    parser = BibTexParser(common_strings=False)
    parser.ignore_nonstandard_types = False
    with open(path, encoding="utf-8") as f:
        db = bibtexparser.load(f, parser)
    return [{k: (v if k in ("ID", "ENTRYTYPE") else untex(v)) for k, v in e.items()} for e in db.entries]


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
                        "url": text(mods, "{*}location/{*}url"), "abstract": text(mods, "{*}abstract")})
    return records


print(json.dumps({"csv": parse_csv, "bibtex": parse_bibtex, "ris": parse_ris}[sys.argv[1]](sys.argv[2]),
                 ensure_ascii=False))
