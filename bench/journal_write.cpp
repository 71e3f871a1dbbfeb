// Times what a note does about its journal in a large text. bench/measure.py runs it.
//   varnel_journal_write FOLDER BYTES...
// For each size, a note's text of about that many bytes of Japanese text in code page 932 (the
// bench's large notes) is journaled five times, each time with one character changed, and the
// medians are printed as "BYTES WRITE STEP KEY" in seconds, one line per size:
//   WRITE  one journal write through the note's own journal code (compare, format, hash, flushed
//          atomic write);
//   STEP   all that a note does when its journal's timer runs out, which during typing without a
//          pause happens about every two seconds: the text taken from the note's text box, then
//          the write;
//   KEY    one typed character in the same text box, for comparison: what the user waits for at
//          every key.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "note/linked_file.h"
#include "note/note_journal.h"
#include "note/note_text_box.h"
#include "note/unsaved_text.h"
#include "platform/files.h"
#include "storage/code_page.h"
#include "storage/paths.h"

namespace {

constexpr int kRounds = 5;

// Lines of two-byte characters and CR LF, about `bytes` bytes once in code page 932.
std::wstring JapaneseText(std::size_t bytes) {
  const std::wstring line = L"付箋紙のテキスト、日本語の行を何度も繰り返して大きなメモにします。";
  std::wstring text;
  while (text.size() * 2 < bytes) text += line + L"\r\n";
  return text;
}

double Median(std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

template <typename Work>
double Seconds(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring folder = argv[1];
  // The text box's parent, never shown, as a note's window is while the bench runs.
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  varnel::NoteJournals journals(varnel::JoinPath(folder, L"fallback"));
  varnel::UnsavedText unsaved({varnel::JoinPath(folder, L"recovery")});
  const std::wstring textPath = varnel::JoinPath(folder, L"large.txt");
  const std::wstring recordPath = varnel::JoinPath(folder, L"787104000.5.dat");
  const varnel::TextFormat format;
  const std::unique_ptr<varnel::CodePage> codePage = varnel::MakeSystemCodePage();
  for (int i = 2; i < argc; ++i) {
    const std::size_t bytes = std::wcstoull(argv[i], nullptr, 10);
    std::wstring text = JapaneseText(bytes);
    const std::wstring saved = text;
    varnel::LinkedFile file(*codePage);
    file.Locate(textPath, folder);
    file.Adopt({{}, std::nullopt, format, saved});
    varnel::NoteJournal journal(recordPath, journals, unsaved);
    journal.TakeBack(file);

    std::vector<double> writes;
    for (int round = 0; round < kRounds; ++round) {
      text.back() = round % 2 ? L'\n' : L'。';  // a changed text, as typing leaves it
      writes.push_back(Seconds([&] { journal.Update(text, file); }));
    }

    varnel::NoteTextBox box;
    if (!box.Create(window, 0, 0x00FFFFFF, [] {}) || !box.SetText(saved)) return 1;
    std::vector<double> steps, keys;
    for (int round = 0; round < kRounds; ++round) {
      const LRESULT end = ::SendMessageW(box.hwnd(), WM_GETTEXTLENGTH, 0, 0);
      ::SendMessageW(box.hwnd(), EM_SETSEL, end, end);
      keys.push_back(Seconds([&] { ::SendMessageW(box.hwnd(), WM_CHAR, L'あ', 1); }));
      steps.push_back(Seconds([&] { journal.Update(box.Text(), file); }));
    }
    const bool written = varnel::PathExists(varnel::JournalFileName(recordPath));
    journal.Remove();
    if (!written) return 1;
    std::printf("%zu %.4f %.4f %.4f\n", bytes, Median(writes), Median(steps), Median(keys));
  }
  ::DestroyWindow(window);
  return 0;
}
