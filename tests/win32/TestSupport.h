// Helpers shared by the Windows tests: a scratch folder on the real file system, and small
// file utilities that go straight to the W functions (not through the code under test).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/Utf16.h"

namespace quill::test {

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class TScratchFolder {
public:
  TScratchFolder();
  ~TScratchFolder();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
  std::string path_;
};

void MakeFolder(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
DWORD Attributes(const std::string& path);
void RemoveTree(const std::string& path);
// The drive letter of a test drive given by the harness, e.g. "D:"; `fallback` when unset.
std::string TestDrive(const char* variable, const char* fallback);
// Unix folder behind a test drive, for creating files there from the test.
std::string Env(const char* name);
// Under Wine: runs a command of the host's shell and waits for it; true when it ran. Used to
// make what Windows calls cannot (names differing only in case, host links to folders).
bool RunHostShell(const std::string& command);
// Under Wine: a host path spelt through drive Z:, the host's root ("/a/b" gives "Z:\a\b").
std::string HostSpelling(const std::string& unixPath);
// Saves what the screen shows where the window is (with whatever covers it) as a BMP, when
// QUILL_SHOTS names a folder.
void SaveShot(HWND window, const char* name);

// Runs the message loop until `done` holds or the time is up; false when the time ran out.
template <typename F>
bool PumpUntil(F&& done, DWORD timeoutMs = 20000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

}  // namespace quill::test
