#!/usr/bin/env python3
"""Reads the traces bench/start_breakdown.sh leaves and prints the break-downs.

    bench/start_breakdown.py DIR RUNS
    bench/start_breakdown.py --pages PID > FILE   (resident pages of the anonymous mappings)

DIR holds, per program (tidewell, bare, floor) and run (1..RUNS, and "heap"):
NAME.N.log (Wine's trace: +timestamp,+pid,+tid,+loaddll,+relay of a few calls),
NAME.N.clock (launch, window seen, memory snapshot; Wine's clock, CLOCK_MONOTONIC_RAW),
NAME.N.smaps (/proc/PID/smaps at the snapshot), NAME.N.pages (the resident pages of
its anonymous mappings, from /proc/PID/pagemap, as "START END" runs: Linux merges
neighbouring mappings, so a thread's stack and the region beside it share one line
of smaps) and NAME.N.probe (memory_probe.exe).
"""
import collections
import re
import statistics
import sys

LINE = re.compile(r"^(\d+\.\d+):([0-9a-f]+):([0-9a-f]+):(.*)$")
EXE_CALL = r"ret=14[0-9a-f]{7}$"  # called from the exe's own code (image base 0x140000000)

# Phases after the DLL attaches, each ended by the first main-thread line matching
# its pattern after the previous phase's end.
STEPS = {
    "tidewell": [
        ("wWinMain: DLL search, one-copy check, DPI awareness", r'FindResourceW\(.*"VCLSTYLE"'),
        ("theme: resource, parse, apps-mode registry value", r'FindResourceW\(.*"translate"'),
        ("translation tables (two resources)", r"RegOpenKeyExW\(.*ProfileList"),
        ("crash reporting set-up, the form model's constructor", r'LoadImageW\(.*"MAINICON"'),
        ("icons, application window, class registration", r'CreateWindowExW\(.*L"TFrmTidewell"'),
        ("main window and the shown page's controls (CreateWindowExW)", r'RegisterWindowMessageW\(.*"TaskbarCreated"'),
        ("FormCreate steps 1-5: taskbar message, font, colours, page", r"ole32\.CoInitialize\("),
        ("FormCreate step 6: Task Scheduler query (COM)", r"CoUninitialize\(\) " + EXE_CALL),
        ("FormCreate: settings from the registry", r"Shell_NotifyIconW"),
        ("FormCreate: tray icon (Shell_NotifyIconW)", r"AdjustTokenPrivileges"),
        ("FormCreate: privileges, first status tick", r"CreateThread\(.*" + EXE_CALL),
        ("FormCreate step 15: update check's worker started", r"CreateFontIndirectW\(.*" + EXE_CALL),
        ("fonts, WM_SETFONT, label layout: the one pass before showing", r"ShowWindow\(.*" + EXE_CALL),
    ],
    "bare": [
        ("wWinMain: cursor, class registration", r'CreateWindowExW\(.*"BareWindow"'),
        ("window creation", r"ShowWindow\(.*" + EXE_CALL),
    ],
    "floor": [
        ("wWinMain: cursor, class registration", r'CreateWindowExW\(.*"FloorWindow"'),
        ("window creation", r"ole32\.CoInitialize\("),
        ("Task Scheduler query (COM)", r"CreateThread\(.*" + EXE_CALL),
        ("update worker started", r"ShowWindow\(.*" + EXE_CALL),
    ],
}


def read_log(path):
    """(main pid:tid, [(t, tid, text)] of the exe's process, {dll: base})."""
    main, events, bases = None, [], {}
    with open(path, errors="replace") as log:
        for line in log:
            m = LINE.match(line)
            if not m:
                continue
            t, pid, tid, text = float(m.group(1)), m.group(2), m.group(3), m.group(4).rstrip("\n")
            if main is None:
                if "loaddll" in text and ".exe" in text and "Loaded" in text:
                    main = (pid, tid)
                else:
                    continue
            if pid != main[0]:
                continue
            if "loaddll" in text and "Loaded" in text:
                lm = re.search(r'\\([^\\"]+)" at ([0-9A-Fa-f]+)', text)
                if lm:
                    bases[lm.group(1).lower()] = int(lm.group(2), 16)
            events.append((t, tid, text))
    return main, events, bases


def read_clock(path):
    with open(path) as f:
        return [float(x) for x in f.read().split()]


def timing(name, n, directory):
    """[(phase, ms)] for one run, and details."""
    main, events, _ = read_log(f"{directory}/{name}.{n}.log")
    launch, seen, _snap = read_clock(f"{directory}/{name}.{n}.clock")
    ev = [(t, text) for t, tid, text in events if tid == main[1]]
    phases = []
    t_exe = ev[0][0]
    phases.append(("Wine loader and preloader until the exe is mapped", t_exe - launch))
    first_attach = next(i for i, (t, x) in enumerate(ev) if x.startswith("Call PE DLL"))
    phases.append(("static imports mapped (loaddll)", ev[first_attach][0] - t_exe))
    first_exe = next(i for i, (t, x) in enumerate(ev) if re.search(EXE_CALL, x) and x.startswith("Call "))
    # Each DLL's attach runs until the next attach or TLS callback or the exe's first call.
    attach = collections.OrderedDict()
    marks = [i for i in range(first_attach, first_exe + 1)
             if ev[i][1].startswith(("Call PE DLL", "Call TLS callback")) or i == first_exe]
    for a, b in zip(marks, marks[1:]):
        dm = re.search(r'L"([^"]+)"', ev[a][1])
        label = dm.group(1).lower() if dm and "PE DLL" in ev[a][1] else "TLS callbacks; the exe's C runtime start"
        attach[label] = attach.get(label, 0) + ev[b][0] - ev[a][0]
    for label, dt in attach.items():
        phases.append(("attach: " + label, dt))
    i, t_prev = first_exe, ev[first_exe][0]
    for label, pattern in STEPS[name]:
        j = next((k for k in range(i, len(ev)) if re.search(pattern, ev[k][1])), None)
        if j is None:
            phases.append((label + " (marker missing)", 0.0))
            continue
        phases.append((label, ev[j][0] - t_prev))
        i, t_prev = j + 1, ev[j][0]
    phases.append(("ShowWindow until the window is seen mapped (X map, first paint, polling)", seen - t_prev))
    # Where the message loop starts, for comparison with the moment the window is seen.
    loop = next((t for t, x in ev[i:] if re.search(r"GetMessageW\(.*" + EXE_CALL, x)), t_prev)
    controls = control_times(ev)
    controls[0]["(ShowWindow to the message loop's first GetMessageW)"] = (loop - t_prev) * 1000
    controls[1]["(ShowWindow to the message loop's first GetMessageW)"] = 1
    return [(p, dt * 1000) for p, dt in phases], (seen - launch) * 1000, controls


def control_times(ev):
    """ms spent in the exe's CreateWindowExW calls, by class, and in its CreateFontIndirectW."""
    stack, spent, count = [], collections.Counter(), collections.Counter()
    for t, text in ev:
        c = re.match(r"Call ([\w.]+)\((.*)\) (ret=[0-9a-f]+)$", text)
        r = re.match(r"Ret  ([\w.]+)\(\)", text)
        if c:
            fn = c.group(1)
            key = None
            if re.search(EXE_CALL, text):
                if fn.endswith("CreateWindowExW"):
                    cm = re.search(r'L"([^"]*)"', c.group(2))
                    key = "window " + (cm.group(1) if cm else "?")
                elif fn.endswith("CreateFontIndirectW"):
                    key = "CreateFontIndirectW"
            stack.append((fn, t, key))
        elif r:
            fn = r.group(1)
            while stack:
                f, t0, key = stack.pop()
                if f == fn:
                    if key:
                        spent[key] += (t - t0) * 1000
                        count[key] += 1
                    break
    return spent, count


def module_of(address, bases):
    best = None
    for dll, base in bases.items():
        if base <= address and (best is None or base > bases[best]):
            best = dll
    if best is None or address - bases[best] > 0x4000000:
        return "unix side"
    return best


def heaps_by_caller(directory, name):
    """Live heap bytes at the snapshot by the outermost relayed caller's module; GDI calls."""
    main, events, bases = read_log(f"{directory}/{name}.heap.log")
    _launch, _seen, snap = read_clock(f"{directory}/{name}.heap.clock")
    stacks = collections.defaultdict(list)
    live = {}
    total, peak = 0, 0
    gdi = collections.Counter()
    for t, tid, text in events:
        if t > snap:
            break
        c = re.match(r"Call ([\w.]+)\((.*)\) ret=([0-9a-f]+)$", text)
        r = re.match(r"Ret  ([\w.]+)\(\) retval=([0-9a-f]+) ret=([0-9a-f]+)$", text)
        s = stacks[tid]
        if c:
            fn, args, ret = c.group(1), c.group(2).split(","), int(c.group(3), 16)
            caller = s[0][2] if s else module_of(ret, bases)
            s.append((fn, args, caller))
            short = fn.split(".")[-1]
            if short in ("RtlFreeHeap", "RtlReAllocateHeap") and len(args) >= 3:
                total -= live.pop(int(args[2], 16), (0,))[0]
            elif short.startswith(("Create", "Delete", "Destroy")):
                gdi[(short, caller)] += 1
        elif r:
            fn, value = r.group(1), int(r.group(2), 16)
            while s:
                f, args, caller = s.pop()
                if f != fn:
                    continue
                short = fn.split(".")[-1]
                if short == "RtlAllocateHeap" and value and len(args) >= 3:
                    live[value] = (int(args[2], 16), caller, args[0])
                elif short == "RtlReAllocateHeap" and value and len(args) >= 4:
                    live[value] = (int(args[3], 16), caller, args[0])
                else:
                    break
                total += live[value][0]
                peak = max(peak, total)
                break
    by_caller = collections.Counter()
    by_heap = collections.Counter()
    for size, caller, heap in live.values():
        by_caller[caller] += size
        by_heap[heap] += size
    return by_caller, by_heap, gdi, peak


def read_probe(path):
    stacks, regions, heap, gui = [], [], None, None
    try:
        lines = open(path).read().split("\n")
    except OSError:
        lines = []
    for line in lines:
        f = line.split()
        if not f:
            continue
        if f[0] == "stack":
            stacks.append((f[1], int(f[2], 16), int(f[4], 16)))
        elif f[0] == "region":
            regions.append((int(f[1], 16), int(f[1], 16) + int(f[3]), int(f[2], 16)))
        elif f[0] == "processheap":
            heap = int(f[1], 16)
        elif f[0] == "gui":
            gui = (int(f[1]), int(f[2]))
    return stacks, regions, heap, gui


def heap_bases(directory, name, n):
    """Heaps the process created (RtlCreateHeap's results) with the creating module."""
    _, events, bases = read_log(f"{directory}/{name}.{n}.log")
    found, pending = {}, {}
    for t, tid, text in events:
        if "Call ntdll.RtlCreateHeap(" in text:
            ret = int(text.rsplit("ret=", 1)[1], 16)
            pending[tid] = module_of(ret, bases)
        elif "Ret  ntdll.RtlCreateHeap()" in text and tid in pending:
            value = int(re.search(r"retval=([0-9a-f]+)", text).group(1), 16)
            found[value] = pending.pop(tid)
    return found


def memory(directory, name, n):
    """kB of private memory (smaps "Anonymous") by kind."""
    stacks, regions, process_heap, gui = read_probe(f"{directory}/{name}.{n}.probe")
    heaps = heap_bases(directory, name, n)
    if process_heap:
        heaps.setdefault(process_heap, "process heap")
    kinds = collections.Counter()
    region = None
    try:
        with open(f"{directory}/{name}.{n}.pages") as f:
            pages = [tuple(int(x, 16) for x in line.split()) for line in f if line.strip()]
    except OSError:
        pages = []
    with open(f"{directory}/{name}.{n}.smaps") as smaps:
        for line in smaps:
            head = re.match(r"^([0-9a-f]+)-([0-9a-f]+) \S+ \S+ \S+ \S+\s*(.*)$", line)
            if head:
                region = (int(head.group(1), 16), int(head.group(2), 16), head.group(3).strip())
                continue
            if not line.startswith("Anonymous:") or region is None:
                continue
            kb = int(line.split()[1])
            if not kb:
                continue
            start, end, path = region
            if path or not pages:
                kinds[classify(start, path, stacks, regions, heaps)] += kb
    for start, end in pages:
        for address in range(start, end, 4096):
            kinds[classify(address, "", stacks, regions, heaps)] += 4
    return kinds, gui, len(stacks)


def classify(start, path, stacks, regions, heaps):
    if path == "[heap]":
        return "Unix malloc heap (brk): Wine's Unix side, X11, fontconfig, FreeType"
    if path == "[stack]":
        return "Unix main stack"
    if path:
        if path.endswith(".exe"):
            return "the exe image (data, relocations)"
        if "/wine/" in path and path.endswith((".dll", ".drv", ".exe")):
            return "Wine's PE DLL images (data, relocations)"
        if path.endswith(".so") or ".so." in path or "/wine/" in path:
            return "Unix libraries (data, relocations)"
        return "other file mappings (" + path.rsplit("/", 1)[-1] + ")"
    for _tid, reservation, base in stacks:
        if reservation <= start < base:
            return "thread stacks (the Windows stack)"
    for lo, hi, allocation in regions:
        if lo <= start < hi:
            if any(allocation == base for _tid, _r, base in stacks):
                return "Wine's per-thread region above each stack (its Unix-side stack)"
            if allocation in heaps:
                return "Windows heap of " + heaps[allocation]
            return "other Windows private regions (heap growth and large blocks, TEBs, DIBs)"
    return "outside Windows' view (Wine's Unix-side mmaps: signal stacks, X11, fonts)"


def dump_pages(pid):
    """Runs of resident pages in the anonymous mappings that hold any."""
    page = 4096
    with open(f"/proc/{pid}/smaps") as smaps, open(f"/proc/{pid}/pagemap", "rb") as pagemap:
        region = None
        for line in smaps:
            head = re.match(r"^([0-9a-f]+)-([0-9a-f]+) (\S+) \S+ \S+ \S+\s*(.*)$", line)
            if head:
                region = (int(head.group(1), 16), int(head.group(2), 16), head.group(4).strip())
                continue
            if not line.startswith("Anonymous:") or region is None or region[2] or line.split()[1] == "0":
                continue
            start, end, _ = region
            pagemap.seek(start // page * 8)
            data = pagemap.read((end - start) // page * 8)
            run = None
            for i in range(len(data) // 8):
                present = data[i * 8 + 7] & 0x80
                address = start + i * page
                if present and run is None:
                    run = address
                elif not present and run is not None:
                    print(f"{run:x} {address:x}")
                    run = None
            if run is not None:
                print(f"{run:x} {end:x}")


def unix_heap_kb(path):
    """Anonymous kB of the [heap] mapping in one smaps file."""
    kb, inside = 0, False
    with open(path) as smaps:
        for line in smaps:
            head = re.match(r"^[0-9a-f]+-[0-9a-f]+ ", line)
            if head:
                inside = line.rstrip().endswith("[heap]")
            elif inside and line.startswith("Anonymous:"):
                kb += int(line.split()[1])
    return kb


def med(values):
    return statistics.median(values) if values else 0.0


def main():
    directory, runs = sys.argv[1], int(sys.argv[2])
    names = ["tidewell", "bare", "floor"]
    print(f"=== time from launch to the mapped window, ms (traced; median of {runs} runs)")
    totals = {}
    for name in names:
        per_phase = collections.OrderedDict()
        totals[name] = []
        controls = collections.defaultdict(list)
        for n in range(1, runs + 1):
            phases, total, (spent, count) = timing(name, n, directory)
            totals[name].append(total)
            for p, ms in phases:
                per_phase.setdefault(p, []).append(ms)
            for key in spent:
                controls[key].append((spent[key], count[key]))
        print(f"--- {name}: total {med(totals[name]):.0f} ms   [{' '.join(f'{t:.0f}' for t in totals[name])}]")
        small = [v for p, v in per_phase.items() if p.startswith("attach: ") and max(v) < 1.5]
        for p, values in per_phase.items():
            if p.startswith("attach: ") and max(values) < 1.5:
                continue
            print(f"  {med(values):7.1f}  {p:<72} [{' '.join(f'{v:.0f}' for v in values)}]")
        if small:
            print(f"  {med([sum(run) for run in zip(*small)]):7.1f}  attach: the other {len(small)} DLLs")
        if controls:
            print("  details, ms: the exe's own CreateWindowExW (by class, count) and CreateFontIndirectW calls; the message loop's start")
            rows = sorted(controls.items(), key=lambda kv: -med([s for s, _ in kv[1]]))
            for key, values in rows:
                print(f"  {med([s for s, _ in values]):7.1f}  {key}" + (f" x{values[0][1]}" if key[0] != "(" else ""))
    print()
    print(f"=== private memory (smaps Anonymous) by kind, kB, median of {runs} runs")
    for name in names:
        per_kind = collections.defaultdict(list)
        guis, threads = [], []
        for n in range(1, runs + 1):
            kinds, gui, nthreads = memory(directory, name, n)
            for k in set(per_kind) | set(kinds):
                per_kind[k].append(kinds.get(k, 0))
            if gui:
                guis.append(gui)
            threads.append(nthreads)
        total = med([sum(v[i] for v in per_kind.values() if i < len(v)) for i in range(runs)])
        print(f"--- {name}: total {total:.0f} kB, {med(threads):.0f} threads"
              + (f", GetGuiResources: {guis[0][0]} GDI, {guis[0][1]} USER objects" if guis else ""))
        for k, values in sorted(per_kind.items(), key=lambda kv: -med(kv[1])):
            print(f"  {med(values):7.0f}  {k}")
    print()
    print("=== Unix malloc heap (brk), kB: as traced, and untraced with glibc's mmap threshold fixed at 128 kB")
    for name in names:
        traced_kb = med([unix_heap_kb(f"{directory}/{name}.{n}.smaps") for n in range(1, runs + 1)])
        try:
            fixed_kb = unix_heap_kb(f"{directory}/{name}.glibc.smaps")
        except OSError:
            continue
        print(f"  {name:<9} {traced_kb:7.0f} -> {fixed_kb:7.0f}   ({traced_kb - fixed_kb:.0f} kB are freed blocks glibc keeps)")
    print()
    print("=== heap blocks alive at the snapshot, by the module that asked (one run with the heap relayed), kB")
    for name in names:
        by_caller, by_heap, gdi, peak = heaps_by_caller(directory, name)
        print(f"--- {name}: {sum(by_caller.values()) / 1024:.0f} kB in {len(by_heap)} heaps"
              f" (at most {peak / 1024:.0f} kB at once during the start)")
        for caller, size in by_caller.most_common(12):
            print(f"  {size / 1024:7.0f}  {caller}")
        made = collections.Counter()
        for (fn, caller), count in gdi.items():
            made[(fn, caller)] += count
        if made:
            print("  GDI and icon calls until the snapshot (call, first caller outside Wine: count):")
            for (fn, caller), count in sorted(made.items(), key=lambda kv: -kv[1])[:14]:
                print(f"  {count:7d}  {fn} from {caller}")


if __name__ == "__main__":
    if sys.argv[1] == "--pages":
        dump_pages(sys.argv[2])
    else:
        main()
