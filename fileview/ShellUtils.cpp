#include "fileview/ShellUtils.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

#include "base/FileSystem.h"
#include "base/Path.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

// Volume queries must not put up the system's "no disk in drive" box.
class TNoErrorBoxes {
public:
  TNoErrorBoxes() : old_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~TNoErrorBoxes() { SetErrorMode(old_); }
  TNoErrorBoxes(const TNoErrorBoxes&) = delete;
  TNoErrorBoxes& operator=(const TNoErrorBoxes&) = delete;

private:
  UINT old_;
};

// The shortcut functions may run on a thread that has COM up already (S_FALSE) or in another
// apartment mode (then it is used as it is and not torn down).
class TComScope {
public:
  TComScope() : result_(CoInitialize(nullptr)) {}
  ~TComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

private:
  HRESULT result_;
};

template <typename I>
class TComPtr {
public:
  TComPtr() = default;
  ~TComPtr() {
    if (p_) p_->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  I* operator->() const { return p_; }
  I* Get() const { return p_; }
  I** Put() { return &p_; }
  void** PutVoid() { return reinterpret_cast<void**>(&p_); }

private:
  I* p_ = nullptr;
};

class TFileHandleOwner {
public:
  explicit TFileHandleOwner(HANDLE h) : h_(h) {}
  ~TFileHandleOwner() {
    if (Valid()) CloseHandle(h_);
  }
  TFileHandleOwner(const TFileHandleOwner&) = delete;
  TFileHandleOwner& operator=(const TFileHandleOwner&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Get() const { return h_; }

private:
  HANDLE h_;
};

uint64_t ToUint64(FILETIME time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

std::wstring RootOf(std::string_view drive) { return Widen(DriveRoot(drive)); }

bool VolumeInfo(std::string_view drive, std::string* label, DWORD* serial) {
  TNoErrorBoxes quiet;
  wchar_t name[MAX_PATH + 1] = {};
  DWORD number = 0;
  if (!GetVolumeInformationW(RootOf(drive).c_str(), name, MAX_PATH + 1, &number, nullptr, nullptr, nullptr, 0))
    return false;
  if (label) *label = Narrow(name);
  if (serial) *serial = number;
  return true;
}

bool DiskSpace(std::string_view drive, ULARGE_INTEGER& totalBytes, ULARGE_INTEGER& freeBytes) {
  TNoErrorBoxes quiet;
  ULARGE_INTEGER available;
  return GetDiskFreeSpaceExW(RootOf(drive).c_str(), &available, &totalBytes, &freeBytes) != 0;
}

std::wstring AbsolutePath(const std::string& path) {
  const std::wstring wide = Widen(path);
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

// Walks `folder` and everything below it with absolute paths, calling `file` for every file.
// Folders that are reparse points are not entered: a junction may point back up the tree.
// False when the top folder cannot be entered.
template <typename OnFile>
bool WalkFiles(const std::string& folder, OnFile file) {
  if (folder.empty()) return false;
  TNoErrorBoxes quiet;
  std::string top = Narrow(AbsolutePath(folder));
  const DWORD attributes = GetFileAttributesW(LongPath(top).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  std::vector<std::string> pending{StripBackslash(top)};
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW data;
    // "\\?\" paths take no "/" and no relative parts, which AbsolutePath has resolved.
    HANDLE find = FindFirstFileExW(VerbatimPath(current + "\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const wchar_t* name = data.cFileName;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        pending.push_back(current + "\\" + Narrow(name));
      } else {
        file((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  return true;
}

std::string AnsiToUtf8(const char* text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  wide.resize(n - 1);
  return Narrow(wide);
}

}  // namespace

bool IsFolder(const std::string& path) {
  TNoErrorBoxes quiet;
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return n == 0 || n > MAX_PATH ? std::string() : Narrow(std::wstring_view(buffer, n));
}

uint32_t DriveType(std::string_view drive) {
  TNoErrorBoxes quiet;
  return GetDriveTypeW(RootOf(drive).c_str());
}

bool DriveReady(std::string_view drive) { return VolumeInfo(drive, nullptr, nullptr); }

std::string DriveLabel(std::string_view drive) {
  const uint32_t type = DriveType(drive);
  if (type == kDriveRemovable) return DriveLabelOf(type, false, {});  // never spin up a floppy
  std::string label;
  const bool ready = VolumeInfo(drive, &label, nullptr);
  return DriveLabelOf(type, ready, label);
}

std::string VolumeSerial(std::string_view drive) {
  DWORD serial = 0;
  return VolumeInfo(drive, nullptr, &serial) ? VolumeSerialText(serial) : std::string();
}

std::string DriveLetters() {
  const DWORD mask = GetLogicalDrives();
  std::string letters;
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) letters += static_cast<char>('A' + i);
  return letters;
}

// The extended call is the only one used: the classic cluster arithmetic wraps at 4 GiB.
uint64_t DiskFree(std::string_view drive) {
  ULARGE_INTEGER total, free;
  return DiskSpace(drive, total, free) ? free.QuadPart : 0;
}

uint64_t DiskSize(std::string_view drive) {
  ULARGE_INTEGER total, free;
  return DiskSpace(drive, total, free) ? total.QuadPart : 0;
}

int SystemKind() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) return 2;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && (info.dwBuildNumber & 0xFFFF) > 1000) return 1;
  return 0;
}

DWORD FormatDrive(HWND owner, char letter, bool quick) {
  int index;
  if (letter >= 'A' && letter <= 'Z') index = letter - 'A';
  else if (letter >= 'a' && letter <= 'z') index = letter - 'a';
  else return SHFMT_ERROR;
  using TShFormatDrive = DWORD(WINAPI*)(HWND, UINT, UINT, UINT);
  HMODULE shell = LoadLibraryW(L"shell32.dll");
  if (!shell) return SHFMT_ERROR;
  auto format = reinterpret_cast<TShFormatDrive>(reinterpret_cast<void*>(GetProcAddress(shell, "SHFormatDrive")));
  DWORD result = SHFMT_ERROR;
  if (format) {
    // The option bit selects a quick format on NT-based systems and a full one on the others.
    const bool optionBit = SystemKind() == 2 ? quick : !quick;
    result = format(owner, static_cast<UINT>(index), SHFMT_ID_DEFAULT, optionBit ? SHFMT_OPT_FULL : 0);
  }
  FreeLibrary(shell);
  return result;
}

std::string ModuleFolder() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n);
  return FileDirPart(Narrow(buffer)) + "\\";
}

std::string TreeCacheFile(std::string_view drive, std::string_view folder, bool inRoot) {
  return TreeCacheFileOf(drive, folder, inRoot, inRoot ? std::string() : VolumeSerial(drive), ModuleFolder());
}

std::optional<TCalendarTime> FileTimeToCalendar(uint64_t fileTime) {
  const FILETIME utc = ToFileTime(fileTime);
  SYSTEMTIME universal, local;
  // The zone rules of the date itself, not today's offset, so summer dates read as they were.
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return std::nullopt;
  return TCalendarTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::optional<uint64_t> CalendarToFileTime(const TCalendarTime& localTime) {
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(localTime.year);
  local.wMonth = static_cast<WORD>(localTime.month);
  local.wDay = static_cast<WORD>(localTime.day);
  local.wHour = static_cast<WORD>(localTime.hour);
  local.wMinute = static_cast<WORD>(localTime.minute);
  local.wSecond = static_cast<WORD>(localTime.second);
  SYSTEMTIME universal;
  FILETIME utc;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) || !SystemTimeToFileTime(&universal, &utc))
    return std::nullopt;
  return ToUint64(utc);
}

std::string FileTimeText(uint64_t fileTime, int mode) {
  const auto local = FileTimeToCalendar(fileTime);
  return local ? FileTimeText(*local, mode) : std::string();
}

std::optional<TCalendarTime> FileLocalTime(HANDLE file) {
  FILETIME written;
  if (!GetFileTime(file, nullptr, nullptr, &written)) return std::nullopt;
  return FileTimeToCalendar(ToUint64(written));
}

bool SetFileTimes(const std::string& fileName, uint64_t fileTime) {
  TFileHandleOwner file(CreateFileW(LongPath(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  const FILETIME time = ToFileTime(fileTime);
  return SetFileTime(file.Get(), &time, &time, &time) != 0;
}

uint64_t FileSize64(const std::string& fileName) {
  TFileHandleOwner file(CreateFileW(LongPath(fileName).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.Valid() || !GetFileSizeEx(file.Get(), &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

int64_t CountFiles(const std::string& folder) {
  int64_t count = 0;
  return WalkFiles(folder, [&](uint64_t) { ++count; }) ? count : -1;
}

uint64_t FolderSize(const std::string& folder) {
  uint64_t total = 0;
  return WalkFiles(folder, [&](uint64_t size) { total += size; }) ? total : kNoFolderSize;
}

bool FolderTotals(const std::string& folder, int64_t& count, uint64_t& bytes) {
  int64_t files = 0;
  uint64_t total = 0;
  if (!WalkFiles(folder, [&](uint64_t size) {
        ++files;
        total += size;
      }))
    return false;
  count += files;
  bytes += total;
  return true;
}

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, bool wait,
               long* exitCode) {
  if (exitCode) *exitCode = -1;
  const std::wstring wideFile = Widen(file), wideParameters = Widen(parameters), wideFolder = Widen(folder);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | (wait ? SEE_MASK_NOCLOSEPROCESS : 0);
  info.lpFile = wideFile.c_str();
  info.lpParameters = parameters.empty() ? nullptr : wideParameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : wideFolder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return false;
  // A document handed to an already running program (DDE) has no process to wait for.
  if (!info.hProcess) return true;
  for (bool running = true; running;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) break;  // the process ended, or the wait itself failed
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The application is closing: leave the child alone and let the outer loop see the quit.
        PostQuitMessage(static_cast<int>(msg.wParam));
        running = false;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DWORD code = 0;
  if (exitCode && WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(info.hProcess, &code))
    *exitCode = static_cast<long>(code);
  CloseHandle(info.hProcess);
  return true;
}

bool ShowProperties(const std::string& path) {
  const std::wstring widePath = Widen(path);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"properties";
  info.lpFile = widePath.c_str();
  info.nShow = SW_SHOWDEFAULT;
  return ShellExecuteExW(&info) != 0;
}

DWORD ClipboardDropEffect() {
  const UINT format = RegisterClipboardFormatW(L"Preferred DropEffect");
  if (!format || !OpenClipboard(nullptr)) return 0;
  DWORD effect = 0;
  if (HANDLE data = GetClipboardData(format)) {
    if (GlobalSize(data) >= sizeof(DWORD)) {
      if (const auto* value = static_cast<const DWORD*>(GlobalLock(data))) {
        effect = *value;
        GlobalUnlock(data);
      }
    }
  }
  CloseClipboard();
  if (effect & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
  if (effect & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  return 0;
}

bool CreateShortcut(const std::string& target, const std::string& folder) {
  TComScope com;
  if (!com.Usable()) return false;
  TComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
    return false;
  const std::string cleanTarget = IsRootFolder(target) ? target : StripBackslash(target);
  std::string workFolder = FileDirPart(cleanTarget);
  if (workFolder.size() == 2 && workFolder[1] == ':') workFolder += '\\';  // "C:" alone is drive-relative
  std::string name = FileNamePart(StripBackslash(cleanTarget));
  if (name.empty()) name = std::string(1, cleanTarget.empty() ? '_' : cleanTarget[0]);  // a drive root
  if (FAILED(link->SetPath(Widen(cleanTarget).c_str())) || FAILED(link->SetArguments(L"")) ||
      FAILED(link->SetWorkingDirectory(Widen(workFolder).c_str())) || FAILED(link->SetHotkey(0)))
    return false;
  TComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;
  const std::wstring linkPath = Widen(JoinPath(folder, name) + ".lnk");
  return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

std::string ShortcutTarget(const std::string& linkFile, HWND owner) {
  TComScope com;
  if (!com.Usable()) return {};
  TComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
    return {};
  TComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return {};
  if (FAILED(file->Load(Widen(linkFile).c_str(), STGM_READ))) return {};
  if (FAILED(link->Resolve(owner, SLR_NO_UI | SLR_ANY_MATCH))) return {};
  constexpr DWORD kMaxTarget = 32767;
  std::wstring path(kMaxTarget + 1, L'\0');
  if (link->GetPath(path.data(), static_cast<int>(path.size()), nullptr, 0) != S_OK) return {};
  path.resize(wcslen(path.c_str()));
  if (path.empty()) return {};
  // Links made from 8.3 names keep them; callers compare and show the long form.
  std::wstring longPath(kMaxTarget + 1, L'\0');
  const DWORD n = GetLongPathNameW(path.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
  if (n == 0 || n > kMaxTarget) return {};  // the target is gone
  longPath.resize(n);
  return Narrow(longPath);
}

LPITEMIDLIST PidlAlloc(UINT size) {
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (block) ZeroMemory(block, size < 4 ? size : 4);
  return reinterpret_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST PidlNext(LPCITEMIDLIST item) {
  if (!item || item->mkid.cb == 0) return nullptr;
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(item) + item->mkid.cb));
}

bool PidlStripLast(LPITEMIDLIST list) {
  if (!list || list->mkid.cb == 0) return false;
  LPITEMIDLIST last = list;
  for (LPITEMIDLIST next = PidlNext(list); next && next->mkid.cb != 0; next = PidlNext(next)) last = next;
  last->mkid.cb = 0;
  return true;
}

UINT PidlSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  UINT size = sizeof(USHORT);
  for (LPCITEMIDLIST item = list; item && item->mkid.cb != 0; item = PidlNext(item)) size += item->mkid.cb;
  return size;
}

LPITEMIDLIST PidlCopy(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  const UINT size = PidlSize(list);
  LPITEMIDLIST copy = PidlAlloc(size);
  if (copy) CopyMemory(copy, list, size);
  return copy;
}

LPITEMIDLIST PidlConcat(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  const UINT firstSize = first ? PidlSize(first) - sizeof(USHORT) : 0;
  const UINT secondSize = second ? PidlSize(second) : sizeof(USHORT);
  LPITEMIDLIST result = PidlAlloc(firstSize + secondSize);
  if (!result) return nullptr;
  auto* bytes = reinterpret_cast<BYTE*>(result);
  if (first) CopyMemory(bytes, first, firstSize);
  if (second) CopyMemory(bytes + firstSize, second, secondSize);
  else ZeroMemory(bytes + firstSize, sizeof(USHORT));
  return result;
}

int PidlIcon(LPCITEMIDLIST list, bool large, bool open) {
  SHFILEINFOW info = {};
  UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
  if (open) flags |= SHGFI_OPENICON;
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, flags)) return -1;
  return info.iIcon;
}

bool PidlIsFolder(IShellFolder* folder, LPCITEMIDLIST item) {
  if (!folder || !item) return false;
  SFGAOF attributes = SFGAO_FOLDER;
  return SUCCEEDED(folder->GetAttributesOf(1, &item, &attributes)) && (attributes & SFGAO_FOLDER);
}

std::string StrRetText(STRRET& value, LPCITEMIDLIST item) {
  switch (value.uType) {
    case STRRET_WSTR: {
      if (!value.pOleStr) return {};
      std::string text = Narrow(value.pOleStr);
      CoTaskMemFree(value.pOleStr);
      value.pOleStr = nullptr;
      return text;
    }
    case STRRET_OFFSET:
      return item ? AnsiToUtf8(reinterpret_cast<const char*>(item) + value.uOffset) : std::string();
    case STRRET_CSTR: {
      char text[sizeof value.cStr + 1] = {};
      CopyMemory(text, value.cStr, sizeof value.cStr);
      return AnsiToUtf8(text);
    }
    default: return {};
  }
}

std::string PidlName(IShellFolder* folder, LPCITEMIDLIST item, bool forParsing) {
  if (!folder || !item) return {};
  STRRET value = {};
  if (FAILED(folder->GetDisplayNameOf(item, forParsing ? SHGDN_FORPARSING : SHGDN_INFOLDER, &value))) return {};
  return StrRetText(value, item);
}

LPITEMIDLIST PathToPidl(const std::string& path) {
  TComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) return nullptr;
  std::wstring name = Widen(path);
  LPITEMIDLIST list = nullptr;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), &eaten, &list, nullptr))) return nullptr;
  return list;
}

}  // namespace quill
