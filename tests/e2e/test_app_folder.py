"""The application folder holds the records: a folder the program cannot write to is reported once,
in Japanese, at start, and the program still runs; a writable one keeps no trace of the check."""

import os
import subprocess
import unittest

from harness import (App, DIALOG, IDOK, MAIN_WINDOW, answer, dialog, notes, screenshot, wait_until, windows_of,
                     windows_path)


class AppFolderTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.app.write("memo.txt", b"keep\r\n")
        self.record = self.app.write_record("1.dat", "memo.txt").read_bytes()

    def make_folder_read_only(self):
        folder = str(self.app.folder)
        if os.geteuid() != 0:
            os.chmod(folder, 0o555)
            self.addCleanup(os.chmod, folder, 0o755)
        else:
            # Permission bits do not stop root: mount the folder over itself, read-only. Lazily
            # unmounted, since a program that failed to end may still hold it.
            mounted = subprocess.run(["mount", "--bind", "-o", "ro", folder, folder], capture_output=True, text=True)
            if mounted.returncode != 0:
                self.skipTest(f"running as root without the right to mount: {mounted.stderr.strip()}")
            self.addCleanup(subprocess.run, ["umount", "-l", folder], check=False)
        with self.assertRaises(OSError):
            self.app.write("probe.txt", b"")

    def test_a_read_only_folder_is_reported_once_at_start_and_the_program_runs_on(self):
        self.make_folder_read_only()
        process = self.app.start()
        box = dialog(what="the read-only message")
        self.assertEqual(box["text"], "Varnel")
        message = "\n".join(child["text"] for child in box["children"])
        self.assertIn(f"このﾌｫﾙﾀﾞ[ {windows_path(self.app.folder)} ]には書き込めません。", message)
        self.assertIn("書き込みのできる場所", message)
        # Told before anything opens, so nothing is lost later without a word.
        self.assertEqual(windows_of(MAIN_WINDOW), [])
        screenshot("read_only_folder")
        self.assertEqual(answer(box, IDOK).returncode, 0)

        self.app.main_window()
        wait_until(lambda: len(notes()) == 1, message="the note")
        self.assertEqual(notes()[0]["text_box"]["text"], "keep")
        self.assertEqual(windows_of(DIALOG), [])
        self.app.quit(process)
        self.assertEqual(windows_of(DIALOG), [])
        self.assertEqual(self.app.read("1.dat"), self.record)
        self.assertEqual(sorted(p.name for p in self.app.folder.iterdir()), ["1.dat", "memo.txt", "varnel.exe"])

    def test_a_writable_folder_starts_without_a_message_and_keeps_no_trace_of_the_check(self):
        process = self.app.start()
        self.app.main_window()
        wait_until(lambda: len(notes()) == 1, message="the note")
        self.assertEqual(windows_of(DIALOG), [])
        self.assertEqual(sorted(p.name for p in self.app.folder.iterdir()), ["1.dat", "memo.txt", "varnel.exe"])
        self.app.quit(process)
        self.assertNotEqual(self.app.read("1.dat"), self.record)  # saved in the closed record's form


if __name__ == "__main__":
    unittest.main()
