#pragma once
// A file about to run, held from its check to its start so that no other
// program, the player's own included, can swap it in between: nobody may
// write, rename or delete it, nor rename the folder that holds it. What is
// held only reads and lets others only read, as a program's start requires.
// Failures: hold() false, and nothing is held. Any thread.
#include <windows.h>

#include <string>

#include "fs/safe_handle.h"

class HeldFile {
 public:
  HeldFile() = default;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Takes over path from writer, the handle that wrote it (which must let
  // others read), and closes writer. At no moment may path be renamed or
  // deleted; another program may open it for writing only in the instant
  // between writer's close and the hold, which fails while such a handle
  // stays open: whatever is then held must be checked through get().
  // shareDelete lets a handle of ours that deletes the file on close exist.
  bool hold(SafeKernelHandle& writer, const std::wstring& path, bool shareDelete = false);

  HANDLE get() const { return _file.get(); }
  bool valid() const { return _file.valid(); }
  void reset() {
    _file.reset();
    _folder.reset();
  }

 private:
  SafeKernelHandle _folder;
  SafeKernelHandle _file;
};
