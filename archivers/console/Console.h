// What our console archivers (rar.exe, ace32.exe, arj.exe) share around their portable cores:
// text in the system's code pages, messages on the error stream, file handles, exact reads and
// Ctrl+C.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archivers/zipdll/ZipSources.h"

namespace console {

std::wstring Wide(const std::string& text, UINT codePage);
std::string Narrow(const std::wstring& text, UINT codePage);
inline std::wstring Utf16(const std::string& utf8) { return Wide(utf8, CP_UTF8); }
inline std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

// One line on the error stream: a console gets it as it is, a file or pipe in the console's code
// page (the ANSI one without a console).
void Say(const std::wstring& text);

// The system's text for an error code, without its line break.
std::wstring SystemMessage(DWORD code);

// Ctrl+C and Ctrl+Break set a flag the writers look at between blocks, so the temporary files are
// removed instead of the process dying halfway.
void CatchBreak();
bool BreakRequested();

class THandle {
 public:
  explicit THandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~THandle() { Close(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const bool ok = !Valid() || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }

 private:
  HANDLE h_;
};

// Exactly `size` bytes from `offset`, or false.
bool ReadExact(HANDLE file, uint64_t offset, uint8_t* data, size_t size);

// A move's last step, once the archive holds them: the stored files deleted (read-only ones too),
// then the stored folders they leave empty, deepest first. `failed` hears of each file that
// stays; false when any did.
bool DeleteOriginals(const zipdll::Sources& sources, const std::vector<size_t>& stored,
                     const std::function<void(const std::wstring& path, DWORD error)>& failed);

}  // namespace console
