#!/usr/bin/env python3
"""Launch to first frame, side by side: an empty QMainWindow of the main window's size and
Ordisk on each register given, started in turn (alternating, so that the machine's noise
falls on all alike) on one virtual X server, with the timing library preloaded.

    first_frame.py BUILD_DIR [NAME=REGISTER ...] [--runs N] [--ordisk PROGRAM] [--shots FOLDER]

Each register is copied into a folder of its own, and Ordisk is started there once without
being timed (so that what it keeps beside the register from its last run is there, as it is
for a user); then every program is started N times. Prints the median of the window mapped
and of the first frame in milliseconds, and each one's ratio to the empty window's.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def start_x():
    for display in range(91, 120):
        if os.path.exists(f"/tmp/.X11-unix/X{display}") or os.path.exists(f"/tmp/.X{display}-lock"):
            continue
        server = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(f"/tmp/.X11-unix/X{display}"):
                return server, f":{display}"
            if server.poll() is not None:
                break
            time.sleep(0.05)
        server.kill()
    sys.exit("first_frame: no virtual X server could be started (is Xvfb installed?)")


def timed_run(command, cwd, env, out):
    if os.path.exists(out):
        os.unlink(out)
    env = dict(env, FRAME_CLOCK_OUT=out, FRAME_CLOCK_EXIT="1", FRAME_CLOCK_T0=str(time.monotonic_ns()))
    done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=120)
    if done.returncode != 0 or not os.path.exists(out):
        sys.exit(f"first_frame: {command[0]} in {cwd} showed no frame (status {done.returncode})")
    mapped, frame = (float(x) for x in open(out).read().split())
    return mapped, frame


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("registers", nargs="*", help="NAME=PATH of a register (PATH empty: a new, empty one)")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--ordisk", help="the program to start (default: BUILD_DIR/app/ordisk)")
    parser.add_argument("--shots", help="a folder for a picture of each program's first frame")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    clock = os.path.join(build, "bench", "libordisk_frame_clock.so")
    work = tempfile.mkdtemp(prefix="ordisk-first-frame-")
    server, display = start_x()
    env = dict(os.environ, DISPLAY=display, LD_PRELOAD=clock, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_CACHE_HOME=os.path.join(work, "cache"))
    env.pop("QT_QPA_PLATFORM", None)
    out = os.path.join(work, "frame")
    try:
        programs = [("empty QMainWindow", [os.path.join(build, "bench", "ordisk_empty_window")], work)]
        for entry in args.registers:
            name, _, path = entry.partition("=")
            folder = os.path.join(work, name)
            os.makedirs(folder)
            if path:
                shutil.copy(path, os.path.join(folder, "db1.zaz"))
            command = [os.path.abspath(args.ordisk) if args.ordisk else os.path.join(build, "app", "ordisk")]
            # One start not timed: the register is made or checked, and the day's copy made.
            warm = subprocess.Popen(command, cwd=folder, env=dict(env, LD_PRELOAD=""), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            settle(folder, warm)
            programs.append((name, command, folder))
        if args.shots:
            os.makedirs(args.shots, exist_ok=True)
            for name, command, folder in programs:
                shot = os.path.abspath(os.path.join(args.shots, f"first-frame-{name.split()[0]}.png"))
                timed_run(command, folder, dict(env, FRAME_CLOCK_SHOT=shot), out)
                # The window only (it is placed at the screen's corner, without a window manager).
                subprocess.run(["convert", shot, "-crop", "905x709+0+0", "+repage", shot], check=False)
        times = {name: [] for name, _, _ in programs}
        for _ in range(args.runs):
            for name, command, folder in programs:
                times[name].append(timed_run(command, folder, env, out))
        base = None
        print(f"{'program':24} {'mapped ms':>10} {'ratio':>6} {'first frame ms':>15} {'ratio':>6}")
        for name, _, _ in programs:
            mapped = statistics.median(t[0] for t in times[name])
            frame = statistics.median(t[1] for t in times[name])
            if base is None:
                base = (mapped, frame)
            print(f"{name:24} {mapped:10.1f} {mapped / base[0]:6.2f} {frame:15.1f} {frame / base[1]:6.2f}")
    finally:
        server.kill()
        shutil.rmtree(work, ignore_errors=True)


def settle(folder, process):
    """Lets a first start finish what it does once (the day's copy, what it keeps beside the
    register), then ends it: it is done when nothing in the folder has changed for a while."""
    def state():
        found = []
        for root, _, files in os.walk(folder):
            for f in files:
                try:
                    st = os.stat(os.path.join(root, f))
                    found.append((f, st.st_size, st.st_mtime_ns))
                except FileNotFoundError:
                    pass
        return sorted(found)
    last, quiet = state(), 0
    deadline = time.monotonic() + 300
    while quiet < 20 and time.monotonic() < deadline:
        time.sleep(0.1)
        now = state()
        quiet = quiet + 1 if now == last else 0
        last = now
    process.terminate()
    process.wait(timeout=30)


if __name__ == "__main__":
    main()
