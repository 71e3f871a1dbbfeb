"""Notes come back at start and are saved at exit, as a user sees it on the real program."""

import time
import unittest

from harness import (App, NOTE_WINDOW, changed_pixels, note_text_boxes, notes, notes_by_left, probe,
                     screenshot, twips_to_pixels, type_at_end, wait_until, windows_of, xdotool)

EM_GETSEL = 0x00B0
EM_CHARFROMPOS = 0x00D7

JAPANESE_TEXT = ("会議は午後３時から。資料：報告書、予算案、議事録。「参加者」は山田、鈴木、佐藤、田中の四名。\r\n"
                 "場所は第二会議室（本館５階）。\r\n\r\n" * 6).encode("cp932")
ENGLISH_TEXT = (b"The quick brown fox jumps over the lazy dog, again and again.\r\n"
                b"col\tumn\ttabs and    spaces  averyveryveryverylongwordthatmustbebrokenhere end\r\n" * 5)


class NotesComeBackTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)

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
        process = self.app.start_with_notes(3)

        by_left = notes_by_left()
        self.assertEqual([n["rect"] for n in by_left], [
            [100, 200, 200, 200],
            [400, 200, 300, 160],
            [800, 200, 200, 300],
        ])
        self.assertEqual([n["text_box"]["text"] for n in by_left],
                         ["一行目\r\n二行目", "first line\r\nsecond line", "UTF-8 の付箋"])
        screenshot("three_notes")

        self.app.quit(process)
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
        process = self.app.start_with_notes(1)
        text_box = notes()[0]["text_box"]
        x, y, width, height = text_box["client"]
        xdotool("mousemove", x + width // 2, y + height - 5)
        xdotool("click", "1")
        # Keys go to the note only once the click has brought it to the front.
        wait_until(lambda: notes()[0]["foreground"], message="the note in front")
        xdotool("key", "ctrl+End")
        xdotool("type", "--delay", "50", "追記 ok")
        wait_until(lambda: notes()[0]["text_box"]["text"].endswith("追記 ok"), message="the typed text")
        self.app.quit(process)
        self.assertEqual(self.app.read("memo.txt"), "メモ追記 ok\r\n".encode("cp932"))

    def test_a_note_draws_its_text_as_its_text_box_will_show_it_until_the_mouse_or_a_tool_needs_the_box(self):
        texts = {
            "ja.txt": JAPANESE_TEXT,
            "en.txt": ENGLISH_TEXT,
            "memo.txt": b"abcdefghij klmnopqrst\r\nuvwxyz 0123456789\r\nlast line\r\n",
            # Characters the font lacks are drawn by the text box alone, as is a text too long to draw.
            "emoji.txt": "絵文字 \U0001F600 の付箋\r\n".encode("utf-8"),
            "big.txt": b"0123456789abcdef\r\n" * 1200,
        }
        for index, (name, data) in enumerate(texts.items()):
            self.app.write(name, data)
            self.app.write_record(f"{index}.dat", name, left=600 + 3300 * index, top=3000, width=3000, height=3000)
        xdotool("mousemove", 1270, 1010)
        process = self.app.start()
        self.app.main_window()

        lefts = {name: twips_to_pixels(600 + 3300 * index) for index, name in enumerate(texts)}
        wait_until(lambda: len(note_text_boxes()) == 5 and note_text_boxes()[lefts["emoji.txt"]],
                   message="the emoji note's text box")
        self.assertEqual({name: note_text_boxes()[left] for name, left in lefts.items()},
                         {"ja.txt": False, "en.txt": False, "memo.txt": False, "emoji.txt": True, "big.txt": True})
        time.sleep(1.0)
        drawn = screenshot("notes_drawn")

        # The mouse over a drawn text makes its text box, and the click puts the caret where it landed.
        memo_left = lefts["memo.txt"]
        point = (memo_left + 50, 200 + 45)
        xdotool("mousemove", *point)
        xdotool("click", "1")
        memo = next(n for n in notes() if n["rect"][0] == memo_left)
        wait_until(lambda: next(n for n in notes() if n["rect"][0] == memo_left)["foreground"],
                   message="the clicked note in front")
        box = memo["text_box"]
        client = (point[0] - box["client"][0], point[1] - box["client"][1])
        caret = int(probe("send", box["hwnd"], EM_GETSEL, 0, 0).stdout) & 0xFFFF
        under_mouse = int(probe("send", box["hwnd"], EM_CHARFROMPOS, 0, client[0] | client[1] << 16).stdout) & 0xFFFF
        self.assertEqual(caret, under_mouse)
        self.assertGreater(caret, len("abcdefghij klmnopqrst\r\n"))
        xdotool("type", "X")
        wait_until(lambda: "X" in next(n for n in notes() if n["rect"][0] == memo_left)["text_box"]["text"],
                   message="the typed key")

        # Asked as an assistive tool asks (the probe's dump), every note shows its text in its text box,
        # exactly as it was drawn.
        xdotool("mousemove", 1270, 1010)
        by_left = {n["rect"][0]: n["text_box"] for n in notes()}
        self.assertTrue(all(by_left.values()))
        for name in ("ja.txt", "en.txt", "big.txt"):
            self.assertEqual(by_left[lefts[name]]["text"], texts[name].decode("cp932")[:-2], name)
        time.sleep(1.0)
        shown = screenshot("notes_in_text_boxes")
        for name in ("ja.txt", "en.txt"):
            client = next(n for n in notes() if n["rect"][0] == lefts[name])["client"]
            changed, colours = changed_pixels(drawn, shown, client)
            self.assertGreater(colours, 1, f"{name}: no text drawn")
            self.assertEqual(changed, 0, f"{name}: pixels that changed when the text box took over")

        self.app.quit(process)
        memo_text = texts["memo.txt"].decode("ascii")
        self.assertEqual(self.app.read("memo.txt"), (memo_text[:caret] + "X" + memo_text[caret:]).encode("ascii"))
        for name in ("ja.txt", "en.txt", "emoji.txt", "big.txt"):
            self.assertEqual(self.app.read(name), texts[name], name)

    def test_a_drawn_text_in_any_font_does_not_move_when_its_text_box_takes_over(self):
        mixed = JAPANESE_TEXT.split(b"\r\n")[0] + b"\r\n" + ENGLISH_TEXT
        cases = {
            # Italic characters lean past the end of their run of one script.
            "italic_mincho": (dict(font="ＭＳ 明朝", size="14", italic="True"), JAPANESE_TEXT),
            "courier": (dict(font="Courier New", size="10.5"), ENGLISH_TEXT),
            "missing": (dict(font="どこにもない書体", size="9"), mixed),
            # A face of Latin letters only gives a text box other margins than the Japanese faces. The
            # last note opened lies on top and is drawn first: the others are laid out after it.
            "latin": (dict(font="DejaVu Sans", size="10.5"), ENGLISH_TEXT),
        }
        lefts = {}
        for index, (name, (font, data)) in enumerate(cases.items()):
            self.app.write(f"{name}.txt", data)
            self.app.write_record(f"{index}.dat", f"{name}.txt", left=600 + 3300 * index, top=3000, width=3000,
                                  height=3000, **font)
            lefts[name] = twips_to_pixels(600 + 3300 * index)
        xdotool("mousemove", 1270, 1010)
        process = self.app.start()
        self.app.main_window()
        wait_until(lambda: len(note_text_boxes()) == len(cases), message="the notes")
        time.sleep(1.0)
        self.assertEqual(note_text_boxes(), {left: False for left in lefts.values()}, "notes that drew their text")
        drawn = screenshot("fonts_drawn")
        clients = {n["rect"][0]: n["client"] for n in notes()}
        time.sleep(1.0)
        shown = screenshot("fonts_in_text_boxes")
        for name, left in lefts.items():
            with self.subTest(name):
                changed, colours = changed_pixels(drawn, shown, clients[left])
                self.assertGreater(colours, 1, "no text shown")
                self.assertEqual(changed, 0, "pixels that changed when the text box took over")
        self.app.quit(process)

    def test_records_that_cannot_be_shown_give_no_note_and_are_gone_afterwards(self):
        self.app.write("real.txt", b"here\r\n")
        self.app.write_record("1.dat", "real.txt")
        self.app.write_record("2.dat", "gone.txt")
        self.app.write("3.dat", b"")
        self.app.write("4.dat", b"\x00\x01binary\xff")
        process = self.app.start_with_notes(1)
        self.assertEqual(self.app.records(), ["1.dat"])
        self.app.quit(process)
        self.assertEqual(self.app.records(), ["1.dat"])
        self.assertFalse(self.app.path("gone.txt").exists())

    def test_a_note_deleted_by_hand_is_not_saved_and_does_not_come_back(self):
        self.app.write("memo.txt", b"keep\r\n")
        self.app.write_record("1.dat", "memo.txt")
        process = self.app.start_with_notes(1)
        self.app.path("1.dat").unlink()
        self.app.write("memo.txt", b"changed elsewhere\r\n")
        self.app.quit(process)
        self.assertEqual(self.app.records(), [])
        self.assertEqual(self.app.read("memo.txt"), b"changed elsewhere\r\n")

    def test_102_records_open_101_notes_and_leave_the_last_untouched(self):
        for i in range(102):
            self.app.write(f"{i:03}.txt", f"note {i}\r\n".encode())
            self.app.write_record(f"{i:03}.dat", f"{i:03}.txt", left=(i % 20) * 600, top=(i // 20) * 1200)
        last = self.app.read("101.dat")
        process = self.app.start_with_notes(101, timeout=180)
        screenshot("101_notes")
        self.app.quit(process, timeout=120)
        self.assertEqual(len(self.app.records()), 102)
        self.assertEqual(self.app.read("101.dat"), last)
        self.assertNotEqual(self.app.read("100.dat"), self.app.record_line("100.txt", left=0, top=6000))

    def test_session_end_saves_once_and_a_second_one_does_not_save_again(self):
        self.app.write("memo.txt", b"a\r\n")
        self.app.write_record("1.dat", "memo.txt")
        process = self.app.start_with_notes(1)
        type_at_end(notes()[0]["text_box"], "b")
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
