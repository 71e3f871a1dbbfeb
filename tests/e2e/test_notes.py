"""Notes come back at start and are saved at exit, as a user sees it on the real program."""

import unittest

from harness import App, NOTE_WINDOW, notes, probe, screenshot, wait_until, windows_of, xdotool


def twips_to_pixels(twips):
    return round(twips * 96 / 1440)


class NotesComeBackTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)

    def start_and_wait_for_notes(self, count, timeout=30.0):
        process = self.app.start()
        self.app.main_window(timeout)
        wait_until(lambda: len(notes()) == count, timeout, message=f"{count} notes")
        return process

    def test_three_records_open_three_notes_where_they_were_and_are_saved_at_exit(self):
        texts = {
            "a.txt": "一行目\r\n二行目\r\n".encode("cp932"),
            "b.txt": b"first line\nsecond line\n",
            "c.txt": "\ufeffUTF-8 の付箋\r\n".encode("utf-8"),
        }
        for name, data in texts.items():
            self.app.write(name, data)
        self.app.write_record("1.dat", "a.txt", left=1500, top=3000, width=3000, height=3000)
        self.app.write_record("2.dat", "b.txt", left=6000, top=3000, width=4500, height=2400, back="&H0080FFFF&",
                              font="ＭＳ ゴシック", size="10.5", fore="&H00800000&", bold="True")
        self.app.write_record("3.dat", "c.txt", left=12000, top=3000, width=3000, height=4500, back="8454016",
                              fore="255", italic="True")
        process = self.start_and_wait_for_notes(3)

        by_left = sorted(notes(), key=lambda n: n["rect"][0])
        self.assertEqual([n["rect"] for n in by_left], [
            [100, 200, 200, 200],
            [400, 200, 300, 160],
            [800, 200, 200, 300],
        ])
        self.assertEqual([n["text_box"]["text"] for n in by_left],
                         ["一行目\r\n二行目", "first line\r\nsecond line", "UTF-8 の付箋"])
        screenshot("three_notes")

        self.assertEqual(self.app.close_main_window(process), 0)
        self.assertEqual(self.app.read("1.dat"), self.app.record_line(
            "a.txt", 1500, 3000, 3000, 3000, "12632256", "ＭＳ Ｐゴシック", "9", "0", "False", "False", "False"))
        self.assertEqual(self.app.read("2.dat"), self.app.record_line(
            "b.txt", 6000, 3000, 4500, 2400, "8454143", "ＭＳ ゴシック", "10.5", "8388608", "True", "False", "False"))
        self.assertEqual(self.app.read("3.dat"), self.app.record_line(
            "c.txt", 12000, 3000, 3000, 4500, "8454016", "ＭＳ Ｐゴシック", "9", "255", "False", "True", "False"))
        for name, data in texts.items():
            self.assertEqual(self.app.read(name), data, name)

    def test_typed_text_reaches_the_linked_file_at_exit(self):
        self.app.write("memo.txt", "メモ\r\n".encode("cp932"))
        self.app.write_record("1.dat", "memo.txt", left=3000, top=3000)
        process = self.start_and_wait_for_notes(1)
        text_box = notes()[0]["text_box"]
        x, y, width, height = text_box["client"]
        xdotool("mousemove", x + width // 2, y + height - 5)
        xdotool("click", "1")
        # Keys go to the note only once the click has brought it to the front.
        wait_until(lambda: notes()[0]["foreground"], message="the note in front")
        xdotool("key", "ctrl+End")
        xdotool("type", "--delay", "50", "追記 ok")
        wait_until(lambda: notes()[0]["text_box"]["text"].endswith("追記 ok"), message="the typed text")
        self.assertEqual(self.app.close_main_window(process), 0)
        self.assertEqual(self.app.read("memo.txt"), "メモ追記 ok\r\n".encode("cp932"))

    def test_records_that_cannot_be_shown_give_no_note_and_are_gone_afterwards(self):
        self.app.write("real.txt", b"here\r\n")
        self.app.write_record("1.dat", "real.txt")
        self.app.write_record("2.dat", "gone.txt")
        self.app.write("3.dat", b"")
        self.app.write("4.dat", b"\x00\x01binary\xff")
        process = self.start_and_wait_for_notes(1)
        self.assertEqual(self.app.records(), ["1.dat"])
        self.assertEqual(self.app.close_main_window(process), 0)
        self.assertEqual(self.app.records(), ["1.dat"])
        self.assertFalse(self.app.path("gone.txt").exists())

    def test_a_note_deleted_by_hand_is_not_saved_and_does_not_come_back(self):
        self.app.write("memo.txt", b"keep\r\n")
        self.app.write_record("1.dat", "memo.txt")
        process = self.start_and_wait_for_notes(1)
        self.app.path("1.dat").unlink()
        self.app.write("memo.txt", b"changed elsewhere\r\n")
        self.assertEqual(self.app.close_main_window(process), 0)
        self.assertEqual(self.app.records(), [])
        self.assertEqual(self.app.read("memo.txt"), b"changed elsewhere\r\n")

    def test_102_records_open_101_notes_and_leave_the_last_untouched(self):
        for i in range(102):
            self.app.write(f"{i:03}.txt", f"note {i}\r\n".encode())
            self.app.write_record(f"{i:03}.dat", f"{i:03}.txt", left=(i % 20) * 600, top=(i // 20) * 1200)
        last = self.app.read("101.dat")
        process = self.start_and_wait_for_notes(101, timeout=180)
        screenshot("101_notes")
        self.assertEqual(self.app.close_main_window(process, timeout=120), 0)
        self.assertEqual(len(self.app.records()), 102)
        self.assertEqual(self.app.read("101.dat"), last)
        self.assertNotEqual(self.app.read("100.dat"), self.app.record_line("100.txt", left=0, top=6000))

    def test_session_end_saves_once_and_a_second_one_does_not_save_again(self):
        self.app.write("memo.txt", b"a\r\n")
        self.app.write_record("1.dat", "memo.txt")
        process = self.start_and_wait_for_notes(1)
        text_box = notes()[0]["text_box"]
        x, y, width, height = text_box["client"]
        xdotool("mousemove", x + width // 2, y + height // 2)
        xdotool("click", "1")
        xdotool("key", "ctrl+End")
        xdotool("type", "b")
        wait_until(lambda: notes()[0]["text_box"]["text"] == "ab", message="the typed text")
        main = self.app.main_window()
        probe("endsession", main["hwnd"])
        self.assertEqual(self.app.read("memo.txt"), b"ab\r\n")
        self.app.write("memo.txt", b"written after the session ended\r\n")
        probe("endsession", main["hwnd"])
        self.assertEqual(self.app.read("memo.txt"), b"written after the session ended\r\n")
        self.assertEqual(windows_of(NOTE_WINDOW), [])
        process.kill()


if __name__ == "__main__":
    unittest.main()
