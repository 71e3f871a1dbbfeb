"""What the real program does to the user's files when they are not plain files in a plain folder,
or cannot be read just now: a reload that fails writes nothing, only record names are records,
a file held by another program keeps its note for a later start, overwriting follows links and
keeps hard links and attributes, a folder that takes no new files is written in place, and a
relative path in a record is read against the program's folder."""

import os
import pathlib
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import (App, DIALOG, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, IDOK, NOTE_WINDOW, answer,
                     choose_on_note, dialog, error_text, hold, local_recovery_folders, notes, probe, screenshot,
                     set_text, wait_until, windows_of, windows_path)

NOT_TEXT = b"\x00\x01 not text \x00\r\n"
RECOVERY_LIST = "未保存.lst"


def reasons():
    """The system's wording for a file another program holds: a sharing violation or access denied."""
    return [error_text(code) for code in (ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED)]


def wine_attributes(path):
    """The letters of a file's Windows attributes (A, H, R, S...) as Wine's attrib shows them."""
    shown = subprocess.run(["wine", "cmd", "/c", "attrib", windows_path(path)], capture_output=True, timeout=60)
    flags, _, name = shown.stdout.decode("utf-8", "replace").strip().partition("Z:\\")
    if not name:
        raise AssertionError(f"attrib did not show {path}: {shown.stdout!r}")
    return set(flags.replace(" ", ""))


class FileSafetyTest(unittest.TestCase):
    def setUp(self):
        for folder in local_recovery_folders():
            shutil.rmtree(folder, ignore_errors=True)
        self.app = App()
        self.addCleanup(self.app.cleanup)

    # -- driving the program --------------------------------------------------------------------

    def elsewhere(self):
        """A folder outside the program's folder, removed after the test."""
        folder = pathlib.Path(tempfile.mkdtemp(prefix="varnel-e2e-elsewhere-"))
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        return folder

    def start(self, count, cwd=None):
        self.app.start_with_notes(count, cwd=cwd)

    def quit(self):
        self.assertEqual(windows_of(DIALOG), [])
        self.app.quit()

    def note_showing(self, text):
        return wait_until(lambda: next((n for n in notes() if n["text_box"]["text"] == text), None),
                          message=f"the note showing {text!r}")

    def reload(self, note):
        """Picks "テキストデータの再読込み" from the note's menu, opened with a right press on its margin."""
        choose_on_note(note, "テキストデータの再読込み")

    def message(self):
        """The text of the one message box on screen, after it is answered."""
        box = dialog(timeout=60, what="a message box")
        self.assertEqual(box["text"], "Varnel")
        text = "\n".join(c["text"] for c in box["children"] if c["text"])
        answer(box, IDOK)
        return text

    def assert_names_file_and_reason(self, text, path):
        self.assertIn(windows_path(path), text)
        self.assertTrue(any(reason and reason in text for reason in reasons()), text)

    def wait_for_notes(self, count, what):
        """Waits until count notes are left, answering any message the program gives on the way
        (its wording is not what is tested here)."""
        def left():
            for box in windows_of(DIALOG):
                probe("click", box["hwnd"], IDOK)
            return len(notes()) == count
        wait_until(left, message=what)
        time.sleep(1)
        wait_until(left, message=what)

    def journals(self):
        return [p for folder in [self.app.folder, *local_recovery_folders()]
                for p in folder.glob("*.varnel-journal")]

    def recovery_files(self):
        return [p for folder in [self.app.folder, *local_recovery_folders()]
                for p in folder.glob("未保存*")]

    # -- reload ---------------------------------------------------------------------------------

    def test_a_reload_that_fails_leaves_the_file_alone_whatever_happens_to_the_record(self):
        original = {"ro.txt": b"read-only record\r\n", "held.txt": b"held record\r\n"}
        for i, (name, data) in enumerate(original.items()):
            self.app.write(name, data)
            self.app.write_record(f"{i}.dat", name, left=1500 + 6000 * i, top=3000)
        self.start(2)
        # The record cannot be deleted: read-only, or open in another program without sharing.
        os.chmod(self.app.path("0.dat"), 0o444)
        self.addCleanup(os.chmod, self.app.path("0.dat"), 0o644)
        for name in original:
            self.app.write(name, NOT_TEXT)
        self.reload(self.note_showing("read-only record"))
        self.wait_for_notes(1, "the note of the read-only record to close")
        self.assertEqual(self.app.read("ro.txt"), NOT_TEXT)
        with hold(self.app.path("1.dat")):
            self.reload(self.note_showing("held record"))
            self.wait_for_notes(0, "the note of the held record to close")
            self.assertEqual(self.app.read("held.txt"), NOT_TEXT)
        self.quit()
        for name in original:
            self.assertEqual(self.app.read(name), NOT_TEXT, name)

    # -- what counts as a record ----------------------------------------------------------------

    def test_files_whose_short_name_ends_in_dat_are_neither_opened_nor_deleted(self):
        self.app.write("memo.txt", b"the real note\r\n")
        record = self.app.write_record("1.dat", "memo.txt").read_bytes()
        # Their short names (X~....DAT for one) can match "*.dat"; a backup of a record is no record.
        others = {"x.data": b"\x00\x01 a user's data file", "notes.dat.bak": record}
        for name, data in others.items():
            self.app.write(name, data)
        self.start(1)
        time.sleep(1)
        self.assertEqual([n["text_box"]["text"] for n in notes()], ["the real note"])
        self.quit()
        for name, data in others.items():
            self.assertTrue(self.app.path(name).exists(), f"{name} was deleted")
            self.assertEqual(self.app.read(name), data, name)
        self.assertEqual(self.app.records(), ["1.dat"])

    # -- files that cannot be read just now -----------------------------------------------------

    def test_a_file_held_by_another_program_keeps_its_note_and_is_named_with_the_reason(self):
        self.app.write("held.txt", "持っていかれた付箋\r\n".encode("cp932"))
        self.app.write_record("1.dat", "held.txt", left=1500, top=3000)
        self.app.write("free.txt", b"free\r\n")
        self.app.write_record("2.dat", "free.txt", left=7500, top=3000)
        records = {name: self.app.read(name) for name in self.app.records()}

        with hold(self.app.path("held.txt")):
            self.process = self.app.start()
            text = self.message()
            self.assert_names_file_and_reason(text, self.app.path("held.txt"))
            self.assertNotIn("free.txt", text)
            self.app.main_window()
            wait_until(lambda: [n["text_box"]["text"] for n in notes()] == ["free"], message="only the free note")
            time.sleep(1)
            self.assertEqual(windows_of(DIALOG), [], "told once")
            self.assertEqual(self.app.records(), ["1.dat", "2.dat"])
            screenshot("held_at_start")
            self.quit()
        self.assertEqual(self.app.read("1.dat"), records["1.dat"], "a note that did not open keeps its record as it was")

        # Released, the note is back at the next start, without a word.
        self.start(2)
        held = self.note_showing("持っていかれた付箋")
        time.sleep(1)
        self.assertEqual(windows_of(DIALOG), [])

        # A reload while the file is held again keeps the note and its text and says why.
        with hold(self.app.path("held.txt")):
            self.reload(held)
            self.assert_names_file_and_reason(self.message(), self.app.path("held.txt"))
            self.assertEqual(len(notes()), 2)
            self.note_showing("持っていかれた付箋")
        self.quit()
        self.assertEqual(self.app.read("held.txt"), "持っていかれた付箋\r\n".encode("cp932"))
        self.assertEqual(self.app.records(), ["1.dat", "2.dat"])

    # -- what overwriting keeps -----------------------------------------------------------------

    def test_overwriting_follows_a_symbolic_link_keeps_a_hard_link_whole_and_keeps_attributes(self):
        elsewhere = self.elsewhere()
        target = elsewhere / "target.txt"
        target.write_bytes(b"through the link\r\n")
        os.symlink(target, self.app.path("link.txt"))
        self.app.write("hard.txt", b"two names\r\n")
        second_name = elsewhere / "second.txt"
        os.link(self.app.path("hard.txt"), second_name)
        self.app.write("plain.txt", b"hidden file\r\n")
        for flag in ("+h", "+s"):
            subprocess.run(["wine", "cmd", "/c", "attrib", flag, windows_path(self.app.path("plain.txt"))],
                           capture_output=True, timeout=60, check=True)
        attributes = wine_attributes(self.app.path("plain.txt"))
        self.assertTrue({"H", "S"} <= attributes, attributes)
        for i, name in enumerate(("link.txt", "hard.txt", "plain.txt")):
            self.app.write_record(f"{i}.dat", name, left=1500 + 4500 * i, top=3000)

        self.start(3)
        for text in ("through the link", "two names", "hidden file"):
            set_text(self.note_showing(text)["text_box"]["hwnd"], f"{text}: 書き足した")
        self.quit()

        self.assertTrue(os.path.islink(self.app.path("link.txt")), "the link is still a link")
        self.assertEqual(os.readlink(self.app.path("link.txt")), str(target))
        self.assertEqual(target.read_bytes(), "through the link: 書き足した\r\n".encode("cp932"))
        edited = "two names: 書き足した\r\n".encode("cp932")
        self.assertEqual((self.app.read("hard.txt"), second_name.read_bytes()), (edited, edited))
        self.assertEqual(os.stat(self.app.path("hard.txt")).st_ino, os.stat(second_name).st_ino)
        self.assertEqual(os.stat(second_name).st_nlink, 2)
        self.assertEqual(self.app.read("plain.txt"), "hidden file: 書き足した\r\n".encode("cp932"))
        self.assertEqual(wine_attributes(self.app.path("plain.txt")), attributes)
        # The safety copy made before the hard-linked file was rewritten in place is gone again.
        self.assertEqual(self.recovery_files(), [])
        self.assertEqual(sorted(p.name for p in elsewhere.iterdir()), ["second.txt", "target.txt"])

    def test_a_folder_that_takes_no_new_files_gets_its_file_written_in_place_and_keeps_no_journal(self):
        # The file in a folder elsewhere, and in the program's own folder: then the safety copy and
        # the journal go to the user's own folder, and the record cannot be written.
        for where in ("elsewhere", "program folder"):
            with self.subTest(where):
                if where != "elsewhere":
                    self.setUp()  # a program folder of its own, and no user's folder left from before
                locked = self.elsewhere() if where == "elsewhere" else self.app.folder
                (locked / "memo.txt").write_bytes(b"locked folder\r\n")
                self.app.write_record("1.dat", str(locked / "memo.txt"))
                self.start(1)
                # An immutable folder refuses new names, renames and deletions; its file stays writable.
                if subprocess.run(["chattr", "+i", str(locked)], capture_output=True).returncode != 0:
                    self.skipTest("this file system cannot make a folder immutable")
                self.addCleanup(subprocess.run, ["chattr", "-i", str(locked)], check=False)
                names = sorted(p.name for p in locked.iterdir())
                typed = probe("append", NOTE_WINDOW, "：書き足した".encode("utf-8").hex()).stdout.strip()
                self.assertEqual(typed, b"1")
                wait_until(self.journals, message="the journal of the edit")
                self.quit()
                subprocess.run(["chattr", "-i", str(locked)], check=True)
                self.assertEqual((locked / "memo.txt").read_bytes(), "locked folder：書き足した\r\n".encode("cp932"))
                self.assertEqual(sorted(p.name for p in locked.iterdir()), names)
                self.assertEqual(self.recovery_files(), [])
                self.assertEqual(self.journals(), [])
                self.assertEqual([p.name for folder in local_recovery_folders() for p in folder.iterdir()], [])

                # Nothing was kept elsewhere, so the next start has nothing to tell.
                self.start(1)
                self.note_showing("locked folder：書き足した")
                time.sleep(1)
                self.quit()

    # -- paths in records -----------------------------------------------------------------------

    def test_a_relative_path_in_a_record_is_read_against_the_program_folder_not_the_current_one(self):
        self.app.write("memo.txt", "プログラムのフォルダ\r\n".encode("cp932"))
        self.app.write("1.dat", "memo.txt,1500,1500,3000,3000,&H00C0C0C0&,ＭＳ Ｐゴシック,9,&H00000000&,False,False,False\r\n"
                       .encode("cp932"))
        start_in = self.elsewhere()
        another = start_in / "memo.txt"
        another.write_bytes("別のフォルダ\r\n".encode("cp932"))

        self.start(1, cwd=start_in)
        set_text(self.note_showing("プログラムのフォルダ")["text_box"]["hwnd"], "プログラムのフォルダ: 書き足した")
        self.quit()
        self.assertEqual(self.app.records(), ["1.dat"])
        self.assertEqual(self.app.read("memo.txt"), "プログラムのフォルダ: 書き足した\r\n".encode("cp932"))
        self.assertEqual(another.read_bytes(), "別のフォルダ\r\n".encode("cp932"))

        # Started from a folder without such a file, the record stays and the note opens.
        self.start(1, cwd=self.elsewhere())
        self.note_showing("プログラムのフォルダ: 書き足した")
        self.quit()
        self.assertEqual(self.app.records(), ["1.dat"])


if __name__ == "__main__":
    unittest.main()
