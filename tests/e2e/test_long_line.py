"""A linked file holding one very long line, as a Japanese paragraph pasted without line breaks is:
the program starts as usual, the note shows and keeps the whole text, and typing works in it."""

import os
import unittest

from harness import App, click_centre, notes_by_left, wait_until, xdotool

ES_AUTOHSCROLL = 0x80
PARAGRAPH = "改行のない長い段落は日本語の文章によくある。"


def one_line(length, seed):
    """length characters of Japanese text with no line break, each file's own."""
    text = seed + PARAGRAPH * (length // len(PARAGRAPH) + 1)
    return text[:length]


class LongLineTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)

    def test_notes_with_a_100000_character_line_start_as_usual_and_keep_their_text(self):
        edited = one_line(100_000, "編集")
        untouched = one_line(100_000, "そのまま")
        files = {
            "short.txt": "一行目\r\n二行目\r\n".encode("cp932"),
            "edited.txt": (edited + "\r\n").encode("cp932"),
            "untouched.txt": untouched.encode("cp932"),
            "other.txt": b"another note\r\n",
        }
        for number, (name, data) in enumerate(files.items()):
            self.app.write(name, data)
            self.app.write_record(f"{number + 1}.dat", name, left=1500 + 3300 * number, top=3000)
        untouched_time = os.stat(self.app.path("untouched.txt")).st_mtime_ns

        # The harness's usual waits: before, the program never showed a window at all.
        process = self.app.start_with_notes(4)

        by_left = notes_by_left()
        self.assertEqual([n["text_box"]["text"] for n in by_left],
                         ["一行目\r\n二行目", edited, untouched, "another note"])
        # Only the notes with the long line are unwrapped.
        self.assertEqual([bool(n["text_box"]["style"] & ES_AUTOHSCROLL) for n in by_left],
                         [False, True, True, False])

        click_centre(by_left[1]["text_box"])
        wait_until(lambda: notes_by_left()[1]["foreground"], message="the note in front")
        xdotool("key", "ctrl+End")
        # Each key costs the long line about 0.1 s here; xdotool maps every Japanese character to a
        # spare key code in turn, and a character still waiting when the next one is mapped is lost.
        xdotool("type", "--delay", "400", "追記 ok")
        wait_until(lambda: notes_by_left()[1]["text_box"]["text"] == edited + "追記 ok",
                   message="the typed text at the end of the long line")

        self.app.quit(process)
        self.assertEqual(self.app.read("edited.txt"), (edited + "追記 ok\r\n").encode("cp932"))
        self.assertEqual(self.app.read("untouched.txt"), files["untouched.txt"])
        self.assertEqual(os.stat(self.app.path("untouched.txt")).st_mtime_ns, untouched_time)
        self.assertEqual(self.app.read("short.txt"), files["short.txt"])


if __name__ == "__main__":
    unittest.main()
