// UnACE.dll's exports with the records of UnaceInterface.h, and the file system and code pages
// the session works through. Callers reach us with stdcall exports by undecorated names
// (UnACE.def); their callbacks are called with ESP saved and restored, in case one was declared
// cdecl.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archivers/unace/UnaceInterface.h"
#include "archivers/unace/UnaceSession.h"

namespace {

using namespace unaceapi;

constexpr size_t kVolumeNameMax = 260;

#if defined(__i386__)
int CallSaved2(void* function, uintptr_t a, uintptr_t b) {
  uintptr_t args[2] = {a, b};
  int result;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "pushl 4(%2)\n\t"
      "pushl (%2)\n\t"
      "call *%1\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(result)
      : "b"(function), "D"(args)
      : "esi", "ecx", "edx", "memory", "cc");
  return result;
}
#else
// x64 Windows has one calling convention, so a caller's declaration cannot disagree with ours.
int CallSaved2(void* function, uintptr_t a, uintptr_t b) {
  return reinterpret_cast<int (*)(uintptr_t, uintptr_t)>(function)(a, b);
}
#endif

std::wstring ToWide(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(size_t(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

std::string FromWide(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) { return ToWide(utf8, CP_UTF8); }
std::string Utf8(const std::wstring& wide) { return FromWide(wide, CP_UTF8); }

void CopyTruncated(char* out, size_t capacity, const std::string& text) {
  const size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

void CopyTruncated(wchar_t* out, size_t capacity, const std::wstring& text) {
  const size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n * sizeof(wchar_t));
  out[n] = L'\0';
}

class FileSource final : public zipformat::IByteSource {
 public:
  FileSource(HANDLE file, uint64_t size) : file_(file), size_(size) {}
  ~FileSource() override { CloseHandle(file_); }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    size_t done = 0;
    while (done < count && offset + done < size_) {
      OVERLAPPED at{};
      at.Offset = DWORD(offset + done);
      at.OffsetHigh = DWORD((offset + done) >> 32);
      DWORD got = 0;
      const DWORD want = DWORD(std::min<size_t>(count - done, 1u << 30));
      if (!ReadFile(file_, static_cast<char*>(buffer) + done, want, &got, &at) || got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE file_;
  uint64_t size_;
};

FILETIME FromDos(uint32_t dosTime) {
  FILETIME local{}, utc{};
  if (!DosDateTimeToFileTime(WORD(dosTime >> 16), WORD(dosTime & 0xFFFF), &local)) return utc;
  if (!LocalFileTimeToFileTime(&local, &utc)) return local;
  return utc;
}

constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE;

class OutputFile final : public unace::IOutputFile {
 public:
  OutputFile(HANDLE file, std::wstring temp, std::wstring target, const unace::Stamp& stamp)
      : file_(file), temp_(std::move(temp)), target_(std::move(target)), stamp_(stamp) {}
  ~OutputFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileW(temp_.c_str());
  }
  int Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      DWORD done = 0;
      if (!WriteFile(file_, data, DWORD(std::min<size_t>(size, 1u << 30)), &done, nullptr) || done == 0) {
        const DWORD error = GetLastError();
        return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kAceDiskFull : kAceWriteFailed;
      }
      data += done;
      size -= done;
    }
    return kAceOk;
  }
  bool Commit() override {
    if (stamp_.dosTime != 0) {
      const FILETIME time = FromDos(stamp_.dosTime);
      SetFileTime(file_, nullptr, nullptr, &time);
    }
    const bool closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) return false;
    if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      // A read-only file in the way is replaced like any other: the caller asked the user.
      const DWORD existing = GetFileAttributesW(target_.c_str());
      if (existing == INVALID_FILE_ATTRIBUTES || !(existing & FILE_ATTRIBUTE_READONLY)) return false;
      SetFileAttributesW(target_.c_str(), existing & ~DWORD(FILE_ATTRIBUTE_READONLY));
      if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    }
    committed_ = true;
    const DWORD attributes = stamp_.attributes & kKeptAttributes;
    SetFileAttributesW(target_.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    return true;
  }

 private:
  HANDLE file_;
  std::wstring temp_, target_;
  unace::Stamp stamp_;
  bool committed_ = false;
};

struct Handle final : unace::IUnaceHost {
  explicit Handle(unsigned mode) : session(*this, mode) {}

  unace::Session session;
  ChangeVolProc changeVolume = nullptr;
  ProcessDataProc processData = nullptr;

  // The callback sees and may rewrite the name in the ANSI code page.
  bool AskVolume(std::string& name, int mode) {
    // Nobody to ask: a volume that is there is used, a missing one ends the entry.
    if (!changeVolume) return mode == kAceVolNotify;
    char ansi[kVolumeNameMax + 1] = {};
    CopyTruncated(ansi, sizeof ansi, FromWide(Wide(name), CP_ACP));
    const std::string before = ansi;
    if (CallSaved2(reinterpret_cast<void*>(changeVolume), uintptr_t(ansi), uintptr_t(mode)) == 0) return false;
    ansi[kVolumeNameMax] = '\0';
    if (mode == kAceVolAsk && before != ansi) name = Utf8(ToWide(ansi, CP_ACP));
    return true;
  }

  std::unique_ptr<zipformat::IByteSource> OpenVolume(const std::string& name) override {
    HANDLE file = CreateFileW(Wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<FileSource>(file, uint64_t(size.QuadPart));
  }
  bool VolumeMissing(std::string& name) override { return AskVolume(name, kAceVolAsk); }
  bool VolumeOpened(const std::string& name) override {
    std::string copy = name;
    return AskVolume(copy, kAceVolNotify);
  }
  bool Data(const uint8_t* data, size_t size) override {
    if (!processData) return true;
    return CallSaved2(reinterpret_cast<void*>(processData), uintptr_t(data), uintptr_t(size)) != 0;
  }
  std::string NameToUtf8(const std::string& stored, uint8_t hostOs) override {
    // DOS and OS/2 archivers stored names in the OEM code page, Windows ones in the ANSI one.
    const UINT codePage = hostOs == aceformat::kHostDos || hostOs == aceformat::kHostOs2 ? CP_OEMCP : CP_ACP;
    return Utf8(ToWide(stored, codePage));
  }
  bool MakeFolders(const std::string& path) override {
    const std::wstring wide = Wide(path);
    for (size_t i = 1; i <= wide.size(); ++i) {
      if (i < wide.size() && wide[i] != L'\\' && wide[i] != L'/') continue;
      const std::wstring part = wide.substr(0, i);
      if (part.size() == 2 && part[1] == L':') continue;
      if (GetFileAttributesW(part.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(part.c_str(), nullptr);
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  void StampFolder(const std::string& path, const unace::Stamp& stamp) override {
    const std::wstring wide = Wide(path);
    if (stamp.dosTime != 0) {
      HANDLE folder = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (folder != INVALID_HANDLE_VALUE) {
        const FILETIME time = FromDos(stamp.dosTime);
        SetFileTime(folder, nullptr, nullptr, &time);
        CloseHandle(folder);
      }
    }
    const DWORD keep = stamp.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (keep) SetFileAttributesW(wide.c_str(), keep | FILE_ATTRIBUTE_DIRECTORY);
  }
  std::unique_ptr<unace::IOutputFile> CreateOutput(const std::string& target, const unace::Stamp& stamp) override {
    const std::wstring wideTarget = Wide(target);
    const size_t slash = wideTarget.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : wideTarget.substr(0, slash + 1);
    // A name of our own beside the target: a failed entry never leaves a partial file under the
    // entry's name, nor spoils a file already there.
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::wstring temp = folder + L"~unace" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                std::to_wstring(InterlockedIncrement(&counter)) + L".tmp";
      HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) return std::make_unique<OutputFile>(file, temp, wideTarget, stamp);
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
  }
};

int Process(void* handle, int operation, const std::wstring& destPath) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return kAceReadFailed;
  return h->session.Process(operation, Utf8(destPath));
}

}  // namespace

extern "C" {

void* __stdcall ACEOpenArchive(ACEOpenArchiveData* data) {
  if (!data) return nullptr;
  data->OpenResult = 0;
  data->Flags = 0;
  data->VolumeNumber = 0;
  std::string name;
  if (data->ArcNameW && data->ArcNameW[0]) name = Utf8(data->ArcNameW);
  else if (data->ArcName) name = Utf8(ToWide(data->ArcName, CP_ACP));
  auto handle = std::make_unique<Handle>(data->OpenMode);
  handle->changeVolume = data->ChangeVolumeProc;
  handle->processData = data->ProcessDataProc;
  const int result = data->OpenMode <= kAceOpenExtract ? handle->session.Open(name) : int(kAceOpenFailed);
  if (result != kAceOk) {
    data->OpenResult = unsigned(result);
    return nullptr;
  }
  data->Flags = handle->session.Main().flags;
  data->VolumeNumber = handle->session.Main().volume;
  return handle.release();
}

int __stdcall ACECloseArchive(void* handle) {
  delete static_cast<Handle*>(handle);
  return 0;
}

int __stdcall ACEReadHeader(void* handle, ACEHeaderData* data) {
  auto* h = static_cast<Handle*>(handle);
  if (!h || !data) return kAceReadFailed;
  aceformat::FileEntry entry;
  const int result = h->session.ReadHeader(entry);
  if (result != kAceOk) return result;
  std::memset(data, 0, sizeof *data);
  const std::wstring name = Wide(h->session.EntryName());
  CopyTruncated(data->ArcName, sizeof data->ArcName, FromWide(Wide(h->session.VolumeName()), CP_ACP));
  CopyTruncated(data->FileName, sizeof data->FileName, FromWide(name, CP_ACP));
  CopyTruncated(data->FileNameW, sizeof data->FileNameW / sizeof(wchar_t), name);
  data->Flags = entry.flags >> 8;
  data->HeaderFlags = entry.flags;
  data->PackSize = unsigned(entry.packedSize);
  data->PackSizeHigh = unsigned(entry.packedSize >> 32);
  data->UnpSize = unsigned(entry.size);
  data->UnpSizeHigh = unsigned(entry.size >> 32);
  data->HostOS = h->session.Main().host;
  data->FileCRC = entry.crc;
  data->FileTime = entry.dosTime;
  data->Method = entry.method;
  data->Quality = entry.quality;
  data->DictSize = entry.Dictionary();
  data->FileAttr = entry.attributes;
  return 0;
}

int __stdcall ACEProcessFile(void* handle, int operation, char* destPath) {
  return Process(handle, operation, destPath ? ToWide(destPath, CP_ACP) : std::wstring());
}

int __stdcall ACEProcessFileW(void* handle, int operation, wchar_t* destPath) {
  return Process(handle, operation, destPath ? std::wstring(destPath) : std::wstring());
}

int __stdcall ACESetPassword(void* handle, char* password) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return kAceReadFailed;
  h->session.SetPassword(password ? Utf8(ToWide(password, CP_ACP)) : std::string());
  return 0;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
