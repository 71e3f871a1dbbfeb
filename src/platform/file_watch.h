#pragma once
// Watches one file for changes made by other programs and tells its owner window by posting it a
// message. Nothing runs while nothing happens: the folder holding the file is watched with a
// change notification whose completion routine runs on the thread that made the watch, the next
// time that thread waits alertably (the program's message loop does). No timer, no thread, and
// no wait handle, so any number of watches costs nothing while idle.
//
// The message (owner, message, cookie as given) means "look at the file again": it comes when a
// change in the folder names the file (written, grown or shrunk, created, deleted, renamed to or
// from its name), when so many changes came at once that the folder could not say which, and once
// when watching stops because the folder cannot be watched any more (deleted, or on a drive or
// share that went away); Watching() is false from then on until Restart() succeeds. The owner
// compares the file's state with what it last saw (CurrentFileState in platform/files.h): the
// message may come for changes the owner made itself, and several times for one change.
//
// A watch belongs to one thread: it is made, restarted and destroyed there, and its message only
// comes while that thread waits alertably. Destruction cancels the pending notification and waits
// alertably (briefly) for its completion routine.

#include <windows.h>

#include <memory>
#include <string>

namespace varnel {

class FileWatch {
 public:
  // Starts watching path (a full path). When the folder cannot be watched, Watching() is false.
  FileWatch(const std::wstring& path, HWND owner, UINT message, WPARAM cookie);
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // True while changes to the file are being reported.
  bool Watching() const noexcept;

  // Watches again after watching stopped (the folder is back, say). Returns Watching().
  bool Restart();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace varnel
