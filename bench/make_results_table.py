#!/usr/bin/env python3
"""Writes bench/README.md from the benchmarks' JSON output.

    make_results_table.py --control control.json --server server.json \
        --memory memory.json [--journal journal.json] --load-before "..." --load-after "..." --out bench/README.md

Times are the median of the repetitions. Nothing in the README is typed by
hand: rerun scripts/bench.sh to refresh it.
"""

import argparse
import datetime
import json
import os
import platform

MEASURABLE_SHARE = 0.1  # the growing part at 1,000 rows, against the fixed cost
SCALING_LIMIT = 40.0


def read_times(path):
    """{(case, size): seconds} from one Google Benchmark JSON file (medians when repeated)."""
    with open(path) as f:
        data = json.load(f)
    units = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    times, context = {}, data.get("context", {})
    repeated = any(b.get("run_type") == "aggregate" for b in data["benchmarks"])
    for bench in data["benchmarks"]:
        if bench.get("error_occurred"):
            raise SystemExit(f"{bench['name']} failed: {bench.get('error_message')}")
        if repeated and bench.get("aggregate_name") != "median":
            continue
        parts = bench.get("run_name", bench["name"]).split("/")
        parts = [p for p in parts if p not in ("manual_time", "real_time")]
        case = parts[0]
        size = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else None
        times[(case, size)] = bench["real_time"] * units[bench["time_unit"]]
    return times, context


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def ms(seconds):
    if seconds is None:
        return "–"
    value = seconds * 1e3
    if value >= 100:
        return f"{value:,.0f}"
    if value >= 10:
        return f"{value:.1f}"
    if value >= 0.1:
        return f"{value:.2f}"
    return f"{value:.4f}"


def verdict(ok):
    return "yes" if ok else "**no**"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--control", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--memory", required=True)
    parser.add_argument("--journal", help="vendorcenter_bench_journal JSON")
    parser.add_argument("--end-to-end", help="vendorcenter_bench_end_to_end JSON on SQLite")
    parser.add_argument("--end-to-end-postgresql", help="the same on PostgreSQL")
    parser.add_argument("--load-before", default="")
    parser.add_argument("--load-after", default="")
    parser.add_argument("--repetitions", default="1")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    control, context = read_times(args.control)
    server, _ = read_times(args.server)
    times = {**control, **server}
    with open(args.memory) as f:
        memory = json.load(f)

    def t(case, size=None):
        return times.get((case, size))

    # The journal's cases share names with the control's: kept apart.
    journal_times = read_times(args.journal)[0] if args.journal else {}

    def j(case):
        return journal_times.get((case, 32000))

    lines = []
    add = lines.append

    # ---- scaling ------------------------------------------------------------------
    # (title, case, size of the fixed cost, kind): only operations are held to the growth limit.
    scaling_cases = [
        ("Load (`LetDataFromDatabase`, half the rows in each list, first paint)", "BM_Load", 0, "op"),
        ('">>" of 5 rows in 8 (rows = the source list)', "BM_MoveAllIn", 0, "op"),
        ('"<<" of the same rows back', "BM_MoveAllOut", 0, "op"),
        ('Find by name, no match (click, walk and "Not found")', "BM_FindByNameNoMatch", 0, "op"),
        ("Find by name, no match (the walk alone)", "BM_FindByNameNoMatchWalk", 0, "op"),
        ("Find by id of the last row (click)", "BM_FindByIdLastRow", 1, "op"),
        ("Save of all rows marked (build, encode, post)", "BM_Save", 0, "op"),
        ("Save: statements built and encoded, no post", "BM_SaveBody", 0, "op"),
        ("Server: active-center query over HTTP", "BM_ServerActiveQuery", 0, "op"),
        ("Server: selected-center query over HTTP", "BM_ServerSelectedQuery", 0, "op"),
        ("Server: active-center query, asked uncompressed", "BM_ServerActiveQueryIdentity", 0, "op"),
        ("Server: selected-center query, asked uncompressed", "BM_ServerSelectedQueryIdentity", 0, "op"),
        ("Server: POST of INSERT statements applied", "BM_ServerSavePost", 1, "op"),
        ("Floor: load (3 GETs, parse, minimal model, paint)", "BM_LoadFloor", 0, "floor"),
        ("Floor: `QString::contains` loop", "BM_FindFloor", 0, "floor"),
        ("Floor: `urlEncode` of the save's statements", "BM_SaveFloor", 0, "floor"),
        ("Floor: prepared SQLite INSERTs, one transaction", "BM_SqliteInsertFloor", 1, "floor"),
        ("For the record: `QTreeWidget` item by item, sorting on", "BM_TreeWidgetItemByItem", 0, "record"),
    ]
    scaling_rows, scaling_misses, worst = [], [], 0.0
    for title, case, fixed_size, kind in scaling_cases:
        fixed, small, large = t(case, fixed_size), t(case, 1000), t(case, 32000)
        if small is None or large is None:
            continue
        fixed = fixed or 0.0
        base = small - fixed
        ratio = (large - fixed) / base if base > 0 else float("inf")
        if base < MEASURABLE_SHARE * fixed:
            # What grows is lost in the run-to-run spread of the fixed cost.
            scaling_rows.append(
                f"| {title} | {ms(t(case, fixed_size))} | {ms(small)} | {ms(t(case, 4000))} | {ms(t(case, 16000))} "
                f"| {ms(large)} | — | (fixed cost) |"
            )
            continue
        if kind == "op":
            worst = max(worst, ratio)
            if ratio > SCALING_LIMIT:
                scaling_misses.append(title)
            mark = verdict(ratio <= SCALING_LIMIT)
        else:
            mark = f"({kind})"
        scaling_rows.append(
            f"| {title} | {ms(t(case, fixed_size))} | {ms(small)} | {ms(t(case, 4000))} | {ms(t(case, 16000))} "
            f"| {ms(large)} | {ratio:.1f} | {mark} |"
        )

    # ---- against the floors -------------------------------------------------------
    floor_rows, floor_misses = [], []

    def against(title, case, size, floor_case, floor_size, limit, note=""):
        value, floor = t(case, size), t(floor_case, floor_size)
        if value is None or floor is None:
            return
        ratio = value / floor
        ok = ratio <= limit
        if not ok:
            floor_misses.append(title)
        floor_rows.append(
            f"| {title} | {ms(value)} | {note} | {ms(floor)} | {ratio:.2f} | ≤ {limit:g} | {verdict(ok)} |"
        )

    against("Load, 32,000 rows", "BM_Load", 32000, "BM_LoadFloor", 32000, 2.0,
            "3 GETs + pugixml + one model reset, 32,000 rows")
    against("Load, 16,000 rows", "BM_Load", 16000, "BM_LoadFloor", 16000, 2.0,
            "the same, 16,000 rows")
    against('">>" of 10,000 of 16,000 rows', "BM_MoveAllIn", 16000, "BM_MoveFloorLoad", 16000, 1.5,
            "load of 10,000 rows")
    against('"<<" of the same 10,000 rows', "BM_MoveAllOut", 16000, "BM_MoveFloorLoad", 16000, 1.5,
            "load of 10,000 rows")
    against("Find by name, no match, 32,000 rows: the walk", "BM_FindByNameNoMatchWalk", 32000,
            "BM_FindFloor", 32000, 3.0, "`contains` loop, 32,000 names")
    against('Find by name, no match, 32,000 rows: click incl. "Not found"', "BM_FindByNameNoMatch", 32000,
            "BM_FindFloor", 32000, 3.0, "`contains` loop, 32,000 names")
    against("Find by id of the last of 32,000 rows: click", "BM_FindByIdLastRow", 32000,
            "BM_FindFloor", 32000, 3.0, "`contains` loop, 32,000 names")
    against("Save of 10,000 marked rows, post included", "BM_Save", 10000, "BM_SaveFloor", 10000, 3.0,
            "`urlEncode` of the same statements")
    against("Save of 10,000 marked rows, the control's own work (no post)", "BM_SaveBody", 10000,
            "BM_SaveFloor", 10000, 3.0, "`urlEncode` of the same statements")
    against("Server: POST of 10,000 statements", "BM_ServerSavePost", 10000, "BM_SqliteInsertFloor", 10000, 3.0,
            "10,000 prepared INSERTs, one transaction")

    encode = t("BM_UrlEncode1MiB")
    encode_rate = (1 << 20) / encode / 1e6 if encode else 0.0
    encode_ok = encode_rate >= 300.0

    peak_above = memory["peak_above_empty_mib"]
    resident_above = memory["resident_above_empty_mib"]
    memory_ok = peak_above <= 40.0

    # ---- end to end against the real server page -------------------------------
    end_to_end = {}
    for label, path in (("SQLite", args.end_to_end), ("PostgreSQL", args.end_to_end_postgresql)):
        if path:
            with open(path) as f:
                end_to_end[label] = json.load(f)
    e2e_targets, e2e_misses = [], []

    def e2e_target(text, ok):
        e2e_targets.append(f"| {text} | {verdict(ok)} |")
        if not ok:
            e2e_misses.append(text)

    for label, run in end_to_end.items():
        for step, name in (("load", "load"), ("commit", "commit of 10,000 changes, click to reloaded lists")):
            value, floor = run[step]["ms"], run[step]["floor_ms"]
            within_100 = label == "SQLite"
            text = f"End to end, {label}: {name}: {value:.1f} ms, {value / floor:.2f} × floor"
            limit = "≤ 100 ms and ≤ 2 × floor" if within_100 else "≤ 2 × floor"
            e2e_target(f"{text} ({limit})", value / floor <= 2.0 and (not within_100 or value <= 100.0))
        if label == "SQLite":
            move = run[">>"]["ms"]
            e2e_target(f'End to end, SQLite: ">>" of 10,000 rows: {move:.1f} ms (≤ 16.7 ms, one frame at 60 Hz)',
                       move <= 16.7)

    # The list's tag: checked in the save's transaction, computed for every selected-list reply.
    guarded, unguarded = t("BM_ServerSavePostOntoLargeListIfMatch", 10000), t("BM_ServerSavePostOntoLargeList", 10000)
    sqlite_commit = end_to_end.get("SQLite", {}).get("commit", {}).get("ms")
    if guarded and unguarded and sqlite_commit:
        extra_ms = (guarded - unguarded) * 1e3
        e2e_target(f"The list's tag check (If-Match) on the POST of 10,000 statements onto a 16,000-row list: "
                   f"{extra_ms:+.1f} ms, {extra_ms / sqlite_commit:.1%} of the SQLite commit end to end (≤ 10 %)",
                   extra_ms <= 0.1 * sqlite_commit)
    tag, query = t("BM_SelectedListTag", 16000), t("BM_ServerSelectedQuery", 16000)
    if tag and query:
        e2e_target(f"The list's tag in a load: its hash over 16,000 rows {ms(tag)} ms, "
                   f"{tag / query:.1%} of the selected-center query (nothing measurable: ≤ 10 %)", tag <= 0.1 * query)

    # ---- the journal, at 32,000 active centers ------------------------------------
    journal_rows = []
    one, repaint = j("BM_MoveOneIn"), j("BM_RepaintUnchanged")
    if one and repaint:
        e2e_target(f'A single ">" of one of 32,000 rows to its first paint: {ms(one)} ms (≤ 2 ms), of which '
                   f"{ms(repaint)} ms are the paint of the unchanged control", one <= 2e-3)
    every, thousand = j("BM_MoveAllIn"), j("BM_UndoThousandMoves")
    thousand_floor = j("BM_UndoThousandMovesFloor")
    if thousand:
        floor_note = (f"; a plain `QTreeView` taking 1,000 rows back one by one, each made current: "
                      f"{ms(thousand_floor)} ms" if thousand_floor else "")
        e2e_target(f"Undo of all of 1,000 single moves, to the first paint: {ms(thousand)} ms (≤ 100 ms){floor_note}",
                   thousand <= 0.1)
    for title, case in (('undo of that ">>"', "BM_UndoMoveAllIn"), ('redo of it', "BM_RedoMoveAllIn"),
                        ('a drop of the same rows', "BM_DropIn")):
        value = j(case)
        if value and every:
            journal_rows.append(f'| {title} | {ms(value)} | ">>" of the same rows | {ms(every)} '
                                f"| {value / every:.2f} | ≤ 1.5 | {verdict(value <= 1.5 * every)} |")
            if value > 1.5 * every:
                floor_misses.append(title)
    worked = memory.get("journal")
    if worked:
        e2e_target(f"Memory: 1,000 single \">\" moves add {worked['single_moves_mib']:.1f} MiB (≤ 16 MiB); "
                   f"100 \">>\"/\"<<\" round trips of {worked['round_trip_rows']:,} rows add "
                   f"{worked['round_trips_mib']:.1f} MiB (≤ 64 MiB)",
                   worked["single_moves_mib"] <= 16 and worked["round_trips_mib"] <= 64)

    tree, load32 = t("BM_TreeWidgetItemByItem", 32000), t("BM_Load", 32000)
    tree16, load16 = t("BM_TreeWidgetItemByItem", 16000), t("BM_Load", 16000)

    all_met = not scaling_misses and not floor_misses and encode_ok and memory_ok and not e2e_misses
    now = datetime.datetime.now().astimezone()

    out = []
    w = out.append
    w("# Benchmarks\n")
    w("The operations whose cost grows with the lists, at the largest lists the control allows, each")
    w("measured beside the floor it is judged against in the same run. Generated by `scripts/bench.sh`")
    w("from the benchmarks' JSON output: do not edit by hand.\n")
    w("## Running\n")
    w("```sh")
    w("scripts/bench.sh")
    w("```\n")
    w("It builds a Release tree (`build/bench`, or `$VENDORCENTER_BENCH_BUILD_DIR`), runs")
    w("`vendorcenter_bench_control`, `vendorcenter_bench_server`, `vendorcenter_bench_journal` and `vendorcenter_bench_memory`")
    w("headless (`QT_QPA_PLATFORM=offscreen`), keeps their JSON in `<build>/bench-results/` and")
    runs = "once" if args.repetitions == "1" else f"{args.repetitions} times; the tables show the median"
    w(f"rewrites this file. Each case runs {runs}. CTest")
    w("runs every case once at the smallest size (`--smoke`) so the benchmarks keep building and")
    w("running; it asserts nothing about time.\n")
    w("## Machine\n")
    w(f"- CPU: {cpu_model()}, {os.cpu_count()} cores")
    w(f"- Date: {now.strftime('%Y-%m-%d %H:%M %Z')}")
    w(f"- Load average (1, 5, 15 min) before the run: {args.load_before}; after: {args.load_after}")
    w(f"- Google Benchmark reports the machine as {context.get('num_cpus', '?')} CPUs at "
      f"{context.get('mhz_per_cpu', '?')} MHz; build type Release\n")
    w("## Performance\n")
    w("Targets met: " + ("**all**." if all_met else "**not all** (see the rows marked no)."))
    w("")
    w("| Target | Measured | Met |")
    w("|---|---|---|")
    w(f"| Growth: time at 32,000 rows ≤ {SCALING_LIMIT:g} × time at 1,000 (fixed cost subtracted) "
      f"| worst ratio {worst:.1f}" + (f" (over: {'; '.join(scaling_misses)})" if scaling_misses else "")
      + f" | {verdict(not scaling_misses)} |")
    for row in e2e_targets:
        cells = [c.strip() for c in row.strip("|").split("|")]
        w(f"| {cells[0]} | measured | {cells[1]} |")
    for row in floor_rows:
        cells = [c.strip() for c in row.strip("|").split("|")]
        w(f"| {cells[0]}: ≤ {cells[5].lstrip('≤ ')} × floor | {cells[4]} × | {cells[6]} |")
    for row in journal_rows:
        cells = [c.strip() for c in row.strip("|").split("|")]
        w(f'| Journal, {cells[0]}: ≤ {cells[5].lstrip("≤ ")} × ">>" | {cells[4]} × | {cells[6]} |')
    w(f"| `urlEncode` ≥ 300 MB/s on a 1 MiB statement text | {encode_rate:,.0f} MB/s | {verdict(encode_ok)} |")
    w(f"| Memory: ≤ 40 MiB above the empty control with {memory['loaded']['rows']:,} rows loaded "
      f"| {peak_above:.1f} MiB (peak), {resident_above:.1f} MiB (resident) | {verdict(memory_ok)} |")
    w("")
    w("## Against the floors\n")
    w("| Operation | Time (ms) | Floor | Floor (ms) | Ratio | Target | Met |")
    w("|---|---:|---|---:|---:|---:|---|")
    out.extend(floor_rows)
    w("")
    if journal_rows:
        w("## The journal\n")
        w('`vendorcenter_bench_journal`, at 32,000 active centers: ">>" of five rows in every sixteen')
        w("(10,000) into the empty selected list, its undo and redo, and the same rows dropped, each to the")
        w("first paint; a single \">\" and the undo of 1,000 of them are in the targets above.\n")
        w("| Operation | Time (ms) | Against | Time (ms) | Ratio | Target | Met |")
        w("|---|---:|---|---:|---:|---:|---|")
        out.extend(journal_rows)
        w("")
    if end_to_end:
        w("## End to end against the real server page\n")
        w("`vendorcenter_bench_end_to_end` starts `vendorcenter-server` on a generated database (32,000")
        w("centers beside the demo data, half of them selected for vendor 12) and drives the control as a")
        w('clerk does: `LetDataFromDatabase`, five rows in every eight highlighted and ">>" (10,000 rows),')
        w('"Commit to Database" with the reply box answered at once, and the reload. Each step runs to the')
        w("first paint. Times are the median of the rounds after the first; the first load, with the server")
        w("page's database cold, is shown apart. The floors are measured in the same rounds: the database's")
        w("own time for the three queries (every row stepped through, every column read) and for the same")
        w("rows inserted in one transaction (SQLite: one prepared INSERT per row; PostgreSQL: one prepared")
        w("INSERT over arrays, the cheapest way it takes many rows), and pugixml's parse of the three replies.")
        w("The server page's phases come from its `Server-Timing` header (also in its log line).\n")
        w("| Database | Step | Time (ms) | Floor (ms) | Ratio |")
        w("|---|---|---:|---:|---:|")
        for label, run in end_to_end.items():
            w(f"| {label} | first load (cold) | {run['first_load_ms']:.1f} | | |")
            for step, name in (("load", "load"), (">>", '">>" of 10,000 rows'), ("commit", "commit, click to reloaded lists")):
                value, floor = run[step]["ms"], run[step]["floor_ms"]
                ratio = f"{value / floor:.2f}" if floor else ""
                w(f"| {label} | {name} | {value:.1f} | {floor:.1f} | {ratio} |" if floor else
                  f"| {label} | {name} | {value:.1f} | | |")
        w("")
        w("| Database | Part | Median (ms) |")
        w("|---|---|---:|")
        for label, run in end_to_end.items():
            for name, value in run["floor_parts_ms"].items():
                w(f"| {label} | floor: {name} | {value:.1f} |")
            for name, value in run["server_phases_ms"].items():
                w(f"| {label} | server page, {name} (summed over the step's requests) | {value:.1f} |")
        w("")
    w("## Growth with the lists\n")
    w("Times in ms. The ratio is (t(32,000) − t(0)) / (t(1,000) − t(0)); a cost that grows as")
    w("n log n gives about 32 × 1.5 = 48 at most, a linear one 32, a quadratic one 1,024. The")
    w("first column is the fixed cost at 0 rows, or at 1 where a case needs one: the id search")
    w("(an empty list has no last row) and the server's post (the page refuses a post without")
    w("statements). The server's queries are asked as the control asks them (Qt offers")
    w("`zstd, br, gzip, deflate`) and, for comparison, uncompressed (`identity`). Where the")
    w("part that grows is under a tenth of the fixed cost at 1,000 rows, it is lost in the spread")
    w("of the fixed cost from run to run; such a case shows \"—\" and is held to the limit through")
    w("the case that times its growing part alone.\n")
    w("| Case | 0 (1) | 1,000 | 4,000 | 16,000 | 32,000 | Ratio | ≤ 40 |")
    w("|---|---:|---:|---:|---:|---:|---:|---|")
    out.extend(scaling_rows)
    w("")
    w("## urlEncode\n")
    w(f"1 MiB (1,048,576 characters) of INSERT, UPDATE and DELETE statement text: {ms(encode)} ms, "
      f"**{encode_rate:,.0f} MB/s** (10^6 bytes of input per second).\n")
    w("## Memory\n")
    w("Two processes each hold the control on a host form, shown and painted: one loaded a vendor")
    w("without centers, the other the vendor with both lists full; the server page runs in a third.\n")
    w("| Process | Rows | VmHWM (MiB) | VmRSS (MiB) |")
    w("|---|---:|---:|---:|")
    for label, key in (("Empty control", "empty"), ("Loaded control", "loaded")):
        m = memory[key]
        w(f"| {label} | {m['rows']:,} | {m['vmhwm_kib'] / 1024:.1f} | {m['vmrss_kib'] / 1024:.1f} |")
    w(f"| **Above the empty control** | | **{peak_above:.1f}** | **{resident_above:.1f}** |")
    w("")
    w("## For the record: a `QTreeWidget` filled item by item\n")
    w("The naive build of such a control: one `QTreeWidgetItem` per row, added with its id and then")
    w("given its six sub-items one by one, with sorting on, in one tree, then painted. It starts from")
    w("texts ready in memory: no network and no parsing, which the control's load beside it includes.\n")
    w("| Rows | `QTreeWidget` (ms) | Control's whole load (ms) | Ratio |")
    w("|---:|---:|---:|---:|")
    for size in (1000, 4000, 16000, 32000):
        a, b = t("BM_TreeWidgetItemByItem", size), t("BM_Load", size)
        if a and b:
            w(f"| {size:,} | {ms(a)} | {ms(b)} | {a / b:.1f} |")
    w("")
    w("## What each case measures\n")
    w("- **Load**: `LetDataFromDatabase` against a loopback page (cpp-httplib on a thread of its own) serving")
    w("  half the rows as active and half as selected centers, then one synchronous paint of the control.")
    w("  Floor: the same three GETs with `QNetworkAccessManager`, a pugixml parse of each reply, one reset of")
    w("  a two-column `QAbstractTableModel` over a `std::vector` of the same rows, one paint of its `QTreeView`.")
    w('- **">>" / "<<"**: the button click with five rows in every eight highlighted (10,000 of 16,000, in')
    w("  2,000 blocks), then one paint. Floor: the control's load of as many rows as move.")
    w('- **Find**: the "Find" click by name with a text no name contains (the walk, then "Not found",')
    w("  answered at once) and by id of the last row (highlight, scroll, focus); the walk alone is the")
    w("  panel's own rule function. Floor: a loop of `QString::contains` over the same names in a vector.")
    w("- **Save**: `SaveToDatabase` with every row of the selected list marked \"N\": statements built,")
    w("  encoded, posted to a loopback page that counts the bytes and answers nothing; and the same")
    w("  without the post (statements built and encoded into the body). Floor: `urlEncode` of the same")
    w("  statement text.")
    w("- **Server**: `vendorcenter-server`'s page in process, over HTTP on loopback, for vendor 12 with")
    w("  half of the added centers selected; the POST of n INSERTs applied in one transaction (rows")
    w("  removed between rounds). Floor: n prepared INSERTs in one transaction on the same database")
    w("  with the page's connection settings.")
    w("- **The list's tag**: the same POST of n INSERTs onto vendor 12's list (16,000 rows at 32,000 centers),")
    w("  with the `If-Match` tag of its last load (the page reads the list again and hashes it in the")
    w("  save's transaction) and without; and the tag's hash alone over the rows of a selected-list reply.")
    w("- **Memory**: `vendorcenter_bench_memory` runs itself twice as a host form with the control, shown")
    w("  and painted, and reads `VmHWM`/`VmRSS` from `/proc/self/status` in each.")
    w("")
    with open(args.out, "w") as f:
        f.write("\n".join(out))
    print("\n".join(out))


if __name__ == "__main__":
    main()
