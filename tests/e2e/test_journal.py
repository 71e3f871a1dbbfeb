"""The edit journal on the real program: what was typed survives a kill of the process, even
typing that never paused, comes back at the next start with one notice, and reaches the linked
files only at an ordinary exit; when its file or its record went away meanwhile, it goes to the
file's place or into a recovery file that the notice names; an idle program writes nothing."""

import pathlib
import re
import time
import unittest

from harness import (App, DIALOG, JOURNAL_SUFFIX, NOTE_WINDOW, PUT_BACK_HEAD, notes, notice, parse_journal, probe,
                     record_faults, type_slowly, wait_until, windows_of, windows_path)

# Past the program's pause after typing (one second), with room for a loaded machine.
PAST_THE_PAUSE = 3.0
TYPED = "\r\n追記：停電の前に書いた行"
WRITTEN_BACK_HEAD = "前回は正しく終了しなかったため保存していなかった編集内容を、次のテキストファイルに保存しました"
KEPT_APART_HEAD = "前回は正しく終了しなかったため保存していなかった次のテキストファイルの編集内容は"
# Keys a user types without a pause as long as the program's (one second).
KEYS, KEY_INTERVAL_MS = "あいうえおかきくけこさしすせそたちつてと", 400

counts = {"kills": 0, "files_checked": 0, "lost": 0}


def tearDownModule():
    record_faults("journal", kills=counts["kills"], files_checked=counts["files_checked"],
                  faults_injected=counts["kills"], lost=counts["lost"])


def kill_program(app, process):
    app.kill(process)
    counts["kills"] += 1


class JournalTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        # Three linked files: code page 932 text, a Japanese text, and a UTF-8 file.
        self.files = {
            "plain.txt": "first line\r\nsecond".encode("cp932") + b"\r\n",
            "日本語.txt": "買い物：牛乳、卵".encode("cp932") + b"\r\n",
            "utf8.txt": "UTF-8 の付箋 ①②".encode("utf-8") + b"\n",
        }
        self.shown = {"plain.txt": "first line\r\nsecond", "日本語.txt": "買い物：牛乳、卵",
                      "utf8.txt": "UTF-8 の付箋 ①②"}
        for i, (name, data) in enumerate(self.files.items()):
            self.app.write(name, data)
            self.app.write_record(f"78710400{i}.dat", name, left=1500 + 3600 * i)

    def start(self):
        return self.app.start_with_notes(len(self.files), timeout=120)

    def check_file(self, name, expected):
        counts["files_checked"] += 1
        actual = self.app.read(name)
        if actual != expected:
            counts["lost"] += 1
        self.assertEqual(actual, expected, name)

    def test_typed_text_survives_a_kill_comes_back_once_and_is_saved_only_at_exit(self):
        process = self.start()
        typed = probe("append", NOTE_WINDOW, TYPED.encode("utf-8").hex()).stdout.strip()
        self.assertEqual(typed, b"3", "notes that took the typing")
        time.sleep(PAST_THE_PAUSE)
        self.assertEqual(len(self.app.journal_names()), 3, "a journal per edited note")
        kill_program(self.app, process)
        for name, data in self.files.items():
            self.check_file(name, data)

        # The next start puts every typed text back and says so once, naming the three files.
        process = self.app.start()
        self.app.main_window(timeout=120)
        message = notice(PUT_BACK_HEAD)
        for name in self.files:
            self.assertEqual(message.count(windows_path(self.app.path(name))), 1, message)
        wait_until(lambda: len(notes()) == 3, message="the notes")
        self.assertEqual(sorted(n["text_box"]["text"] for n in notes()),
                         sorted(text + TYPED for text in self.shown.values()))
        for name, data in self.files.items():
            self.check_file(name, data)

        # An ordinary exit saves them, in each file's own form, and leaves no journal.
        self.app.quit(process, timeout=60)
        self.check_file("plain.txt", ("first line\r\nsecond" + TYPED + "\r\n").encode("cp932"))
        self.check_file("日本語.txt", ("買い物：牛乳、卵" + TYPED + "\r\n").encode("cp932"))
        self.check_file("utf8.txt", ("UTF-8 の付箋 ①②" + TYPED + "\n").replace("\r\n", "\n").encode("utf-8"))
        self.assertEqual(self.app.journal_names(), [])

        # And the start after that has nothing to tell.
        process = self.start()
        time.sleep(1)
        self.assertEqual(windows_of(DIALOG), [])
        self.app.quit(process, timeout=60)

    def test_typed_text_outlives_a_kill_after_which_its_file_or_its_record_went_away(self):
        process = self.start()
        probe("append", NOTE_WINDOW, TYPED.encode("utf-8").hex())
        time.sleep(PAST_THE_PAUSE)
        self.assertEqual(len(self.app.journal_names()), 3, "a journal per edited note")
        kill_program(self.app, process)
        # Before the next start, the UTF-8 file is moved away, and so is the Japanese file's record.
        moved = self.app.path("moved")
        moved.mkdir()
        self.app.path("utf8.txt").rename(moved / "utf8.txt")
        self.app.path("787104001.dat").rename(moved / "787104001.dat")

        process = self.app.start()
        self.app.main_window(timeout=120)
        message = notice(PUT_BACK_HEAD)
        # The moved file's edits are written where it was, in its own encoding and line ends, and its
        # note opens on them; the record's edits are in a recovery file; the notice names both.
        self.assertIn(WRITTEN_BACK_HEAD, message)
        self.assertIn(KEPT_APART_HEAD, message)
        self.assertEqual(message.count(windows_path(self.app.path("utf8.txt"))), 1, message)
        self.check_file("utf8.txt", ("UTF-8 の付箋 ①②" + TYPED + "\n").replace("\r\n", "\n").encode("utf-8"))
        kept = [k.strip() for k in re.findall(r"^  → (.+)$", message.split(KEPT_APART_HEAD)[1], re.MULTILINE)]
        self.assertEqual(len(kept), 1, message)
        recovery = pathlib.Path(kept[0].replace("Z:", "", 1).replace("\\", "/"))
        self.assertEqual(recovery.read_bytes(), ("\ufeff" + self.shown["日本語.txt"] + TYPED + "\r\n").encode("utf-8"))
        self.assertIn(windows_path(self.app.path("日本語.txt")) + "\r\n  → " + kept[0] + "\r\n", message)
        wait_until(lambda: len(notes()) == 2, message="the two notes that still have records")
        self.assertEqual(sorted(n["text_box"]["text"] for n in notes()),
                         sorted(self.shown[name] + TYPED for name in ("plain.txt", "utf8.txt")))
        self.app.quit(process, timeout=60)
        self.assertEqual(self.app.journal_names(), [])

        # With its record back, the Japanese note opens on its file, and the start after has
        # nothing left to tell: the recovery file stays where the notice said.
        (moved / "787104001.dat").rename(self.app.path("787104001.dat"))
        process = self.start()
        time.sleep(1)
        self.assertEqual(windows_of(DIALOG), [])
        self.check_file("日本語.txt", self.files["日本語.txt"])
        self.assertIn(self.shown["日本語.txt"], [n["text_box"]["text"] for n in notes()])
        self.assertTrue(recovery.exists())
        self.app.quit(process, timeout=60)

    def test_typing_that_never_pauses_is_journaled_all_the_same(self):
        process = self.start()
        note = next(n for n in notes() if n["text_box"]["text"] == self.shown["plain.txt"])
        typist = type_slowly(note["hwnd"], KEYS, KEY_INTERVAL_MS)
        time.sleep(5)
        self.assertIsNone(typist.poll(), "still typing at the kill")
        kill_program(self.app, process)
        typist.wait(timeout=60)
        journals = [parse_journal(p.read_bytes()) for p in self.app.folder.iterdir() if p.name.endswith(JOURNAL_SUFFIX)]
        self.assertEqual(len(journals), 1, "the typed note's journal")
        path, text = journals[0]
        self.assertEqual(path, windows_path(self.app.path("plain.txt")))
        typed = text[len(self.shown["plain.txt"]):]
        self.assertEqual(text, self.shown["plain.txt"] + typed)
        self.assertTrue(typed and KEYS.startswith(typed), typed)
        self.check_file("plain.txt", self.files["plain.txt"])

    def test_an_idle_program_writes_no_file(self):
        process = self.start()
        time.sleep(1)
        before = {p.name: p.stat().st_mtime_ns for p in self.app.folder.iterdir()}
        time.sleep(30)
        after = {p.name: p.stat().st_mtime_ns for p in self.app.folder.iterdir()}
        self.assertEqual(after, before)
        self.app.quit(process, timeout=60)


if __name__ == "__main__":
    unittest.main()
