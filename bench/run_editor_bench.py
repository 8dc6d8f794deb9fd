#!/usr/bin/python3
"""Times the real cfgedit.exe under Wine on large documents, beside its floor.

Every case is a generated file and the steps a user takes on it: start the
editor with the file, select a section (its records list fills), select a
record (its values list fills), one Value Add, Edit > Find... (in the 100 MB
file), New, Exit. Each run of
editor_driver starts the editor afresh and times those steps by messages sent
across processes; a step that does not finish within --timeout ends the
editor and shows as "> T s (timeout)", a process that dies as "crash". The
floor of each case is measured in the same run: editor_driver fills a bare
sorted list box or a bare tree view with the same lines, redraw off.

Must run on an X display (scripts/bench.sh editor starts Xvfb). Prints a
markdown table of medians and writes every figure to --out.
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import time

# The stack overflow that Wine reports when a thread runs out of stack, for
# example in a tree view deleting a deep chain of items recursively. The
# process then ends with exit code 0, so the message is what shows the crash.
STACK_OVERFLOW = "stack overflow"
# Wine's own messages of that kind only; everything else stays quiet.
WINE_DEBUG = "-all,err+virtual"
# Extra seconds a driver process may take beyond its steps' timeouts before it
# is stopped from here.
DRIVER_MARGIN = 60
STEPS_PER_RUN = 8
FLOOR_ROUNDS = 3
# Below this the floor is too small for a ratio to mean anything.
MEANINGFUL_FLOOR = 0.001

STEP_TITLES = {
    "start": "start-up with the file",
    "open": "File > Open (from an empty editor)",
    "select_section": "select the section",
    "select_record": "select the record",
    "value_add": "one Value Add",
    "section_delete": "Section Delete of it",
    "undo": "Undo of that Section Delete",
    "new": "New",
    "exit": "Exit",
    "exit_direct": "Exit (without New)",
}
# Edit > Find... steps are named "find:PATTERN"; they come before New.
FIND_STEP = "find:"
# Patterns searched in the 100 MB file: one with more hits than the dialog
# lists (it stops at the first 10,000), one whose few hits take the whole
# document to find.
FIND_PATTERNS = ["queue", "queue_1"]


def step_title(step):
    if step.startswith(FIND_STEP):
        return f'Edit > Find... "{step[len(FIND_STEP):]}"'
    return STEP_TITLES.get(step, step)


def step_order(step):
    order = list(STEP_TITLES)
    return order.index("new") - 0.5 if step.startswith(FIND_STEP) else order.index(step)

# name, generator kind, size, family (a smaller size of a family that timed
# out skips the larger ones), editor steps, floor kind
EDITOR_STEPS = {
    "tree": [],
    "tree_find": [arg for pattern in FIND_PATTERNS for arg in ("--find", pattern)],
    "records": ["--select-section", "--delete-undo"],
    "values": ["--select-section", "--select-record", "--add-value"],
}


def cases():
    found = [("one_section", "sections", 1, "base", "tree", "tree")]
    found.append(("nested_100MB", "nested", 100, "nested", "tree_find", "tree"))
    found.append(("sections_100000", "sections", 100000, "sections", "tree", "tree"))
    for n in (1000, 10000, 100000, 1000000):
        found.append((f"records_{n}", "flat", n, "records", "records", "records"))
    for n in (1000, 10000, 100000):
        found.append((f"values_{n}", "ints", n, "values", "values", "values"))
    for n in (10000, 100000, 1000000):
        found.append((f"deep_{n}", "deep", n, "deep", "tree", "tree"))
    return found


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Bench:
    def __init__(self, args):
        self.args = args
        self.started = time.monotonic()
        self.wine = [os.path.join(args.root, "scripts", "wine-run.sh"), args.driver]
        self.env = dict(os.environ, WINEDEBUG=WINE_DEBUG)

    def left(self):
        return self.args.budget - (time.monotonic() - self.started)

    def driver(self, argv, limit):
        """One run of editor_driver: its JSON and whether Wine reported a stack overflow."""
        try:
            done = subprocess.run(self.wine + argv, capture_output=True, text=True,
                                  errors="replace", env=self.env, timeout=limit)
        except subprocess.TimeoutExpired:
            # The driver bounds every step itself; this is the last resort.
            return {"error": f"driver stopped after {limit} s"}, False
        lines = [line for line in done.stdout.splitlines() if line.startswith("{")]
        if not lines:
            return {"error": f"driver failed ({done.returncode}): {done.stderr.strip()[-300:]}"}, False
        return json.loads(lines[-1]), STACK_OVERFLOW in done.stderr

    def generate(self, kind, size, name):
        path = os.path.join(self.args.data, name + ".cfg")
        if not os.path.exists(path) or os.path.getmtime(self.args.gen) > os.path.getmtime(path):
            subprocess.run([self.args.gen, kind, str(size), path[:-4], "--only-cfg"], check=True,
                           stdout=subprocess.DEVNULL)
        return path

    def editor_run(self, start_file, flags):
        argv = ["editor", windows_path(self.args.editor),
                windows_path(start_file) if start_file else "",
                "--timeout", str(self.args.timeout)] + flags
        result, overflow = self.driver(argv, self.args.timeout * STEPS_PER_RUN + DRIVER_MARGIN)
        steps = result.get("steps", [])
        if overflow and steps and not any(s["outcome"] == "crash" for s in steps):
            # The process died in the step that ran last (Exit ends with code 0 either way).
            steps[-1]["outcome"] = "crash"
            steps[-1]["detail"] = "stack overflow"
        return result

    def run_case(self, name, kind, size, flags, tree):
        """The runs of one case; a tree case also times Exit right after start-up
        and File > Open from an empty editor, each in a process of its own."""
        path = self.generate(kind, size, name)
        plan = [(path, flags, None)]
        if tree:
            plan.append((path, ["--no-new"], {"exit": "exit_direct"}))
        if tree and size > 1:
            # Open is seen done when the tree's item count changes from the
            # empty editor's one item, or its selection is gone.
            plan.append((None, ["--open", windows_path(path), "--no-new"], {"open": "open"}))
        runs = []
        for _ in range(self.args.rounds):
            if self.left() <= 0:
                break
            run = {"steps": []}
            for start_file, run_flags, taken in plan:
                part = self.editor_run(start_file, run_flags)
                for step in part.get("steps", []):
                    if taken is None:
                        run["steps"].append(step)
                    elif step["step"] in taken:
                        run["steps"].append(dict(step, step=taken[step["step"]]))
                if "error" in part:
                    run["error"] = part["error"]
                if "peak_mb" in part:
                    run["peak_mb"] = max(run.get("peak_mb", 0), part["peak_mb"])
            runs.append(run)
            if any(s["outcome"] != "ok" for s in run["steps"]) or "error" in run:
                break  # a timeout or a crash does not change from round to round
        return path, runs

    def floor(self, path, what):
        result, _ = self.driver(["floor", windows_path(path), what, "--rounds", str(FLOOR_ROUNDS),
                                 "--timeout", str(self.args.timeout)],
                                self.args.timeout * FLOOR_ROUNDS * 2 + DRIVER_MARGIN)
        return result

    def core(self, path):
        result, _ = self.driver(["core", windows_path(path)], self.args.timeout + DRIVER_MARGIN)
        return result


def summarize(runs):
    """Per step: the median seconds of its ok runs, or how it failed, and its line count."""
    steps = {}
    for run in runs:
        for step in run.get("steps", []):
            steps.setdefault(step["step"], []).append(step)
    summary = {}
    for name, seen in sorted(steps.items(), key=lambda item: step_order(item[0])):
        failed = [s for s in seen if s["outcome"] != "ok"]
        entry = {"lines": seen[-1].get("lines", seen[-1].get("tree_items"))}
        if failed:
            entry["outcome"] = failed[0]["outcome"]
            entry["seconds"] = failed[0]["seconds"]
            entry["detail"] = failed[0].get("detail")
        else:
            entry["outcome"] = "ok"
            entry["seconds"] = statistics.median(s["seconds"] for s in seen)
        summary[name] = entry
    return summary


def shown(entry, timeout):
    if entry is None:
        return "-"
    if entry["outcome"] == "ok":
        return f"{entry['seconds']:.3f} s"
    if entry["outcome"] == "timeout":
        return f"> {timeout:g} s (timeout)"
    if entry["outcome"] == "skipped":
        return entry["detail"]
    return "crash"


# Per floor kind, the steps held against it: against the bare control's fill
# or its emptying. Start-up also holds Wine's start of a process, and Exit the
# wait for a window manager (see the one_section case).
FLOOR_OF_STEP = {
    "records": {"select_section": "fill", "undo": "fill", "new": "empty"},
    "values": {"select_record": "fill", "value_add": "fill", "new": "empty"},
    "tree": {"start": "load + fill", "open": "load + fill", "new": "empty", "exit": "empty",
             "exit_direct": "empty"},
}
# A floor that adds the core's load of the file (editor_driver core) to the
# bare control's fill: start-up and Open load the file before they fill.
LOAD_AND = "load + "


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--driver", required=True, help="editor_driver.exe")
    parser.add_argument("--editor", required=True, help="cfgedit.exe")
    parser.add_argument("--gen", required=True, help="cfg_gen")
    parser.add_argument("--data", required=True, help="folder of the generated files")
    parser.add_argument("--out", required=True, help="JSON file of all figures")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--timeout", type=float, default=60, help="seconds per step")
    parser.add_argument("--budget", type=float, default=3600,
                        help="seconds for the whole run; cases after it are skipped")
    parser.add_argument("--cases", default="", help="regular expression of case names to run")
    args = parser.parse_args()
    os.makedirs(args.data, exist_ok=True)
    bench = Bench(args)

    results = []
    timed_out = {}  # family -> the case that timed out
    pattern = re.compile(args.cases)
    for name, kind, size, family, steps, floor_kind in cases():
        if not pattern.search(name):
            continue
        entry = {"case": name, "kind": kind, "size": size}
        if family in timed_out:
            entry["skipped"] = f"skipped ({timed_out[family]} timed out)"
        elif bench.left() <= 0:
            entry["skipped"] = "skipped (time budget)"
        if "skipped" in entry:
            results.append(entry)
            print(f"{name}: {entry['skipped']}", file=sys.stderr)
            continue
        print(f"{name}: running", file=sys.stderr)
        path, runs = bench.run_case(name, kind, size, EDITOR_STEPS[steps], steps.startswith("tree"))
        entry["file_mb"] = os.path.getsize(path) / (1024 * 1024)
        entry["runs"] = runs
        entry["steps"] = summarize(runs)
        entry["floor"] = bench.floor(path, floor_kind)
        entry["floor_what"] = floor_kind
        peaks = [r["peak_mb"] for r in runs if "peak_mb" in r]
        if peaks:
            entry["editor_peak_mb"] = max(peaks)
        entry["core"] = bench.core(path)
        if any(s["outcome"] == "timeout" for s in entry["steps"].values()):
            timed_out[family] = name
        results.append(entry)

    with open(args.out, "w") as out:
        json.dump({"timeout": args.timeout, "rounds": args.rounds, "cases": results}, out, indent=1)

    print(f"Medians of {args.rounds} rounds (one after a timeout or crash); every step"
          f" limited to {args.timeout:g} s. Floor: a bare control of the same class filled"
          " with the same lines, redraw off (median of its fills or emptyings). Start-up"
          " and Exit include Wine's own costs, as in the one_section case.\n")
    print("| case | step | editor | lines | floor | editor / floor |")
    print("|---|---|---|---|---|---|")
    for entry in results:
        if "skipped" in entry:
            print(f"| {entry['case']} | all | {entry['skipped']} | | | |")
            continue
        floor = entry.get("floor", {})
        for step, summary in entry["steps"].items():
            how = FLOOR_OF_STEP[entry["floor_what"]].get(step)
            load = 0.0
            if how and how.startswith(LOAD_AND):
                load = entry.get("core", {}).get("load_seconds")
                how = how[len(LOAD_AND):] if load is not None else None
            figures = [load + f for f in floor.get(f"{how}_seconds", [])] if how else None
            floor_text, ratio = "", ""
            cut = floor.get("fill_timeout")
            if how and cut:
                floor_text = (f"> {args.timeout:g} s (timeout: {entry['floor_what']} fill"
                              f" of {cut['items']} of {floor.get('lines')} items)")
            elif how and "error" in floor:
                floor_text = floor["error"]
            elif figures:
                floor_seconds = statistics.median(figures)
                floor_text = (f"{floor_seconds:.3f} s ({LOAD_AND if load else ''}"
                              f"{entry['floor_what']} {how})")
                if summary["outcome"] == "ok" and floor_seconds >= MEANINGFUL_FLOOR:
                    ratio = f"{summary['seconds'] / floor_seconds:.1f}"
            print(f"| {entry['case']} | {step_title(step)} |"
                  f" {shown(summary, args.timeout)} | {summary['lines'] if summary['lines'] is not None else ''} |"
                  f" {floor_text} | {ratio} |")

    print("\nPeak working set under Wine (MB): the editor's largest of its runs (until the"
          " timeout, when a step timed out) beside the core loading the same file in a"
          " process of its own:\n")
    print("| case | file MB | editor | core | editor / core |")
    print("|---|---|---|---|---|")
    for entry in results:
        if "skipped" in entry:
            continue
        core = entry.get("core", {}).get("peak_mb")
        editor = entry.get("editor_peak_mb")
        timed_out = any(s["outcome"] == "timeout" for s in entry["steps"].values())
        editor_text = "-" if editor is None else f"{editor:.1f}" + (" (until the timeout)" if timed_out else "")
        ratio = f"{editor / core:.2f}" if editor and core else ""
        core_text = f"{core:.1f}" if core else "-"
        print(f"| {entry['case']} | {entry['file_mb']:.1f} | {editor_text} | {core_text} | {ratio} |")
    print(f"\nresults: {args.out}")


if __name__ == "__main__":
    main()
