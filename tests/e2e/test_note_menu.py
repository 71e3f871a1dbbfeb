"""A note's popup menu on the real program: how it opens, what it offers, and what each command
leaves on screen and on disk."""

import os
import time
import unittest

from harness import (App, DIALOG, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, IDCANCEL, IDOK, NOTE_MENU_ITEMS,
                     answer, child, choose_on_note, close_menu, dialog, error_text, hold, inside, notes, open_menu,
                     probe, right_press, screenshot, set_colour, set_text, text_starting, wait_until, windows_of,
                     windows_path, xdotool)

CB_SETCURSEL, WM_COMMAND, CBN_SELCHANGE = 0x14E, 0x111, 1
FACE_LIST, STYLE_LIST, SIZE_LIST = 0x470, 0x471, 0x472


def menu_items(menu):
    """The captions of an open menu, "-" for a separator."""
    return [fields[0] for fields in inside("menu", menu)]


def font_of(window):
    """(face, height, weight, italic) of a window's font."""
    face, height, weight, italic = inside("font", window)[0]
    return face, int(height), int(weight), italic != "0"


def combo_text(dialog, control_id):
    """The text a combo box shows: its edit field, listed right after it (children come depth first)."""
    children = dialog["children"]
    start = next(i for i, c in enumerate(children) if c["id"] == control_id and c["class"] == "ComboBox")
    return next(c["text"] for c in children[start + 1:] if c["class"] == "Edit")


class NoteMenuTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.original = "一行目\r\n二行目\r\n".encode("cp932")
        self.app.write("memo.txt", self.original)
        self.app.write_record("1.dat", "memo.txt", left=3000, top=3000)

    # -- driving the program --------------------------------------------------------------------

    def start(self):
        self.app.start_with_notes(1)

    def note(self):
        return next(iter(notes()), None)

    def choose(self, caption):
        """Opens the menu with a right press and picks an entry with the arrow keys and Return."""
        choose_on_note(self.note(), caption)

    def text_of_note(self):
        return self.note()["text_box"]["text"]

    def record(self):
        return self.app.record_fields("1.dat")

    # -- the menu itself -----------------------------------------------------------------------

    def test_menu_opens_from_a_right_press_and_from_the_keyboard_with_its_nine_entries(self):
        self.start()
        before = self.note()["rect"]
        pressed = right_press(self.note())
        menu = wait_until(open_menu, message="the note menu")
        self.assertEqual(menu["rect"][:2], list(pressed))
        self.assertEqual(menu_items(menu), NOTE_MENU_ITEMS)
        screenshot("note_menu")
        # Moving the mouse with the menu open, or after it, does not drag the note.
        xdotool("mousemove", pressed[0] + 40, pressed[1] + 40)
        close_menu()
        xdotool("mousemove", pressed[0] + 60, pressed[1] + 30)
        time.sleep(0.3)
        self.assertEqual(self.note()["rect"], before)

        text_box = self.note()["text_box"]
        xdotool("mousemove", text_box["client"][0] + 20, text_box["client"][1] + 5)
        xdotool("click", "1")
        for key in ("shift+F10", "Menu"):
            xdotool("key", key)
            menu = wait_until(open_menu, message=f"the menu from {key}")
            self.assertEqual(menu["rect"][:2], text_box["rect"][:2], key)
            self.assertEqual(menu_items(menu), NOTE_MENU_ITEMS, key)
            close_menu()
        # A right click inside the text keeps the text box's own editing menu.
        xdotool("click", "3")
        menu = wait_until(open_menu, message="the text box's menu")
        self.assertNotIn("捨てる", menu_items(menu))
        close_menu()
        self.app.quit()

    # -- font and colours ----------------------------------------------------------------------

    def test_font_cancel_changes_nothing_and_ok_changes_the_text_box_and_the_record(self):
        self.start()
        font_before = font_of(self.note()["text_box"])
        self.assertEqual(font_before, ("ＭＳ Ｐゴシック", -12, 400, False))
        self.choose("フォント")
        box = dialog()
        self.assertEqual(combo_text(box, FACE_LIST), "ＭＳ Ｐゴシック")
        self.assertEqual(combo_text(box, SIZE_LIST), "9")
        answer(box, IDCANCEL)
        self.assertEqual(font_of(self.note()["text_box"]), font_before)

        self.choose("フォント")
        box = dialog()
        for list_id, index in ((FACE_LIST, 0), (STYLE_LIST, 2), (SIZE_LIST, 8)):
            combo = child(box, list_id, "ComboBox")
            probe("post", combo["hwnd"], CB_SETCURSEL, index, 0)
            probe("post", box["hwnd"], WM_COMMAND, (CBN_SELCHANGE << 16) | list_id, combo["hwnd"])
        time.sleep(0.5)
        box = dialog()
        face, size = combo_text(box, FACE_LIST), combo_text(box, SIZE_LIST)
        self.assertNotEqual(face, "ＭＳ Ｐゴシック")
        self.assertNotEqual(size, "9")
        answer(box, IDOK)
        font = font_of(self.note()["text_box"])
        self.assertEqual(font[:2], (face, -round(float(size) * 96 / 72)))
        self.assertNotEqual(font[2:], font_before[2:])
        self.app.quit()
        record = self.record()
        self.assertEqual(record[6:8], [face, size])
        self.assertEqual(record[9:11], [str(font[2] > 500), str(font[3])])

    def test_text_and_background_colours_reach_the_record_as_decimal_numbers(self):
        self.start()
        for caption, (red, green, blue) in (("文字色", (0x12, 0x34, 0x56)), ("背景色", (0xAB, 0xCD, 0xEF))):
            self.choose(caption)
            box = dialog()
            set_colour(box, red, green, blue)
            answer(box, IDOK)
        screenshot("note_colours")
        self.app.quit()
        record = self.record()
        self.assertEqual(record[5], str(0xEFCDAB))
        self.assertEqual(record[8], str(0x563412))

    # -- text file commands ---------------------------------------------------------------------

    def test_reload_after_an_outside_change_shows_the_new_text(self):
        self.start()
        set_text(self.note()["text_box"]["hwnd"], "edited here")
        self.app.write("memo.txt", "外で書き換え\r\n".encode("cp932"))
        self.choose("テキストデータの再読込み")
        # The note's edits would give way to the other program's text: the note asks first.
        box = dialog()
        self.assertIn("読み込み直しますか", "".join(c["text"] for c in box["children"]))
        answer(box, IDOK)
        wait_until(lambda: self.text_of_note() == "外で書き換え", message="the reloaded text")
        self.app.quit()
        self.assertEqual(self.app.read("memo.txt"), "外で書き換え\r\n".encode("cp932"))

    def test_overwrite_save_then_discard_leaves_the_edited_text_in_the_file(self):
        self.start()
        set_text(self.note()["text_box"]["hwnd"], "保存する\r\n文")
        self.choose("テキストデータの上書き保存")
        wait_until(lambda: self.app.read("memo.txt") == "保存する\r\n文\r\n".encode("cp932"), message="the save")
        self.assertEqual(windows_of(DIALOG), [])
        self.choose("捨てる")
        answer(dialog(), IDOK)
        wait_until(lambda: not notes(), message="the note to go")
        self.app.quit()
        self.assertEqual(self.app.records(), [])
        self.assertEqual(self.app.read("memo.txt"), "保存する\r\n文\r\n".encode("cp932"))

    def test_overwrite_save_on_a_read_only_file_says_why_and_loses_nothing(self):
        self.start()
        os.chmod(self.app.path("memo.txt"), 0o444)
        self.addCleanup(os.chmod, self.app.path("memo.txt"), 0o644)
        set_text(self.note()["text_box"]["hwnd"], "守る")
        self.choose("テキストデータの上書き保存")
        box = dialog()
        self.assertEqual(box["text"], "Varnel")
        message = text_starting(box, "ﾃｷｽﾄ")
        reason = error_text(ERROR_ACCESS_DENIED)
        self.assertTrue(reason)
        self.assertEqual(message, f"ﾃｷｽﾄﾌｧｲﾙ[ {windows_path(self.app.path('memo.txt'))} ]に保存できませんでした。\r\n"
                                  + reason)
        screenshot("overwrite_save_refused")
        answer(box, IDOK)
        self.assertEqual(self.text_of_note(), "守る")
        self.assertEqual(self.app.read("memo.txt"), self.original)
        self.assertEqual(self.app.records(), ["1.dat"])
        self.app.quit()

    def test_overwrite_save_on_a_file_another_program_holds_says_why_and_loses_nothing(self):
        self.start()
        set_text(self.note()["text_box"]["hwnd"], "守る")
        with hold(self.app.path("memo.txt")):
            self.choose("テキストデータの上書き保存")
            box = dialog()
            message = text_starting(box, "ﾃｷｽﾄ")
            # Replacing a file that is held open is refused as a sharing violation or as access denied.
            reasons = [error_text(code) for code in (ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED)]
            self.assertIn(message, [f"ﾃｷｽﾄﾌｧｲﾙ[ {windows_path(self.app.path('memo.txt'))} ]に保存できませんでした。\r\n"
                                    + reason for reason in reasons])
            answer(box, IDOK)
        self.assertEqual(self.text_of_note(), "守る")
        self.assertEqual(self.app.read("memo.txt"), self.original)
        # Released, the file takes the next save.
        self.choose("テキストデータの上書き保存")
        wait_until(lambda: self.app.read("memo.txt") == "守る\r\n".encode("cp932"), message="the saved text")
        self.app.quit()

    # -- discard and the web strip --------------------------------------------------------------

    def discard_text(self):
        return ("この付箋紙を削除します。編集中の内容は失われます。よろしいですか？\r\n"
                f"( ﾃｷｽﾄﾌｧｲﾙ[ {windows_path(self.app.path('memo.txt'))} ]は削除されません。 )\r\n"
                "\r\n"
                "編集中の内容をﾃｷｽﾄﾌｧｲﾙに反映するには「ﾃｷｽﾄﾃﾞｰﾀの上書き保存」を実行してください。")

    def test_discard_asks_first_cancel_keeps_the_note_and_ok_removes_it_for_good(self):
        self.start()
        set_text(self.note()["text_box"]["hwnd"], "never saved")
        self.choose("捨てる")
        box = dialog()
        self.assertEqual(box["text"], "Varnel")
        texts = [c["text"] for c in box["children"]]
        self.assertIn(self.discard_text(), texts)
        self.assertEqual(sorted(c["id"] for c in box["children"] if c["class"] == "Button"), [IDOK, IDCANCEL])
        screenshot("discard_question")
        answer(box, IDCANCEL)
        self.assertEqual(len(notes()), 1)
        self.assertEqual(self.app.records(), ["1.dat"])

        self.choose("捨てる")
        answer(dialog(), IDOK)
        wait_until(lambda: not notes(), message="the note to go")
        self.assertEqual(self.app.records(), [])
        self.app.quit()
        self.assertEqual(self.app.records(), [])
        self.assertEqual(self.app.read("memo.txt"), self.original)

        self.app.start()
        self.app.main_window()
        time.sleep(1)
        self.assertEqual(notes(), [])
        self.app.quit()

    def test_toggling_the_web_strip_twice_restores_the_layout(self):
        self.start()

        def layout():
            note = self.note()
            return note["text_box"]["rect"], sorted(tuple(c["rect"]) for c in note["children"]
                                                 if c["visible"] and c["class"] != "Edit")

        before = layout()
        self.choose("WebツールバーON/OFF")
        shown = wait_until(lambda: layout() if layout() != before else None, message="the strip")
        self.assertEqual(shown[0][3], before[0][3] - 8)  # 120 twips less text box
        self.assertTrue(shown[1])
        self.choose("WebツールバーON/OFF")
        wait_until(lambda: layout() == before, message="the first layout")
        self.app.quit()
        self.assertEqual(self.record()[11], "False")


if __name__ == "__main__":
    unittest.main()
