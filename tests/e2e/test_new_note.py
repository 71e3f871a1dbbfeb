"""The main window's own commands on the real program: a note made without a file, from the system
menu and from the keys; every note out of the way and back; starting with Windows.

Wine hands a system-wide key (RegisterHotKey) to the program only while one of its own windows has
the X focus, so the system-wide keys are pressed with a window of the program active."""

import pathlib
import re
import shutil
import tempfile
import time
import unittest

from harness import (App, ERROR_ACCESS_DENIED, IDOK, NOTE_WINDOW, SC_RESTORE, WM_SYSCOMMAND, activate, answer,
                     click_menu_entry, close_menu, dialog, error_text, expected_record, make_read_only, menu_entries,
                     minimize, notes, open_main_window_menu, open_note_menu, probe, screenshot, set_text, shortcut,
                     startup_folder, wait_until, windows_of, windows_path, xdotool)

NOTES_FOLDER = "付箋紙"
NEW_NOTE = "新しい付箋紙"
NEW_NAME = re.compile(r"^\d{4}-\d\d-\d\d_\d\d-\d\d \(\d+\)\.txt$")


class NewNoteTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.notes_folder = self.app.path(NOTES_FOLDER)

    def start(self):
        self.process = self.app.start()
        self.main = self.app.main_window()

    def note_files(self):
        return sorted(p.name for p in self.notes_folder.iterdir()) if self.notes_folder.is_dir() else []

    def make_note(self, road):
        """A new note from the system menu or Ctrl+N with the main window active, or from the
        system-wide key with the main window minimized into the tray and a note active."""
        if road == "system menu":
            click_menu_entry(open_main_window_menu(self.main, road), NEW_NOTE)
            return
        if road == "ctrl+alt+n":
            minimize(self.main)
            activate(notes()[0])  # the topmost
        else:
            activate(self.main)
        xdotool("key", road)

    def message(self):
        box = dialog(what="the message box")
        texts = [child["text"] for child in box["children"] if child["class"] == "Static"]
        answer(box, IDOK)
        return "".join(texts)

    def test_each_road_makes_a_file_a_drop_record_and_a_note_that_takes_the_typing(self):
        self.start()
        # Away from the screen's corner, where a note lands that has no place of its own.
        probe("move", self.main["hwnd"], 300, 200)
        self.main = wait_until(lambda: self.app.main_window()["rect"][:2] == [300, 200] and self.app.main_window(),
                               message="the main window to move")
        # Names of this minute and the next are taken: a new note never replaces a file, it takes a number.
        self.notes_folder.mkdir()
        now = time.time()
        taken = {time.strftime("%Y-%m-%d_%H-%M.txt", time.localtime(now + 60 * i)) for i in range(3)}
        for name in taken:
            (self.notes_folder / name).write_bytes(b"keep")
        typed = {}
        for road in ("system menu", "ctrl+n", "ctrl+alt+n"):
            with self.subTest(road=road):
                files, records, shown = set(self.note_files()), set(self.app.records()), {n["hwnd"] for n in notes()}
                self.make_note(road)
                [name] = wait_until(lambda: sorted(set(self.note_files()) - files), message="the new file")
                self.assertRegex(name, NEW_NAME)
                [record] = wait_until(lambda: sorted(set(self.app.records()) - records), message="the new record")
                self.assertEqual(self.app.read(record), expected_record(self.notes_folder / name, self.main))

                def new_note():
                    return next((n for n in notes() if n["hwnd"] not in shown), None)
                # At the main window's place, its last normal one while it is in the tray; in front.
                self.assertEqual(wait_until(new_note, message="the new note")["rect"][:2], self.main["rect"][:2])
                wait_until(lambda: new_note()["foreground"], message="the new note in front")
                self.assertEqual((self.notes_folder / name).read_bytes(), b"")
                # The caret is in the new note's text: typing goes there. Japanese text then shows the
                # file's encoding (the system code page, as for an empty dropped file).
                xdotool("type", road)
                wait_until(lambda: new_note()["text_box"]["text"] == road, message="the typed text")
                typed[name] = f"{road} メモ"
                set_text(new_note()["text_box"]["hwnd"], typed[name])
        self.assertEqual(len(typed), 3)
        probe("post", self.main["hwnd"], WM_SYSCOMMAND, SC_RESTORE, 0)
        self.app.quit(self.process)
        for name, text in typed.items():
            self.assertEqual((self.notes_folder / name).read_bytes(), (text + "\r\n").encode("cp932"))
        for name in taken:
            self.assertEqual((self.notes_folder / name).read_bytes(), b"keep")

    def test_a_discarded_new_note_takes_its_file_only_while_the_file_is_empty(self):
        self.start()
        for saved_text, stays in ((None, False), ("残す", True)):
            with self.subTest(saved_text=saved_text):
                self.make_note("ctrl+n")
                note = wait_until(lambda: next((n for n in notes() if n["foreground"]), None), message="the new note")
                [name] = self.note_files()
                if saved_text:
                    set_text(note["text_box"]["hwnd"], saved_text)
                    self.choose_on_note(note, "テキストデータの上書き保存")
                    wait_until(lambda: (self.notes_folder / name).read_bytes() == (saved_text + "\r\n").encode("cp932"),
                               message="the saved text")
                self.choose_on_note(note, "捨てる")
                self.assertIn("この付箋紙を削除します。", self.message())
                wait_until(lambda: self.app.records() == [], message="the record to go")
                self.assertEqual((self.notes_folder / name).exists(), stays)
                for path in self.notes_folder.iterdir():
                    path.unlink()

    def choose_on_note(self, note, caption):
        click_menu_entry(open_note_menu(note), caption)

    def test_a_read_only_program_folder_is_said_and_leaves_nothing_half_made(self):
        reason = error_text(ERROR_ACCESS_DENIED)
        # Without a notes folder it cannot be made; with one, the file is made but its record cannot be.
        for folder_there in (False, True):
            with self.subTest(folder_there=folder_there):
                self.app = App()
                self.addCleanup(self.app.cleanup)
                self.notes_folder = self.app.path(NOTES_FOLDER)
                said = (f"付箋紙を作成できませんでした。\r\n{reason}" if folder_there
                        else f"[ {windows_path(self.notes_folder)} ]\r\n{reason}")
                if folder_there:
                    self.notes_folder.mkdir()
                self.start()
                before = sorted(p.name for p in self.app.folder.rglob("*"))
                make_read_only(self, self.app.folder)
                self.make_note("ctrl+n")
                self.assertIn(said, self.message())
                self.assertEqual(sorted(p.name for p in self.app.folder.rglob("*")), before)
                self.assertEqual(notes(), [])
                self.app.quit(self.process)


class HideNotesTest(unittest.TestCase):
    def test_hidden_notes_stay_open_are_saved_and_come_back(self):
        app = App()
        self.addCleanup(app.cleanup)
        for name in ("a", "b"):
            app.write(f"{name}.txt", f"{name}\r\n".encode("cp932"))
            app.write_record(f"{name}.dat", f"{name}.txt", left=4500 if name == "a" else 9000, top=3000)
        process = app.start()
        main = app.main_window()
        wait_until(lambda: len(notes()) == 2, message="two notes")
        click_menu_entry(open_main_window_menu(main, "right click"), "付箋紙をすべて隠す")
        wait_until(lambda: notes() == [], message="the notes to hide")
        self.assertTrue(app.main_window())
        menu = open_main_window_menu(main, "right click")
        self.assertIn("付箋紙をすべて表示\tCtrl+Alt+H", [caption for caption, _, _ in menu_entries(menu)])
        close_menu()
        # Edited while hidden.
        hidden = windows_of(NOTE_WINDOW, visible_only=False)
        self.assertEqual(len(hidden), 2)
        a_note = next(w for w in hidden if w["rect"][0] == 300)  # 4500 twips
        set_text(next(c["hwnd"] for c in a_note["children"] if c["class"] == "Edit"), "隠れている間に")
        # A new note shows itself, the others stay hidden.
        activate(main)
        xdotool("key", "ctrl+n")
        self.assertEqual(len(wait_until(notes, message="the new note")), 1)
        click_menu_entry(open_main_window_menu(main, "right click"), "付箋紙をすべて前面に")
        wait_until(lambda: len(notes()) == 3, message="every note back")
        activate(main)
        xdotool("key", "ctrl+alt+h")
        wait_until(lambda: notes() == [], message="the notes to hide from the key")
        app.quit(process)
        self.assertEqual(app.read("a.txt"), "隠れている間に\r\n".encode("cp932"))
        self.assertEqual(app.read("b.txt"), b"b\r\n")


class StartAtSignInTest(unittest.TestCase):
    def test_the_check_writes_and_removes_a_shortcut_to_the_program(self):
        app = App()
        self.addCleanup(app.cleanup)
        process = app.start()
        main = app.main_window()
        folder = startup_folder()
        before = set(folder.glob("*.lnk")) if folder.is_dir() else set()
        self.addCleanup(lambda: [p.unlink() for p in set(folder.glob("*.lnk")) - before])

        def entry(road):
            menu = open_main_window_menu(main, road)
            return menu, next(e for e in menu_entries(menu) if e[0] == "Windows の起動時に開く")

        menu, (_, checked, _) = entry("right click")
        self.assertFalse(checked)
        screenshot("main_menu")
        click_menu_entry(menu, "Windows の起動時に開く")
        [link] = wait_until(lambda: sorted(set(folder.glob("*.lnk")) - before), message="the shortcut")
        self.assertEqual(shortcut(link), {"target": windows_path(app.exe), "folder": windows_path(app.folder)})
        # The same program started by another path (through a linked folder) knows its shortcut, and
        # would not write a second one that started it twice.
        app.quit(process)
        linked = pathlib.Path(tempfile.mkdtemp()) / "linked"
        linked.symlink_to(app.folder)
        self.addCleanup(shutil.rmtree, linked.parent)
        again = App(folder=linked)
        self.addCleanup(again.cleanup)
        process = again.start()
        main = again.main_window()
        for road in ("system menu", "right click"):
            menu, (_, checked, _) = entry(road)
            self.assertTrue(checked, road)
            close_menu()
        click_menu_entry(entry("system menu")[0], "Windows の起動時に開く")
        wait_until(lambda: not link.exists(), message="the shortcut to go")
        self.assertFalse(entry("right click")[1][1])
        xdotool("key", "Escape")
        again.quit(process)
        self.assertEqual(set(folder.glob("*.lnk")), before)


if __name__ == "__main__":
    unittest.main()
