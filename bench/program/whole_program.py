#!/usr/bin/env python3
"""Whole-program benchmark: the player against `mpv --no-config --ytdl=no --no-video URL`.

Runs everything in a network namespace of its own (the player reaches the demo
service on its built-in loopback ports), on a virtual X display with a tray, and
with ALSA pointed at a config whose default PCM writes raw samples into a FIFO
that this script reads: the first non-zero byte is the first sound, and reading
the FIFO at the sample rate makes playback run in real time. Neither program
knows it is being measured; the event-loop stalls are seen through a small
preloaded probe (loop_probe.cpp).

Usage: bench/program/whole_program.py [--build-dir build] [--runs 5] [--long-runs 3]
"""

import argparse
import fcntl
import json
import os
import platform
import select
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MPV_COMMAND = ["mpv", "--no-config", "--ytdl=no", "--no-video"]
HTTP_ORIGIN = "http://127.0.0.1:18080"
LIST_PATH = "/fm/read/fmd/h5/getPayResourceList_714.html"
# ALSA's plug converts whatever the program sends to this, so the byte rate is known.
RATE, CHANNELS, SAMPLE_BYTES = 48000, 2, 2
BYTES_PER_SECOND = RATE * CHANNELS * SAMPLE_BYTES
EPISODE_COUNTS = (7, 30, 200, 1000)
ANSWERS_BEFORE_SOUND = 5  # morning list, clock, evening list, cover, audio
PLAY_SECONDS = 60
CAPTION = "晨鹊早晚报v1.2"


def log(message):
    print(message, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- environment


def enter_own_network():
    """Re-runs this script in a network namespace with only loopback, so the fixed
    service ports are ours whatever else runs on the machine."""
    if os.environ.get("CHENQUE_BENCH_NETNS") == "1":
        bring_loopback_up()
        return
    if shutil.which("unshare") is None:
        sys.exit("whole_program: needs unshare (util-linux)")
    command = ["unshare", "--net"]
    if os.geteuid() != 0:
        command.append("--map-root-user")
    env = dict(os.environ, CHENQUE_BENCH_NETNS="1")
    os.execvpe(command[0], command + ["--", sys.executable, os.path.abspath(__file__)] + sys.argv[1:],
               env)


def bring_loopback_up():
    SIOCGIFFLAGS, SIOCSIFFLAGS, IFF_UP = 0x8913, 0x8914, 0x1
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        request = struct.pack("16sh14x", b"lo", 0)
        flags = struct.unpack("16sh14x", fcntl.ioctl(s, SIOCGIFFLAGS, request))[1]
        fcntl.ioctl(s, SIOCSIFFLAGS, struct.pack("16sh14x", b"lo", flags | IFF_UP))


def build(build_dir):
    if not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release"], check=True)
    subprocess.run(["cmake", "--build", build_dir, "--target", "chenque", "chenque-demo",
                    "chenque-loop-probe"], check=True, stdout=subprocess.DEVNULL)


def build_type(build_dir):
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt")) as cache:
            for line in cache:
                if line.startswith("CMAKE_BUILD_TYPE:"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return "?"


class Processes:
    """Everything this script starts, ended in reverse order."""

    def __init__(self):
        self.started = []

    def start(self, argv, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        process = subprocess.Popen(argv, **kwargs)
        self.started.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(3)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if process in self.started:
            self.started.remove(process)

    def stop_all(self):
        for process in reversed(list(self.started)):
            self.stop(process)


def read_line_from(fd, what, timeout=20):
    text = b""
    deadline = time.monotonic() + timeout
    while not text.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 1)
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                break
            text += chunk
    os.close(fd)
    if not text.strip():
        sys.exit(f"whole_program: {what} did not start")
    return text.decode().strip()


def start_session_bus(processes):
    """A desktop session has a D-Bus session bus; without one the tray would have
    libdbus start a bus of its own at every launch."""
    read_end, write_end = os.pipe()
    processes.start(["dbus-daemon", "--session", "--nofork", f"--print-address={write_end}"],
                    pass_fds=(write_end,))
    os.close(write_end)
    return read_line_from(read_end, "dbus-daemon")


def start_display(processes):
    read_end, write_end = os.pipe()
    processes.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24",
                     "-nolisten", "tcp"], pass_fds=(write_end,))
    os.close(write_end)
    number = read_line_from(read_end, "Xvfb")
    display = ":" + number
    # The program gets a tray to put its icon into, as on a desktop.
    processes.start(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                     "--width", "120", "--height", "24", "--SetDockType", "false",
                     "--transparent", "false"], env=dict(os.environ, DISPLAY=display))
    time.sleep(0.5)
    return display


# ---------------------------------------------------------------- sound


class SoundSink:
    """The FIFO behind ALSA's default PCM. Reading it as fast as it fills shows when
    the first audible sample is handed over; reading it at the sample rate (paced)
    makes the writer wait as a sound card would."""

    def __init__(self, directory):
        self.fifo = os.path.join(directory, "sound.fifo")
        os.mkfifo(self.fifo)
        self.config = os.path.join(directory, "asound.conf")
        with open(self.config, "w") as out:
            out.write(f"""pcm.!default {{
  type plug
  slave {{ pcm "bench_fifo" format S16_LE rate {RATE} channels {CHANNELS} }}
}}
pcm.bench_fifo {{
  type file
  slave.pcm {{ type null }}
  file "{self.fifo}"
  format "raw"
}}
""")
        # Held open for writing too, so the FIFO never reads as ended between runs.
        self.fd = os.open(self.fifo, os.O_RDWR | os.O_NONBLOCK)
        self.thread = None

    def start(self, paced):
        self.drain()
        self.paced = paced
        self.first_sound = None
        self.bytes = 0
        self.running = True
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def stop(self):
        self.running = False
        if self.thread:
            self.thread.join()
            self.thread = None
        self.drain()

    def drain(self):
        while True:
            try:
                if not os.read(self.fd, 1 << 16):
                    return
            except BlockingIOError:
                return

    def wait_first_sound(self, timeout):
        deadline = time.monotonic() + timeout
        while self.first_sound is None and time.monotonic() < deadline:
            time.sleep(0.002)
        return self.first_sound

    def _read(self):
        started = None
        while self.running:
            allowed = 1 << 16
            if self.paced and started is not None:
                # One period ahead of the clock, like a card's buffer.
                allowed = int((time.monotonic() - started) * BYTES_PER_SECOND) - self.bytes + 9600
                if allowed <= 0:
                    time.sleep(0.005)
                    continue
            ready, _, _ = select.select([self.fd], [], [], 0.02)
            if not ready:
                continue
            try:
                data = os.read(self.fd, min(allowed, 1 << 16))
            except BlockingIOError:
                continue
            now = time.monotonic()
            if started is None:
                started = now
            self.bytes += len(data)
            if self.first_sound is None and data.count(0) != len(data):
                self.first_sound = now


# ---------------------------------------------------------------- demo service


class Demo:
    def __init__(self, processes, build_dir, work, options):
        self.processes = processes
        self.log_path = os.path.join(work, "demo-log.jsonl")
        port_file = os.path.join(work, "demo-ports")
        for path in (self.log_path, port_file):
            if os.path.exists(path):
                os.remove(path)
        self.process = processes.start(
            [os.path.join(build_dir, "demo", "chenque-demo"), "--log", self.log_path,
             "--port-file", port_file] + options)
        deadline = time.monotonic() + 20
        while not os.path.exists(port_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                sys.exit("whole_program: the demo service did not start")
            time.sleep(0.02)

    def warm(self):
        """Asks for both lists once (which makes every episode's spoken audio) and
        waits until the service has made all it makes ahead."""
        for pid in ("367750", "456498"):
            origin = HTTP_ORIGIN
            urllib.request.urlopen(f"{origin}{LIST_PATH}?pid={pid}&isFree=2&pageNum=1&userId=&_=0",
                                   data=b"", timeout=900).read()
        wait_until_idle(self.process.pid)

    def requests(self):
        try:
            with open(self.log_path) as lines:
                return [json.loads(line) for line in lines if line.strip()]
        except OSError:
            return []

    def stop(self):
        self.processes.stop(self.process)


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime, stime
    except (OSError, IndexError, ValueError):
        return None


def has_children(pid):
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    if int(stat.read().rsplit(")", 1)[1].split()[1]) == pid:
                        return True
            except (OSError, IndexError, ValueError):
                pass
    return False


def wait_until_idle(pid, timeout=1800):
    """Until the service runs no helper program and uses (almost) no CPU for 1.5 s."""
    deadline = time.monotonic() + timeout
    quiet = 0
    last = cpu_ticks(pid)
    while quiet < 3 and time.monotonic() < deadline:
        time.sleep(0.5)
        now = cpu_ticks(pid)
        quiet = quiet + 1 if (not has_children(pid) and now is not None and last is not None
                              and now - last <= 1) else 0
        last = now


# ---------------------------------------------------------------- one run


class Bench:
    def __init__(self, args, work, display, bus, sink, processes):
        self.args = args
        self.work = work
        self.display = display
        self.sink = sink
        self.processes = processes
        self.player = os.path.join(args.build_dir, "app", "chenque")
        self.probe = os.path.join(args.build_dir, "bench", "program", "chenque-loop-probe.so")
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        home = os.path.join(work, "home")
        os.makedirs(home, exist_ok=True)
        self.env = dict(os.environ, DISPLAY=display, ALSA_CONFIG_PATH=sink.config,
                        XDG_RUNTIME_DIR=runtime, HOME=home, DBUS_SESSION_BUS_ADDRESS=bus)
        for name in ("PULSE_SERVER", "PIPEWIRE_REMOTE", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                     "LD_PRELOAD"):
            self.env.pop(name, None)

    def launch(self, program, url=None, probe_out=None):
        env = dict(self.env)
        if program == "player":
            argv = [self.player]
            if probe_out:
                env["LD_PRELOAD"] = self.probe
                env["CHENQUE_LOOP_PROBE_OUT"] = probe_out
        else:
            argv = MPV_COMMAND + [url]
        started = time.monotonic()
        process = self.processes.start(argv, env=env)
        return process, started

    def first_sound(self, program, url, probe_out=None, timeout=30):
        """Seconds from launch to the first audible sample, or None."""
        self.sink.start(paced=False)
        process, started = self.launch(program, url, probe_out)
        heard = self.sink.wait_first_sound(timeout)
        self.processes.stop(process)
        self.sink.stop()
        return None if heard is None else heard - started

    def playing(self, program, url):
        """Peak and steady RSS (MiB) and CPU seconds over PLAY_SECONDS of playing."""
        self.sink.start(paced=True)
        process, _ = self.launch(program, url)
        heard = self.sink.wait_first_sound(30)
        result = None
        if heard is not None:
            ticks_at_sound = cpu_ticks(process.pid)
            samples = []
            end = heard + PLAY_SECONDS
            while time.monotonic() < end and process.poll() is None:
                rss = read_status(process.pid).get("VmRSS")
                if rss is not None and time.monotonic() - heard >= 10:
                    samples.append(rss)
                time.sleep(0.5)
            status = read_status(process.pid)
            ticks_at_end = cpu_ticks(process.pid)
            if process.poll() is None and samples and ticks_at_end is not None:
                hz = os.sysconf("SC_CLK_TCK")
                result = {
                    "peak": status["VmHWM"] / 1024,
                    "steady": statistics.median(samples) / 1024,
                    "cpu": (ticks_at_end - ticks_at_sound) / hz,
                }
        self.processes.stop(process)
        self.sink.stop()
        return result

    def click_retry(self):
        window = subprocess.run(["xdotool", "search", "--name", CAPTION], env=self.env,
                                capture_output=True, text=True).stdout.split()
        if not window:
            return None
        clicked = time.monotonic()
        # A real press: the button acts on release.
        subprocess.run(["xdotool", "mousemove", "--window", window[0], "50", "50", "mousedown", "1",
                        "sleep", "0.1", "mouseup", "1"], env=self.env, check=False)
        return clicked


def read_status(pid):
    values = {}
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                name, _, rest = line.partition(":")
                if name in ("VmRSS", "VmHWM"):
                    values[name] = int(rest.split()[0])
    except OSError:
        pass
    return values


def read_probe(path):
    """Late ticks (due, late), blocking calls (kind, start, end), other spans by
    name (a list of (start, end)) and single marks (start, loop) by name."""
    ticks, blocks, spans, marks = [], [], {}, {}
    try:
        with open(path) as lines:
            for line in lines:
                parts = line.split()
                if parts[0] == "tick":
                    ticks.append((int(parts[1]) / 1e9, int(parts[2]) / 1e9))
                elif parts[0] == "block":
                    blocks.append((parts[1], int(parts[2]) / 1e9, int(parts[3]) / 1e9))
                elif parts[0] == "worker":
                    spans.setdefault("worker", []).append((int(parts[2]) / 1e9,
                                                           int(parts[3]) / 1e9))
                elif len(parts) == 3:
                    spans.setdefault(parts[0], []).append((int(parts[1]) / 1e9,
                                                           int(parts[2]) / 1e9))
                else:
                    marks.setdefault(parts[0], int(parts[1]) / 1e9)
    except (OSError, ValueError, IndexError):
        pass
    return ticks, blocks, spans, marks


def longest_stall(ticks, blocks, start, end):
    """The longest late wake-up between start and end, less the time the window
    thread spent inside the cover fetch or the media open meanwhile."""
    longest = 0.0
    for due, late in ticks:
        if due < start or due > end:
            continue
        inside = sum(max(0.0, min(due + late, b_end) - max(due, b_start))
                     for _, b_start, b_end in blocks)
        longest = max(longest, late - inside)
    return longest


def handover_end(blocks):
    """Loading is over once the first media open has ended (and a moment after)."""
    opens = [b_end for kind, _, b_end in blocks if kind == "open"]
    return (min(opens) if opens else float("inf")) + 0.2


# ---------------------------------------------------------------- measures


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def audio_url(demo):
    for request in demo.requests():
        if request.get("target", "").startswith("/audio/"):
            return HTTP_ORIGIN + request["target"]
    return None


def today_at_eight_pm():
    # The service's home time is UTC+8; at 20:00 both of today's editions are out.
    home = time.gmtime(time.time() + 8 * 3600)
    return time.strftime("%Y-%m-%d 20:00:00", home)


def measure_first_sound(bench, results, runs):
    for latency in (0, 100):
        log(f"first sound at {latency} ms per answer")
        demo = Demo(bench.processes, bench.args.build_dir, bench.work,
                    ["--short-audio", "--latency", str(latency), "--now", today_at_eight_pm()])
        demo.warm()
        bench.first_sound("player", None)  # warm-up, and it names row 0's audio
        url = audio_url(demo)
        if url is None:
            sys.exit("whole_program: the player requested no audio")
        bench.first_sound("mpv", url)
        times = {"player": [], "mpv": []}
        for run in range(runs):
            for program in (("player", "mpv") if run % 2 == 0 else ("mpv", "player")):
                times[program].append(bench.first_sound(program, url))
        demo.stop()
        results[f"first_{latency}"] = {p: median(t) for p, t in times.items()}
        results[f"first_{latency}_runs"] = times


def measure_playing(bench, results, runs):
    log(f"RSS and CPU over {PLAY_SECONDS} s of playing")
    demo = Demo(bench.processes, bench.args.build_dir, bench.work,
                ["--repeat-audio", "2", "--now", today_at_eight_pm()])
    demo.warm()
    bench.first_sound("player", None)
    url = audio_url(demo)
    samples = {"player": [], "mpv": []}
    for run in range(runs):
        for program in (("player", "mpv") if run % 2 == 0 else ("mpv", "player")):
            samples[program].append(bench.playing(program, url))
    demo.stop()
    for program, runs_of in samples.items():
        good = [r for r in runs_of if r]
        results[f"playing_{program}"] = {k: median([r[k] for r in good])
                                         for k in ("peak", "steady", "cpu")} if good else None
    results["playing_runs"] = samples


def measure_loading(bench, results, runs):
    for count in EPISODE_COUNTS:
        log(f"loading {count} episodes per list")
        demo = Demo(bench.processes, bench.args.build_dir, bench.work,
                    ["--short-audio", "--episodes", str(count), "--now", today_at_eight_pm()])
        demo.warm()
        bench.first_sound("player", None)
        times, stalls = [], []
        for run in range(runs):
            probe_out = os.path.join(bench.work, f"probe-{count}-{run}.txt")
            times.append(bench.first_sound("player", None, probe_out))
            ticks, blocks, _, marks = read_probe(probe_out)
            if "loop" in marks:
                stalls.append(longest_stall(ticks, blocks, marks["loop"], handover_end(blocks)))
        demo.stop()
        results[f"loading_{count}"] = median(times)
        results[f"stall_loading_{count}"] = max(stalls) if stalls else None
        results[f"loading_{count}_runs"] = times


def measure_retry(bench, results, runs, count=1000):
    log(f"retry with {count} episodes per list")
    stalls = []
    for run in range(runs):
        refusing = Demo(bench.processes, bench.args.build_dir, bench.work, ["--fault", "refuse"])
        probe_out = os.path.join(bench.work, f"probe-retry-{run}.txt")
        bench.sink.start(paced=False)
        process, _ = bench.launch("player", None, probe_out)
        # The first loading fails at once; give the window time to show it.
        time.sleep(2.0)
        refusing.stop()
        demo = Demo(bench.processes, bench.args.build_dir, bench.work,
                    ["--short-audio", "--episodes", str(count), "--now", today_at_eight_pm()])
        if run == 0:
            demo.warm()
        clicked = bench.click_retry()
        heard = bench.sink.wait_first_sound(30)
        time.sleep(0.3)
        bench.processes.stop(process)
        bench.sink.stop()
        demo.stop()
        ticks, blocks, _, _ = read_probe(probe_out)
        if clicked is not None and heard is not None:
            later = [b for b in blocks if b[1] >= clicked]
            stalls.append(longest_stall(ticks, later, clicked, handover_end(later)))
    results[f"stall_retry_{count}"] = max(stalls) if stalls else None
    results["stall_retry_runs"] = stalls


# ---------------------------------------------------------------- the table


def machine():
    model = "?"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    distro = "?"
    try:
        with open("/etc/os-release") as release:
            for line in release:
                if line.startswith("PRETTY_NAME="):
                    distro = line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    mpv = subprocess.run(["mpv", "--version"], capture_output=True, text=True).stdout.split("\n")[0]
    return (f"{model}, {os.cpu_count()} cores, {memory:.0f} GiB; {distro}, Linux "
            f"{platform.release()}; {' '.join(mpv.split()[:2])}")


def seconds(value):
    return "-" if value is None else f"{value:.3f} s"


def ratio(a, b):
    return None if a is None or not b else a / b


def verdict(value, limit):
    if value is None:
        return "?"
    return "yes" if value <= limit else "no"


def print_table(results, args):
    rows = []

    def row(measure, player, mpv, ratio_text, goal, met):
        rows.append((measure, player, mpv, ratio_text, goal, met))

    first0 = results.get("first_0")
    if first0:
        r = ratio(first0["player"], first0["mpv"])
        row("first sound, 0 ms per answer", seconds(first0["player"]), seconds(first0["mpv"]),
            "-" if r is None else f"{r:.2f}x", "<= 1.3x mpv", verdict(r, 1.3))
    first100 = results.get("first_100")
    if first100 and first0 and first0["mpv"] is not None:
        floor = ANSWERS_BEFORE_SOUND * 0.100 + first0["mpv"]
        r = ratio(first100["player"], floor)
        row("first sound, 100 ms per answer", seconds(first100["player"]),
            seconds(first100["mpv"]),
            "-" if r is None else f"{r:.2f}x floor ({floor:.3f} s)", "<= 1.1x floor",
            verdict(r, 1.1))
    player, mpv = results.get("playing_player"), results.get("playing_mpv")
    if player and mpv:
        for key, name, goal in (("peak", "peak RSS while playing", 1.2),
                                ("steady", "steady RSS while playing", None)):
            r = ratio(player[key], mpv[key])
            row(name, f"{player[key]:.1f} MiB", f"{mpv[key]:.1f} MiB", f"{r:.2f}x",
                "-" if goal is None else f"<= {goal}x mpv",
                "-" if goal is None else verdict(r, goal))
        r = ratio(player["cpu"], mpv["cpu"])
        row(f"CPU over {PLAY_SECONDS} s of playing", f"{player['cpu']:.2f} s",
            f"{mpv['cpu']:.2f} s", f"{r:.2f}x", "<= 1.0x mpv", verdict(r, 1.0))
    previous = None
    for count in EPISODE_COUNTS:
        value = results.get(f"loading_{count}")
        if value is None:
            continue
        growth = "-"
        if previous is not None:
            per = (value - previous[1]) / (count - previous[0]) * 1000
            growth = f"+{per:.3f} ms/episode"
        goal, met = ("< 1 s", verdict(value, 0.999)) if count == 1000 else ("-", "-")
        row(f"start to row 0 playing, {count} episodes per list", seconds(value), "-", growth, goal,
            met)
        previous = (count, value)
    stalls = [(f"longest stall, loading {count} episodes", results.get(f"stall_loading_{count}"))
              for count in EPISODE_COUNTS]
    stalls.append(("longest stall, retry with 1000 episodes", results.get("stall_retry_1000")))
    for name, value in stalls:
        if value is not None:
            row(name + " (outside cover fetch and media open)", f"{value * 1000:.0f} ms", "-", "-",
                "<= 50 ms", verdict(value, 0.050))

    print()
    print(f"Machine: {machine()}")
    print(f"Build: {build_type(args.build_dir)}; {args.runs} runs each "
          f"({args.long_runs} for the {PLAY_SECONDS} s measures), alternating, medians; "
          f"mpv is `{' '.join(MPV_COMMAND)} URL` on row 0's audio URL")
    print()
    header = ("measure", "chenque", "mpv", "ratio / growth", "goal", "met")
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = lambda cells: "| " + " | ".join(str(c).ljust(w) for c, w in zip(cells, widths)) + " |"
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=5, help="runs of each short measure")
    parser.add_argument("--long-runs", type=int, default=3,
                        help=f"runs of the {PLAY_SECONDS} s playing measure")
    parser.add_argument("--only", default="first,playing,loading,retry",
                        help="comma-separated subset of first,playing,loading,retry")
    parser.add_argument("--no-build", action="store_true", help="use the build as it is")
    parser.add_argument("--json", help="also write the measured values here")
    args = parser.parse_args()
    args.build_dir = os.path.abspath(args.build_dir)
    for tool in ("mpv", "Xvfb", "trayer", "xdotool", "dbus-daemon"):
        if shutil.which(tool) is None:
            sys.exit(f"whole_program: needs {tool} (scripts/install-deps installs it)")
    enter_own_network()
    if not args.no_build:
        build(args.build_dir)

    processes = Processes()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    work = tempfile.mkdtemp(prefix="chenque-bench-")
    results = {}
    try:
        display = start_display(processes)
        bus = start_session_bus(processes)
        sink = SoundSink(work)
        bench = Bench(args, work, display, bus, sink, processes)
        wanted = set(args.only.split(","))
        if "first" in wanted:
            measure_first_sound(bench, results, args.runs)
        if "playing" in wanted:
            measure_playing(bench, results, args.long_runs)
        if "loading" in wanted:
            measure_loading(bench, results, args.runs)
        if "retry" in wanted:
            measure_retry(bench, results, args.runs)
    finally:
        processes.stop_all()
        shutil.rmtree(work, ignore_errors=True)
    if args.json:
        with open(args.json, "w") as out:
            json.dump(results, out, indent=1)
    print_table(results, args)


if __name__ == "__main__":
    main()
