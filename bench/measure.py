"""Varnel's benchmark: start-up, shutdown, memory and large notes, beside a floor program of ours and
beside xpad, all measured from outside in one run. Prints figures; never fails for being slow.

bench/run.sh runs this inside a Wine session of its own (scripts/with-wine.sh):
    bench/measure.py [--runs N] [--only TEXTS] [--varnel EXE] [--before EXE] [--bare-x] [--work FOLDER]
Each figure is the median of N runs (5 by default) after one warm-up round, with min and max; the
rounds take the programs in turn, so a load that comes and goes falls on all of them alike, and a
ratio between two programs is the median of the ratios taken round by round. With --before, every
Varnel figure is also taken of an older build in the same rounds, right beside the current one.
"""

import argparse
import datetime
import json
import os
import pathlib
import platform
import shutil
import statistics
import subprocess
import sys
import time

from notes import japanese_text, long_line_text, write_floor_notes, write_varnel_notes, write_xpad_notes
from xwindows import MapWatcher

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "windows"
VARNEL = BUILD / "varnel.exe"
FLOOR = BUILD / "bench" / "varnel_floor.exe"
JOURNAL_WRITE = BUILD / "bench" / "varnel_journal_write.exe"
PROBE = BUILD / "tests" / "e2e" / "varnel_probe.exe"
# Wine's 64-bit loader runs the program in the process it starts; "wine" itself may hand a 64-bit
# program on to a process of its own, which would hide its memory from us.
WINE64 = shutil.which("wine64") or "/usr/lib/wine/wine64"

CAPTION = " Varnel ver2.0"
NOTE_BYTES = 2 * 1024
EDIT = "編集済み"
# A paragraph pasted without line breaks: the longest line the bench gives a note.
LONG_LINE_CHARACTERS = 100_000
TIMEOUT = 180
IDLE_SECONDS = 60
# A file of zeros linked as a note's text: sparse, so it costs the disk nothing.
HUGE_BYTES = 2 * 1024 ** 3
FOLLOW_SECONDS = 10


class Broken(Exception):
    """A program did not do what the benchmark waits for: a fault, not slowness."""


class Process:
    """A program started by the benchmark."""

    def __init__(self, command, log, env=None):
        self.started = time.monotonic()
        with open(log, "ab") as output:
            self.popen = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=output, stderr=output, env=env)
        self.pid = self.popen.pid
        self.code = None
        self.ended = None

    def poll(self):
        """The exit time once the program has ended (its exit code taken in), else None."""
        if self.code is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if not pid:
                return None
            self.ended = time.monotonic()
            self.code = os.waitstatus_to_exitcode(status)
            self.popen.returncode = self.code
        return self.ended

    def running(self):
        return self.poll() is None

    def wait(self, timeout):
        """Waits for the exit; returns its time, or None when timeout seconds pass first."""
        deadline = time.monotonic() + timeout
        while self.poll() is None:
            if time.monotonic() > deadline:
                return None
            time.sleep(0.002)
        return self.ended

    def peak_mib(self):
        """The most memory the process has held resident so far (its high-water mark).

        Read from the live process: the exit's own figure (ru_maxrss) also counts the memory of
        the benchmark that started it."""
        for line in pathlib.Path(f"/proc/{self.pid}/status").read_text().splitlines():
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
        raise Broken("no memory figure for a process that has ended")

    def cpu_ticks(self):
        fields = pathlib.Path(f"/proc/{self.pid}/stat").read_text().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

    def cpu_over(self, seconds):
        """The processor time the program uses in the next seconds, in seconds."""
        ticks = self.cpu_ticks()
        time.sleep(seconds)
        return (self.cpu_ticks() - ticks) / os.sysconf("SC_CLK_TCK")

    def wait_idle(self, quiet=0.3, timeout=30):
        """Waits until the program has used no processor time for quiet seconds (painting done)."""
        deadline = time.monotonic() + timeout
        last, since = self.cpu_ticks(), time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.05)
            ticks = self.cpu_ticks()
            if ticks != last:
                last, since = ticks, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return

    def stop(self):
        if self.code is None:
            self.popen.kill()
            self.wait(30)


class Bench:
    def __init__(self, work):
        self.work = pathlib.Path(work)
        self.watcher = MapWatcher()
        self.counter = 0

    def folder(self, name):
        self.counter += 1
        path = self.work / f"{self.counter:03}-{name}"
        shutil.rmtree(path, ignore_errors=True)
        path.mkdir(parents=True)
        return path

    def wait_windows(self, process, condition, what):
        arrived = self.watcher.wait(lambda: condition(self.watcher.windows(process.pid)) or not process.running(),
                                    TIMEOUT)
        if arrived is None or not condition(self.watcher.windows(process.pid)):
            raise Broken(f"{what} did not appear (exit code {process.code})")
        return arrived - process.started

    def probe(self, *args):
        output = self.work / "probe.out"
        with open(output, "wb") as out:
            subprocess.run([WINE64, str(PROBE), *args], stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=TIMEOUT, check=False)
        return output.read_bytes().decode("utf-8", "replace").strip()

    def varnel(self, exe, count, size=NOTE_BYTES, first_text=None, loading=False, typing=False):
        """The Varnel build exe with count notes (the first one linked to first_text, when given):
        start-up to every note and the main window shown; memory once idle; then every note edited
        and the main window closed: shutdown to the exit, with every file checked. With loading, a long text
        still goes into its note after start-up: from then on the probe asks every window to answer
        every 50 ms, for the longest wait ("unanswered") and the time from the start until every
        note takes input ("loaded"). With typing, once idle, the longest a note took for one key
        at the start and at the end of its text ("key"), the text left as it was."""
        folder = self.folder(f"varnel-{count}")
        shutil.copy2(exe, folder / "varnel.exe")
        texts = write_varnel_notes(folder, count, size, first_text)
        originals = {path: path.read_bytes() for path in texts}
        process = Process([WINE64, str(folder / "varnel.exe")], folder / "wine.log")
        try:
            startup = self.wait_windows(process, main_window_and_notes(count), f"{count} notes and the main window")
            answers = {}
            if loading:
                asked = time.monotonic() - process.started
                longest, loaded = map(int, self.probe("answers", str(TIMEOUT)).split())
                if not loaded:
                    raise Broken(f"a note's text was still loading after {TIMEOUT} s")
                answers = {"unanswered": longest / 1000, "loaded": asked + loaded / 1000}
            process.wait_idle()
            peak = process.peak_mib()
            if typing:
                answers["key"] = int(self.probe("typing", "5")) / 1000
            if count:
                edited = self.probe("append", "VarnelNote", EDIT.encode("utf-8").hex())
                if edited != str(count):
                    raise Broken(f"{edited or 'no'} notes of {count} edited")
            main = next(w for w in self.watcher.windows(process.pid) if w.name == CAPTION)
            closed = self.watcher.close_window(main.id)
            ended = process.wait(TIMEOUT)
            if ended is None:
                raise Broken("Varnel did not exit after its main window was closed")
        finally:
            process.stop()
        saved = sum(1 for path in texts
                    if path.read_bytes() == originals[path][:-2] + EDIT.encode("cp932") + b"\r\n" and path.with_suffix(".dat").read_bytes().endswith(b"\r\n"))
        leftovers = list(folder.glob("*.varnel-tmp"))
        if saved != count or leftovers or process.code != 0:
            raise Broken(f"{saved} of {count} notes saved, {len(leftovers)} temporary files left, "
                         f"exit code {process.code}")
        return {"startup": startup, "shutdown": ended - closed, "peak": peak, **answers}

    def varnel_idle(self, exe, count, own_folders=False):
        """The Varnel build exe with count unedited notes left alone for IDLE_SECONDS once start-up is
        done: the processor time it used meanwhile, and how many files under its folder it wrote. With
        own_folders each linked file lies in a folder of its own, so each note watches another one."""
        folder = self.folder(f"varnel-idle-{count}" + ("-folders" if own_folders else ""))
        shutil.copy2(exe, folder / "varnel.exe")
        write_varnel_notes(folder, count, NOTE_BYTES, own_folders=own_folders)
        process = Process([WINE64, str(folder / "varnel.exe")], folder / "wine.log")
        try:
            def shown(windows):
                names = [w.name for w in windows]
                return CAPTION in names and len(names) - 1 >= count
            self.wait_windows(process, shown, f"{count} notes and the main window")
            process.wait_idle()
            files = lambda: {p: p.stat().st_mtime_ns for p in folder.rglob("*") if p.is_file() and p.name != "wine.log"}
            at_start = files()
            cpu = process.cpu_over(IDLE_SECONDS)
            at_end = files()
        finally:
            process.stop()
        written = sum(1 for name, mtime in at_end.items() if at_start.get(name) != mtime)
        return {"cpu": cpu, "written": written}

    def varnel_huge(self, exe, count=10, size=HUGE_BYTES):
        """The Varnel build exe with count notes and one more linked to a sparse file of size bytes of
        zeros, no text: start-up to the main window and the count notes shown, and memory once idle.
        The zeros' note is closed, its record removed, its file untouched, as for any file that is no
        text."""
        folder = self.folder(f"varnel-huge-{count}")
        shutil.copy2(exe, folder / "varnel.exe")
        texts = write_varnel_notes(folder, count + 1, NOTE_BYTES)
        with open(texts[0], "wb") as zeros:
            zeros.truncate(size)
        process = Process([WINE64, str(folder / "varnel.exe")], folder / "wine.log")
        try:
            startup = self.wait_windows(process, main_window_and_notes(count), f"{count} notes and the main window")
            process.wait_idle()
            peak = process.peak_mib()
            main = next(w for w in self.watcher.windows(process.pid) if w.name == CAPTION)
            self.watcher.close_window(main.id)
            if process.wait(TIMEOUT) is None:
                raise Broken("Varnel did not exit after its main window was closed")
        finally:
            process.stop()
        if texts[0].with_suffix(".dat").exists() or texts[0].stat().st_size != size or process.code != 0:
            raise Broken(f"the zeros' record kept or their file changed (exit code {process.code})")
        return {"startup": startup, "peak": peak}

    def varnel_follow(self, exe, size=1024 * 1024, seconds=FOLLOW_SECONDS, every=0.1):
        """The Varnel build exe with one unedited note on a file of size bytes, which another program
        then appends a line to every `every` seconds for `seconds` seconds, as a log is written: the
        processor time the program used meanwhile, and how many of the lines written the note showed
        by the last write ("shown"; it follows a file that is never quiet at least every 2 s)."""
        folder = self.folder("varnel-follow")
        shutil.copy2(exe, folder / "varnel.exe")
        log = write_varnel_notes(folder, 1, size)[0]
        process = Process([WINE64, str(folder / "varnel.exe")], folder / "wine.log")
        try:
            self.wait_windows(process, lambda windows: CAPTION in [w.name for w in windows], "the main window")
            process.wait_idle(quiet=1)
            ticks, started, written = process.cpu_ticks(), time.monotonic(), 0
            while time.monotonic() - started < seconds:
                written += 1
                with open(log, "ab") as file:
                    file.write(f"{written:06} ログの行\r\n".encode("cp932"))
                time.sleep(max(0.0, started + written * every - time.monotonic()))
            cpu = (process.cpu_ticks() - ticks) / os.sysconf("SC_CLK_TCK")
            texts = [child["text"] for note in json.loads(self.probe("dump", "VarnelNote") or "[]")
                     for child in note["children"] if child["class"] == "Edit"]
            shown = max((n for n in range(written + 1) if any(f"{n:06} ログの行" in t for t in texts)), default=0)
        finally:
            process.stop()
        return {"cpu": cpu, "shown": shown / written}

    def journal_write(self):
        """The journal of a 1 MB and of a 10 MB note's text, in milliseconds, inside a program of its
        own: one write, the whole step when the journal's timer runs out, and one typed key."""
        folder = self.folder("journal-write")
        output = folder / "times.txt"
        sizes = {"1 MB": 1024 * 1024, "10 MB": 10 * 1024 * 1024}
        with open(output, "wb") as out:
            result = subprocess.run([WINE64, str(JOURNAL_WRITE), str(folder), *map(str, sizes.values())],
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                    timeout=TIMEOUT, check=False)
        times = {int(line.split()[0]): [1000 * float(t) for t in line.split()[1:]]
                 for line in output.read_text().splitlines() if line.strip()}
        if result.returncode != 0 or sorted(times) != sorted(sizes.values()):
            raise Broken(f"the journal timing ended with exit code {result.returncode}")
        figures = {}
        for name, size in sizes.items():
            figures[name], figures[f"{name} step"], figures[f"{name} key"] = times[size]
        return figures

    def floor(self, count, size=NOTE_BYTES, drawn=False):
        """The floor program with the same texts: start to every window shown, memory once idle.
        Drawn, its windows draw their texts themselves, without a text box."""
        folder = self.folder(f"floor-{count}{'-drawn' if drawn else ''}")
        write_floor_notes(folder, count, size)
        process = Process([WINE64, str(FLOOR), str(folder), *(["drawn"] if drawn else [])], folder / "wine.log")
        try:
            startup = self.wait_windows(process, lambda windows: len(windows) >= count, f"{count} floor windows")
            process.wait_idle()
            peak = process.peak_mib()
            self.watcher.close_window(self.watcher.windows(process.pid)[0].id)
            if process.wait(TIMEOUT) is None:
                raise Broken("the floor program did not exit when one of its windows was closed")
        finally:
            process.stop()
        return {"startup": startup, "peak": peak}

    def floor_idle(self, count):
        """The floor program with count notes left alone for IDLE_SECONDS once start-up is done: the
        processor time it used meanwhile, what Wine costs any program with that many windows."""
        folder = self.folder(f"floor-idle-{count}")
        write_floor_notes(folder, count, NOTE_BYTES)
        process = Process([WINE64, str(FLOOR), str(folder)], folder / "wine.log")
        try:
            self.wait_windows(process, lambda windows: len(windows) >= count, f"{count} floor windows")
            process.wait_idle()
            cpu = process.cpu_over(IDLE_SECONDS)
        finally:
            process.stop()
        return {"cpu": cpu}

    def xpad(self, count):
        """xpad with the same notes in a home of its own: start to every pad shown, memory once idle."""
        home = self.folder(f"xpad-{count}")
        write_xpad_notes(home, count, NOTE_BYTES)
        env = dict(os.environ, HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"))
        process = Process(["xpad", "--no-new"], home / "xpad.log", env)
        try:
            # Its tray icon, when it shows one, is a window of its own named after the program.
            def shown(windows):
                return len([w for w in windows if w.name != "Xpad"]) >= count
            startup = self.wait_windows(process, shown, f"{count} pads")
            process.wait_idle()
            peak = process.peak_mib()
        finally:
            process.stop()
        return {"startup": startup, "peak": peak}


def machine():
    cpu = next((line.split(":", 1)[1].strip() for line in pathlib.Path("/proc/cpuinfo").read_text().splitlines()
                if line.startswith("model name")), platform.processor())
    wine = subprocess.run([WINE64, "--version"], capture_output=True, text=True, check=False).stdout.strip()
    return f"{cpu}, {os.cpu_count()} cores, Linux {platform.release()}, {wine}, Xvfb"


def load():
    return " ".join(f"{value:.2f}" for value in os.getloadavg())


def before(name):
    """The name under which the older build's samples of a Varnel scenario are kept."""
    return f"{name} (before)"


def main_window_and_notes(count):
    """Whether a program's windows are Varnel's main window and at least count notes."""
    def shown(windows):
        names = [w.name for w in windows]
        return CAPTION in names and len(names) - 1 >= count
    return shown


def chosen(name, only):
    """Whether a scenario runs: its name holds one of the comma-separated texts, or equals a text
    written with a leading "=" (so "=varnel 101" leaves out "varnel 101 long line")."""
    texts = [text.strip() for text in only.split(",")]
    return any(name == text[1:] if text.startswith("=") else text in name for text in texts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5, help="measured runs per figure, after one warm-up")
    parser.add_argument("--work", default=pathlib.Path.home() / ".cache" / "varnel" / "bench",
                        help="folder for the notes (on disk, not in memory: the saves are flushed)")
    parser.add_argument("--only", default="",
                        help="run only the figures whose names hold one of these comma-separated texts "
                             "(a text starting with '=' must be the whole name)")
    parser.add_argument("--varnel", default=VARNEL, help="the varnel.exe to measure")
    parser.add_argument("--before", help="an older varnel.exe, measured in the same rounds beside the current one")
    parser.add_argument("--bare-x", action="store_true",
                        help="leave the display without X resources, as a bare Xvfb has it")
    options = parser.parse_args()

    bench = Bench(options.work)
    print(f"machine: {machine()}")
    if options.before:
        print(f"before: {options.before}")
    if not options.bare_x and bench.watcher.give_resources():
        print("X resources: the display had none; one was set, as a desktop session's start does")
    # Each scenario is given the Varnel build to run; those of Varnel are named "varnel ...", and
    # only they are run again with the older build.
    scenarios = {
        "varnel 0": lambda exe: bench.varnel(exe, 0),
        "varnel 10": lambda exe: bench.varnel(exe, 10),
        "varnel 101": lambda exe: bench.varnel(exe, 101),
        "varnel 101 long line": lambda exe: bench.varnel(exe, 101, first_text=long_line_text(LONG_LINE_CHARACTERS)),
        "floor 101": lambda _: bench.floor(101),
        "drawn floor 101": lambda _: bench.floor(101, drawn=True),
        "xpad 101": lambda _: bench.xpad(101),
        "trivial": lambda _: bench.floor(1),
        "varnel 100 KB": lambda exe: bench.varnel(exe, 1, 100 * 1024, typing=True),
        "varnel 1 MB": lambda exe: bench.varnel(exe, 1, 1024 * 1024, loading=True, typing=True),
        "floor 1 MB": lambda _: bench.floor(1, 1024 * 1024),
        "varnel 10 MB": lambda exe: bench.varnel(exe, 1, 10 * 1024 * 1024, loading=True),
        "varnel 101 10 MB": lambda exe: bench.varnel(exe, 101, first_text=japanese_text(10 * 1024 * 1024),
                                                     loading=True),
        "floor 10 MB": lambda _: bench.floor(1, 10 * 1024 * 1024),
        "journal write": lambda _: bench.journal_write(),
        "varnel 10 and 2 GiB of zeros": lambda exe: bench.varnel_huge(exe),
        "varnel follow 1 MB log": lambda exe: bench.varnel_follow(exe),
        "varnel idle 101": lambda exe: bench.varnel_idle(exe, 101),
        "varnel idle 101 folders": lambda exe: bench.varnel_idle(exe, 101, own_folders=True),
        "floor idle 101": lambda _: bench.floor_idle(101),
    }
    scenarios = {name: run for name, run in scenarios.items() if chosen(name, options.only)}
    compared = [name for name in scenarios if options.before and name.startswith("varnel ")]
    results = {name: [] for name in [*scenarios, *map(before, compared)]}
    faults = []
    started = time.monotonic()
    start_load = load()
    print(f"load average at start: {start_load}")
    for round_ in range(options.runs + 1):
        label = "warm-up" if round_ == 0 else f"run {round_}/{options.runs}"
        for name, scenario in scenarios.items():
            builds = [(name, options.varnel)]
            if name in compared:
                builds.append((before(name), options.before))
                # Odd rounds take the older build first, so that neither always runs right after the other.
                if round_ % 2:
                    builds.reverse()
            for key, exe in builds:
                try:
                    sample = scenario(exe)
                except (Broken, OSError, subprocess.SubprocessError) as fault:
                    faults.append(f"{key}: {fault}")
                    print(f"  {label} {key}: FAULT {fault}", file=sys.stderr)
                    continue
                if round_:
                    results[key].append(dict(sample, round=round_))
                print(f"  {label} {key}: " + ", ".join(f"{k} {v:.3f}" for k, v in sample.items()), file=sys.stderr)
        print(f"  {label} done, load average {load()}", file=sys.stderr)
    shutil.rmtree(bench.work, ignore_errors=True)

    print(f"\nVarnel benchmark, {datetime.datetime.now():%Y-%m-%d %H:%M}: median of {options.runs} runs after a "
          f"warm-up, with min and max" + ("; before: the older build's median, new ÷ before: the median of "
                                           "the ratios round by round" if options.before else ""))
    print_table(results, bool(options.before))
    print(f"\nload average at start {start_load} and at end {load()}; {time.monotonic() - started:.0f} s in all")
    for fault in faults:
        print(f"FAULT {fault}")
    return 1 if faults else 0


def print_table(results, compared):
    def spread(samples):
        return (statistics.median(samples), min(samples), max(samples)) if samples else None

    def figure(name, key):
        return spread([sample[key] for sample in results.get(name, []) if key in sample])

    def paired(top, bottom, key):
        """Ratios of two programs' figures taken in the same round, under the same load."""
        bottoms = {sample["round"]: sample[key] for sample in results.get(bottom, []) if sample.get(key)}
        return spread([sample[key] / bottoms[sample["round"]] for sample in results.get(top, [])
                       if sample["round"] in bottoms])

    def verdict(value, limit, strict):
        if value is None:
            return ""
        met = value < limit if strict else value <= limit
        return f"{'<' if strict else '<='} {limit:g}: {'met' if met else 'MISSED'}"

    rows = []

    def measured(title, name, key, unit, limit=None, strict=True):
        values = figure(name, key)
        cells = [f"{values[0]:.2f} {unit}", f"{values[1]:.2f}", f"{values[2]:.2f}"] if values else ["n/a", "", ""]
        earlier = figure(before(name), key)
        change = paired(name, before(name), key)
        rows.append([title, *cells, f"{earlier[0]:.2f} {unit}" if earlier else "",
                     f"{change[0]:.2f}x" if change else "", verdict(values[0], limit, strict) if values and limit else ""])

    def ratio(title, top, bottom, key, limit, strict):
        values = paired(top, bottom, key)
        cells = [f"{values[0]:.2f}x", f"{values[1]:.2f}", f"{values[2]:.2f}"] if values else ["n/a", "", ""]
        # The older build's ratio to the same floor or xpad round, or to its own other figure.
        earlier = paired(before(top), before(bottom) if before(bottom) in results else bottom, key)
        rows.append([title, *cells, f"{earlier[0]:.2f}x" if earlier else "", "",
                     verdict(values[0], limit, strict) if values and limit else ""])

    measured("start-up, 0 notes (main window shown)", "varnel 0", "startup", "s")
    measured("start-up, 10 notes", "varnel 10", "startup", "s")
    measured("start-up, 101 notes", "varnel 101", "startup", "s")
    measured("- floor program, 101 windows", "floor 101", "startup", "s")
    measured("- xpad, 101 pads", "xpad 101", "startup", "s")
    ratio("- Varnel / floor", "varnel 101", "floor 101", "startup", 1.5, False)
    measured("- drawn floor (no text box), 101 windows", "drawn floor 101", "startup", "s")
    ratio("- Varnel / drawn floor", "varnel 101", "drawn floor 101", "startup", None, False)
    ratio("- Varnel / xpad", "varnel 101", "xpad 101", "startup", 1, True)
    measured("start-up, 101 notes, one a 100,000-character line", "varnel 101 long line", "startup", "s")
    ratio("- with / without the long line", "varnel 101 long line", "varnel 101", "startup", 1.1, False)
    measured("shutdown, 101 edited notes", "varnel 101", "shutdown", "s", 1)
    measured("peak memory, 101 notes", "varnel 101", "peak", "MiB")
    measured("- floor program, 101 windows", "floor 101", "peak", "MiB")
    measured("- xpad, 101 pads", "xpad 101", "peak", "MiB")
    ratio("- Varnel / floor", "varnel 101", "floor 101", "peak", 1.5, False)
    ratio("- Varnel / xpad", "varnel 101", "xpad 101", "peak", 1, True)
    measured("typing into a 100 KB note: longest key", "varnel 100 KB", "key", "s")
    measured("1 MB note: open and show (first screen)", "varnel 1 MB", "startup", "s")
    measured("- whole text in", "varnel 1 MB", "loaded", "s")
    measured("- longest unanswered while loading", "varnel 1 MB", "unanswered", "s", 0.2, False)
    measured("- floor program, same text", "floor 1 MB", "startup", "s")
    measured("1 MB note: save at exit", "varnel 1 MB", "shutdown", "s")
    measured("- typing: longest key", "varnel 1 MB", "key", "s")
    measured("10 MB note: open and show (first screen)", "varnel 10 MB", "startup", "s", 1, False)
    measured("- whole text in", "varnel 10 MB", "loaded", "s")
    measured("- longest unanswered while loading", "varnel 10 MB", "unanswered", "s", 0.2, False)
    measured("- floor program, same text", "floor 10 MB", "startup", "s")
    measured("10 MB note: save at exit", "varnel 10 MB", "shutdown", "s", 2)
    measured("start-up, 101 notes, one of 10 MB", "varnel 101 10 MB", "startup", "s")
    ratio("- with / without the 10 MB note", "varnel 101 10 MB", "varnel 101", "startup", 1.1, False)
    measured("- longest unanswered while loading", "varnel 101 10 MB", "unanswered", "s", 0.2, False)
    measured("- whole text in", "varnel 101 10 MB", "loaded", "s")
    measured("start-up, 10 notes and one on 2 GiB of zeros", "varnel 10 and 2 GiB of zeros", "startup", "s")
    measured("- peak memory", "varnel 10 and 2 GiB of zeros", "peak", "MiB")
    measured(f"1 MB log, a line every 0.1 s for {FOLLOW_SECONDS} s: processor time", "varnel follow 1 MB log", "cpu",
             "s")
    measured("- share of the lines shown by the last write", "varnel follow 1 MB log", "shown", "")
    measured("journal write, 1 MB note", "journal write", "1 MB", "ms")
    measured("- timer's whole step (text taken from the text box, then written)", "journal write", "1 MB step", "ms")
    measured("- one typed key, same text box", "journal write", "1 MB key", "ms")
    measured("journal write, 10 MB note", "journal write", "10 MB", "ms")
    measured("- timer's whole step (text taken from the text box, then written)", "journal write", "10 MB step", "ms")
    measured(f"idle {IDLE_SECONDS} s, 101 notes: processor time", "varnel idle 101", "cpu", "s")
    measured(f"idle {IDLE_SECONDS} s, 101 notes: files written", "varnel idle 101", "written", "")
    measured(f"idle {IDLE_SECONDS} s, 101 notes in 101 folders: processor time", "varnel idle 101 folders", "cpu", "s")
    measured(f"idle {IDLE_SECONDS} s, 101 notes in 101 folders: files written", "varnel idle 101 folders", "written",
             "")
    measured(f"idle {IDLE_SECONDS} s, floor program, 101 windows: processor time", "floor idle 101", "cpu", "s")
    measured("Wine: a trivial program's start (one window)", "trivial", "startup", "s")

    header = ["figure", "median", "min", "max", "before", "new ÷ before", "target"]
    columns = range(len(header)) if compared else (0, 1, 2, 3, 6)
    header, rows = [header[i] for i in columns], [[row[i] for i in columns] for row in rows]
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    for row in [header, ["-" * width for width in widths], *rows]:
        print("| " + " | ".join(cell.ljust(width) for cell, width in zip(row, widths)) + " |")


if __name__ == "__main__":
    sys.exit(main())
