"""The main window hides in the notification area and comes back from its icon."""

import time
import unittest

from harness import App, MAIN_WINDOW, dump, minimize, probe, screenshot, wait_until, windows_of, xdotool

TRAY = "__winex11_standalone_tray"
# Wine's own tray window sits at the screen's top-left; its first icon's centre is here.
ICON = (13, 32)


def tray_window():
    return next((w for w in dump() if w["class"] == TRAY), None)


def main_window_state():
    window = next(iter(windows_of(MAIN_WINDOW, visible_only=False)), None)
    return window and (window["visible"], window["iconic"], window["foreground"])


class TrayTest(unittest.TestCase):
    def setUp(self):
        self.app = App()
        self.addCleanup(self.app.cleanup)
        self.process = self.app.start()
        self.main = self.app.main_window()
        wait_until(lambda: (tray_window() or {}).get("visible"), message="the tray icon")

    def click_icon(self, button):
        xdotool("mousemove", *ICON)
        xdotool("click", button)

    def test_minimizing_hides_and_a_left_or_right_click_on_the_icon_brings_it_back(self):
        for button in ("1", "3"):
            with self.subTest(button=button):
                minimize(self.main)
                screenshot("tray_icon")
                self.assertEqual(main_window_state()[:2], (False, True))
                self.click_icon(button)
                state = wait_until(lambda: main_window_state()[0] and main_window_state(),
                                   message="the main window to come back")
                self.assertEqual(state, (True, False, True))  # visible, normal, in front

    def test_a_button_release_alone_does_not_bring_it_back(self):
        minimize(self.main)
        xdotool("mousemove", *ICON)
        xdotool("mouseup", "1")
        xdotool("mouseup", "3")
        xdotool("mousemove", ICON[0] + 2, ICON[1] + 2)
        time.sleep(1)
        self.assertFalse(main_window_state()[0])

    def test_the_icon_is_gone_after_the_main_window_closes(self):
        self.app.quit(self.process)
        window = tray_window()
        self.assertTrue(window is None or not window["visible"])

    def test_the_icon_is_gone_after_the_session_ends(self):
        probe("endsession", self.main["hwnd"])
        window = tray_window()
        self.assertTrue(window is None or not window["visible"])


if __name__ == "__main__":
    unittest.main()
