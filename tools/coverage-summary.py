#!/usr/bin/python3
"""Line and branch coverage per top-level folder, from gcovr's --json-summary.

Usage: coverage-summary.py SUMMARY.json
hosts/ is shown as a whole and by subfolder; tests/ and bench/ are left out by gcovr already.
"""
import json
import sys

FOLDERS = ["engine", "hostapi", "hosts", "services", "forms", "app", "addin"]


def groups(path):
    parts = path.split("/")
    top = parts[0]
    if top not in FOLDERS:
        return []
    names = [top]
    if top in ("hosts", "app", "forms") and len(parts) > 2:
        names.append(top + "/" + parts[1])
    return names


def percent(covered, total):
    return "    -" if total == 0 else f"{100.0 * covered / total:5.1f}"


def main():
    with open(sys.argv[1], encoding="utf-8") as handle:
        summary = json.load(handle)
    totals = {}
    for entry in summary["files"]:
        for name in groups(entry["filename"]):
            row = totals.setdefault(name, [0, 0, 0, 0])
            row[0] += entry["line_covered"]
            row[1] += entry["line_total"]
            row[2] += entry["branch_covered"]
            row[3] += entry["branch_total"]
    order = sorted(totals, key=lambda n: (FOLDERS.index(n.split("/")[0]), n))
    print(f"{'Ordner':<24} {'Zeilen %':>8} {'Zeilen':>13} {'Zweige %':>8} {'Zweige':>13}")
    for name in order:
        lc, lt, bc, bt = totals[name]
        label = name if "/" not in name else "  " + name
        print(f"{label:<24} {percent(lc, lt):>8} {lc:>6}/{lt:<6} {percent(bc, bt):>8} {bc:>6}/{bt:<6}")
    lc = sum(totals[n][0] for n in FOLDERS if n in totals)
    lt = sum(totals[n][1] for n in FOLDERS if n in totals)
    bc = sum(totals[n][2] for n in FOLDERS if n in totals)
    bt = sum(totals[n][3] for n in FOLDERS if n in totals)
    print(f"{'gesamt':<24} {percent(lc, lt):>8} {lc:>6}/{lt:<6} {percent(bc, bt):>8} {bc:>6}/{bt:<6}")


if __name__ == "__main__":
    main()
