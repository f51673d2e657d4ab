#!/usr/bin/env python3
"""Runs one command under GNU time and measures it: wall time, peak resident memory (from
/usr/bin/time -v) and peak thread count of the command's whole process tree (sampled from
/proc every ~20 ms).

Used as a module by bench.py: measure(argv, stdout_path, stderr_path) -> dict."""

import os
import re
import subprocess
import sys
import tempfile
import time

SAMPLE_SECONDS = 0.02


def _threads(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("Threads:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def _children_map():
    """{parent pid: [child pids]} of every process visible in /proc."""
    children = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                stat = f.read()
        except OSError:
            continue
        # The command name may hold spaces and parentheses; the fields follow the last ")".
        ppid = int(stat[stat.rfind(")") + 2:].split()[1])
        children.setdefault(ppid, []).append(int(name))
    return children


def _tree(root, children):
    out, todo = [], [root]
    while todo:
        pid = todo.pop()
        out.append(pid)
        todo.extend(children.get(pid, []))
    return out


def measure(argv, stdout_path, stderr_path, env=None):
    """Runs argv; returns {"seconds", "peak_rss_kb", "peak_threads", "exit"}."""
    with tempfile.NamedTemporaryFile(prefix="time-", delete=False) as t:
        time_file = t.name
    with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
        start = time.monotonic()
        proc = subprocess.Popen(["/usr/bin/time", "-v", "-o", time_file] + list(argv),
                                stdout=out, stderr=err, env=env)
        peak_threads = 0
        tree = []
        tick = 0
        while proc.poll() is None:
            # The tree is re-read every tenth sample: the peers start their processes early
            # and keep them, so this catches every one without scanning /proc 50 times a
            # second.
            if tick % 10 == 0 or not tree:
                tree = [p for p in _tree(proc.pid, _children_map()) if p != proc.pid]
            tick += 1
            peak_threads = max(peak_threads, sum(_threads(p) for p in tree))
            time.sleep(SAMPLE_SECONDS)
        seconds = time.monotonic() - start
    with open(time_file) as f:
        report = f.read()
    os.unlink(time_file)
    rss = re.search(r"Maximum resident set size \(kbytes\): (\d+)", report)
    status = re.search(r"Exit status: (\d+)", report)
    return {
        "seconds": seconds,
        "peak_rss_kb": int(rss.group(1)) if rss else 0,
        "peak_threads": peak_threads,
        "exit": int(status.group(1)) if status else proc.returncode,
    }


if __name__ == "__main__":
    result = measure(sys.argv[1:], "/dev/stdout", "/dev/stderr")
    print(result, file=sys.stderr)
