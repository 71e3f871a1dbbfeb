"""A soak of the real program: random drops, drags, resizes, menu commands, typing, restarts and
kills while typing, driven from outside as a user would, against a model of what must be on screen
and on disk. After every restart every note that was open comes back with its text and geometry,
no record is lost or duplicated, and discarded notes stay gone; after a kill, a note may lose only
what was typed within the journal's pause before it.

    VARNEL_SOAK_SECONDS  how long to keep acting (scripts/test.sh --long: 1800)
    VARNEL_SOAK_SEED     replays the actions of an earlier run
"""

import dataclasses
import os
import random
import sys
import time
import unittest

from harness import (App, DIALOG, IDCANCEL, IDOK, NOTE_COMMANDS, NOTE_WINDOW, PUT_BACK_HEAD, TWIPS_PER_PIXEL, answer,
                     choose_on_note, dialog, drag_and_drop, file_bytes, mouse_drag, notes, notice, pointer_away,
                     record_faults, screenshot, set_colour, type_at_end, wait_until, windows_of, windows_path, xdotool)

SECONDS = float(os.environ.get("VARNEL_SOAK_SECONDS", "75"))

# The main window opens at the top-left corner; the notes keep to a grid of cells right of it,
# one note per cell, so every press lands on the note meant. The drag source for drops sits
# below the main window, out of the notes' way.
CELL_LEFT, CELL_TOP, CELL_SIZE, CELL_COLUMNS, CELL_ROWS = 270, 10, 330, 3, 3
MAIN_WINDOW_AREA = (260, 140)  # the main window lies within this width and height from (0, 0)
DRAG_SOURCE_AT = (100, 600)
POINTER_REST = (130, 400)
SMALLEST = 120  # the smallest note size in pixels the soak gives by the frame
START_NOTES = 4
HEADER_LENGTH = len("soak 0000")
# What a kill may take of the typing: the program's pause before it journals (one second), with
# room for a loaded machine.
KILL_WINDOW = 2.5
WORDS = ["メモ", "追記", "確認済み", "買い物", "会議室", "ＡＢＣ", "soak", "note", "12:30", "todo", "ok"]


@dataclasses.dataclass
class Note:
    """What one note must show and what its files must hold."""
    header: str  # the start of its text, which names it on screen
    record: str
    linked: str
    text: str  # in its text box
    disk: str  # in its linked file
    rect: list  # outer [left, top, width, height] in pixels
    cell: int
    back: int = 0xC0C0C0
    fore: int = 0
    web: bool = False

    def record_bytes(self, app):
        """The record the note writes when it closes."""
        left, top, width, height = (value * TWIPS_PER_PIXEL for value in self.rect)
        return app.record_line(self.linked, left, top, width, height, str(self.back), fore=str(self.fore),
                               web=str(self.web))


def cell_origin(cell):
    return CELL_LEFT + (cell % CELL_COLUMNS) * CELL_SIZE, CELL_TOP + (cell // CELL_COLUMNS) * CELL_SIZE


class SoakTest(unittest.TestCase):
    def test_random_use_and_restarts_keep_every_note(self):
        seed = int(os.environ.get("VARNEL_SOAK_SEED") or random.SystemRandom().randrange(1 << 32))
        print(f"soak: seed {seed} (VARNEL_SOAK_SEED={seed} replays it), {SECONDS:.0f} s", file=sys.stderr)
        self.rng = random.Random(seed)
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.notes = {}  # header -> Note, the open notes
        self.discarded = []
        self.made = 0
        self.files_checked = 0
        self.mismatched = 0
        self.kills = 0
        self.done = {}
        self.addCleanup(self.report)
        self.started = time.monotonic()

        for _ in range(START_NOTES):
            note = self.new_note(self.free_cells()[0])
            left, top, width, height = (value * TWIPS_PER_PIXEL for value in note.rect)
            self.app.write_record(note.record, note.linked, left=left, top=top, width=width, height=height)
        self.start()
        try:
            deadline = self.started + SECONDS
            while time.monotonic() < deadline:
                self.act()
            self.restart()
        except Exception:
            screenshot("soak_failure")
            raise

    # -- the model -------------------------------------------------------------------------------

    def new_note(self, cell):
        """A text file of its own and a model note in a cell; a record name only for start-up notes
        (a dropped note's record is named by the program)."""
        self.made += 1
        header = f"soak {self.made:04}"
        lines = [header] + [" ".join(self.rng.choice(WORDS) for _ in range(self.rng.randrange(1, 8)))
                            for _ in range(self.rng.randrange(0, 6))]
        text = "\r\n".join(lines)
        linked = f"soak-{self.made:04}.txt"
        self.app.write(linked, file_bytes(text))
        left, top = cell_origin(cell)
        note = Note(header, f"{self.made:04}.dat", linked, text, text, [left + 10, top + 10, 200, 200], cell)
        self.notes[header] = note
        return note

    def free_cells(self):
        taken = {note.cell for note in self.notes.values()}
        cells = [cell for cell in range(CELL_COLUMNS * CELL_ROWS) if cell not in taken]
        self.rng.shuffle(cells)
        return cells

    def log(self, what):
        self.done[what.split()[0]] = self.done.get(what.split()[0], 0) + 1
        print(f"soak: {time.monotonic() - self.started:6.1f} s  {what}", file=sys.stderr)

    def report(self):
        record_faults("soak", kills=self.kills, files_checked=self.files_checked, faults_injected=self.kills,
                      lost=self.mismatched)
        print(f"soak: {sum(self.done.values())} actions ({', '.join(f'{k} {v}' for k, v in sorted(self.done.items()))}),"
              f" {len(self.notes)} notes open, {len(self.discarded)} discarded", file=sys.stderr)

    # -- what is on screen -----------------------------------------------------------------------

    def shown(self):
        """The notes on screen by their header, the start of their text, which typing never reaches."""
        return {n["text_box"]["text"][:HEADER_LENGTH]: n for n in notes()}

    def on_screen(self, note):
        return self.shown().get(note.header)

    def margin(self, note):
        """A point on the note's right margin, beside the text box and above the web strip."""
        x, y, width, height = self.on_screen(note)["client"]
        return x + width - 8, y + height // 2

    def activate(self, note):
        """Clicks the note's margin and waits until it is the active window.

        Wine cancels a drag (WM_CANCELMODE) when the active window loses the X input focus; after a
        drop the focus can still be on its way, and drags that followed one stopped half-way.
        """
        # On the left margin: the press that follows goes to the right one, too far away to make a
        # double click of the two.
        x, y, width, height = self.on_screen(note)["client"]
        xdotool("mousemove", x + 6, y + height // 2)
        xdotool("click", "1")
        self.wait_for(note, lambda shown: shown["foreground"], "the activation")

    def wait_for(self, note, check, what):
        def ready():
            shown = self.on_screen(note)
            return shown if shown is not None and check(shown) else None
        try:
            return wait_until(ready, timeout=30, message=f"{what} of {note.header}")
        except AssertionError as error:
            shown = self.on_screen(note)
            seen = shown and {"rect": shown["rect"], "text": shown["text_box"]["text"], "box": shown["text_box"]["rect"]}
            raise AssertionError(f"{error}; the model has {note}; the screen has {seen}") from None

    def no_dialog(self):
        wait_until(lambda: not windows_of(DIALOG), timeout=30, message="no dialog")

    # -- actions ---------------------------------------------------------------------------------

    def act(self):
        pointer_away(POINTER_REST, timeout=30)
        choices = [(self.restart, 1)]
        if self.notes:
            choices.append((self.kill_while_typing, 1))
        if len(self.free_cells()) > 0:
            choices.append((self.drop, 2))
        if self.notes:
            choices += [(self.type_text, 4), (self.drag, 3), (self.resize, 3), (self.menu_command, 5)]
        actions, weights = zip(*choices)
        self.rng.choices(actions, weights)[0]()

    def pick(self):
        return self.notes[self.rng.choice(sorted(self.notes))]

    def type_text(self, note=None):
        note = note or self.pick()
        words = " ".join(self.rng.choice(WORDS) for _ in range(self.rng.randrange(1, 4)))
        new_line = self.rng.random() < 0.3
        self.log(f"type {words!r}{' on a new line' if new_line else ''} into {note.header}")
        type_at_end(self.on_screen(note)["text_box"], words, delay_ms=60, new_line=new_line)
        note.text += ("\r\n" if new_line else "") + words
        self.wait_for(note, lambda shown: shown["text_box"]["text"] == note.text, "the typed text")

    def drag(self, note=None):
        """Moves a note by its margin to a random place in its own or a free cell."""
        note = note or self.pick()
        cell = self.rng.choice([note.cell] + self.free_cells()[:1])
        left, top = cell_origin(cell)
        width, height = note.rect[2:]
        target = [left + self.rng.randrange(CELL_SIZE - width + 1), top + self.rng.randrange(CELL_SIZE - height + 1)]
        self.log(f"drag {note.header} from {note.rect[:2]} to {target}")
        self.activate(note)
        start = self.margin(note)
        mouse_drag("1", start, (start[0] + target[0] - note.rect[0], start[1] + target[1] - note.rect[1]))
        note.rect[:2], note.cell = target, cell
        self.wait_for(note, lambda shown: shown["rect"] == note.rect, "the new place")

    def resize(self):
        note = self.pick()
        left, top = cell_origin(note.cell)
        # Within its cell, never smaller than SMALLEST.
        width = self.rng.randrange(SMALLEST, left + CELL_SIZE - note.rect[0] + 1)
        height = self.rng.randrange(SMALLEST, top + CELL_SIZE - note.rect[1] + 1)
        self.log(f"resize {note.header} from {note.rect[2:]} to {[width, height]}")
        self.activate(note)
        x, y, old_width, old_height = note.rect
        mouse_drag("1", (x + old_width - 2, y + old_height - 2), (x + width - 2, y + height - 2))
        note.rect[2:] = [width, height]
        self.wait_for(note, lambda shown: shown["rect"] == note.rect and self.fits(note, shown), "the new size")

    def fits(self, note, shown):
        """The text box keeps 600 twips of width, and 600 (720 with the web strip) of height, for the margins."""
        width, height = note.rect[2:]
        return shown["text_box"]["rect"][2:] == [width - 40, height - (48 if note.web else 40)]

    def drop(self):
        cell = self.free_cells()[0]
        note = self.new_note(cell)
        self.log(f"drop {note.linked} on the main window")
        before = set(self.app.records())
        self.assertEqual(drag_and_drop("files", [self.app.path(note.linked)], self.main, source_at=DRAG_SOURCE_AT),
                         "end")
        [note.record] = wait_until(lambda: sorted(set(self.app.records()) - before), timeout=30,
                                   message="the dropped file's record")
        # A new note opens at the main window's place in the default size; it then goes to its cell.
        note.rect = self.main["rect"][:2] + [200, 200]
        self.wait_for(note, lambda shown: shown["rect"] == note.rect, "the dropped note")
        self.drag(note)

    def choose(self, note, command):
        self.activate(note)
        choose_on_note(self.on_screen(note), command, at=self.margin(note), timeout=30)

    def answer(self, button):
        answer(dialog(timeout=30), button, timeout=30)

    def menu_command(self):
        note = self.pick()
        command = self.rng.choice(NOTE_COMMANDS)
        self.log(f"menu {command} on {note.header}")
        self.choose(note, command)
        if command == "フォント":
            self.answer(IDCANCEL)
        elif command in ("文字色", "背景色"):
            red, green, blue = (self.rng.randrange(256) for _ in range(3))
            set_colour(dialog(timeout=30), red, green, blue)
            self.answer(IDOK)
            colour = red | green << 8 | blue << 16
            if command == "文字色":
                note.fore = colour
            else:
                note.back = colour
        elif command == "WebツールバーON/OFF":
            note.web = not note.web
            self.wait_for(note, lambda shown: self.fits(note, shown), "the web strip's layout")
        elif command == "テキストデータの再読込み":
            note.text = note.disk
            self.wait_for(note, lambda shown: shown["text_box"]["text"] == note.text, "the reloaded text")
        elif command == "テキストデータの上書き保存":
            note.disk = note.text
            wait_until(lambda: self.app.read(note.linked) == file_bytes(note.disk), timeout=30,
                       message=f"the saved text of {note.header}")
            self.no_dialog()
        else:
            keep = self.rng.random() < 0.3
            self.answer(IDCANCEL if keep else IDOK)
            if keep:
                self.assertIsNotNone(self.on_screen(note), f"{note.header} after a cancelled discard")
                self.assertTrue(self.app.path(note.record).exists(), f"the record of {note.header}")
            else:
                del self.notes[note.header]
                self.discarded.append(note)
                wait_until(lambda: self.on_screen(note) is None and not self.app.path(note.record).exists(),
                           timeout=30, message=f"{note.header} and its record to go")

    def restart(self):
        self.log(f"restart with {len(self.notes)} notes")
        self.app.quit(self.process)
        # At exit every note saves its record and its text.
        for note in self.notes.values():
            note.disk = note.text
        self.check_disk()
        self.start()

    def kill_while_typing(self):
        """A clean restart, typing into a few notes, then the program killed a random moment later:
        nothing is saved, and the next start puts back all that was typed, except perhaps what came
        within KILL_WINDOW of the kill."""
        self.restart()
        before = {header: note.text for header, note in self.notes.items()}
        typed = {}  # header -> [(when the text was seen, the text)]
        for note in self.rng.sample(sorted(self.notes.values(), key=lambda n: n.header),
                                    self.rng.randrange(1, min(3, len(self.notes)) + 1)):
            self.type_text(note)
            typed.setdefault(note.header, []).append((time.monotonic(), note.text))
        time.sleep(self.rng.uniform(0, 2 * KILL_WINDOW))
        killed_at = time.monotonic()
        self.app.kill(self.process)
        self.kills += 1
        self.log(f"kill {killed_at - max(t for texts in typed.values() for t, _ in texts):.1f} s after the typing")
        # Safe at least: the text as it was KILL_WINDOW before the kill.
        safe = dict(before)
        for header, texts in typed.items():
            for seen, text in texts:
                if seen <= killed_at - KILL_WINDOW:
                    safe[header] = text
        self.check_disk()
        self.start(safe_after_kill=safe)

    # -- invariants ------------------------------------------------------------------------------

    def start(self, safe_after_kill=None):
        """Starts the program and checks every note against the model. After a kill, a note's text
        may be anything from its text in safe_after_kill to its text in the model, and the notes
        whose text came back from a journal are named in the start-up notice."""
        self.process = self.app.start()
        self.main = self.app.main_window()
        self.assertTrue(self.main["rect"][0] + self.main["rect"][2] <= MAIN_WINDOW_AREA[0]
                        and self.main["rect"][1] + self.main["rect"][3] <= MAIN_WINDOW_AREA[1],
                        f"the main window at {self.main['rect']} is in the notes' way")
        if safe_after_kill is None:
            self.assertEqual(windows_of(DIALOG), [], "a message at start")
        wait_until(lambda: len(notes()) >= len(self.notes), timeout=60, message=f"{len(self.notes)} notes")
        shown = self.shown()
        if safe_after_kill is not None:
            for header, note in self.notes.items():
                text = shown.get(header, {}).get("text_box", {}).get("text", "")
                # Typing only appends, so every text in between starts the next.
                self.assertTrue(note.text.startswith(text) and text.startswith(safe_after_kill[header]),
                                f"{header} came back as {text!r}: lost more than the typing of the last "
                                f"{KILL_WINDOW} s before the kill (typed {note.text!r})")
                note.text = text
            self.take_notice({note.header for note in self.notes.values() if note.text != note.disk})
        self.assertEqual(sorted(shown), sorted(self.notes), "the notes that came back")
        self.assertEqual(len(windows_of(NOTE_WINDOW)), len(self.notes), "one window a note")
        for header, note in self.notes.items():
            self.assertEqual(shown[header]["rect"], note.rect, f"the place of {header}")
            self.assertEqual(shown[header]["text_box"]["text"], note.text, f"the text of {header}")
            self.assertTrue(self.fits(note, shown[header]), f"the layout of {header}")

    def take_notice(self, put_back):
        """The start-up notice names exactly the notes put back from their journals (put_back: their
        headers), once each."""
        if not put_back:
            time.sleep(0.5)
            self.assertEqual(windows_of(DIALOG), [], "a message at start")
            return
        message = notice(PUT_BACK_HEAD, timeout=30)
        for note in self.notes.values():
            named = message.count(windows_path(self.app.path(note.linked)))
            self.assertEqual(named, 1 if note.header in put_back else 0, f"{note.header} in the notice")

    def check_disk(self):
        """Records and linked files as the model has them; discarded notes' files as they were."""
        expected = {note.record: note.record_bytes(self.app) for note in self.notes.values()}
        expected.update({note.linked: file_bytes(note.disk) for note in self.notes.values()})
        expected.update({note.linked: file_bytes(note.disk) for note in self.discarded})
        wrong = []
        for name, data in expected.items():
            self.files_checked += 1
            if not self.app.path(name).exists() or self.app.read(name) != data:
                wrong.append(name)
        self.mismatched += len(wrong)
        self.assertEqual(wrong, [], "files that differ from what the notes held")
        self.assertEqual(self.app.records(), sorted(note.record for note in self.notes.values()), "the records")


if __name__ == "__main__":
    unittest.main()
