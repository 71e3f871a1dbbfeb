"""Starts the real varnel.exe under Wine in a folder of its own and looks at it from outside.

The Wine session (prefix, Xvfb display, persistent wineserver) comes from scripts/with-wine.sh;
this module only reads the environment it sets.
"""

import contextlib
import json
import os
import pathlib
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent
PROBE = pathlib.Path(os.environ["VARNEL_PROBE"])
INSIDE_PROBE = PROBE.parent / "varnel_inside_probe.exe"
ARTIFACTS = pathlib.Path(os.environ.get("VARNEL_ARTIFACTS", tempfile.gettempdir()))

MAIN_WINDOW = "VarnelMainWindow"
NOTE_WINDOW = "VarnelNote"
DIALOG = "#32770"
MENU = "#32768"
TOOLTIP = "tooltips_class32"
CAPTION = " Varnel ver2.0"
TWIPS_PER_PIXEL = 15  # at 96 DPI

# A note's popup menu, "-" for a separator, and its commands in the order the arrow keys reach them.
NOTE_MENU_ITEMS = ["フォント", "文字色", "背景色", "WebツールバーON/OFF", "-", "テキストデータの再読込み",
                   "テキストデータの上書き保存", "-", "捨てる"]
NOTE_COMMANDS = [item for item in NOTE_MENU_ITEMS if item != "-"]

# The start-up notice about typed text put back from the edit journals begins so.
PUT_BACK_HEAD = "前回は正しく終了しなかったため"

IDOK, IDCANCEL = 1, 2
ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION = 5, 32
WM_SYSCOMMAND, SC_MINIMIZE, SC_RESTORE = 0x0112, 0xF020, 0xF120
# The red, green and blue boxes of the colour dialog.
COLOR_RED, COLOR_GREEN, COLOR_BLUE = 706, 707, 708


def windows_path(path):
    """The Windows name of a Linux path, through Wine's Z: drive."""
    return "Z:" + str(path).replace("/", "\\")


def wait_until(condition, timeout=20.0, interval=0.1, message="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {message}")
        time.sleep(interval)


def probe(*args):
    """Runs the Windows-side probe; its standard output comes back in .stdout.

    The output goes through a file, not a pipe: the first Wine program that needs the desktop
    starts Wine's own background processes, which inherit its handles and would keep a pipe open.
    """
    with tempfile.TemporaryFile() as output:
        result = subprocess.run(["wine", str(PROBE), *map(str, args)], stdout=output,
                                stderr=subprocess.DEVNULL, timeout=60)
        output.seek(0)
        result.stdout = output.read()
    return result


def dump(only_class=None, attempts=3):
    """Every top-level window of interest (or of only_class), as the window system reports it.

    A probe started while windows come and go now and then ends without output; it is simply
    asked again.
    """
    for attempt in range(attempts):
        result = probe("dump", *([only_class] if only_class else []))
        try:
            return json.loads(result.stdout.decode("utf-8"))
        except ValueError:
            if attempt == attempts - 1:
                raise AssertionError(f"varnel_probe dump gave no list (exit code {result.returncode})")
            print(f"varnel_probe dump gave no list (exit code {result.returncode}); asking again", file=sys.stderr)
            time.sleep(0.2)


def expected_record(path, main):
    """The record a drop of path on the main window writes, at the main window's place, in code page 932."""
    left, top = main["rect"][0] * TWIPS_PER_PIXEL, main["rect"][1] * TWIPS_PER_PIXEL
    line = f"{windows_path(path)},{left},{top},3000,3000,&H00C0C0C0&,ＭＳ Ｐゴシック,9,&H00000000&,False,False,False\r\n"
    return line.encode("cp932")


def inside(what, window):
    """Lines of tab-separated fields read inside the program that owns the window (inside_probe.cpp)."""
    result = subprocess.run(["wine", str(INSIDE_PROBE), what, str(window["hwnd"])], capture_output=True, timeout=60)
    if result.returncode != 0:
        raise AssertionError(f"varnel_inside_probe {what} failed with {result.returncode}")
    return [line.split("\t") for line in result.stdout.decode("utf-8").splitlines()]


MFS_CHECKED = 0x8


def open_menu():
    """The menu window (#32768) open now, or None."""
    return next(iter(windows_of(MENU)), None)


def menu_entries(menu):
    """The items of an open menu: (caption, checked, screen rectangle), "-" for a separator. A caption
    may hold a tab itself, before the key that also gives the command."""
    entries = []
    for fields in inside("menu", menu):
        state, left, top, right, bottom = map(int, fields[-5:])
        entries.append(("\t".join(fields[:-5]), bool(state & MFS_CHECKED), (left, top, right, bottom)))
    return entries


def click_menu_entry(menu, caption):
    """Clicks the item of an open menu whose caption starts with caption, as a user would, and waits
    for the menu to close."""
    left, top, right, bottom = next(rect for text, _, rect in menu_entries(menu) if text.startswith(caption))
    xdotool("mousemove", (left + right) // 2, (top + bottom) // 2)
    time.sleep(0.2)
    xdotool("click", "1")
    wait_until(lambda: open_menu() is None, message="the menu to close")


def activate(window):
    """Clicks into a window's client area near its bottom-right corner (a new note covers the main
    window's left part), which makes it the active window."""
    x, y, width, height = window["client"]
    xdotool("mousemove", x + width - 8, y + height - 8)
    xdotool("click", "1")
    wait_until(lambda: next((w for w in dump(window["class"]) if w["hwnd"] == window["hwnd"]), {}).get("foreground"),
               message=f"{window['class']} to be active")


def open_main_window_menu(main, how):
    """Activates the main window and opens its "right click" menu or its "system menu" (Alt+Space)."""
    activate(main)
    if how == "right click":
        x, y, width, height = main["client"]
        xdotool("mousemove", x + width - 20, y + height - 20)
        xdotool("click", "3")
    else:
        xdotool("key", "alt+space")
    return wait_until(open_menu, message=f"the main window's {how} menu")


def close_menu():
    """Closes the open menu with Escape and waits for it to go."""
    xdotool("key", "Escape")
    wait_until(lambda: open_menu() is None, message="the menu to close")


def right_press(note, at=None):
    """A right click on a note's margin near its client area's top-left corner, or at the screen
    point at; returns the point pressed."""
    point = at or (note["client"][0] + 6, note["client"][1] + 6)
    xdotool("mousemove", *point)
    xdotool("click", "3")
    return point


def open_note_menu(note, at=None, timeout=20.0):
    """Opens a note's popup menu with a right press on its margin (see right_press); returns the menu."""
    right_press(note, at)
    return wait_until(open_menu, timeout, message="the note menu")


def choose_on_note(note, command, at=None, timeout=20.0):
    """Picks a command from a note's popup menu, opened with a right press on its margin, with the
    arrow keys and Return, and waits for the menu to close."""
    open_note_menu(note, at, timeout)
    xdotool("key", "--delay", "80", *(["Down"] * (NOTE_COMMANDS.index(command) + 1)), "Return")
    wait_until(lambda: open_menu() is None, timeout, message="the menu to close")


def dialog(timeout=20.0, what="a dialog"):
    """The dialog (#32770) on screen, once there is one."""
    return wait_until(lambda: next(iter(windows_of(DIALOG)), None), timeout, message=what)


def answer(box, button=IDOK, timeout=20.0):
    """Clicks a dialog's button (BM_CLICK) and waits until no dialog is left; returns the probe's
    result."""
    result = probe("click", box["hwnd"], button)
    wait_until(lambda: not windows_of(DIALOG), timeout, message="the dialog to close")
    return result


def text_starting(box, head):
    """The text of the dialog's child whose text starts with head."""
    return next(c["text"] for c in box["children"] if c["text"].startswith(head))


def notice(head, timeout=20.0):
    """The message that starts with head in the dialog on screen, once it is answered with OK."""
    box = dialog(timeout, what="the notice")
    message = text_starting(box, head)
    answer(box, IDOK, timeout)
    return message


def child(window, control_id, class_name=None):
    """A window's child control by its id (and class)."""
    return next(c for c in window["children"]
                if c["id"] == control_id and (class_name is None or c["class"] == class_name))


def set_colour(box, red, green, blue):
    """Fills in the colour dialog's red, green and blue boxes."""
    for control_id, value in ((COLOR_RED, red), (COLOR_GREEN, green), (COLOR_BLUE, blue)):
        set_text(child(box, control_id)["hwnd"], str(value))


def error_text(code):
    """The system's wording for a Windows error code, as the program's messages quote it."""
    return probe("errortext", code).stdout.decode("utf-8").rstrip("\r\n ")


def pointer_away(at=(1200, 900), timeout=20.0):
    """Rests the mouse where nothing is, until no tooltip is left: a text box's tooltip opens under
    the mouse and would take the next press."""
    xdotool("mousemove", *at)
    wait_until(lambda: not windows_of(TOOLTIP), timeout, message="the tooltips to close")


def click_centre(window):
    """A left click in the middle of a window's client area."""
    x, y, width, height = window["client"]
    xdotool("mousemove", x + width // 2, y + height // 2)
    xdotool("click", "1")


def type_at_end(text_box, text, delay_ms=12, new_line=False):
    """Clicks into a text box and types text at its end with the keyboard, on a new line (Return
    first) when new_line; delay_ms between keys (12 is xdotool's own)."""
    click_centre(text_box)
    xdotool("key", "ctrl+End")
    if new_line:
        xdotool("key", "Return")
    xdotool("type", "--delay", delay_ms, text)


def minimize(main):
    """Minimizes the main window into the tray and waits until it is hidden."""
    probe("post", main["hwnd"], WM_SYSCOMMAND, SC_MINIMIZE, 0)
    wait_until(lambda: not windows_of(MAIN_WINDOW), message="the main window to hide")


def local_recovery_folders():
    """The user's own recovery folder in the test prefix, where text goes when the program's folder
    takes nothing."""
    return list(pathlib.Path(os.environ["WINEPREFIX"]).glob("drive_c/users/*/AppData/Local/Varnel"))


def file_bytes(text):
    """A linked file as the program writes a text: code page 932, every line ended by CR LF, the
    last one too."""
    return (text + "\r\n").encode("cp932")


def startup_folder():
    """The Wine prefix's Startup folder (FOLDERID_Startup) on the Linux side; Wine spells it "StartUp"."""
    prefix = pathlib.Path(os.environ.get("WINEPREFIX", pathlib.Path.home() / ".wine"))
    programs = prefix / "drive_c/users" / pwd.getpwuid(os.getuid()).pw_name / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    return next((p for p in programs.iterdir() if p.name.lower() == "startup"), programs / "StartUp")


def shortcut(path):
    """What a shell link leads to, read through IShellLinkW: {"target": ..., "folder": ...}, or None."""
    result = probe("shortcut", windows_path(path).encode("utf-8").hex())
    return json.loads(result.stdout.decode("utf-8")) if result.returncode == 0 else None


def set_text(hwnd, text):
    """Replaces a text box's text, as a paste of the whole text would."""
    return probe("settext", hwnd, text.encode("utf-8").hex())


@contextlib.contextmanager
def hold(path):
    """Another Windows program holding the file open without sharing it, while the block runs."""
    with tempfile.TemporaryDirectory() as scratch, tempfile.TemporaryFile() as output:
        release = pathlib.Path(scratch) / "release"
        holder = subprocess.Popen(["wine", str(PROBE), "hold", windows_path(path), windows_path(release)],
                                  stdout=output, stderr=subprocess.DEVNULL)

        def said(word):
            output.seek(0)
            return word in output.read().decode("ascii", "replace").split()

        try:
            wait_until(lambda: said("held") or holder.poll() not in (None, 0), message=f"a hold on {path}")
            if not said("held"):
                raise AssertionError(f"could not hold {path} (exit code {holder.returncode})")
            yield
        finally:
            # The holder is asked to let go and is waited for: killing Wine's launcher would not
            # end the program that holds the file.
            release.touch()
            wait_until(lambda: said("released") or not said("held"), message=f"the hold on {path} to end")
            holder.wait(timeout=30)


def log_line(number):
    """The numbered line log_writer appends, as the note shows it (without its line end)."""
    return f"ログの行 {number:05}"


@contextlib.contextmanager
def log_writer(path, every=0.1):
    """Another program appending a numbered line (log_line, code page 932) to the file every `every`
    seconds for as long as the block runs, as a log is written; yields a function that tells how many
    lines it has written so far."""
    stop = threading.Event()
    written = [0]

    def write():
        while not stop.wait(every):
            with open(path, "ab") as file:
                file.write((log_line(written[0] + 1) + "\r\n").encode("cp932"))
            written[0] += 1

    writer = threading.Thread(target=write, daemon=True)
    writer.start()
    try:
        yield lambda: written[0]
    finally:
        stop.set()
        writer.join()


def type_slowly(note_hwnd, text, interval_ms):
    """Starts typing text into a note's text box from another program, one WM_CHAR every
    interval_ms, as a user who never pauses long; returns the running probe (it ends once the text
    is typed or the note is gone)."""
    return subprocess.Popen(["wine", str(PROBE), "typeslowly", str(note_hwnd), text.encode("utf-8").hex(), str(interval_ms)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


JOURNAL_SUFFIX = ".varnel-journal"


def fnv1a64(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


def parse_journal(data):
    """(linked file path, text) of a whole edit journal of either version, or None for anything
    else. Version 2 keeps the linked file's encoding and line end between the file's state and the
    path."""
    headers = {b"Varnel journal 1\r\n": 24, b"Varnel journal 2\r\n": 40}
    header = data[:18]
    if len(data) < 18 + 16 or header not in headers:
        return None
    number = lambda at: int.from_bytes(data[at:at + 8], "little")
    if number(18) != len(data) - 18 - 16 or number(len(data) - 8) != fnv1a64(data[:-8]):
        return None
    at = 18 + 8 + headers[header]
    path_length = number(at)
    path = data[at + 8:at + 8 + path_length]
    at += 8 + path_length
    text_length = number(at)
    text = data[at + 8:at + 8 + text_length]
    if at + 8 + text_length != len(data) - 8:
        return None
    try:
        return path.decode("utf-8"), text.decode("utf-8")
    except UnicodeDecodeError:
        return None


def make_read_only(test, folder):
    """Makes folder unwritable until the test ends. Root ignores permission bits, so it marks the
    folder immutable instead."""
    if os.geteuid() == 0:
        subprocess.run(["chattr", "+i", str(folder)], check=True)
    else:
        folder.chmod(0o555)
    test.addCleanup(make_writable, folder)


def make_writable(folder):
    if os.geteuid() == 0:
        subprocess.run(["chattr", "-i", str(folder)], check=True)
    else:
        folder.chmod(0o755)


def windows_of(class_name, visible_only=True):
    return [w for w in dump(class_name) if w["visible"] or not visible_only]


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, timeout=30, check=False)


def mouse_drag(button, start, end, steps=12):
    """Presses a mouse button at start, moves to end in steps and releases it there."""
    xdotool("mousemove", *start)
    xdotool("mousedown", button)
    for i in range(1, steps + 1):
        xdotool("mousemove", start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)
        time.sleep(0.03)
    xdotool("mouseup", button)


DRAG_SOURCE_AT = (900, 700)  # where the drag source window sits, away from Wine's new windows
DRAG_SOURCE_SIZE = 60


def drag_and_drop(mode, items, target, at=None, source_at=DRAG_SOURCE_AT):
    """Drags from a fresh X drag source (drag_source.py) onto target (a window from dump()), at its
    centre or at the given screen point, with the first button; returns what the source saw: "end"
    (taken) or "failed" (refused)."""
    source = subprocess.Popen(["/usr/bin/python3", str(HERE / "drag_source.py"), *map(str, source_at), mode,
                               *map(str, items)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        if source.stdout.readline().strip() != "ready":
            raise AssertionError("the drag source did not come up")
        time.sleep(0.3)
        x0, y0 = source_at[0] + DRAG_SOURCE_SIZE // 2, source_at[1] + DRAG_SOURCE_SIZE // 2
        left, top, width, height = target["rect"]
        x1, y1 = at or (left + width // 2, top + height // 2)
        xdotool("mousemove", x0, y0)
        time.sleep(0.1)
        xdotool("mousedown", 1)
        steps = 20
        for i in range(1, steps + 1):
            xdotool("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            time.sleep(0.04)
        time.sleep(0.3)
        xdotool("mouseup", 1)
        result = source.stdout.readline().strip()
        source.wait(timeout=20)
        return result
    finally:
        if source.poll() is None:
            source.kill()
            source.wait()
        source.stdout.close()


def notes():
    """The visible note windows, with their text box (the first Edit child) as "text_box"."""
    found = []
    for window in windows_of(NOTE_WINDOW):
        edits = [c for c in window["children"] if c["class"] == "Edit"]
        window["text_box"] = edits[0] if edits else None
        found.append(window)
    return found


def notes_by_left():
    """The visible notes (as notes() gives them) from left to right."""
    return sorted(notes(), key=lambda n: n["rect"][0])


def note_text_boxes():
    """Whether each visible note (by its left edge) has made its text box, asked without making it."""
    found = json.loads(probe("glance", NOTE_WINDOW).stdout.decode("utf-8"))
    return {n["rect"][0]: any(c["class"] == "Edit" for c in n["children"]) for n in found if n["visible"]}


def twips_to_pixels(twips):
    return round(twips * 96 / 1440)


def screenshot(name):
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    target = ARTIFACTS / f"{name}.png"
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", str(target)],
                   capture_output=True, timeout=30, check=False)
    return target


def changed_pixels(before, after, rect):
    """How many pixels of the screen rectangle (x, y, width, height) differ between two screenshots,
    and how many colours it held in the first."""
    x, y, width, height = rect

    def pixels(shot):
        data = subprocess.run(["convert", str(shot), "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8", "rgb:-"],
                              capture_output=True, check=True).stdout
        return [data[i:i + 3] for i in range(0, len(data), 3)]
    first, second = pixels(before), pixels(after)
    return sum(1 for a, b in zip(first, second) if a != b), len(set(first))


class App:
    """One copy of varnel.exe (VARNEL_EXE) in a fresh application folder, or the varnel.exe
    already in folder."""

    def __init__(self, folder=None):
        if folder is None:
            folder = tempfile.mkdtemp(prefix="varnel-e2e-")
            shutil.copy2(os.environ["VARNEL_EXE"], pathlib.Path(folder) / "varnel.exe")
        self.folder = pathlib.Path(folder)
        self.exe = self.folder / "varnel.exe"
        self.logs = pathlib.Path(tempfile.mkdtemp(prefix="varnel-e2e-logs-"))
        self.processes = []

    def path(self, name):
        return self.folder / name

    def records(self):
        return sorted(p.name for p in self.folder.glob("*.dat"))

    def write(self, name, data):
        path = self.folder / name
        path.write_bytes(data)
        return path

    def read(self, name):
        return (self.folder / name).read_bytes()

    def record_line(self, text_name, left=1500, top=1500, width=3000, height=3000, back="&H00C0C0C0&",
                    font="ＭＳ Ｐゴシック", size="9", fore="&H00000000&", bold="False", italic="False", web="False"):
        """A record line in the system code page for a linked text file in this folder."""
        fields = [windows_path(self.folder / text_name), left, top, width, height, back, font, size, fore,
                  bold, italic, web]
        return (",".join(str(f) for f in fields) + "\r\n").encode("cp932")

    def write_record(self, name, text_name, **values):
        return self.write(name, self.record_line(text_name, **values))

    def record_fields(self, name):
        """The fields of a record file's line."""
        return self.read(name).decode("cp932").rstrip("\r\n").split(",")

    def journal_names(self):
        """The names of the edit journals in the folder."""
        return sorted(p.name for p in self.folder.iterdir() if JOURNAL_SUFFIX in p.name)

    def start(self, cwd=None):
        """Starts the program; cwd is the current directory it starts in, as a shortcut's "Start in"
        folder would give it (by default the test's own)."""
        # Wine's own messages go to a file, to explain a start that failed.
        with open(self.logs / f"wine-{len(self.processes)}.log", "wb") as log:
            process = subprocess.Popen(["wine", str(self.exe)], stdout=subprocess.DEVNULL, stderr=log, cwd=cwd)
        self.processes.append(process)
        return process

    def start_with_notes(self, count, timeout=30.0, cwd=None):
        """Starts the program and waits for its main window and count notes; returns the process."""
        process = self.start(cwd)
        self.main_window(timeout)
        wait_until(lambda: len(notes()) == count, timeout, message=f"{count} notes")
        return process

    def quit(self, process=None, timeout=30.0):
        """Closes the main window and checks that the program ends with exit code 0; process is
        one that start() gave, by default the last."""
        code = self.close_main_window(process or self.processes[-1], timeout)
        if code != 0:
            raise AssertionError(f"varnel.exe ended with exit code {code}, not 0")

    def kill(self, process):
        """Kills the running program (SIGKILL, as a crash or a power cut ends it) and waits until its
        process and its note windows are gone."""
        pid = self.program_pid()
        if pid is None:
            raise AssertionError("the program's process is not running")
        os.kill(pid, signal.SIGKILL)
        process.wait(timeout=60)
        wait_until(lambda: self.program_pid() is None and not windows_of(NOTE_WINDOW, visible_only=False),
                   timeout=30, message="the killed program's windows to go")

    def program_pid(self):
        """The Linux process id of this folder's running varnel.exe, or None.

        With 32-bit Wine installed, the process that start() gets is only a launcher, and the program
        runs in a process of its own named by its Windows path; with 64-bit Wine alone, the program
        runs in the started process, which keeps the Unix path it was given.
        """
        commands = {windows_path(self.exe).encode(), str(self.exe).encode()}
        for entry in pathlib.Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                if (entry / "cmdline").read_bytes().split(b"\0")[0] in commands:
                    return int(entry.name)
            except OSError:
                continue
        return None

    def peak_memory_mib(self):
        """The most memory the running program has held resident so far (VmHWM), in MiB."""
        status = pathlib.Path(f"/proc/{self.program_pid()}/status").read_text()
        return next(int(line.split()[1]) for line in status.splitlines() if line.startswith("VmHWM:")) / 1024

    def wine_messages(self):
        return "".join(log.read_text(errors="replace") for log in sorted(self.logs.glob("wine-*.log")))

    def main_window(self, timeout=30.0):
        def shown():
            main = next(iter(windows_of(MAIN_WINDOW)), None)
            if main is None and self.processes and all(p.poll() is not None for p in self.processes):
                codes = [p.returncode for p in self.processes]
                raise AssertionError(f"varnel.exe ended (exit codes {codes}) without showing its main window")
            return main
        try:
            return wait_until(shown, timeout, message="the main window")
        except AssertionError as error:
            seen = [(w["class"], w["text"], w["visible"], [c["text"] for c in w["children"] if c["text"]])
                    for w in dump() if w["class"] != NOTE_WINDOW]
            raise AssertionError(f"{error}; windows: {seen}; Wine said: {self.wine_messages()[-2000:]!r}") from None

    def close_main_window(self, process, timeout=30.0):
        main = self.main_window()
        probe("close", main["hwnd"])
        return process.wait(timeout=timeout)

    def cleanup(self):
        for process in self.processes:
            if process.poll() is None:
                for window in windows_of(MAIN_WINDOW, visible_only=False):
                    probe("close", window["hwnd"])
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        for window in windows_of(DIALOG):
            probe("close", window["hwnd"])
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.rmtree(self.logs, ignore_errors=True)


FAULT_SUMMARY = ARTIFACTS / "fault-summary.jsonl"


def record_faults(suite, kills=0, files_checked=0, faults_injected=0, lost=0):
    """Adds one fault suite's counts to the run's summary, which scripts/test.sh prints at the end."""
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    entry = {"suite": suite, "kills": kills, "files_checked": files_checked,
             "faults_injected": faults_injected, "lost": lost}
    with open(FAULT_SUMMARY, "a", encoding="utf-8") as summary:
        summary.write(json.dumps(entry) + "\n")
    print(f"{suite}: {kills} kills, {files_checked} files checked, {faults_injected} faults injected, "
          f"{lost} lost", file=sys.stderr)
