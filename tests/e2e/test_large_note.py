"""A note linked to a file of several megabytes: the program starts as usual and keeps answering
while the text goes into the note, the other notes take typing meanwhile, and an exit before the
text is in leaves the large file exactly as it was and keeps its note for the next start. A file of
gigabytes that is no text costs the start neither time nor memory."""

import os
import unittest

from harness import App, notes, notes_by_left, type_at_end, wait_until

ES_READONLY = 0x800
LINE = "付箋紙のテキスト、日本語で書いたメモ。ＡＢＣ 0123\r\n"


def large_text(size):
    """About size bytes of Japanese text in code page 932, CR LF lines."""
    line = LINE.encode("cp932")
    return line * (size // len(line))


class LargeNoteTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)

    def test_other_notes_take_typing_while_the_text_loads_and_an_exit_then_leaves_the_file_alone(self):
        large = large_text(4 * 1024 * 1024)
        self.app.write("large.txt", large)
        self.app.write_record("1.dat", "large.txt", left=1500, top=3000)
        self.app.write("small.txt", "一行目\r\n".encode("cp932"))
        self.app.write_record("2.dat", "small.txt", left=6000, top=3000)
        large_time = os.stat(self.app.path("large.txt")).st_mtime_ns

        process = self.app.start_with_notes(2)
        by_left = notes_by_left()
        loading = by_left[0]["text_box"]
        # The first screen is there, read-only, while the rest goes in.
        self.assertTrue(loading["style"] & ES_READONLY)
        self.assertTrue(large.decode("cp932").startswith(loading["text"]))
        self.assertGreater(len(loading["text"]), 0)

        type_at_end(by_left[1]["text_box"], "added", delay_ms=100)
        wait_until(lambda: notes_by_left()[1]["text_box"]["text"] == "一行目added",
                   message="the typed text in the small note")
        self.assertTrue(notes_by_left()[0]["text_box"]["style"] & ES_READONLY,
                        "the large text was already in: the exit below would not test a load cut short")

        self.app.quit(process)
        self.assertEqual(self.app.read("large.txt"), large)
        self.assertEqual(os.stat(self.app.path("large.txt")).st_mtime_ns, large_time)
        self.assertEqual(self.app.read("small.txt"), "一行目added\r\n".encode("cp932"))
        self.assertEqual(sorted(self.app.records()), ["1.dat", "2.dat"])

    def test_a_huge_file_that_is_no_text_holds_up_neither_the_start_nor_the_other_notes(self):
        size = 2 * 1024 ** 3
        with open(self.app.path("zeros.bin"), "wb") as zeros:
            zeros.truncate(size)  # sparse: costs the disk nothing
        self.app.write_record("1.dat", "zeros.bin", left=1500, top=3000)
        self.app.write("small.txt", "一行目\r\n".encode("cp932"))
        self.app.write_record("2.dat", "small.txt", left=6000, top=3000)

        process = self.app.start()
        # Generous waits: a start that read the whole file took 10 s and more.
        self.app.main_window(timeout=8)
        wait_until(lambda: [n["text_box"]["text"] for n in notes()] == ["一行目"], timeout=8, message="the other note")
        self.assertLess(self.app.peak_memory_mib(), 400)
        # As any file that is no text: its note is gone with its record, the file is left alone.
        self.assertEqual(self.app.records(), ["2.dat"])
        self.app.quit(process)
        self.assertEqual(os.stat(self.app.path("zeros.bin")).st_size, size)


if __name__ == "__main__":
    unittest.main()
