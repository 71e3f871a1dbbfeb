"""Notes follow their linked files on the real program: another program rewrites, appends to,
replaces, deletes and brings back a file; an unedited note shows what it wrote, an edited one keeps
its text, is marked, asks before either version is lost, and at exit keeps the other version in a
recovery file that the next start names."""

import os
import subprocess
import time
import unittest

from harness import (App, DIALOG, IDCANCEL, IDOK, TOOLTIP, answer, choose_on_note, dialog, log_line, log_writer, notes,
                     notice, pointer_away, screenshot, set_text, wait_until, windows_of, windows_path, xdotool)

MARK = "#DC2828"  # the frame of a note whose file changed while it was edited
SAID_CHANGED = "ほかのプログラムがこのﾌｧｲﾙを変更しました"
SAID_GONE = "このﾌｧｲﾙは削除されたか移動されました"
NOTICE_HEAD = "次のテキストファイルは、編集の後にほかのプログラムで変更されていました。"
RECOVERY_PREFIX = "未保存_"


def cp932(text):
    return text.encode("cp932")


def rewrite_in_place(path, data, same_time=False):
    """Another program writing over the file's bytes; same_time keeps its last-write time, as a
    file system counting in whole seconds does for a second write within the same second."""
    before = os.stat(path)
    with open(path, "r+b") as file:
        file.write(data)
        file.truncate()
    if same_time:
        os.utime(path, ns=(before.st_atime_ns, before.st_mtime_ns))


def append(path, data):
    with open(path, "ab") as file:
        file.write(data)


def replace_by_rename(path, data):
    """Another program saving a new file beside the old one and renaming it over."""
    temporary = path.with_name(path.name + ".new")
    temporary.write_bytes(data)
    os.replace(temporary, path)


class FollowTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)

    def link(self, record, name, data, left):
        self.app.write(name, data)
        self.app.write_record(record, name, left=left, top=3000)

    def start(self, count):
        self.app.start_with_notes(count)

    def note(self, left):
        """The note placed at left (screen pixels of its window)."""
        return next(n for n in notes() if abs(n["rect"][0] - left) < 20)

    def shows(self, left, text):
        wait_until(lambda: self.note(left)["text_box"]["text"] == text, message=f"the note to show {text!r}")

    def marked(self, left):
        """Whether the note's client area starts with the red frame, as the screen shows it."""
        x, y = self.note(left)["client"][:2]
        shot = screenshot("follow_mark")
        pixel = subprocess.run(["convert", str(shot), "-crop", f"1x1+{x + 1}+{y + 1}", "txt:"],
                               capture_output=True, text=True, timeout=30, check=True).stdout
        return MARK in pixel

    def tooltip(self, left):
        """What the note's tooltip says when the mouse rests on its text."""
        pointer_away()
        x, y, width, height = self.note(left)["text_box"]["rect"]
        xdotool("mousemove", x + width // 2, y + height // 2)
        tip = wait_until(lambda: next((t for t in windows_of(TOOLTIP) if t["text"]), None), message="the tooltip")
        pointer_away()
        return tip["text"]

    def choose(self, left, caption):
        """Picks a command from the note's menu, opened with a right press on its margin."""
        choose_on_note(self.note(left), caption)

    def answer(self, question, button):
        box = dialog(what="a question")
        self.assertIn(question, "".join(c["text"] for c in box["children"]))
        answer(box, button)

    def recovery_files(self):
        return sorted(self.app.folder.glob(RECOVERY_PREFIX + "*"))

    def next_start_names(self, text_name, recovery):
        """Starts again: the notice names the linked file and the recovery file once."""
        self.app.start()
        self.app.main_window()
        message = notice(NOTICE_HEAD)
        self.assertEqual(message.count(windows_path(self.app.path(text_name))), 1, message)
        self.assertEqual(message.count(windows_path(recovery)), 1, message)
        self.app.quit()

    def test_an_unedited_note_follows_every_kind_of_change_and_a_deleted_file_is_told(self):
        unedited, edited = 150, 450
        self.link("1.dat", "a.txt", cp932("最初の内容\r\n"), 2250)
        self.link("2.dat", "e.txt", cp932("編集する付箋\r\n"), 6750)
        self.start(2)
        set_text(self.note(edited)["text_box"]["hwnd"], "付箋で編集した")
        path = self.app.path("a.txt")
        for change, write, shown in (
                ("rewritten, same size", lambda: rewrite_in_place(path, cp932("次回の内容\r\n")), "次回の内容"),
                ("rewritten, same size and last-write time",
                 lambda: rewrite_in_place(path, cp932("三回目内容\r\n"), same_time=True), "三回目内容"),
                ("appended to", lambda: append(path, cp932("追記した行\r\n")), "三回目内容\r\n追記した行"),
                ("replaced by a rename", lambda: replace_by_rename(path, cp932("置き換えた\r\n")), "置き換えた")):
            with self.subTest(change):
                write()
                self.shows(unedited, shown)
        self.assertFalse(self.marked(unedited))

        # Both files deleted: each note keeps its text and says the file is gone.
        path.unlink()
        self.app.path("e.txt").unlink()
        for left, text in ((unedited, "置き換えた"), (edited, "付箋で編集した")):
            wait_until(lambda: SAID_GONE in self.tooltip(left), message="the tooltip to tell of the deleted file")
            self.assertEqual(self.note(left)["text_box"]["text"], text)
        path.write_bytes(cp932("戻ってきた\r\n"))
        self.shows(unedited, "戻ってきた")
        wait_until(lambda: SAID_GONE not in self.tooltip(unedited), message="the tooltip to forget the deletion")

        # At exit the unedited note writes nothing to a file deleted again; the edited one writes it back.
        path.unlink()
        time.sleep(1)
        self.app.quit()
        self.assertFalse(path.exists())
        self.assertEqual(self.app.read("e.txt"), cp932("付箋で編集した\r\n"))
        self.assertEqual(self.recovery_files(), [])

    def test_an_unedited_note_shows_a_log_written_ten_times_a_second_while_it_is_written(self):
        left = 300
        # Long enough to go into the note in slices.
        head = "記録の始まり、まだ何もない\r\n" * 1500
        self.link("1.dat", "log.txt", cp932(head), 4500)
        self.start(1)
        path = self.app.path("log.txt")
        with log_writer(path) as written:
            # Twice while the writes go on: the note keeps up with them, not only once they stop.
            for _ in range(2):
                line = log_line(written() + 1)
                wait_until(lambda: line in self.note(left)["text_box"]["text"], timeout=30,
                           message=f"the note to show {line!r} while the log is written")
        self.shows(left, path.read_bytes().decode("cp932")[:-2])
        self.assertFalse(self.marked(left))

    def test_a_touch_or_an_identical_rewrite_of_an_edited_notes_file_is_no_change(self):
        edited, unedited = 150, 450
        original = cp932("元の内容\r\n")
        self.link("1.dat", "memo.txt", original, 2250)
        self.link("2.dat", "other.txt", cp932("別の付箋\r\n"), 6750)
        self.start(2)
        set_text(self.note(edited)["text_box"]["hwnd"], "付箋の編集")
        path = self.app.path("memo.txt")
        os.utime(path)
        rewrite_in_place(path, original)
        replace_by_rename(path, original)
        # The other note's file, changed last, has been followed: the edited note has looked too.
        rewrite_in_place(self.app.path("other.txt"), cp932("変えた\r\n"))
        self.shows(unedited, "変えた")
        time.sleep(0.5)
        self.assertFalse(self.marked(edited))
        # Nor is there a question before the note's text is written.
        self.choose(edited, "テキストデータの上書き保存")
        wait_until(lambda: self.app.read("memo.txt") == cp932("付箋の編集\r\n"), timeout=10,
                   message="the note's text in its file, with no question asked")
        self.assertEqual(windows_of(DIALOG), [])

    def test_an_edited_note_is_marked_asks_before_either_version_is_lost_and_keeps_both_at_exit(self):
        left = 300
        self.link("1.dat", "memo.txt", cp932("元の内容\r\n"), 4500)
        self.start(1)
        path = self.app.path("memo.txt")
        box = self.note(left)["text_box"]["hwnd"]
        set_text(box, "付箋の編集")
        self.assertFalse(self.marked(left))
        rewrite_in_place(path, cp932("外の版一\r\n"), same_time=True)
        wait_until(lambda: self.marked(left), message="the mark")
        self.assertEqual(self.note(left)["text_box"]["text"], "付箋の編集")
        self.assertIn(SAID_CHANGED, self.tooltip(left))

        # Each question, answered Cancel, loses nothing; overwrite-save answered OK writes the note's text.
        self.choose(left, "テキストデータの上書き保存")
        self.answer("上書きしますか", IDCANCEL)
        self.assertEqual(self.app.read("memo.txt"), cp932("外の版一\r\n"))
        self.choose(left, "テキストデータの再読込み")
        self.answer("読み込み直しますか", IDCANCEL)
        self.assertEqual(self.note(left)["text_box"]["text"], "付箋の編集")
        self.choose(left, "テキストデータの上書き保存")
        self.answer("上書きしますか", IDOK)
        self.assertEqual(self.app.read("memo.txt"), cp932("付箋の編集\r\n"))
        wait_until(lambda: not self.marked(left), message="the mark to go")

        # Edited again while another program appends: reload answered OK shows the file's text.
        set_text(box, "二度目の編集")
        append(path, cp932("外で追記\r\n"))
        wait_until(lambda: self.marked(left), message="the mark")
        self.choose(left, "テキストデータの再読込み")
        self.answer("読み込み直しますか", IDOK)
        self.shows(left, "付箋の編集\r\n外で追記")
        wait_until(lambda: not self.marked(left), message="the mark to go")

        # Edited once more, the file replaced by a rename: at exit both versions survive, byte for byte.
        set_text(box, "最後の編集")
        other = "\ufeffUTF-8 の版\n改行は LF だけ、末尾なし".encode("utf-8")
        replace_by_rename(path, other)
        wait_until(lambda: self.marked(left), message="the mark")
        self.app.quit()
        self.assertEqual(self.app.read("memo.txt"), cp932("最後の編集\r\n"))
        recovery = self.recovery_files()
        self.assertEqual(len(recovery), 1)
        self.assertEqual(recovery[0].read_bytes(), other)
        self.next_start_names("memo.txt", recovery[0])

    def test_two_notes_on_one_file_follow_each_other_and_both_texts_survive_an_exit(self):
        first, second = 150, 450
        self.link("1.dat", "shared.txt", cp932("共有\r\n"), 2250)
        self.link("2.dat", "shared.txt", cp932("共有\r\n"), 6750)
        self.start(2)
        # One note's save is another writer for the other: unedited, it follows.
        set_text(self.note(first)["text_box"]["hwnd"], "一枚目から保存")
        self.choose(first, "テキストデータの上書き保存")
        self.shows(second, "一枚目から保存")
        self.assertEqual(windows_of(DIALOG), [])

        set_text(self.note(first)["text_box"]["hwnd"], "XYZ")
        set_text(self.note(second)["text_box"]["hwnd"], "QRS")
        self.app.quit()
        recovery = self.recovery_files()
        self.assertEqual(len(recovery), 1)
        self.assertEqual({self.app.read("shared.txt"), recovery[0].read_bytes()}, {b"XYZ\r\n", b"QRS\r\n"})
        self.next_start_names("shared.txt", recovery[0])


if __name__ == "__main__":
    unittest.main()
