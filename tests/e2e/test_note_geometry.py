"""Notes are moved by their margin and resized by their frame; the record keeps the new place."""

import time
import unittest

from harness import App, notes, screenshot, wait_until, xdotool
from harness import mouse_drag as drag


class NoteGeometryTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.app.write("memo.txt", b"line one\r\nline two\r\n")

    def open_note(self, **values):
        self.app.write_record("1.dat", "memo.txt", **values)
        self.process = self.app.start_with_notes(1)
        return notes()[0]

    def close_and_read_record(self):
        self.app.quit(self.process)
        return self.app.record_fields("1.dat")

    def test_a_left_drag_on_the_margin_moves_the_note_and_the_record_keeps_the_place(self):
        note = self.open_note(left=3000, top=3000)
        self.assertEqual(note["rect"], [200, 200, 200, 200])
        x, y = note["client"][:2]
        drag("1", (x + 5, y + 5), (x + 65, y + 45))
        moved = wait_until(lambda: notes()[0]["rect"][:2] == [260, 240] and notes()[0], message="the note to move")
        self.assertEqual(moved["rect"][2:], [200, 200])
        screenshot("note_after_drag")
        self.assertEqual(self.close_and_read_record()[1:5], ["3900", "3600", "3000", "3000"])

    def test_a_drag_that_starts_on_the_text_box_or_with_the_right_button_moves_nothing(self):
        note = self.open_note(left=3000, top=3000)
        text = note["text_box"]["client"]
        drag("1", (text[0] + 30, text[1] + 30), (text[0] + 90, text[1] + 70))
        x, y = note["client"][:2]
        drag("3", (x + 5, y + 5), (x - 25, y - 15))
        xdotool("key", "Escape")
        xdotool("mousemove", x + 80, y + 80)
        time.sleep(0.5)
        self.assertEqual(notes()[0]["rect"], [200, 200, 200, 200])

    def test_resizing_by_the_frame_fits_the_text_box_with_its_margins(self):
        note = self.open_note(left=3000, top=3000)
        right, bottom = note["rect"][0] + note["rect"][2], note["rect"][1] + note["rect"][3]
        drag("1", (right - 2, bottom - 2), (right + 98, bottom + 58))
        resized = wait_until(lambda: notes()[0]["rect"][2:] == [300, 260] and notes()[0], message="the new size")
        text = resized["text_box"]["client"]
        self.assertEqual(text[2:], [300 - 40, 260 - 40])  # width - 600 twips, height - 600 twips
        self.assertEqual([text[0] - resized["client"][0], text[1] - resized["client"][1]], [16, 16])
        screenshot("note_after_resize")
        self.assertEqual(self.close_and_read_record()[3:5], ["4500", "3900"])

    def test_the_frame_stops_at_the_smallest_size(self):
        note = self.open_note(left=3000, top=3000)
        right, bottom = note["rect"][0] + note["rect"][2], note["rect"][1] + note["rect"][3]
        drag("1", (right - 2, bottom - 2), (right - 190, bottom - 190))
        time.sleep(0.5)
        self.assertEqual(notes()[0]["rect"][2:], [40, 48])  # 600 x 720 twips

    def test_a_note_recorded_off_screen_opens_on_screen(self):
        note = self.open_note(left=100000, top=3000)
        self.assertEqual(note["rect"], [1080, 200, 200, 200])  # against the right edge of 1280 pixels
        self.assertEqual(self.close_and_read_record()[1:3], ["16200", "3000"])


if __name__ == "__main__":
    unittest.main()
