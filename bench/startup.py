"""Start-up, memory and shutdown figures for Varnel with many notes. Prints figures; never fails.

Run through the test session wrapper so Wine, the locale and a display are set up:
    scripts/with-wine.sh /usr/bin/python3 bench/startup.py [notes] [characters-per-note]
The program and the probe come from build/windows (VARNEL_EXE / VARNEL_PROBE override them).
"""

import os
import pathlib
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
os.environ.setdefault("VARNEL_EXE", str(ROOT / "build/windows/varnel.exe"))
os.environ.setdefault("VARNEL_PROBE", str(ROOT / "build/windows/tests/e2e/varnel_probe.exe"))
sys.path.insert(0, str(ROOT / "tests/e2e"))

from harness import App, notes, wait_until  # noqa: E402


def resident_kib(folder):
    """Resident memory of the varnel.exe process started from this folder."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            cmdline = pathlib.Path(f"/proc/{pid}/cmdline").read_bytes()
            if str(folder).encode() in cmdline and b"varnel.exe" in cmdline:
                for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            continue
    return None


def run(count, characters):
    app = App()
    try:
        line = ("付箋紙のテキスト" * 8)[:40] + "\r\n"
        body = (line * (characters // len(line) + 1))[:characters]
        for i in range(count):
            app.write(f"{i:03}.txt", body.encode("cp932"))
            app.write_record(f"{i:03}.dat", f"{i:03}.txt", left=(i % 20) * 900, top=(i // 20) * 2400)
        started = time.monotonic()
        process = app.start()
        app.main_window(timeout=300)
        wait_until(lambda: len(notes()) == count, timeout=300, interval=0.05)
        opened = time.monotonic() - started
        memory = resident_kib(app.folder)
        closing = time.monotonic()
        app.close_main_window(process, timeout=300)
        closed = time.monotonic() - closing
        print(f"{count} notes x {characters} characters: all shown after {opened:.2f} s, "
              f"resident {memory / 1024 if memory else float('nan'):.0f} MiB, closed in {closed:.2f} s")
    finally:
        app.cleanup()


if __name__ == "__main__":
    notes_count = int(sys.argv[1]) if len(sys.argv) > 1 else 101
    characters = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    run(1, characters)
    run(notes_count, characters)
