"""New notes by dropping files on the main window, through a real X drag and drop: a GTK drag
source (drag_source.py) dragged with xdotool onto the main window, which Wine turns into an OLE
drop."""

import time
import unittest

from harness import (App, ERROR_ACCESS_DENIED, IDOK, MAIN_WINDOW, answer, dialog, error_text, expected_record,
                     make_read_only, make_writable, notes, screenshot, wait_until, windows_of)
from harness import drag_and_drop as drag

NOT_CREATED = "付箋紙を作成できませんでした。\r\n"


class DropTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.process = self.app.start()
        self.main = self.app.main_window()
        # The dropped files live beside the records; "*.dat" never matches them.
        self.memo = self.app.write("メモ.txt", "一行目\r\n".encode("cp932"))

    def new_records(self, count, timeout=20.0):
        return wait_until(lambda: len(self.app.records()) == count and self.app.records(), timeout,
                          message=f"{count} record(s)")

    def assertStillRunning(self):
        self.assertIsNone(self.process.poll())
        self.assertEqual([w["hwnd"] for w in windows_of(MAIN_WINDOW)], [self.main["hwnd"]])

    def test_one_file_makes_one_record_and_a_note_at_the_main_window(self):
        self.assertEqual(drag("files", [self.memo], self.main), "end")
        [name] = self.new_records(1)
        self.assertRegex(name, r"^\d+(\.\d+)?\.dat$")
        self.assertEqual(self.app.read(name), expected_record(self.memo, self.main))
        [note] = wait_until(notes, message="the new note")
        left, top = self.main["rect"][:2]
        self.assertEqual(note["rect"], [left, top, 200, 200])  # 3000 x 3000 twips
        self.assertEqual(note["text_box"]["text"], "一行目")
        screenshot("drop_new_note")
        # At exit the note keeps its file and its record.
        self.app.quit(self.process)
        self.assertEqual(self.app.records(), [name])
        self.assertEqual(self.app.read("メモ.txt"), "一行目\r\n".encode("cp932"))

    def test_three_files_use_only_the_first(self):
        second = self.app.write("b.txt", b"b\r\n")
        third = self.app.write("c.txt", b"c\r\n")
        self.assertEqual(drag("files", [self.memo, second, third], self.main), "end")
        [name] = self.new_records(1)
        self.assertEqual(self.app.read(name), expected_record(self.memo, self.main))
        wait_until(notes, message="the new note")
        time.sleep(0.5)
        self.assertEqual(len(notes()), 1)
        self.assertEqual(self.app.records(), [name])

    def test_same_file_twice_makes_two_notes_and_two_records(self):
        self.assertEqual(drag("files", [self.memo], self.main), "end")
        self.new_records(1)
        # The first note now covers the main window's left 200 pixels; the second drop goes right of it.
        left, top, width, height = self.main["rect"]
        self.assertEqual(drag("files", [self.memo], self.main, at=(left + width - 10, top + height // 2)), "end")
        names = self.new_records(2)
        self.assertNotEqual(names[0], names[1])
        for name in names:
            self.assertEqual(self.app.read(name), expected_record(self.memo, self.main))
        wait_until(lambda: len(notes()) == 2, message="two notes")

    def test_dragged_text_is_refused_and_writes_nothing(self):
        before = sorted(p.name for p in self.app.folder.iterdir())
        self.assertEqual(drag("text", ["plain words"], self.main), "failed")
        time.sleep(1.0)
        self.assertEqual(sorted(p.name for p in self.app.folder.iterdir()), before)
        self.assertEqual(notes(), [])
        self.assertStillRunning()

    def test_dropped_folder_leaves_no_record_and_is_not_touched(self):
        folder = self.app.path("フォルダ")
        folder.mkdir()
        (folder / "inside.txt").write_bytes(b"x")
        self.assertEqual(drag("files", [folder], self.main), "end")
        # Its note fails to load and takes its record with it.
        time.sleep(1.0)
        wait_until(lambda: self.app.records() == [], message="the record to go")
        self.assertEqual(notes(), [])
        self.assertEqual(sorted(p.name for p in folder.iterdir()), ["inside.txt"])
        self.assertEqual((folder / "inside.txt").read_bytes(), b"x")
        self.assertStillRunning()

    def test_read_only_application_folder_shows_why_and_keeps_running(self):
        before = sorted(p.name for p in self.app.folder.iterdir())
        make_read_only(self, self.app.folder)
        self.assertEqual(drag("files", [self.memo], self.main), "end")
        box = dialog(what="the message box")
        self.assertEqual(box["text"], "Varnel")
        reason = error_text(ERROR_ACCESS_DENIED)
        self.assertTrue(reason)
        texts = [child["text"] for child in box["children"]]
        self.assertIn(NOT_CREATED + reason, texts)
        screenshot("drop_not_created")
        self.assertEqual(sorted(p.name for p in self.app.folder.iterdir()), before)
        self.assertEqual(answer(box, IDOK).returncode, 0)
        self.assertStillRunning()
        # Writable again, the next drop works.
        make_writable(self.app.folder)
        self.assertEqual(drag("files", [self.memo], self.main), "end")
        [name] = self.new_records(1)
        self.assertEqual(self.app.read(name), expected_record(self.memo, self.main))


class FullRegistryDropTest(unittest.TestCase):
    def test_drop_past_the_last_slot_writes_the_record_but_opens_no_note(self):
        app = App()
        self.addCleanup(app.cleanup)
        app.write("a.txt", b"a\r\n")
        # 101 notes fill every slot; they sit right of the main window, out of the drop's way.
        for i in range(101):
            app.write_record(f"{i:03d}.dat", "a.txt", left=9000, top=3000)
        process = app.start_with_notes(101, timeout=180)
        main = app.main_window()
        dropped = app.write("b.txt", b"b\r\n")
        before = set(app.records())
        self.assertEqual(drag("files", [dropped], main), "end")
        new = wait_until(lambda: sorted(set(app.records()) - before), message="the new record")
        self.assertEqual(len(new), 1)
        self.assertEqual(app.read(new[0]), expected_record(dropped, main))
        time.sleep(1.0)
        self.assertEqual(len(notes()), 101)
        self.assertIsNone(process.poll())


if __name__ == "__main__":
    unittest.main()
