#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Cold start to home page painted, for Quillet, whose caption names the page only on the
load indicator's first one-second poll (so a title-based timer cannot see the paint).

Starts a private Xvfb and a fresh HOME per run, starts the browser, and reads a 32x32 patch
of the home page's left margin from the screen (with peer-bench's PixelProbe) until 30 % of it is
the home page's background. Prints one line per run and the median.

With KEPT_HISTORY_FOLDER (a folder holding a history.sqlite), Quillet starts with keeping on
and that history (the runs add their home-page visits to it).

With --link, each run measures a link opened from another program instead: with Quillet
already showing its home page, `quillet FILE` (a local page of one colour) is started as the
desktop starts its browser, and the time is from then until that page is painted in the new
window (which opens over the first, at the same place).

With --floor, QUILLET_BINARY is the floor program instead (peer-bench's 40-line gtkmm +
WebKitGTK window, DMA-BUF renderer off): the time from its start to that local page painted.

usage: paint_time.py [--link | --floor] PEER_BENCH_DIR QUILLET_BINARY [RUNS] [KEPT_HISTORY_FOLDER]
"""
import os, shutil, signal, statistics, subprocess, sys, tempfile, time

link = "--link" in sys.argv[1:]
floor = "--floor" in sys.argv[1:]
args = [a for a in sys.argv[1:] if a not in ("--link", "--floor")]
peer_bench, binary = args[0], args[1]
runs = int(args[2]) if len(args) > 2 else 5
kept_history = os.path.abspath(args[3]) if len(args) > 3 else None
sys.path.insert(0, peer_bench)
import measure  # noqa: E402  (PixelProbe, start_with_fd)

HOME_BACKGROUND = 0xF4F8F3
LINK_BACKGROUND = 0x2E8B57
# A patch of the home page's left margin, where no text stands, on screen at 96 DPI: window
# client area at (204, 230), page view from y = 64, its first 24 pixels are margin.
CENTRE = (204 + 14, 230 + 64 + 300)

def one_run():
    tmp = tempfile.mkdtemp(prefix="quillet-paint.")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
    for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"),
                     ("XDG_DATA_HOME", "data"), ("XDG_RUNTIME_DIR", "run")):
        env[var] = os.path.join(tmp, sub)
        os.makedirs(env[var], mode=0o700)
    env["NO_AT_BRIDGE"] = "1"
    if kept_history:
        os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "Quillet"))
        with open(os.path.join(env["XDG_CONFIG_HOME"], "Quillet", "settings.ini"), "w") as ini:
            ini.write("[history]\nkeep=1\n")
        os.symlink(kept_history, os.path.join(env["XDG_DATA_HOME"], "Quillet"))
    xvfb, display = measure.start_with_fd(["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1280x1024x24",
                                           "-nolisten", "tcp", "-noreset"], env, 15, "Xvfb")
    env["DISPLAY"] = ":" + display
    # A session bus of its own, as a desktop session gives (and as peer-bench does).
    dbus, address = measure.start_with_fd(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                           "--print-address={fd}"], env, 15, "dbus-daemon")
    env["DBUS_SESSION_BUS_ADDRESS"] = address
    probe = measure.PixelProbe(env["DISPLAY"])

    def start(*arguments):
        return subprocess.Popen([binary, *arguments], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)

    def seconds_until_painted(colour, t0):
        while time.monotonic() - t0 < 30:
            if probe.fraction(*CENTRE, colour) >= 0.30:
                return time.monotonic() - t0
            time.sleep(0.01)
        return None

    page = os.path.join(tmp, "link.html")
    with open(page, "w") as html:
        html.write(f"<title>Link</title><body style='background:#{LINK_BACKGROUND:06x}'>")
    if floor:
        env["WEBKIT_DISABLE_DMABUF_RENDERER"] = "1"
        t0 = time.monotonic()
        browsers = [start("file://" + page)]
        painted = seconds_until_painted(LINK_BACKGROUND, t0)
    else:
        browsers = [start()]
        painted = seconds_until_painted(HOME_BACKGROUND, time.monotonic())
    if link and painted is not None:
        t0 = time.monotonic()
        browsers.append(start(page))
        painted = seconds_until_painted(LINK_BACKGROUND, t0)
    probe.close()
    for browser in browsers:
        os.killpg(browser.pid, signal.SIGTERM)
        browser.wait()
    for helper in (dbus, xvfb):
        helper.terminate()
        helper.wait()
    shutil.rmtree(tmp, ignore_errors=True)
    return painted

times = []
for run in range(runs + 1):  # the first run warms the page cache and is not counted
    t = one_run()
    print(f"run {run}: {'warm-up ' if run == 0 else ''}{t if t is None else round(t, 3)} s")
    if run > 0 and t is not None:
        times.append(t)
what = ("link from another program to its page painted" if link else
        "floor program's start to a local page painted" if floor else "start to home page painted")
print(f"median {what}: {statistics.median(times):.3f} s over {len(times)} runs")
