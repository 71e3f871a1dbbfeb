"""The main window as a user meets it: its design, one copy only, and a clean exit."""

import unittest

from harness import App, CAPTION, IDOK, MAIN_WINDOW, answer, dialog, probe, screenshot, windows_of


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)

    def test_window_has_the_designed_caption_frame_and_size(self):
        self.app.start()
        main = self.app.main_window()
        self.assertEqual(main["text"], CAPTION)
        self.assertEqual(main["dpi"], 96)
        width, height = main["client"][2:]
        self.assertEqual((width, height), (217, 89))  # 3255 x 1335 twips at 15 twips a pixel
        WS_MAXIMIZEBOX, WS_MINIMIZEBOX, WS_THICKFRAME, WS_SYSMENU = 0x10000, 0x20000, 0x40000, 0x80000
        self.assertTrue(main["style"] & WS_MINIMIZEBOX)
        self.assertTrue(main["style"] & WS_SYSMENU)
        self.assertFalse(main["style"] & WS_MAXIMIZEBOX)
        self.assertFalse(main["style"] & WS_THICKFRAME)
        screenshot("main_window")

    def test_second_start_says_it_is_already_running_and_ends(self):
        first = self.app.start()
        first_window = self.app.main_window()
        second = self.app.start()
        box = dialog(what="the already-running message")
        self.assertEqual(box["text"], "Varnel")
        texts = [child["text"] for child in box["children"]]
        self.assertIn("既に起動されています", texts)
        screenshot("already_running")
        self.assertEqual(answer(box, IDOK).returncode, 0)
        self.assertEqual(second.wait(timeout=20), 0)
        self.assertIsNone(first.poll())
        mains = windows_of(MAIN_WINDOW)
        self.assertEqual([w["hwnd"] for w in mains], [first_window["hwnd"]])
        self.assertEqual(self.app.records(), [])

    def test_closing_the_main_window_ends_the_program_with_code_zero(self):
        process = self.app.start()
        self.app.main_window()
        self.app.quit(process)
        self.assertEqual(windows_of(MAIN_WINDOW, visible_only=False), [])

    def test_session_end_runs_the_shutdown_path(self):
        process = self.app.start()
        main = self.app.main_window()
        probe("endsession", main["hwnd"])
        # The program is still allowed to run until the session actually ends it.
        self.assertIsNone(process.poll())
        self.app.quit(process)


if __name__ == "__main__":
    unittest.main()
