#!/usr/bin/python3
"""Draws load+save time against N for the flat cases (one section of N records),
ours and the peers, log-log, from the JSON file that scripts/bench.sh writes.

usage: scripts/plot_scaling.py [--cpu] [RESULTS.json] [OUTPUT.png]
  --cpu  plot the median CPU time (user plus system) instead of the wall time,
         steadier on a machine that other work keeps busy
"""

import json
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

STYLE = {
    "ours": dict(color="tab:blue", marker="o", linewidth=2.5),
    "libconfig++": dict(color="tab:red", marker="s"),
    "ptree INFO": dict(color="tab:green", marker="^"),
    "RapidJSON": dict(color="tab:purple", marker="D"),
    "memchr scan": dict(color="gray", marker="x", linestyle="--"),
}


def main():
    args = sys.argv[1:]
    cpu = "--cpu" in args
    args = [a for a in args if a != "--cpu"]
    source = args[0] if len(args) > 0 else "build/bench/results.json"
    target = args[1] if len(args) > 1 else "docs/scaling.png"
    key = "cpu_median" if cpu else "median"
    with open(source) as f:
        cases = json.load(f)["cases"]
    series = {}
    for case in cases.values():
        if case["kind"] != "flat":
            continue
        for p in case["programs"]:
            series.setdefault(p["name"], []).append((case["n"], p[key]))
    if not series:
        sys.exit(f"{source}: no flat cases")

    fig, ax = plt.subplots(figsize=(8, 6.5), dpi=110)
    for name, style in STYLE.items():
        points = sorted(series.get(name, []))
        if not points:
            continue
        label = name
        if name == "libconfig++":
            label += " (not run above N = %d: quadratic)" % points[-1][0]
        ax.plot([n for n, _ in points], [t for _, t in points], label=label, **style)
    ns = sorted({n for pts in series.values() for n, _ in pts})
    ours = dict(series.get("ours", []))
    anchor = 100000 if 100000 in ours else (ns[0] if ns and ns[0] in ours else None)
    if anchor:
        # Guide: linear growth through our point at N = 10^5 (small N are
        # dominated by starting the process).
        ax.plot(ns, [ours[anchor] * n / anchor for n in ns], color="tab:blue", alpha=0.35,
                linestyle=":", label="linear growth through ours at N = %d" % anchor)
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlabel("records in one section (N)")
    ax.set_ylabel("load + save, median %s time (s)" % ("CPU" if cpu else "wall"))
    ax.set_title("Scaling with the size of one section")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=9, loc="upper center", bbox_to_anchor=(0.5, -0.13), ncol=2)
    fig.tight_layout()
    fig.savefig(target)
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
