#!/usr/bin/env python3
"""Crawls the generated site served by nginx with our headless program and with the two
peers, measures each, works out nginx's own lower bound with wrk, and prints one table.
Started by bench/run.sh, which builds, installs and serves everything first."""

import argparse
import json
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from measure import measure  # noqa: E402


def count_lines(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f)


def pages_ours(stdout_path):
    links = set()
    with open(stdout_path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) == 3:
                links.add(fields[1])
    return links


def pages_wget(stderr_path, root):
    """HTML pages wget reports as fetched ("URL:... [size] -> file" or "URL: ... 200 OK")."""
    links = set()
    pattern = re.compile(r"URL:\s*(\S+)\s+(?:\[\d+(?:/\d+)?\] ->|200 OK)")
    with open(stderr_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = pattern.search(line)
            if m and m.group(1).startswith(root) and \
                    (m.group(1).endswith(".html") or m.group(1) == root + "/"):
                links.add(m.group(1))
    return links


def pages_node(sitemap_path):
    if not os.path.exists(sitemap_path):
        return set()
    with open(sitemap_path, encoding="utf-8") as f:
        return set(re.findall(r"<loc>([^<]+)</loc>", f.read()))


def wrk_rate(url, paths_file, lua, seconds):
    """Requests per second that nginx serves to wrk cycling through the site's pages."""
    env = dict(os.environ, BENCH_PATHS=paths_file)
    out = subprocess.run(["wrk", "-t2", "-c8", "-d%ds" % seconds, "-s", lua, url],
                         capture_output=True, text=True, env=env, check=True).stdout
    m = re.search(r"Requests/sec:\s*([\d.]+)", out)
    if not m:
        raise RuntimeError("no rate in wrk output:\n" + out)
    return float(m.group(1))


def run_tool(name, argv, work, access_log, runs, pages_of, env=None):
    """Measures `runs` runs; keeps the run with the median wall time."""
    results = []
    for r in range(runs):
        tag = "%s-%d" % (name, r)
        before = count_lines(access_log)
        m = measure(argv(tag), os.path.join(work, tag + ".out"), os.path.join(work, tag + ".err"),
                    env)
        m["requests"] = count_lines(access_log) - before
        m["pages"] = pages_of(tag)
        m["tag"] = tag
        if m["exit"] != 0:
            print("warning: %s exited with status %d (see %s.err)" % (name, m["exit"], tag),
                  file=sys.stderr)
        results.append(m)
        print("  %s run %d: %.2f s, %d pages, %d requests" % (name, r + 1, m["seconds"],
                                                               len(m["pages"]), m["requests"]),
              file=sys.stderr)
    results.sort(key=lambda m: m["seconds"])
    return results[len(results) // 2]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--program", required=True)
    ap.add_argument("--typed", required=True, help="host:port as typed for our crawl")
    ap.add_argument("--work", required=True)
    ap.add_argument("--expected", required=True)
    ap.add_argument("--paths", required=True)
    ap.add_argument("--access-log", required=True)
    ap.add_argument("--peer", required=True, help="the sitemap-generator command")
    ap.add_argument("--peer-unthrottled", required=True,
                    help="script running the peer's library without its request pause")
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--skip-throttled", action="store_true",
                    help="leave out the peer CLI with its defaults (about 4 requests/s)")
    ap.add_argument("--wrk-seconds", type=int, default=5)
    args = ap.parse_args()

    with open(args.expected, encoding="utf-8") as f:
        expected = json.load(f)
    root = expected["root"]
    site_pages = {root + p for p in expected["pages"] if p != "/"} | {root + "/"}
    listable = set(expected["scopes"]["all"])
    work = args.work

    tools = []
    print("crawling http://%s with each tool (%d run(s) each) ..." % (args.typed, args.runs),
          file=sys.stderr)
    ours = run_tool(
        "ours",
        lambda tag: [args.program, "--crawl", args.typed, "--all", "--quiet", "--out",
                     os.path.join(work, tag)],
        work, args.access_log, args.runs,
        lambda tag: pages_ours(os.path.join(work, tag + ".out")))
    tools.append(("tovren-sitemap --all (xml, html, txt)", ours))
    wget = run_tool(
        "wget",
        lambda tag: ["wget", "--spider", "-r", "-l", "inf", "-nv", "-P", os.path.join(work, tag),
                     root + "/"],
        work, args.access_log, args.runs,
        lambda tag: pages_wget(os.path.join(work, tag + ".err"), root))
    tools.append(("wget --spider -r -l inf", wget))
    node = None if args.skip_throttled else run_tool(
        "node",
        lambda tag: [args.peer, "--filepath", os.path.join(work, tag + ".xml"), root + "/"],
        work, args.access_log, args.runs,
        lambda tag: pages_node(os.path.join(work, tag + ".xml")))
    if node:
        tools.append(("sitemap-generator-cli (defaults)", node))
    fast = run_tool(
        "node-unthrottled",
        lambda tag: ["node", args.peer_unthrottled, root + "/", os.path.join(work, tag + ".xml")],
        work, args.access_log, args.runs,
        lambda tag: pages_node(os.path.join(work, tag + ".xml")))
    tools.append(("sitemap-generator, no 250 ms pause", fast))

    print("measuring nginx with wrk for %d s ..." % args.wrk_seconds, file=sys.stderr)
    rate = wrk_rate(root + "/", args.paths, os.path.join(os.path.dirname(__file__), "paths.lua"),
                    args.wrk_seconds)

    # The table.
    rows = []
    for name, m in tools:
        rows.append([name, "%.2f" % m["seconds"], str(len(m["pages"])), str(m["requests"]),
                     "%.1f" % (m["peak_rss_kb"] / 1024), str(m["peak_threads"]),
                     "%.2f" % (m["seconds"] / ours["seconds"])])
    for label, n in (("nginx lower bound: our request count", ours["requests"]),
                     ("nginx lower bound: page count", len(site_pages))):
        t = n / rate
        rows.append([label, "%.2f" % t, "", str(n), "", "", "%.2f" % (t / ours["seconds"])])
    header = ["crawler", "wall s", "pages found", "requests", "peak RSS MB", "peak threads",
              "time / ours"]
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
    line = lambda cells: "| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |"
    print("Site: %d pages (%d listable by the title rules), nginx on %s; wrk: %.0f requests/s"
          % (len(site_pages), len(listable), args.typed, rate))
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))

    # Our crawl must find every page a peer finds, apart from pages the title rules reject.
    ok = True
    for name, m in tools[1:]:
        missed = (m["pages"] - ours["pages"]) & listable
        extra = ours["pages"] - site_pages
        print("%s: %d pages; ours misses %d of them that the title rules accept%s"
              % (name, len(m["pages"]), len(missed),
                 (": " + ", ".join(sorted(missed)[:5])) if missed else ""))
        ok = ok and not missed and not extra
    missing_listable = listable - ours["pages"]
    print("ours: %d of %d listable pages found%s" % (len(listable & ours["pages"]), len(listable),
                                                   "" if not missing_listable else
                                                   "; missing e.g. " + sorted(missing_listable)[0]))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
