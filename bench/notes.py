"""The notes the benchmark shows: the same texts as Varnel's records and linked files, as plain
files for the floor program, and as xpad's own pad files."""

import pathlib

# Every note is 200 x 200 pixels (3000 twips at 96 dpi), twenty to a row, overlapping.
SIZE_PX = 200
COLUMNS = 20
STEP_X_PX = 60
STEP_Y_PX = 160
TWIPS_PER_PX = 15

LINE = "付箋紙のテキスト、日本語で書いたメモ。ＡＢＣ 0123\r\n"


def japanese_text(size):
    """Exactly size bytes of Japanese text in code page 932, CR LF lines, ending in CR LF."""
    line = LINE.encode("cp932")
    whole, rest = divmod(size - 2, len(line))
    return line * whole + b"x" * rest + b"\r\n"


LONG_LINE = "改行なしで続く長い段落、日本語の文章によくある形。"


def long_line_text(characters):
    """One line of characters Japanese characters in code page 932, ending in CR LF: a paragraph
    pasted without line breaks."""
    return ((LONG_LINE * (characters // len(LONG_LINE) + 1))[:characters] + "\r\n").encode("cp932")


def place(index):
    """A note's left and top in pixels."""
    return (index % COLUMNS) * STEP_X_PX, (index // COLUMNS) * STEP_Y_PX


def windows_path(path):
    """The Windows name of a Linux path, through Wine's Z: drive."""
    return "Z:" + str(path).replace("/", "\\")


def write_varnel_notes(folder, count, size, first_text=None, own_folders=False):
    """count linked text files of size bytes (the first one holding first_text instead, when
    given) and their records; returns the text files' paths. With own_folders each text file lies
    in a folder of its own under folder, and each note watches another folder."""
    folder = pathlib.Path(folder)
    text = japanese_text(size)
    paths = []
    for index in range(count):
        path = folder / f"{index:03}.txt"
        if own_folders:
            path = folder / f"{index:03}" / path.name
            path.parent.mkdir(exist_ok=True)
        path.write_bytes(first_text if index == 0 and first_text is not None else text)
        left, top = place(index)
        fields = [windows_path(path), left * TWIPS_PER_PX, top * TWIPS_PER_PX, SIZE_PX * TWIPS_PER_PX,
                  SIZE_PX * TWIPS_PER_PX, "&H00C0C0C0&", "ＭＳ Ｐゴシック", "9", "&H00000000&", "False", "False",
                  "False"]
        (folder / f"{index:03}.dat").write_bytes((",".join(map(str, fields)) + "\r\n").encode("cp932"))
        paths.append(path)
    return paths


def write_floor_notes(folder, count, size):
    folder = pathlib.Path(folder)
    text = japanese_text(size)
    for index in range(count):
        (folder / f"{index:03}.txt").write_bytes(text)


# xpad's defaults as it writes them on its first start, with the notes' size, colour and font.
XPAD_STYLE = """decorations 0
height {size}
width {size}
confirm_destroy 1
edit_lock 0
sticky_on_start 0
tray_enabled 1
tray_click_configuration 1
back rgb(192,192,192)
use_back 1
text rgb(0,0,0)
use_text 1
fontname IPAPGothic 9
toolbar 1
auto_hide_toolbar 1
scrollbar 1
buttons New, Delete, Separator, Cut, Copy, Paste, Separator, Undo, Redo, Separator, Find
autostart_wait_systray 1
autostart_delay 0
autostart_new_pad 0
autostart_display_pads 2
hide_from_taskbar 0
hide_from_task_switcher 0
line_numbering 0
"""

XPAD_INFO = """width {size}
height {size}
x {left}
y {top}
follow_font 1
follow_color 1
sticky 0
hidden 0
back rgb(192,192,192)
text rgb(0,0,0)
fontname IPAPGothic 9
content content-{name}
"""


def write_xpad_notes(home, count, size):
    """The same notes as xpad keeps them in ~/.config/xpad: an info and a content file per pad,
    the text in UTF-8 with LF line ends."""
    folder = pathlib.Path(home) / ".config" / "xpad"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "default-style").write_text(XPAD_STYLE.format(size=SIZE_PX))
    text = japanese_text(size).decode("cp932").replace("\r\n", "\n")
    for index in range(count):
        name = f"{index:06}"
        left, top = place(index)
        (folder / f"content-{name}").write_text(text, encoding="utf-8")
        (folder / f"info-{name}").write_text(XPAD_INFO.format(size=SIZE_PX, left=left, top=top, name=name))
