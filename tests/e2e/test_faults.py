"""Faults on the real program: linked files that cannot be written at exit, a disk that fills up
while the notes are saved, and record files with any content at start. Nothing the user typed may
vanish without a word, and no file may be left half written."""

import os
import pathlib
import random
import shutil
import subprocess
import unittest

from harness import (App, DIALOG, IDOK, answer, dialog, hold, local_recovery_folders, notes, notes_by_left,
                     record_faults, screenshot, set_text, text_starting, wait_until, windows_of, windows_path)

UTF8_MARK = b"\xef\xbb\xbf"
NOTICE_HEAD = "前回の終了時に、次のテキストファイルへ保存できませんでした。"
CORPUS = pathlib.Path(__file__).resolve().parent.parent / "fuzz" / "corpus" / "record"

counts = {"files_checked": 0, "faults_injected": 0, "lost": 0}


def tearDownModule():
    record_faults("faults at exit and start", **counts)


def remove_local_recovery_folders():
    for folder in local_recovery_folders():
        shutil.rmtree(folder, ignore_errors=True)


class FaultTest(unittest.TestCase):
    def setUp(self):
        remove_local_recovery_folders()
        self.addCleanup(remove_local_recovery_folders)
        self.app = App()
        self.addCleanup(self.app.cleanup)

    def check(self, actual, expected, what):
        """One file compared; a file that is neither what it was nor what it should be is lost."""
        counts["files_checked"] += 1
        if actual != expected:
            counts["lost"] += 1
        self.assertEqual(actual, expected, what)

    def notice(self):
        """The start-up notice about unsaved text: its message, after it is answered."""
        box = dialog(what="the notice")
        self.assertEqual(box["text"], "Varnel")
        message = text_starting(box, NOTICE_HEAD)
        screenshot("unsaved_notice")
        answer(box, IDOK)
        return message

    def recovered(self, folder):
        """{recovery file name: bytes} of the recovery files in a folder."""
        return {p.name: p.read_bytes() for p in folder.glob("未保存_*.txt")}

    def test_held_and_read_only_files_keep_their_edits_and_the_next_start_says_where(self):
        texts = {name: f"{name} の元の内容\r\n".encode("cp932") for name in ("held", "readonly", "plain", "record")}
        for i, name in enumerate(texts):
            self.app.write(f"{name}.txt", texts[name])
            self.app.write_record(f"{i}.dat", f"{name}.txt", left=1500 + i * 3000, top=3000)
        os.chmod(self.app.path("readonly.txt"), 0o444)
        os.chmod(self.app.path("3.dat"), 0o444)
        self.addCleanup(os.chmod, self.app.path("readonly.txt"), 0o644)
        self.addCleanup(os.chmod, self.app.path("3.dat"), 0o644)
        records_before = {name: self.app.read(name) for name in self.app.records()}

        process = self.app.start_with_notes(4, timeout=120)
        for note, name in zip(notes_by_left(), texts):
            set_text(note["text_box"]["hwnd"], f"{name} を編集した 😀")
        with hold(self.app.path("held.txt")):
            self.app.quit(process)
        counts["faults_injected"] += 3

        self.check(self.app.read("held.txt"), texts["held"], "the held file")
        self.check(self.app.read("readonly.txt"), texts["readonly"], "the read-only file")
        self.check(self.app.read("plain.txt"), "plain を編集した 😀\r\n".encode("utf-8-sig"), "the plain file")
        self.check(self.app.read("record.txt"), "record を編集した 😀\r\n".encode("utf-8-sig"),
                   "the text of the note with a read-only record")
        self.check(self.app.read("3.dat"), records_before["3.dat"], "the read-only record")
        for name in ("0.dat", "1.dat", "2.dat"):
            self.assertNotEqual(self.app.read(name), records_before[name], f"{name} is saved in the closing form")
        recovered = self.recovered(self.app.folder)
        self.assertEqual(sorted(recovered.values()), sorted(UTF8_MARK + f"{name} を編集した 😀\r\n".encode("utf-8")
                                                            for name in ("held", "readonly")))
        counts["files_checked"] += len(recovered)
        self.assertEqual(self.app.records(), ["0.dat", "1.dat", "2.dat", "3.dat"])

        # The next start says once which files were not saved and where their text is.
        process = self.app.start()
        self.app.main_window()
        message = self.notice()
        for name in ("held.txt", "readonly.txt"):
            self.assertIn(windows_path(self.app.path(name)), message)
        for name in recovered:
            self.assertIn(windows_path(self.app.path(name)), message)
        self.assertNotIn("plain.txt", message)
        self.assertFalse(self.app.path("未保存.lst").exists())
        # Released, the held file opens again: every note is back, showing what is on disk.
        wait_until(lambda: len(notes()) == 4, message="four notes")
        self.assertEqual(notes_by_left()[0]["text_box"]["text"], "held の元の内容")
        self.app.quit(process)
        self.assertEqual(self.recovered(self.app.folder), recovered)

    def test_a_disk_that_fills_up_keeps_the_originals_and_the_edits_elsewhere(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system for the program's folder needs root")
        mount = self.app.folder
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", str(mount)],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            self.skipTest(f"running as root without the right to mount: {mounted.stderr.strip()}")
        self.addCleanup(subprocess.run, ["umount", "-l", str(mount)], check=False)
        shutil.copy2(os.environ["VARNEL_EXE"], self.app.exe)
        texts = {f"{i}.txt": f"ノート {i}\r\n".encode("cp932") * 20 for i in range(3)}
        # A file with a second name is rewritten in place, and its edit needs more room than it has.
        texts["3.txt"] = "ノート 3\r\n".encode("cp932") * 400
        for i, (name, data) in enumerate(texts.items()):
            self.app.write(name, data)
            self.app.write_record(f"{i}.dat", name, left=1500 + i * 3000, top=3000)
        os.link(self.app.path("3.txt"), self.app.path("second name.txt"))
        records_before = {name: self.app.read(name) for name in self.app.records()}
        edits = [f"書き足した {i}\r\n" * (200 if i < 3 else 500) for i in range(4)]

        process = self.app.start_with_notes(4, timeout=120)
        for note, edit in zip(notes_by_left(), edits):
            set_text(note["text_box"]["hwnd"], edit)
        filler = self.app.path("filler.bin")
        with open(filler, "wb", buffering=0) as fill:
            try:
                while fill.write(b"\0" * 4096):
                    pass
            except OSError:
                pass
        self.app.quit(process)
        counts["faults_injected"] += 1

        for name, data in {**texts, "second name.txt": texts["3.txt"], **records_before}.items():
            self.check(self.app.read(name), data, f"{name} on the full disk")
        self.assertEqual(self.recovered(self.app.folder), {})
        [local] = local_recovery_folders()
        recovered = self.recovered(local)
        self.assertEqual(sorted(recovered.values()),
                         sorted(UTF8_MARK + (edit + "\r\n").encode("utf-8") for edit in edits))
        counts["files_checked"] += len(recovered)
        # The safety copy of the file rewritten in place is gone: the file itself is whole.
        self.assertEqual([p.name for p in [*self.app.folder.iterdir(), *local.iterdir()] if p.suffix == ".bak"], [])

        filler.unlink()
        process = self.app.start()
        self.app.main_window()
        message = self.notice()
        for name in texts:
            self.assertIn(windows_path(self.app.path(name)), message)
        self.assertIn("\\AppData\\Local\\Varnel\\未保存_", message)
        self.assertNotIn(".bak", message)
        self.assertNotIn("壊れています", message)
        self.assertFalse((local / "未保存.lst").exists())
        self.app.quit(process)

    def test_records_with_any_content_at_start_open_what_is_valid_and_drop_only_what_cannot_be_shown(self):
        valid = {}
        for i in range(10):
            name = f"valid{i}.txt"
            valid[f"v{i}.dat"] = name
            self.app.write(name, f"正しい付箋 {i}\r\n".encode("cp932"))
            self.app.write_record(f"v{i}.dat", name, left=600 * i, top=1500)
        seeds = [p.read_bytes() for p in sorted(CORPUS.iterdir())] + [self.app.read(n) for n in valid]
        generator = random.Random(2026)
        for i in range(70):
            self.app.write(f"x{i:02}.dat", mutate(generator, generator.choice(seeds)))
        counts["faults_injected"] += 70
        others = {p.name: p.read_bytes() for p in self.app.folder.iterdir() if p.suffix != ".dat"}

        process = self.app.start()
        self.app.main_window(timeout=120)
        self.assertIsNone(process.poll())
        # Every record left has its note, or names a file that cannot be read now (in a folder that is
        # not there): those are told about once and wait for a later start. Every other record is gone.
        wait_until(lambda: len(notes()) == len(self.app.records()) or windows_of(DIALOG), timeout=60,
                   message="one note per record left, or the notice")
        told = ""
        if windows_of(DIALOG):
            box = windows_of(DIALOG)[0]
            told = "".join(c["text"] for c in box["children"])
            self.assertIn("を今は開けませんでした", told)
            answer(box, IDOK)
        waiting = len(self.app.records()) - len(notes())
        self.assertEqual(waiting > 0, bool(told), "a notice exactly when records wait without a note")
        for record in valid:
            self.assertIn(record, self.app.records())
        # Damaged copies of a valid record may open the same text again.
        shown = {n["text_box"]["text"] for n in notes() if n["text_box"]["text"].startswith("正しい付箋")}
        self.assertEqual(shown, {f"正しい付箋 {i}" for i in range(10)})
        screenshot("records_with_any_content")
        self.app.quit(process, timeout=60)
        for name, data in others.items():
            self.check(self.app.read(name), data, f"{name} is not the program's to change")


def mutate(generator, seed):
    """A record file made from a seed by the kind of damage files suffer: cut short, bytes
    flipped, bytes repeated, lines joined or split, random bytes, or very long fields."""
    data = bytearray(seed)
    for _ in range(generator.randint(1, 4)):
        kind = generator.randrange(6)
        position = generator.randrange(len(data) + 1)
        if kind == 0:
            del data[position:]
        elif kind == 1 and data:
            data[min(position, len(data) - 1)] ^= 1 << generator.randrange(8)
        elif kind == 2:
            data[position:position] = data[position:position + generator.randint(1, 40)] * generator.randint(2, 50)
        elif kind == 3:
            data[position:position] = generator.choice([b"\r\n", b",", b"\n", b"\r", b"\0", b'"'])
        elif kind == 4:
            data[position:position] = bytes(generator.randrange(256) for _ in range(generator.randint(1, 64)))
        else:
            data[position:position] = generator.choice([b"9" * 400, b"&H" + b"F" * 40 + b"&", b"-1e39", b","])
    return bytes(data)


if __name__ == "__main__":
    unittest.main()
