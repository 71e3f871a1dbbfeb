"""The program killed at random moments while it saves 101 edited notes at exit, or while it writes
their edit journals after the typing: afterwards every record and every linked text file is whole,
either as it was or as it was about to become, every journal is whole and holds the typed text, and
the next start puts the typed text back, takes no leftover file for a record and tells of nothing
but the notes it put back.

    VARNEL_KILL_ROUNDS   kills to make (scripts/test.sh --long makes 200)
    VARNEL_KILL_JOURNAL_ROUNDS   kills while journals are written (a quarter of those, at least 2)
    VARNEL_KILL_SEED     replays the texts and the spread of kill moments of an earlier run
"""

import os
import random
import shutil
import signal
import statistics
import sys
import time
import unittest

from harness import (ARTIFACTS, App, DIALOG, JOURNAL_SUFFIX, MAIN_WINDOW, NOTE_WINDOW, PUT_BACK_HEAD, file_bytes, notes,
                     notice, parse_journal, probe, record_faults, wait_until, windows_of, windows_path)

NOTES = 101
ROUNDS = int(os.environ.get("VARNEL_KILL_ROUNDS", "16"))
# Kill moments spread over the measured shutdown and a little past its end.
PAST_THE_END = 1.2
JOURNAL_ROUNDS = int(os.environ.get("VARNEL_KILL_JOURNAL_ROUNDS") or max(2, ROUNDS // 4))
WORDS = ["付箋紙", "メモ", "買い物", "会議", "電話する", "締め切り", "ＡＢＣ", "漢字かな交じり", "note", "12:30", "todo",
         "〒100-0001", "①②③", "“引用”", "ー"]
TEMPORARY_SUFFIX = ".varnel-tmp"
# Journal kills land, counted from the start of the typing, from before the program's pause after
# typing (one second) until the journals of all notes are written.
JOURNAL_KILL_WINDOW = (0.5, 2.0)


def note_text(rng, round_number, index):
    """A text of its own for every note of every round: a header line, then lines of random length."""
    lines = [f"付箋 {round_number}-{index:03}"]
    for _ in range(rng.randrange(0, 30)):
        lines.append(" ".join(rng.choice(WORDS) for _ in range(rng.randrange(0, 12))))
    return "\r\n".join(lines)


def process_state(pid):
    """The Linux state letter of a process ("Z" once it has ended), or None when it is gone."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as stat:
            return stat.read().rsplit(b")", 1)[1].split()[0].decode()
    except (OSError, IndexError):
        return None


class Round:
    """One application folder with 101 notes, each with the bytes of its files before and after the
    edit that the round makes."""

    def __init__(self, number, rng):
        self.number = number
        self.app = App()
        self.appended = f"\r\n追記 {number}"
        self.old, self.new = {}, {}
        self.texts = {}
        for i in range(NOTES):
            record, linked = f"{i:03}.dat", f"{i:03}.txt"
            text = note_text(rng, number, i)
            self.texts[linked] = (text, text + self.appended)
            self.old[linked], self.new[linked] = file_bytes(text), file_bytes(text + self.appended)
            # Whole pixels, so the twips come back unchanged; colours in the "&H" form a new record
            # has, so the record a note writes at exit (decimal colours) differs from it.
            place = {"left": (i % 20) * 600, "top": (i // 20) * 1200}
            self.old[record] = self.app.record_line(linked, **place)
            self.new[record] = self.app.record_line(linked, **place, back="12632256", fore="0")
            self.app.write(record, self.old[record])
            self.app.write(linked, self.old[linked])

    def records(self):
        return sorted(name for name in self.old if name.endswith(".dat"))

    def states(self):
        """Every file's state on disk: "old", "new" or "lost" (neither: truncated, empty, mixed)."""
        states = {}
        for name in self.old:
            data = self.app.read(name) if self.app.path(name).exists() else None
            states[name] = "old" if data == self.old[name] else "new" if data == self.new[name] else "lost"
        return states

    def shown_text(self, name, state, journaled):
        return self.texts[name][0 if state == "old" and not journaled else 1]

    def journals(self):
        """{linked file name: (path, text) or None when damaged} of the journals on disk."""
        found = {}
        for path in self.app.folder.iterdir():
            if path.name.endswith(JOURNAL_SUFFIX):
                linked = path.name[:-len(JOURNAL_SUFFIX)].replace(".dat", ".txt")
                found[linked] = parse_journal(path.read_bytes())
        return found


class KillDuringShutdownTest(unittest.TestCase):
    def test_files_are_whole_old_or_new_after_a_kill_at_any_moment_of_the_shutdown(self):
        seed = int(os.environ.get("VARNEL_KILL_SEED") or random.SystemRandom().randrange(1 << 32))
        print(f"kill loop: seed {seed} (VARNEL_KILL_SEED={seed} replays it), {ROUNDS} kills", file=sys.stderr)
        rng = random.Random(seed)
        self.figures = {"kills": 0, "files_checked": 0, "lost": 0, "leftovers": 0}
        self.addCleanup(self.report)

        # A shutdown left alone tells how long one takes, and that everything ends up new.
        took, _ = self.run_round(0, rng, kill_after=None)
        print(f"kill loop: a shutdown with {NOTES} edited notes took {took:.2f} s", file=sys.stderr)
        # The kill moments are spread evenly over the shutdown and a little past it, one at once and
        # one well after the end. The machine's load changes how long a shutdown takes, so each kill
        # also tells it again: killed at t with a share s of the files saved, it takes about t / s.
        durations = [took]
        strata = list(range(ROUNDS))
        rng.shuffle(strata)
        for number, stratum in enumerate(strata, start=1):
            shutdown = statistics.median(durations)
            if stratum == 0:
                moment = 0.0
            elif stratum == ROUNDS - 1:
                moment = 2 * shutdown
            else:
                moment = (stratum + rng.random()) / ROUNDS * PAST_THE_END * shutdown
            _, saved = self.run_round(number, rng, kill_after=moment)
            if moment > 0 and saved > 0:
                # All saved: the shutdown took no longer than that.
                durations.append(moment / saved)
        # Kills while the journals are written after typing, with no close at all.
        for number in range(ROUNDS + 1, ROUNDS + 1 + JOURNAL_ROUNDS):
            self.run_round(number, rng, kill_after=rng.uniform(*JOURNAL_KILL_WINDOW), during="journal")

    def report(self):
        figures = self.figures
        record_faults("kill loop", kills=figures["kills"], files_checked=figures["files_checked"],
                      faults_injected=figures["kills"], lost=figures["lost"])
        print(f"kill loop: {figures['leftovers']} temporary files of interrupted writes left behind "
              f"(none named like a record)", file=sys.stderr)

    def run_round(self, number, rng, kill_after, during="shutdown"):
        """Starts 101 notes, edits them all, closes the main window and, unless kill_after is None,
        kills the program that many seconds later; during "journal" the main window is not closed
        and the kill lands that many seconds after the typing. Checks the files, then starts the
        program again on them. Returns how long the shutdown took (None when killed) and the share
        of files saved."""
        round_ = Round(number, rng)
        app = round_.app
        self.addCleanup(app.cleanup)
        process = app.start_with_notes(NOTES, timeout=180)
        main = app.main_window()
        typed_at = time.monotonic()
        edited = probe("append", NOTE_WINDOW, round_.appended.encode("utf-8").hex()).stdout.strip()
        self.assertEqual(edited, str(NOTES).encode(), "notes that took the edit")
        self.assertEqual(sorted(n["text_box"]["text"] for n in notes()),
                         sorted(new for _, new in round_.texts.values()))
        pid = app.program_pid()
        self.assertIsNotNone(pid, "the program's process")

        if during == "shutdown":
            probe("close", main["hwnd"])
        closing = time.monotonic()
        if kill_after is None:
            # Timed on the program's own process: the launcher that start() returns ends later.
            wait_until(lambda: process_state(pid) in (None, "Z"), timeout=180, interval=0.005,
                       message="the program to end")
            took = time.monotonic() - closing
            self.assertEqual(process.wait(timeout=60), 0)
            outcome = "not killed"
        else:
            time.sleep(kill_after if during == "shutdown" else max(0.0, typed_at + kill_after - time.monotonic()))
            alive = process_state(pid) not in (None, "Z")
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass  # ended and already reaped
            took = None
            outcome = (f"{'killed' if alive else 'ended before a kill'} {kill_after:.2f} s after the "
                       f"{'close' if during == 'shutdown' else 'start of the typing'}")
            self.figures["kills"] += alive
            process.wait(timeout=60)
            # Nothing of the program survives: no process, no window.
            wait_until(lambda: app.program_pid() is None and not windows_of(MAIN_WINDOW, visible_only=False)
                       and not windows_of(NOTE_WINDOW, visible_only=False), timeout=30,
                       message="the killed program's windows to go")

        states = round_.states()
        # Every journal left is whole, of its own note, and holds the typed text.
        journals = round_.journals()
        self.figures["files_checked"] += len(states) + len(journals)
        for linked, journal in sorted(journals.items()):
            self.assertEqual(journal, (windows_path(app.path(linked)), round_.texts[linked][1]),
                             f"round {number} ({outcome}): the journal of {linked}")
        put_back = sorted(name for name in journals if states[name] == "old")
        counts = {state: sum(1 for s in states.values() if s == state) for state in ("old", "new", "lost")}
        listing = sorted(p.name for p in app.folder.iterdir())
        leftovers = [name for name in listing if name.endswith(TEMPORARY_SUFFIX)]
        self.figures["leftovers"] += len(leftovers)
        print(f"kill loop: round {number}: {outcome}; {counts['new']} files new, {counts['old']} old, "
              f"{counts['lost']} neither; {len(journals)} journals; {len(leftovers)} temporary left",
              file=sys.stderr)
        lost = sorted(name for name, state in states.items() if state == "lost")
        if lost:
            self.figures["lost"] += len(lost)
            kept = ARTIFACTS / f"kill-round-{number}"
            shutil.copytree(app.folder, kept, dirs_exist_ok=True)
            self.fail(f"round {number} ({outcome}): neither old nor new: {lost[:10]}; the folder is kept in {kept}")
        if kill_after is None:
            self.assertEqual(counts["new"], len(states), "every file saved by a shutdown left alone")
        self.assertEqual([n for n in listing if n.lower().endswith(".dat")], round_.records())
        journal_names = {name for name in listing if name.endswith(JOURNAL_SUFFIX)}
        self.assertEqual(sorted(set(listing) - set(round_.old) - set(leftovers) - journal_names), ["varnel.exe"])

        # The next start opens the 101 records as they are, and nothing else; the typed text of a
        # note whose file was not saved comes back from its journal, told once.
        process = app.start()
        app.main_window(timeout=180)
        wait_until(lambda: len(notes()) >= NOTES, timeout=180, message=f"{NOTES} notes again")
        self.assertEqual(sorted(n["text_box"]["text"] for n in notes()),
                         sorted(round_.shown_text(name, state, name in journals) for name, state in states.items()
                                if name.endswith(".txt")))
        if put_back:
            message = notice(PUT_BACK_HEAD)
            self.assertNotIn(".damaged", message)
            for name in put_back[:20]:
                self.assertEqual(message.count(windows_path(app.path(name))), 1, name)
        else:
            self.assertEqual(windows_of(DIALOG), [], "a message at start")
        app.quit(process, timeout=180)
        # Texts neither saved nor journaled stay as the kill left them; the others are saved now;
        # every record is rewritten whole, and no journal is left.
        for name, state in states.items():
            saved = name.endswith(".dat") or state == "new" or name in journals
            self.assertEqual(app.read(name), round_.new[name] if saved else round_.old[name], name)
        self.assertEqual(app.journal_names(), [])
        # The restart cleared what the killed writes left behind.
        self.assertEqual([p.name for p in app.folder.iterdir() if p.name.endswith(TEMPORARY_SUFFIX)], [])
        app.cleanup()
        return took, counts["new"] / len(states)


if __name__ == "__main__":
    unittest.main()
