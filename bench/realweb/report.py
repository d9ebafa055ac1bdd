#!/usr/bin/env python3
"""Reads the CSV reports of quillmark-batch for bench/realweb/run.sh.

  report.py summary REPORT      the count of each outcome, on one line
  report.py compare ONE OTHER   exit 1 (and say where) when the two reports
                                differ in anything but the times

The times are the milliseconds column and the durations libcurl writes into
some failure reasons ("after 20001 milliseconds", "after 3 ms").
"""
import collections
import csv
import re
import sys

TIMES = re.compile(r"after \d+ (ms|milliseconds)")


def read(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def without_times(line):
    kept = {k: v for k, v in line.items() if k != "milliseconds"}
    kept["reason"] = TIMES.sub("after ... ms", kept.get("reason", ""))
    return kept


def summary(path):
    counts = collections.Counter(line["outcome"] for line in read(path))
    print(", ".join(f"{n} {outcome}" for outcome, n in sorted(counts.items())))


def compare(one, other):
    a, b = read(one), read(other)
    if len(a) != len(b):
        print(f"{one}: {len(a)} lines, {other}: {len(b)} lines")
        return 1
    differing = 0
    for x, y in zip(a, b):
        if without_times(x) != without_times(y):
            differing += 1
            if differing <= 5:
                print(f"line {x.get('index')}:\n  {without_times(x)}\n  {without_times(y)}")
    if differing:
        print(f"{differing} lines differ")
    return 1 if differing else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "summary":
        summary(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "compare":
        sys.exit(compare(sys.argv[2], sys.argv[3]))
    else:
        sys.exit(__doc__)
