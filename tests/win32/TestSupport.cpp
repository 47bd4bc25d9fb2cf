#include "tests/win32/TestSupport.h"

#include <stdexcept>

namespace quill::test {

namespace {
std::wstring W(const std::string& s) { return Widen(s); }
}  // namespace

TScratchFolder::TScratchFolder() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  static unsigned counter = 0;
  for (;;) {
    std::string candidate = Narrow(temp) + "quilltest-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(++counter);
    if (CreateDirectoryW(W(candidate).c_str(), nullptr)) {
      path_ = candidate;
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create scratch folder");
  }
}

TScratchFolder::~TScratchFolder() {
  // Leave the folder before removing it; tests change the current directory into it.
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  SetCurrentDirectoryW(temp);
  RemoveTree(path_);
}

void MakeFolder(const std::string& path) {
  if (!CreateDirectoryW(W(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw std::runtime_error("cannot create " + path);
}

void WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes) {
  HANDLE h = CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD done = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
  if (attributes != FILE_ATTRIBUTE_NORMAL) SetFileAttributesW(W(path).c_str(), attributes);
}

std::string ReadBytes(const std::string& path) {
  HANDLE h = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string result;
  char buffer[4096];
  DWORD done = 0;
  while (ReadFile(h, buffer, sizeof buffer, &done, nullptr) && done > 0) result.append(buffer, done);
  CloseHandle(h);
  return result;
}

bool Exists(const std::string& path) { return GetFileAttributesW(W(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD Attributes(const std::string& path) { return GetFileAttributesW(W(path).c_str()); }

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(W(path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = Narrow(data.cFileName);
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      SetFileAttributesW(W(child).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
      else DeleteFileW(W(child).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(W(path).c_str());
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string TestDrive(const char* variable, const char* fallback) {
  std::string value = Env(variable);
  return value.empty() ? fallback : value;
}

std::string HostSpelling(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool RunHostShell(const std::string& command) {
  // Wine cannot wait on a host process, so the command leaves its exit status in a file that is
  // polled for.
  static unsigned counter = 0;
  const std::string marker = "/tmp/quill-shell-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  // A marker left by an earlier test process with the same Wine process id must not answer.
  DeleteFileW(W(HostSpelling(marker)).c_str());
  std::wstring line = L"Z:\\bin\\sh -c \"(" + W(command) + L"); echo $? > " + W(marker) + L".tmp; mv " + W(marker) +
                      L".tmp " + W(marker) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return false;
  // A host program gets no Windows process: Wine gives no process handle then, and what the
  // thread field holds is no handle of ours. Closing it could close any handle of the process
  // (once it was the window station's, and every later clipboard call failed).
  if (process.hProcess) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  const std::string status = HostSpelling(marker);
  for (int waited = 0; waited < 30000 && !Exists(status); waited += 20) Sleep(20);
  const std::string code = ReadBytes(status);
  DeleteFileW(W(status).c_str());
  return code.rfind("0", 0) == 0;
}


void SaveShot(HWND window, const char* name) {
  const char* folder = std::getenv("QUILL_SHOTS");
  if (!folder || !*folder) return;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
  // The window's picture reaches the screen when the thread waits for messages; nothing is taken
  // from the queue here, so no other script step runs meanwhile.
  for (int i = 0; i < 10; ++i) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB};
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::string pixels(stride * static_cast<DWORD>(height), '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  bytes += pixels;
  WriteBytes(std::string(folder) + "\\" + name + ".bmp", bytes);
}

}  // namespace quill::test
