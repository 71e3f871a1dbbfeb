// Times what a note does once typing pauses in a large text: one journal write through the note's
// own journal code (compare, format, hash, flushed atomic write). bench/measure.py runs it.
//   varnel_journal_write FOLDER BYTES...
// For each size, a note's text of about that many bytes of Japanese text in code page 932 (the
// bench's large notes) is journaled five times, each time with one character changed; prints
// "BYTES SECONDS" with the median write time, one line per size.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "note/note_journal.h"
#include "note/unsaved_text.h"
#include "platform/files.h"
#include "storage/paths.h"

namespace {

constexpr int kWrites = 5;

// Lines of two-byte characters and CR LF, about `bytes` bytes once in code page 932.
std::wstring JapaneseText(std::size_t bytes) {
  const std::wstring line = L"付箋紙のテキスト、日本語の行を何度も繰り返して大きなメモにします。";
  std::wstring text;
  while (text.size() * 2 < bytes) text += line + L"\r\n";
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring folder = argv[1];
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!window) return 1;
  varnel::NoteJournals journals(varnel::JoinPath(folder, L"fallback"));
  varnel::UnsavedText unsaved({varnel::JoinPath(folder, L"recovery")});
  const std::wstring textPath = varnel::JoinPath(folder, L"large.txt");
  for (int i = 2; i < argc; ++i) {
    const std::size_t bytes = std::wcstoull(argv[i], nullptr, 10);
    varnel::NoteJournal journal(varnel::JoinPath(folder, L"787104000.5.dat"), journals, unsaved);
    journal.FileInStep(textPath, {});
    journal.TakeBack(textPath, L"", window);
    std::wstring text = JapaneseText(bytes);
    std::vector<double> seconds;
    for (int write = 0; write < kWrites; ++write) {
      text.back() = write % 2 ? L'\n' : L'。';  // a changed text, as typing leaves it
      const auto start = std::chrono::steady_clock::now();
      journal.Update(text, L"");
      seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const bool written = varnel::PathExists(varnel::JournalFileName(varnel::JoinPath(folder, L"787104000.5.dat")));
    journal.Remove();
    if (!written) return 1;
    std::sort(seconds.begin(), seconds.end());
    std::printf("%zu %.4f\n", bytes, seconds[kWrites / 2]);
  }
  ::DestroyWindow(window);
  return 0;
}
