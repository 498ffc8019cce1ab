#!/usr/bin/env python3
"""The command line's export and import on a register: the whole program's run, the median
of three, and the peak memory. Used by bench/run.sh; runs alone too:
    bench/command_line.py build/bench-data/S.zaz build/bench/app/ordisk"""
import os, statistics, subprocess, sys, tempfile, time

register, program = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


def run(cwd, *args, status=0):
    start = time.monotonic()
    child = subprocess.Popen([program, *args], cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, got, usage = os.wait4(child.pid, 0)
    if os.waitstatus_to_exitcode(got) != status:
        sys.exit(f"ordisk {' '.join(args)} ended with {os.waitstatus_to_exitcode(got)}")
    return (time.monotonic() - start) * 1000, usage.ru_maxrss / 1024


def report(name, runs):
    print(f"{name:28} {statistics.median(r[0] for r in runs):10.0f} {max(r[1] for r in runs):10.0f}")


with tempfile.TemporaryDirectory(dir=os.path.dirname(register)) as work:
    os.symlink(register, os.path.join(work, "db1.zaz"))
    print(f"{'command line':28} {'median ms':>10} {'peak MB':>10}")
    for name, what in [("export cd", "cd"), ("export vypujcky", "vypujcky")]:
        report(name, [run(work, "--export", what, what + ".csv") for _ in range(3)])
    # The workbooks: typed cells, streamed out; read back by their sheet.
    for suffix in ["xlsx", "ods"]:
        report(f"export cd .{suffix}", [run(work, "--export", "cd", f"cd.{suffix}") for _ in range(3)])
    # The printed lists, reminders and overview: pages painted as the rows are read. The PDF
    # of the discs against their CSV in the same run; a list of 300 discs as a collector's.
    csv = [run(work, "--export", "cd", "cd.csv") for _ in range(3)]
    pdf = [run(work, "--export", "cd", "cd.pdf") for _ in range(3)]
    report("export cd .csv (again)", csv)
    report("export cd .pdf", pdf)
    print(f"{'  PDF / CSV':28} {statistics.median(r[0] for r in pdf) / statistics.median(r[0] for r in csv):10.1f}")
    small = os.path.join(work, "small")
    os.mkdir(small)
    import sqlite3
    with sqlite3.connect(register) as source, sqlite3.connect(os.path.join(small, "db1.zaz")) as copy:
        source.backup(copy)
        copy.execute("PRAGMA foreign_keys = ON")
        copy.execute("DELETE FROM cd WHERE idcd NOT IN (SELECT idcd FROM cd ORDER BY idcd LIMIT 300)")
        copy.commit()
    report("export 300 discs .pdf", [run(small, "--export", "cd", "cd.pdf") for _ in range(3)])
    report("reminders .pdf", [run(work, "--export", "upominky", "upominky.pdf") for _ in range(3)])
    report("overview .pdf", [run(work, "--export", "prehled", "prehled.pdf") for _ in range(3)])
    for suffix in ["csv", "xlsx", "ods"]:
        runs = []
        for i in range(3):
            into = os.path.join(work, f"import-{suffix}{i}")
            os.mkdir(into)
            runs.append(run(into, "--import", "cd", os.path.join(work, f"cd.{suffix}")))
        report(f"import cd .{suffix}", runs)
    # The whole register read before an import writes: a dry run of one row with the
    # register against one without any.
    with open(os.path.join(work, "one.csv"), "w", encoding="utf-8") as one:
        one.write("nazev;pocetdisku;typdisku;typobsahu\nA;1;CD;Data\n")
    report("dry run, register checked", [run(work, "--import", "cd", "--dry-run", "one.csv") for _ in range(3)])
    os.mkdir(os.path.join(work, "empty"))
    report("dry run, no register", [run(os.path.join(work, "empty"), "--import", "cd", "--dry-run",
                                        os.path.join(work, "one.csv")) for _ in range(3)])
    # A copy of the register, as --backup makes it (the day's copy is made the same way).
    report("backup", [run(work, "--backup", f"kopie{i}.zaz") for i in range(3)])
    # 300 MB of random bytes: refused at once, in flat memory.
    noise = os.path.join(work, "noise.bin")
    with open(noise, "wb") as out:
        for _ in range(300):
            out.write(os.urandom(1 << 20))
    report("import 300 MB of noise", [run(work, "--import", "cd", noise, status=1) for _ in range(3)])
