#!/usr/bin/env python3
"""Prints the benchmark summary table from the results that scripts/bench.sh leaves.

Usage: summarize.py RESULTS_DIR
Reads every Google Benchmark JSON file in RESULTS_DIR (aggregates of repeated runs) and
memory.txt (lines of key=value from orv_bench_memory). Times are medians of the repeated
runs: CPU time of the process, except for setKey, whose rewrite waits for the disk and is
measured in wall-clock time.
"""
import glob
import json
import os
import platform
import sys

MB = 1024.0 * 1024.0


def load(results):
    cases = {}
    context = {}
    for path in sorted(glob.glob(os.path.join(results, "*.json"))):
        with open(path) as f:
            data = json.load(f)
        context = data.get("context", context)
        for b in data["benchmarks"]:
            # A case run once has no aggregates: its one run stands for the median.
            if b.get("aggregate_name") == "median" or (b.get("run_type") == "iteration"
                                                       and b["run_name"] not in cases):
                cases[b["run_name"]] = b
    memory = {}
    mem_path = os.path.join(results, "memory.txt")
    if os.path.exists(mem_path):
        with open(mem_path) as f:
            for line in f:
                fields = dict(kv.split("=", 1) for kv in line.split())
                doc = "10MB" if int(fields["doc_bytes"]) > 5 * MB else "1MB"
                memory[(fields["mode"], doc)] = {k: (v if k == "mode" else int(v)) for k, v in fields.items()}
    return cases, memory, context


UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def seconds(case, wall=False):
    value = case["real_time"] if wall else case["cpu_time"]
    return value * UNIT_NS[case.get("time_unit", "ns")] / 1e9


def fmt_time(s):
    if s >= 1.0:
        return "%.2f s" % s
    if s >= 1e-3:
        return "%.2f ms" % (s * 1e3)
    if s >= 1e-6:
        return "%.1f us" % (s * 1e6)
    return "%.0f ns" % (s * 1e9)


class Table:
    def __init__(self):
        self.rows = []

    def add(self, case, measured, baseline, ratio, target, meets):
        self.rows.append((case, measured, baseline, ratio, target, meets))

    def compare(self, label, cases, name, base, limit, wall=False, base_label=None):
        if name not in cases or base not in cases:
            self.add(label, "missing", "missing", "-", "<= %.2gx" % limit if limit else "-", "no")
            return
        t, b = seconds(cases[name], wall), seconds(cases[base], wall)
        r = t / b
        self.add(label, fmt_time(t), "%s (%s)" % (fmt_time(b), base_label or base.split("/")[1]),
                 "%.2fx" % r, "<= %gx" % limit if limit else "(info)",
                 ("yes" if r <= limit else "no") if limit else "-")

    def render(self):
        head = ("case", "measured", "baseline", "ratio", "target", "meets")
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        for row in self.rows:
            lines.append("| " + " | ".join(row) + " |")
        return "\n".join(lines)


def growth(t1, t10, size1, size10):
    """Time growth scaled to exactly ten times the text."""
    return (t10 / t1) * (10.0 * size1 / size10)


def main():
    results = sys.argv[1]
    cases, memory, context = load(results)
    t = Table()

    # 1. Parsing
    t.compare("parse, minimal document (fixed cost)", cases, "parse/pipeline/min", "parse/xerces/min", None,
              base_label="bare Xerces")
    if "parse/xerces_init_terminate" in cases:
        t.add("  of which Xerces initialise + terminate", fmt_time(seconds(cases["parse/xerces_init_terminate"])),
              "-", "-", "(info)", "-")
    t.compare("parse 100 KB", cases, "parse/pipeline/100KB", "parse/xerces/100KB", None, base_label="bare Xerces")
    # The library keeps Xerces initialised and the schema compiled between parses, so the
    # ratios that carry the targets are against bare Xerces doing the same (warm); the
    # ratios against bare Xerces that starts cold for every parse are for information.
    for doc, label in (("1MB", "parse 1 MB"), ("10MB", "parse 10 MB")):
        t.compare(label, cases, "parse/pipeline/" + doc, "parse/xerces_warm/" + doc, 1.15,
                  base_label="bare Xerces, warm")
        t.compare("  the same, against bare Xerces starting cold", cases, "parse/pipeline/" + doc,
                  "parse/xerces/" + doc, None, base_label="bare Xerces, cold")
    # Whole programs, start to exit, in wall-clock time: the tool prints every section as
    # well; the minimal host only parses into a sink, as the bare program does.
    for doc in ("1MB", "10MB"):
        # Cases timed in real time carry "/real_time" in their names.
        t.compare("whole program: orvcfg parse, %s (wall)" % doc, cases, "process/orvcfg_parse/%s/real_time" % doc,
                  "process/xerces/%s/real_time" % doc, 1.3 if doc == "10MB" else None, wall=True,
                  base_label="bare Xerces program")
        t.compare("  a minimal host (XmlOrvParser + ParseNodeSink), %s (wall)" % doc, cases,
                  "process/pipeline/%s/real_time" % doc, "process/xerces/%s/real_time" % doc, None, wall=True,
                  base_label="bare Xerces program")
        # The programs' own processor time (user + system): on a loaded machine the wall time
        # also holds the time a program waited for a processor.
        base = cases.get("process/xerces/%s/real_time" % doc)
        for name, label in (("orvcfg_parse", "  orvcfg parse, %s, processor time of the programs" % doc),
                            ("pipeline", "  the minimal host, %s, processor time of the programs" % doc)):
            case = cases.get("process/%s/%s/real_time" % (name, doc))
            if case and base and "program_cpu_ms" in case and "program_cpu_ms" in base:
                c, b = case["program_cpu_ms"] / 1e3, base["program_cpu_ms"] / 1e3
                t.add(label, fmt_time(c), "%s (bare Xerces program)" % fmt_time(b), "%.2fx" % (c / b), "(info)", "-")
    pipeline, warm = cases.get("repeat/pipeline/orvcli"), cases.get("repeat/xerces/orvcli")
    if pipeline and warm:
        above = seconds(pipeline) - seconds(warm)
        t.add("repeated parse of the shipped orvcli.xml, above bare Xerces", fmt_time(seconds(pipeline)),
              "%s (bare Xerces, warm)" % fmt_time(seconds(warm)), "+%s" % fmt_time(max(above, 0.0)),
              "<= +0.3 ms", "yes" if above <= 0.3e-3 else "no")
    else:
        t.add("repeated parse of the shipped orvcli.xml, above bare Xerces", "missing", "missing", "-",
              "<= +0.3 ms", "no")
    if "repeat/xerces_cold/orvcli" in cases:
        t.add("  bare Xerces initialising and compiling the schema for each parse",
              fmt_time(seconds(cases["repeat/xerces_cold/orvcli"])), "-", "-", "(info)", "-")
    for doc in ("1MB", "10MB"):
        p, x = memory.get(("pipeline", doc)), memory.get(("xerces", doc))
        if p and x:
            per_mb = p["peak_heap"] / float(p["doc_bytes"])
            t.add("peak heap, parse %s (per MB of document)" % doc,
                  "%.1f MB (%.2f MB/MB)" % (p["peak_heap"] / MB, per_mb),
                  "%.1f MB (bare Xerces)" % (x["peak_heap"] / MB),
                  "%.1fx" % (p["peak_heap"] / float(max(x["peak_heap"], 1))),
                  "<= 4 MB/MB" if doc == "10MB" else "(info)",
                  ("yes" if per_mb <= 4.0 else "no") if doc == "10MB" else "-")
            t.add("  resident-set peak, parse %s" % doc, "%.1f MB" % (p["rss_peak"] / MB),
                  "%.1f MB (bare Xerces)" % (x["rss_peak"] / MB), "-", "(info)", "-")
            t.add("  heap kept by the sink after the parse, %s" % doc, "%.1f MB" % (p["retained_heap"] / MB),
                  "-", "-", "(info)", "-")

    # 2. Sections: copies and writing
    for kind, label in (("getNode", "getNode copies of the two signature sections"),
                        ("write", "write of the two signature sections")):
        for style in ("", "-escaped"):
            one, ten = "sections/%s/1MB%s" % (kind, style), "sections/%s/10MB%s" % (kind, style)
            if one not in cases or ten not in cases:
                t.add("%s%s" % (label, style), "missing", "missing", "-", "<= 11x", "no")
                continue
            c1, c10 = cases[one], cases[ten]
            if kind == "write":
                s1, s10 = c1["output_bytes"], c10["output_bytes"]
                for c, s, d in ((c1, s1, "1MB"), (c10, s10, "10MB")):
                    t.add("%s, %s%s" % (label, d, style),
                          "%s, %.1f MB/s" % (fmt_time(seconds(c)), s / MB / seconds(c)),
                          "-", "-", "(info)", "-")
            else:
                s1, s10 = c1["doc_bytes"], c10["doc_bytes"]
                t.add("%s, 1MB%s" % (label, style), fmt_time(seconds(c1)), "-", "-", "(info)", "-")
            g = growth(seconds(c1), seconds(c10), s1, s10)
            t.add("%s: growth for 10x the text%s" % (label, style), fmt_time(seconds(c10)),
                  "%s x %.2f" % (fmt_time(seconds(c1)), s10 / s1), "%.1fx" % g, "<= 11x",
                  "yes" if g <= 11.0 else "no")

    # 3. Loading and lookups
    for n in ("1k", "10k", "100k"):
        t.compare("initialize, Orv.properties of %s lines" % n, cases, "properties/initialize/" + n,
                  "properties/load_plain/" + n, 1.5, base_label="fgets + std::map")
    for n in ("100", "100k"):
        t.compare("getKey of a present key, %s keys" % n, cases, "properties/getKey/" + n,
                  "properties/getKey_plain/" + n, 1.0, base_label="std::map::find")
    if "properties/getKey/100" in cases:
        s = seconds(cases["properties/getKey/100"])
        t.add("getKey, 100 keys, absolute", fmt_time(s), "-", "-", "< 100 ns", "yes" if s < 100e-9 else "no")

    # 4. setKey
    for n in ("10k", "100k"):
        t.compare("setKey hwscanner.timeout, %s lines (wall)" % n, cases, "properties/setKey/" + n,
                  "properties/setKey_plain/" + n, 2.0, wall=True, base_label="copy lines + rename")
        t.compare("  the same, against the plain program with fsync, %s lines (wall)" % n, cases,
                  "properties/setKey/" + n, "properties/setKey_plain_synced/" + n, None, wall=True,
                  base_label="copy lines + fsync + rename")
        t.compare("setKey trace_level (both files), %s lines (wall)" % n, cases, "properties/setKey_trace/" + n,
                  "properties/setKey_trace_plain/" + n, 2.0, wall=True, base_label="copy lines + rename, 2 files")

    # 5. Attribute tables and string vectors
    for n in ("1", "2", "4", "8", "16", "32", "128", "512"):
        t.compare("NodeAttributes add + find, %s attributes" % n, cases, "attributes/add_find/" + n,
                  "attributes/add_find_plain/" + n, 2.0, base_label="vector of string pairs")
    for n in ("1", "8", "32", "128", "512"):
        t.compare("StringVector insert + find, %s strings" % n, cases, "stringvector/insert_find/" + n,
                  "stringvector/insert_find_plain/" + n, 2.0, base_label="vector of strings")

    # 6. Trace statements
    if "trace/filtered_out" in cases:
        s = seconds(cases["trace/filtered_out"])
        t.add("trace statement filtered out by its level", fmt_time(s), "-", "-", "< 20 ns",
              "yes" if s < 20e-9 else "no")
    t.compare("trace line emitted to the trace file", cases, "trace/emitted", "trace/emitted_plain", 2.0,
              base_label="snprintf + fwrite, buffered")
    t.compare("  the same, against snprintf + fwrite + fflush per line", cases, "trace/emitted",
              "trace/emitted_plain_flushed", None, base_label="snprintf + fwrite + fflush")
    t.compare("trace line with a rotation about every 8th line", cases, "trace/rotating", "trace/emitted", None,
              base_label="emitted line")

    date = context.get("date", "")
    cpus = context.get("num_cpus", "?")
    mhz = context.get("mhz_per_cpu", "?")
    print("Benchmarks of %s on %s, %s CPUs at %s MHz (shared), load average %s; Release build, medians of "
          "repeated runs." % (date, platform.node() or "this machine", cpus, mhz,
                              ", ".join("%.1f" % l for l in context.get("load_avg", []))))
    print()
    print(t.render())
    misses = [r for r in t.rows if r[5] == "no"]
    print()
    print("%d targets checked, %d missed." % (sum(1 for r in t.rows if r[5] in ("yes", "no")), len(misses)))


if __name__ == "__main__":
    main()
