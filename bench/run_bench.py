#!/usr/bin/python3
"""Runs our load+save and the peer programs on the same content, by turns.

Every case (a data set in four syntaxes) is run for several rounds; within a
round each program runs once, the order rotating from round to round. Each
timed run follows an untimed run of the same program, so that every program
finds memory in the same state: a virtual machine may hand memory that a
program freed back to its host, and the next program to touch that memory
then pays for getting it back, a cost that belongs to whichever program ran
before (here, up to 0.3 s after a peer that used 400 MB). For each
program the table shows the median wall time, the MB/s of its own input, the
peak resident memory (the largest of its runs), and its time relative to our
load+save and to the memchr scan of our file. Results also go to a JSON file
that plot_scaling.py reads.
"""

import argparse
import json
import os
import shlex
import statistics
import subprocess
import sys
import tempfile
import time

MB = 1024 * 1024

# name, program, extension of its input, takes an output path
PROGRAMS = [
    ("ours", "cfg_roundtrip", "cfg", True),
    ("libconfig++", "peer_libconfig", "libconfig", True),
    ("ptree INFO", "peer_ptree_info", "info", True),
    ("RapidJSON", "peer_rapidjson", "json", True),
    ("memchr scan", "memchr_scan", "cfg", False),
]

# libconfig++ looks up every new setting among its siblings: one group of N
# settings costs O(N^2). Above this many records in one group it is not run.
LIBCONFIG_FLAT_CAP = 10000


def run_once(measure, argv):
    """Wall seconds, CPU seconds and peak resident KiB of one run; raises on failure."""
    with tempfile.NamedTemporaryFile("r") as report, tempfile.TemporaryFile() as err:
        code = subprocess.call([measure, report.name] + argv, stdout=subprocess.DEVNULL,
                               stderr=err)
        if code != 0:
            err.seek(0)
            text = err.read().decode(errors="replace").strip()
            raise RuntimeError(f"{' '.join(argv)} failed ({code}): {text}")
        wall, cpu, peak, _ = report.read().split()
    return float(wall), float(cpu), int(peak)


def warm(paths):
    """Reads the files once so that every program finds them in the page cache."""
    for path in paths:
        with open(path, "rb") as f:
            while f.read(MB):
                pass


def run_case(case, bindir, datadir, rounds):
    programs = []
    for name, exe, ext, has_output in PROGRAMS:
        if name == "libconfig++" and case["kind"] == "flat" and case["n"] > LIBCONFIG_FLAT_CAP:
            continue
        path = os.path.join(datadir, f"{case['prefix']}.{ext}")
        argv = [os.path.join(bindir, exe), path] + (["/dev/null"] if has_output else [])
        programs.append({"name": name, "argv": argv, "input": path,
                         "bytes": os.path.getsize(path), "walls": [], "cpus": [],
                         "rss_kib": []})
    warm(sorted({p["input"] for p in programs}))
    for r in range(rounds):
        shift = r % len(programs)
        for p in programs[shift:] + programs[:shift]:
            run_once(os.path.join(bindir, "measure"), p["argv"])  # warm-up, untimed
            wall, cpu, rss = run_once(os.path.join(bindir, "measure"), p["argv"])
            p["walls"].append(wall)
            p["cpus"].append(cpu)
            p["rss_kib"].append(rss)
    for p in programs:
        p["median"] = statistics.median(p["walls"])
        p["cpu_median"] = statistics.median(p["cpus"])
        p["peak_kib"] = max(p["rss_kib"])
    return programs


def find(programs, name):
    return next((p for p in programs if p["name"] == name), None)


def print_case(title, programs, out):
    ours, scan = find(programs, "ours"), find(programs, "memchr scan")
    out.write(f"\n{title}\n")
    out.write(f"{'program':<13} {'input MB':>9} {'median s':>9} {'cpu s':>7} {'MB/s':>8} {'peak MiB':>9}"
              f" {'x ours':>8} {'x memchr':>9}   runs\n")
    for p in programs:
        out.write(f"{p['name']:<13} {p['bytes'] / MB:>9.1f} {p['median']:>9.3f} {p['cpu_median']:>7.3f}"
                  f" {p['bytes'] / MB / p['median']:>8.1f} {p['peak_kib'] / 1024:>9.1f}"
                  f" {p['median'] / ours['median']:>8.2f} {p['median'] / scan['median']:>9.1f}"
                  f"   {len(p['walls'])}\n")


def check_targets(results, out):
    """The goals we hold ourselves to, on the largest nested case and the flat
    scaling. Judged on median wall time; the same ratio on CPU time (user plus
    system) follows in brackets, since a busy machine stretches wall times."""
    lines = []

    def ratio(a, b):
        return a["median"] / b["median"], a["cpu_median"] / b["cpu_median"]

    def check(label, values, ok, goal, digits=2):
        wall, cpu = values
        lines.append(f"{'PASS' if ok(wall) else 'FAIL'}  {label}: {wall:.{digits}f}"
                     f" [cpu {cpu:.{digits}f}] (goal {goal})")

    big = results.get("nested_100")
    if big:
        ours = find(big, "ours")
        for peer, factor in (("libconfig++", 5), ("ptree INFO", 5), ("RapidJSON", 1.5)):
            p = find(big, peer)
            if p:
                check(f"{peer} time / ours", ratio(p, ours), lambda r, f=factor: r >= f,
                      f">= {factor}")
        scan = find(big, "memchr scan")
        check("ours / memchr scan", ratio(ours, scan), lambda r: r <= 8, "<= 8", 1)
        memory = ours["peak_kib"] * 1024 / ours["bytes"]
        lines.append(f"{'PASS' if memory <= 3 else 'FAIL'}  ours peak memory / file size:"
                     f" {memory:.2f} (goal <= 3)")
    small, large = results.get("flat_100000"), results.get("flat_1000000")
    if small and large:
        check("ours time, flat 10^6 / 10^5", ratio(find(large, "ours"), find(small, "ours")),
              lambda r: r <= 12, "<= 12", 1)
    if lines:
        out.write("\nGoals (nested 100 MB; flat scaling; judged on wall time)\n")
        for line in lines:
            out.write(line + "\n")


# ---------------------------------------------------------------- cfgtool find, diff, apply and merge
# cfgtool find, diff, apply and merge, each a whole process (start, load, work, output to
# /dev/null, exit, which takes back the trees), beside the core's own load of
# the same file (Section::Load, timed inside cfg_roundtrip -v). diff compares the file with
# a copy in which some numbers differ, so that it reports changes and loads
# two files. Goal: each at most 1.5 times the core's load of its input on the
# 100 MB file: for find that file's load, for diff the loads of both files
# (one after the other, each timed inside cfg_roundtrip -v). apply carries out
# diff --json of the file and the copy on the file (to /dev/null), against the
# core's load and save of the file; merge merges the copy (OURS) and a second
# copy with other ints changed (THEIRS) from the file (BASE), against the
# core's loads of the three files and one save.
TOOL_CASES = ["nested_100", "flat_1000000"]
TOOL_GOAL_CASE, TOOL_GOAL = "nested_100", 1.5
# The copy for diff changes the number of every this many-th int line.
TOOL_CHANGE_EVERY = 1000
# merge's THEIRS changes as many other int lines: this far after each of the
# copy's (OURS').
THEIRS_CHANGE_OFFSET = TOOL_CHANGE_EVERY // 2
# merge's THEIRS beside the copy, and where the results of apply and merge go.
THEIRS_SUFFIX = "_theirs"
TOOL_OUTPUT = "/dev/null"


def changed_copy(path, suffix="_changed", offset=0):
    """The file with some int values changed; made again when the file is newer."""
    root, ext = os.path.splitext(path)
    copy = f"{root}{suffix}{ext}"
    if os.path.exists(copy) and os.path.getmtime(copy) >= os.path.getmtime(path):
        return copy
    ints = 0
    with open(path, "rb") as src, open(copy + ".tmp", "wb") as dst:
        for line in src:
            if line.lstrip().startswith(b"(int)"):
                ints += 1
                if ints % TOOL_CHANGE_EVERY == offset:
                    head, _, number = line.rstrip(b"\n").rpartition(b"=")
                    line = head + b"=" + str(int(number, 0) + 1).encode() + b"\n"
            dst.write(line)
    os.replace(copy + ".tmp", copy)
    return copy


def core_seconds(bindir, path):
    """Section::Load and Section::Save of path, as cfg_roundtrip -v reports them (seconds)."""
    done = subprocess.run([os.path.join(bindir, "cfg_roundtrip"), "-v", path, "/dev/null"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True, text=True)
    fields = done.stderr.split()
    return float(fields[1]), float(fields[4])


def core_load_seconds(bindir, path):
    """Section::Load of path (seconds)."""
    return core_seconds(bindir, path)[0]


def patch_of(cfgtool, path, other):
    """diff --json of path and other, kept beside other; made again when other is newer."""
    patch = os.path.splitext(other)[0] + ".json"
    if not (os.path.exists(patch) and os.path.getmtime(patch) >= os.path.getmtime(other)):
        with open(patch + ".tmp", "wb") as out:
            subprocess.call([cfgtool, "diff", "--json", path, other], stdout=out)
        os.replace(patch + ".tmp", patch)
    return patch


def run_tool(measure, argv):
    """Wall and CPU seconds of one cfgtool run; exit statuses 0 and 1 both succeed."""
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.call([measure, report.name] + argv, stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        wall, cpu, _, code = report.read().split()
    if int(code) not in (0, 1):
        raise RuntimeError(f"{' '.join(argv)} failed ({code})")
    return float(wall), float(cpu)


def run_cfgtool_cases(cfgtool, bindir, datadir, rounds, wanted, out):
    """Times find and diff beside the core's load; returns the results by case."""
    measure = os.path.join(bindir, "measure")
    results = {}
    for name in TOOL_CASES:
        if wanted and name not in wanted:
            continue
        path = os.path.join(datadir, f"{name}.cfg")
        if not os.path.exists(path):
            continue
        other = changed_copy(path)
        theirs = changed_copy(path, THEIRS_SUFFIX, THEIRS_CHANGE_OFFSET)
        patch = patch_of(cfgtool, path, other)
        runs = {"core load": lambda: (core_load_seconds(bindir, path), None),
                "core loads of both": lambda: (core_load_seconds(bindir, path) +
                                               core_load_seconds(bindir, other), None),
                "core load+save": lambda: (sum(core_seconds(bindir, path)), None),
                "core 3 loads+save": lambda: (core_load_seconds(bindir, path) + core_load_seconds(bindir, theirs) +
                                              sum(core_seconds(bindir, other)), None),
                "find": lambda: run_tool(measure, [cfgtool, "find", path, "queue_1"]),
                "find -r": lambda: run_tool(measure, [cfgtool, "find", "-r", path, r"queue_1[0-9]*\.dat$"]),
                "diff": lambda: run_tool(measure, [cfgtool, "diff", path, other]),
                "apply": lambda: run_tool(measure, [cfgtool, "apply", "-o", TOOL_OUTPUT, path, patch]),
                "merge": lambda: run_tool(measure, [cfgtool, "merge", "-o", TOOL_OUTPUT, path, other, theirs])}
        walls = {label: [] for label in runs}
        cpus = {label: [] for label in runs}
        warm([path, other, theirs])
        labels = list(runs)
        for r in range(rounds):
            for label in labels[r % len(labels):] + labels[:r % len(labels)]:
                runs[label]()  # warm-up, untimed
                wall, cpu = runs[label]()
                walls[label].append(wall)
                if cpu is not None:
                    cpus[label].append(cpu)
        load = statistics.median(walls["core load"])
        out.write(f"\ncfgtool on {name}.cfg ({os.path.getsize(path) / MB:.1f} MB, {rounds} rounds;"
                  " core load inside its process, the others whole processes)\n")
        out.write(f"{'run':<18} {'median s':>9} {'cpu s':>7} {'x load':>7}   times\n")
        results[name] = {}
        for label in labels:
            median = statistics.median(walls[label])
            cpu = f"{statistics.median(cpus[label]):.3f}" if cpus[label] else "-"
            each = " ".join(f"{w:.2f}" for w in walls[label])
            out.write(f"{label:<18} {median:>9.3f} {cpu:>7} {median / load:>7.2f}   {each}\n")
            results[name][label] = {"median": median, "walls": walls[label], "cpus": cpus[label]}
        if name == TOOL_GOAL_CASE:
            both = results[name]["core loads of both"]["median"]
            for label, base, what in (("find", load, "core load"), ("find -r", load, "core load"),
                                      ("diff", both, "core loads of both files"),
                                      ("apply", results[name]["core load+save"]["median"], "core load+save of FILE"),
                                      ("merge", results[name]["core 3 loads+save"]["median"],
                                       "core loads of 3 files + 1 save")):
                ratio = results[name][label]["median"] / base
                out.write(f"{'PASS' if ratio <= TOOL_GOAL else 'FAIL'}  cfgtool {label} / {what}:"
                          f" {ratio:.2f} (goal <= {TOOL_GOAL})\n")
        out.flush()
    return results


def run_cfgtool_fmt(cfgtool, bindir, datadir, rounds, out):
    """cfgtool fmt FILE (output to /dev/null) beside our load+save of the same
    file, by turns, each timed run after an untimed one: the tool is to take
    the core's own paths (goal: at most 1.2 times the time of our load+save,
    peak memory at most twice the file's size)."""
    path = os.path.join(datadir, "nested_100.cfg")
    measure = os.path.join(bindir, "measure")
    programs = [{"name": "ours", "argv": [os.path.join(bindir, "cfg_roundtrip"), path, "/dev/null"]},
                {"name": "cfgtool fmt", "argv": [cfgtool, "fmt", path]}]
    for p in programs:
        p["walls"], p["cpus"], p["rss_kib"] = [], [], []
    warm([path])
    for r in range(rounds):
        for p in programs[r % 2:] + programs[:r % 2]:
            run_once(measure, p["argv"])  # warm-up, untimed
            wall, cpu, rss = run_once(measure, p["argv"])
            p["walls"].append(wall)
            p["cpus"].append(cpu)
            p["rss_kib"].append(rss)
    size = os.path.getsize(path)
    out.write(f"\ncfgtool fmt beside our load+save, nested 100 MB ({rounds} rounds)\n")
    out.write(f"{'program':<13} {'median s':>9} {'cpu s':>7} {'peak MiB':>9}   walls\n")
    for p in programs:
        p["median"] = statistics.median(p["walls"])
        p["cpu_median"] = statistics.median(p["cpus"])
        p["peak_kib"] = max(p["rss_kib"])
        walls = " ".join(f"{w:.3f}" for w in p["walls"])
        out.write(f"{p['name']:<13} {p['median']:>9.3f} {p['cpu_median']:>7.3f}"
                  f" {p['peak_kib'] / 1024:>9.1f}   {walls}\n")
    ours, tool = programs
    time_ratio = tool["median"] / ours["median"]
    memory = tool["peak_kib"] * 1024 / size
    out.write(f"{'PASS' if time_ratio <= 1.2 else 'FAIL'}  cfgtool fmt time / ours: {time_ratio:.2f}"
              f" [cpu {tool['cpu_median'] / ours['cpu_median']:.2f}] (goal <= 1.2)\n")
    out.write(f"{'PASS' if memory <= 2 else 'FAIL'}  cfgtool fmt peak memory / file size:"
              f" {memory:.2f} (goal <= 2)\n")
    return programs


# ---------------------------------------------------------------- cfgtool on a small file
# What scripts do most: read or change one value of a small file, one process
# a call. cfgtool get and set beside git config on the same content as an INI
# file, timed by hyperfine: each round times every command in turn (warm-up
# runs first), the order rotating from round to round, and the table shows the
# median of all runs. Then 1,000 get calls in a shell loop, as a script makes
# them, beside the same loop of git config --get, by turns. Goal: cfgtool no
# slower than git config.
SMALL_CFG = """(string)app[name]=demo
{ net:
    (string)server[host]=example.org
    (int)server[port]=8080
    (int)server[timeout]=30
} net;
"""
SMALL_INI = """[app]
\tname = demo
[net "server"]
\thost = example.org
\tport = 8080
\ttimeout = 30
"""
SMALL_GOAL = 1.0
LOOP_CALLS = 1000
LOOP_SCRIPT = 'i=0; while [ $i -lt {n} ]; do "$@" >/dev/null || exit 1; i=$((i+1)); done'


def run_small_case(cfgtool, bindir, datadir, rounds, runs, loop_rounds, out):
    """Times get and set of a small file beside git config; returns the results."""
    folder = os.path.join(datadir, "small")
    os.makedirs(folder, exist_ok=True)
    cfg, ini = os.path.join(folder, "app.cfg"), os.path.join(folder, "app.ini")
    with open(cfg, "w") as f:
        f.write(SMALL_CFG)
    with open(ini, "w") as f:
        f.write(SMALL_INI)
    cfgtool = os.path.abspath(cfgtool)
    commands = [
        ("cfgtool get", [cfgtool, "get", cfg, "net/server[port]"]),
        ("git config --get", ["git", "config", "--file", ini, "--get", "net.server.port"]),
        ("cfgtool set", [cfgtool, "set", cfg, "net/server[port]", "int", "81"]),
        ("git config (set)", ["git", "config", "--file", ini, "net.server.port", "81"]),
        ("cfgtool --version", [cfgtool, "--version"]),
        ("/bin/true", ["/bin/true"]),
    ]
    walls = {label: [] for label, _ in commands}
    cpus = {label: [] for label, _ in commands}
    for r in range(rounds):
        turn = commands[r % len(commands):] + commands[:r % len(commands)]
        with tempfile.NamedTemporaryFile("r", suffix=".json") as report:
            # -N: no shell between hyperfine and the command, which hyperfine
            # splits into words as a shell would.
            done = subprocess.run(["hyperfine", "-N", "--style", "none", "--warmup", "20", "--runs", str(runs),
                                   "--export-json", report.name] + [shlex.join(argv) for _, argv in turn],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            if done.returncode != 0:
                raise RuntimeError(f"hyperfine failed ({done.returncode}): {done.stderr.strip()}")
            for (label, _), result in zip(turn, json.load(report)["results"]):
                walls[label] += result["times"]
                cpus[label].append(result["user"] + result["system"])
    out.write(f"\ncfgtool on a small file ({SMALL_CFG.count(chr(10))} lines; git config on the same content"
              f" as an INI file; {rounds} rounds of {runs} runs, hyperfine)\n")
    out.write(f"{'run':<19} {'median ms':>9} {'cpu ms':>7} {'x git':>6}   command\n")
    results = {}
    pairs = {"cfgtool get": "git config --get", "cfgtool set": "git config (set)"}
    for label, argv in commands:
        median = statistics.median(walls[label])
        cpu = statistics.mean(cpus[label])
        results[label] = {"median": median, "cpu_mean": cpu, "argv": argv}
        peer = pairs.get(label)
        ratio = f"{median / statistics.median(walls[peer]):6.2f}" if peer else " " * 6
        shown = " ".join(os.path.basename(a) if a == cfgtool or a.startswith(folder) else a for a in argv)
        out.write(f"{label:<19} {median * 1000:>9.2f} {cpu * 1000:>7.2f} {ratio}   {shown}\n")

    # The loops, by turns, each timed as one process (sh) by measure.
    measure = os.path.join(bindir, "measure")
    script = LOOP_SCRIPT.format(n=LOOP_CALLS)
    loops = [("cfgtool get", ["sh", "-c", script, "sh"] + commands[0][1]),
             ("git config --get", ["sh", "-c", script, "sh"] + commands[1][1])]
    loop_walls = {label: [] for label, _ in loops}
    for r in range(loop_rounds):
        for label, argv in loops[r % 2:] + loops[:r % 2]:
            wall, _ = run_tool(measure, argv)
            loop_walls[label].append(wall)
    out.write(f"{LOOP_CALLS} get calls in a shell loop ({loop_rounds} rounds, by turns):\n")
    for label, _ in loops:
        median = statistics.median(loop_walls[label])
        results[f"loop {label}"] = {"median": median, "walls": loop_walls[label]}
        each = " ".join(f"{w:.2f}" for w in loop_walls[label])
        out.write(f"{label:<19} {median:>8.3f} s  ({median / LOOP_CALLS * 1000:.2f} ms a call)   {each}\n")

    checks = [("get / git config --get", results["cfgtool get"]["median"],
               results["git config --get"]["median"]),
              ("set / git config (set)", results["cfgtool set"]["median"],
               results["git config (set)"]["median"]),
              (f"{LOOP_CALLS} gets in a loop / git's", results["loop cfgtool get"]["median"],
               results["loop git config --get"]["median"])]
    for label, ours, theirs in checks:
        ratio = ours / theirs
        out.write(f"{'PASS' if ratio <= SMALL_GOAL else 'FAIL'}  cfgtool {label}: {ratio:.2f}"
                  f" (goal <= {SMALL_GOAL:g})\n")
    out.flush()
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="folder of the benchmark programs")
    parser.add_argument("--data", required=True, help="folder of the generated files")
    parser.add_argument("--out", required=True, help="JSON file for the results")
    parser.add_argument("--rounds", type=int, default=5, help="rounds of the small cases")
    parser.add_argument("--big-rounds", type=int, default=3,
                        help="rounds of the 100 MB and 10^6 cases")
    parser.add_argument("--cases", default="", help="comma-separated subset of the case names")
    parser.add_argument("--cfgtool", default="",
                        help="cfgtool program: time its fmt beside our load+save on nested_100")
    parser.add_argument("--tool-rounds", type=int, default=5, help="rounds of the cfgtool fmt block")
    parser.add_argument("--tools-only", action="store_true",
                        help="time only cfgtool: find, diff, apply and merge beside the core's work, and get and set"
                             " of a small file beside git config (case \"small\")")
    parser.add_argument("--small-rounds", type=int, default=5, help="rounds of the small-file case")
    parser.add_argument("--small-runs", type=int, default=100,
                        help="runs of each command in a round of the small-file case")
    parser.add_argument("--loop-rounds", type=int, default=3,
                        help=f"rounds of {LOOP_CALLS} get calls in a shell loop")
    args = parser.parse_args()

    if args.tools_only:
        wanted = set(args.cases.split(",")) if args.cases else set()
        print("load average at start: %.2f %.2f %.2f" % os.getloadavg())
        results = run_cfgtool_cases(args.cfgtool, args.bin, args.data, args.big_rounds, wanted, sys.stdout)
        if not wanted or "small" in wanted:
            results["small"] = run_small_case(args.cfgtool, args.bin, args.data, args.small_rounds,
                                              args.small_runs, args.loop_rounds, sys.stdout)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        with open(args.out, "w") as f:
            json.dump(results, f, indent=1)
        return 0

    cases = [{"prefix": "nested_10", "kind": "nested", "n": 10, "big": False},
             {"prefix": "nested_100", "kind": "nested", "n": 100, "big": True}]
    for n in (1000, 10000, 100000, 1000000):
        cases.append({"prefix": f"flat_{n}", "kind": "flat", "n": n, "big": n >= 1000000})
    if args.cases:
        wanted = set(args.cases.split(","))
        cases = [c for c in cases if c["prefix"] in wanted]

    started = time.perf_counter()
    print("load average at start: %.2f %.2f %.2f" % os.getloadavg())
    results = {}
    for case in cases:
        rounds = args.big_rounds if case["big"] else args.rounds
        programs = run_case(case, args.bin, args.data, rounds)
        results[case["prefix"]] = programs
        if case["kind"] == "nested":
            title = f"nested tree, about {case['n']} MB of our format ({rounds} rounds)"
        else:
            title = f"flat: one section of {case['n']} records ({rounds} rounds)"
            if case["n"] > LIBCONFIG_FLAT_CAP:
                title += f"; libconfig++ not run above {LIBCONFIG_FLAT_CAP} (quadratic)"
        print_case(title, programs, sys.stdout)
        sys.stdout.flush()
    check_targets(results, sys.stdout)
    if args.cfgtool and any(c["prefix"] == "nested_100" for c in cases):
        results["cfgtool_fmt"] = run_cfgtool_fmt(args.cfgtool, args.bin, args.data, args.tool_rounds,
                                                 sys.stdout)
    print(f"\nwhole run: {time.perf_counter() - started:.0f} s;"
          " load average at end: %.2f %.2f %.2f" % os.getloadavg())

    record = {"cases": {name: {"kind": c["kind"], "n": c["n"], "programs": results[name]}
                        for c in cases for name in [c["prefix"]] if name in results}}
    if "cfgtool_fmt" in results:
        record["cfgtool_fmt"] = results["cfgtool_fmt"]
    with open(args.out, "w") as f:
        json.dump(record, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
