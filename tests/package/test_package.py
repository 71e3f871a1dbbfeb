"""The release zip as a Windows user gets it: exactly the program, the guides with their pictures
and the license in one folder, and a program that starts from the unpacked folder."""

import html.parser
import os
import pathlib
import shutil
import struct
import tempfile
import unittest
import zipfile

from harness import App, CAPTION, notes, screenshot, wait_until

ZIP = pathlib.Path(os.environ["VARNEL_ZIP"])
SYSTEM = os.environ["VARNEL_PACKAGE_SYSTEM"]
SOURCE = pathlib.Path(os.environ["VARNEL_SOURCE"])
TOP = ZIP.stem  # the folder the zip unpacks to
GUIDES = ["guide.ja", "guide.en"]

# DLLs that every Windows has; anything else (a MinGW runtime DLL) would be missing on the user's PC.
WINDOWS_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
    "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "usp10.dll", "uxtheme.dll", "version.dll",
}
MACHINES = {"win64": 0x8664, "win32": 0x14C}
PE32, PE32_PLUS = 0x10B, 0x20B
GUI_SUBSYSTEM = 2


def pe_header(data):
    """Machine, optional header kind, subsystem and imported DLL names of a Windows program."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise AssertionError("not a Windows program")
    machine, section_count = struct.unpack_from("<HH", data, pe + 4)
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    kind, = struct.unpack_from("<H", data, optional)
    subsystem, = struct.unpack_from("<H", data, optional + 68)
    directories = optional + (96 if kind == PE32 else 112)
    import_rva, = struct.unpack_from("<I", data, directories + 8)
    sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
                for i in range(section_count)]

    def offset(rva):
        for virtual_size, address, raw_size, raw_offset in sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise AssertionError(f"address {rva:#x} lies in no section")

    dlls = []
    entry = offset(import_rva)
    while True:
        lookup, _, _, name, thunks = struct.unpack_from("<IIIII", data, entry)
        if not (lookup or name or thunks):
            break
        start = offset(name)
        dlls.append(data[start:data.index(b"\0", start)].decode("ascii").lower())
        entry += 20
    return machine, kind, subsystem, dlls


class PageReader(html.parser.HTMLParser):
    """What a guide page links to and shows."""

    def __init__(self):
        super().__init__()
        self.images, self.links, self.headings, self.title = [], [], [], ""
        self.charset = self.language = None
        self._in = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "img":
            self.images.append(attrs["src"])
        elif tag == "a" and "href" in attrs:
            self.links.append(attrs["href"])
        elif tag == "meta" and "charset" in attrs:
            self.charset = attrs["charset"]
        elif tag == "html":
            self.language = attrs.get("lang")
        elif tag in ("title", "h2"):
            self._in = tag
            if tag == "h2":
                self.headings.append("")

    def handle_endtag(self, tag):
        if tag == self._in:
            self._in = None

    def handle_data(self, data):
        if self._in == "title":
            self.title += data
        elif self._in == "h2":
            self.headings[-1] += data


def markdown_headings(guide, level):
    prefix = "#" * level + " "
    lines = (SOURCE / "docs" / f"{guide}.md").read_text(encoding="utf-8").splitlines()
    return [line[len(prefix):].strip() for line in lines if line.startswith(prefix)]


class PackageContentTest(unittest.TestCase):
    def setUp(self):
        self.zip = zipfile.ZipFile(ZIP)
        self.addCleanup(self.zip.close)
        self.pages = {}
        for guide in GUIDES:
            reader = PageReader()
            reader.feed(self.zip.read(f"{TOP}/{guide}.html").decode("utf-8"))
            self.pages[guide] = reader

    def test_the_zip_holds_one_folder_with_the_program_the_guides_their_pictures_and_the_license(self):
        self.assertEqual(ZIP.name, f"varnel-2.0-{SYSTEM}.zip")
        pictures = {src for page in self.pages.values() for src in page.images}
        self.assertTrue(pictures)
        expected = {"varnel.exe", "LICENSE.txt", "guide.ja.html", "guide.en.html"} | pictures
        files = [name for name in self.zip.namelist() if not name.endswith("/")]
        self.assertEqual(sorted(files), sorted(f"{TOP}/{name}" for name in expected))
        self.assertEqual(self.zip.read(f"{TOP}/LICENSE.txt"), (SOURCE / "LICENSE").read_bytes())
        for picture in pictures:
            self.assertEqual(self.zip.read(f"{TOP}/{picture}"), (SOURCE / "docs" / picture).read_bytes(), picture)

    def test_each_guide_is_a_whole_page_in_its_language_that_links_the_other_guide(self):
        for guide, other in zip(GUIDES, reversed(GUIDES)):
            with self.subTest(guide=guide):
                page = self.pages[guide]
                self.assertEqual(page.charset, "utf-8")
                self.assertEqual(page.language, guide.split(".")[1])
                self.assertEqual([page.title], markdown_headings(guide, 1))
                self.assertEqual([h.strip() for h in page.headings], markdown_headings(guide, 2))
                self.assertIn(f"{other}.html", page.links)
                self.assertFalse([link for link in page.links if link.endswith(".md")])

    def test_the_program_is_a_windows_gui_program_for_its_platform_that_needs_only_windows_dlls(self):
        machine, kind, subsystem, dlls = pe_header(self.zip.read(f"{TOP}/varnel.exe"))
        self.assertEqual(machine, MACHINES[SYSTEM])
        self.assertEqual(kind, PE32_PLUS if SYSTEM == "win64" else PE32)
        self.assertEqual(subsystem, GUI_SUBSYSTEM)
        self.assertIn("user32.dll", dlls)
        self.assertEqual(set(dlls) - WINDOWS_DLLS, set())


class PackagedProgramTest(unittest.TestCase):
    def test_the_program_unpacked_from_the_zip_starts_and_opens_a_note(self):
        home = pathlib.Path(tempfile.mkdtemp(prefix="varnel-package-"))
        self.addCleanup(shutil.rmtree, home, ignore_errors=True)
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(home)
        app = App(home / TOP)
        self.addCleanup(app.cleanup)
        app.write("買い物.txt", "牛乳\r\nパン\r\n".encode("cp932"))
        app.write_record("1.dat", "買い物.txt", left=3000, top=3000)

        process = app.start()
        self.assertEqual(app.main_window()["text"], CAPTION)
        note = wait_until(lambda: next(iter(notes()), None), message="the note")
        self.assertEqual(note["text_box"]["text"], "牛乳\r\nパン")
        screenshot(f"package_{SYSTEM}")

        self.assertEqual(app.close_main_window(process), 0)
        # The note saved itself beside the unpacked program: colours now in the closed record's form.
        self.assertEqual(app.read("1.dat"), app.record_line(
            "買い物.txt", 3000, 3000, 3000, 3000, "12632256", "ＭＳ Ｐゴシック", "9", "0", "False", "False", "False"))
        self.assertEqual(app.read("買い物.txt"), "牛乳\r\nパン\r\n".encode("cp932"))


if __name__ == "__main__":
    unittest.main()
