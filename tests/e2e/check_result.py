#!/usr/bin/env python3
"""Checks one headless crawl of the generated site: the table printed on stdout against the
pages the generator expects for the scope, and the XML, HTML and plain-list sitemap files
against that table (complete, in order, well-formed). Exits 1 with a list of faults."""

import argparse
import json
import math
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

SITEMAP_NS = "{http://www.sitemaps.org/schemas/sitemap/0.9}"


class Faults:
    def __init__(self, label):
        self.label = label
        self.items = []

    def add(self, text):
        self.items.append(text)

    def check(self, ok, text):
        if not ok:
            self.add(text)
        return ok

    def sample(self, what, values):
        values = sorted(values)
        if values:
            self.add("%s (%d): %s%s" % (what, len(values), ", ".join(values[:8]),
                                        " ..." if len(values) > 8 else ""))


def file_name(stem, ext, k):
    return "%s%s" % (stem, ext) if k == 1 else "%s%d%s" % (stem, k - 1, ext)


def check_table(lines, expected, faults):
    """Rows of the table: [(link, title)] in display order."""
    rows = []
    misnumbered = []
    for i, line in enumerate(lines):
        fields = line.split("\t")
        if not faults.check(len(fields) == 3, "row %d has %d fields: %r" % (i + 1, len(fields),
                                                                            line)):
            continue
        number, link, title = fields
        if number != str(i + 1):
            misnumbered.append("row %d shows %r" % (i + 1, number))
        rows.append((link, title))
    faults.sample("rows not numbered 1..n after --dedup", misnumbered)
    links = [link for link, _ in rows]
    seen = set()
    twice = {link for link in links if link in seen or seen.add(link)}
    faults.sample("listed more than once", twice)
    faults.sample("expected but not listed", set(expected) - set(links))
    faults.sample("listed but not expected", set(links) - set(expected))
    wrong = ["%s: %r, expected %r" % (link, title, expected[link])
             for link, title in rows if link in expected and expected[link] != title]
    faults.sample("wrong titles", wrong)
    lengths = [len(link.encode("gbk")) for link in links]
    faults.check(lengths == sorted(lengths), "rows are not sorted by link length")
    return rows


def check_xml(out, rows, root, per_file, faults):
    n = len(rows)
    count = math.ceil(n / per_file)
    got = []
    for k in range(1, count + 1):
        path = os.path.join(out, file_name("sitemap", ".xml", k))
        if not faults.check(os.path.isfile(path), "missing " + path):
            continue
        lint = subprocess.run(["xmllint", "--noout", path], capture_output=True, text=True)
        faults.check(lint.returncode == 0, "xmllint rejects %s: %s" % (path, lint.stderr[:500]))
        try:
            urls = ET.parse(path).getroot().findall(SITEMAP_NS + "url")
        except ET.ParseError as e:
            faults.add("%s does not parse: %s" % (path, e))
            continue
        locs = [u.findtext(SITEMAP_NS + "loc") for u in urls]
        if k < count:
            chain = "%s/sitemap/sitemap%d.xml" % (root, k)
            faults.check(locs[:1] == [chain], "%s: first entry %r, expected the chain entry %r"
                         % (path, locs[:1], chain))
            locs = locs[1:]
        got.extend(locs[:-1])  # the last entry is the credit
    faults.check(not os.path.exists(os.path.join(out, file_name("sitemap", ".xml", count + 1))),
                 "more XML files than %d" % count)
    compare_lists("XML <loc>", got, [link for link, _ in rows], faults)


def check_html(out, rows, per_file, faults):
    n = len(rows)
    count = math.ceil(n / per_file)
    got = []
    item = re.compile(r'<li><a href="([^"]*)">(.*?)</a></li>', re.S)
    for k in range(1, count + 1):
        path = os.path.join(out, "index.html" if k == 1 else "sitemap%d.html" % (k - 1))
        if not faults.check(os.path.isfile(path), "missing " + path):
            continue
        with open(path, "rb") as f:
            text = f.read().decode("gbk")
        items = item.findall(text)
        faults.check(items[:1] == [("index.html", "网址地图")], "%s: no first item" % path)
        items = items[1:]
        if k < count:
            nxt = ("sitemap%d.html" % k, "网址地图%d" % k)
            faults.check(items[:1] == [nxt], "%s: next-page item %r, expected %r"
                         % (path, items[:1], nxt))
            items = items[1:]
        faults.check(bool(items) and "<strong>" in items[-1][1], "%s: no credit item" % path)
        got.extend((href, title.replace("\t", " ").replace("\r", " ").replace("\n", " "))
                   for href, title in items[:-1])
    compare_lists("HTML items", got, rows, faults)


def check_txt(out, rows, per_file, faults):
    n = len(rows)
    count = math.ceil(n / per_file)
    got = []
    for k in range(1, count + 1):
        path = os.path.join(out, file_name("urllist", ".txt", k))
        if not faults.check(os.path.isfile(path), "missing " + path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        faults.check(data.endswith(b"\r\n"), path + " does not end in CR LF")
        lines = data.decode("gbk").split("\r\n")[:-1]
        got.extend(lines[:-1])  # the last line is the credit
    compare_lists("urllist lines", got, [link for link, _ in rows], faults)


def compare_lists(what, got, want, faults):
    if got == want:
        return
    if len(got) != len(want):
        faults.add("%s: %d entries, the table has %d" % (what, len(got), len(want)))
    for i, (g, w) in enumerate(zip(got, want)):
        if g != w:
            faults.add("%s: entry %d is %r, the table has %r" % (what, i + 1, g, w))
            break


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--expected", required=True)
    ap.add_argument("--scope", required=True, choices=["second", "all"])
    ap.add_argument("--table", required=True, help="the program's stdout")
    ap.add_argument("--out", required=True, help="the folder given with --out")
    ap.add_argument("--per-file", type=int, default=500)
    args = ap.parse_args()
    with open(args.expected, encoding="utf-8") as f:
        expected = json.load(f)
    with open(args.table, encoding="utf-8") as f:
        lines = f.read().split("\n")
    faults = Faults(args.scope)
    faults.check(lines[-1] == "", "stdout does not end with a line break")
    rows = check_table(lines[:-1], expected["scopes"][args.scope], faults)
    check_xml(args.out, rows, expected["root"], args.per_file, faults)
    check_html(args.out, rows, args.per_file, faults)
    check_txt(args.out, rows, args.per_file, faults)
    if faults.items:
        print("FAIL (%s): %d faults" % (args.scope, len(faults.items)))
        for item in faults.items:
            print("  - " + item)
        sys.exit(1)
    print("ok (%s): %d pages listed, in the table and in %d file(s) of each kind"
          % (args.scope, len(rows), math.ceil(len(rows) / args.per_file)))


if __name__ == "__main__":
    main()
