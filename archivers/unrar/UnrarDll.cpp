// UnRAR.dll's exports with the published records, and the file system the session writes
// through. Callers reach us with stdcall exports by undecorated names (UnRAR.def); their
// callbacks are called with ESP saved and restored, because some declared them cdecl.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archivers/UnrarInterface.h"
#include "archivers/rarcrypto/CngCrypto.h"
#include "archivers/unrar/UnrarSession.h"

namespace {

// The published records, shared with Quill's side of the interface.
using unrarapi::RAROpenArchiveData;
using unrarapi::RAROpenArchiveDataEx;
using unrarapi::RARHeaderData;
using unrarapi::RARHeaderDataEx;
using UnrarCallback = unrarapi::Callback;
using unrarapi::ChangeVolProc;
using unrarapi::ProcessDataProc;

enum : UINT { kUcmChangeVolume = 0, kUcmProcessData = 1, kUcmNeedPassword = 2, kUcmChangeVolumeW = 3,
              kUcmNeedPasswordW = 4 };
enum : int { kVolAsk = 0, kVolNotify = 1 };
constexpr int kDllVersion = 8;
constexpr size_t kNameMax = 2048;

// ---- calling the caller ------------------------------------------------------------------------

#if defined(__i386__)
// The callee may pop its arguments (stdcall, as announced) or leave them (cdecl, as some callers
// declared it): ESP is kept in ESI, which both conventions preserve, and restored afterwards.
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

int CallSaved4(void* function, uintptr_t a, uintptr_t b, uintptr_t c, uintptr_t d) {
  uintptr_t args[4] = {a, b, c, d};
  int result;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "pushl 12(%2)\n\t"
      "pushl 8(%2)\n\t"
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

int CallSaved4(void* function, uintptr_t a, uintptr_t b, uintptr_t c, uintptr_t d) {
  return reinterpret_cast<int (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t)>(function)(a, b, c, d);
}
#endif

// ---- text -------------------------------------------------------------------------------------

std::wstring ToWide(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(size_t(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

std::string FromWide(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) { return ToWide(utf8, CP_UTF8); }
std::string Utf8(const std::wstring& wide) { return FromWide(wide, CP_UTF8); }
std::string OemToUtf8(std::string_view oem) { return Utf8(ToWide(std::string(oem), CP_OEMCP)); }

void CopyTruncated(char* out, size_t capacity, const std::string& text) {
  size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

void CopyTruncated(wchar_t* out, size_t capacity, const std::wstring& text) {
  size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n * sizeof(wchar_t));
  out[n] = L'\0';
}

// ---- files ------------------------------------------------------------------------------------

class FileSource final : public zipformat::IByteSource {
 public:
  explicit FileSource(HANDLE file, uint64_t size) : file_(file), size_(size) {}
  ~FileSource() override { CloseHandle(file_); }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= size_) return 0;
    // Walking the headers reads a few bytes at a time, and every ReadFile is a trip through the
    // system (under Wine, its server): small reads come from a window of the file instead.
    if (count > kWindow / 2) return ReadDirect(offset, buffer, count);
    if (offset < windowStart_ || offset + count > windowStart_ + window_.size()) {
      window_.resize(kWindow);
      window_.resize(ReadDirect(offset, window_.data(), kWindow));
      windowStart_ = offset;
    }
    const size_t available = std::min<size_t>(count, windowStart_ + window_.size() - offset);
    std::memcpy(buffer, window_.data() + (offset - windowStart_), available);
    return available;
  }

 private:
  static constexpr size_t kWindow = 64 * 1024;

  size_t ReadDirect(uint64_t offset, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
      OVERLAPPED at{};
      at.Offset = DWORD(offset + done);
      at.OffsetHigh = DWORD((offset + done) >> 32);
      DWORD want = DWORD(std::min<size_t>(count - done, 1u << 30)), got = 0;
      if (!ReadFile(file_, static_cast<char*>(buffer) + done, want, &got, &at) || got == 0) break;
      done += got;
    }
    return done;
  }

  HANDLE file_;
  uint64_t size_;
  std::vector<char> window_;
  uint64_t windowStart_ = 0;
};

FILETIME ToFileTime(const unrar::Stamp& stamp) {
  FILETIME time{DWORD(stamp.fileTime), DWORD(stamp.fileTime >> 32)};
  if (!stamp.utc) {
    FILETIME utc;
    if (LocalFileTimeToFileTime(&time, &utc)) time = utc;
  }
  return time;
}

class OutputFile final : public unrar::IOutputFile {
 public:
  OutputFile(HANDLE file, std::wstring temp, std::wstring target, const unrar::Stamp& stamp)
      : file_(file), temp_(std::move(temp)), target_(std::move(target)), stamp_(stamp) {}
  ~OutputFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileW(temp_.c_str());
  }
  bool Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      DWORD done = 0;
      if (!WriteFile(file_, data, DWORD(std::min<size_t>(size, 1u << 30)), &done, nullptr) || done == 0) return false;
      data += done;
      size -= done;
    }
    return true;
  }
  bool Commit() override {
    if (stamp_.fileTime != 0) {
      FILETIME time = ToFileTime(stamp_);
      SetFileTime(file_, nullptr, nullptr, &time);
    }
    bool closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) return false;
    if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      // A read-only file in the way is replaced like any other.
      DWORD existing = GetFileAttributesW(target_.c_str());
      if (existing == INVALID_FILE_ATTRIBUTES || !(existing & FILE_ATTRIBUTE_READONLY)) return false;
      SetFileAttributesW(target_.c_str(), existing & ~DWORD(FILE_ATTRIBUTE_READONLY));
      if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    }
    committed_ = true;
    DWORD attributes = stamp_.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                            FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(target_.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    return true;
  }

 private:
  HANDLE file_;
  std::wstring temp_, target_;
  unrar::Stamp stamp_;
  bool committed_ = false;
};

// ---- one handle -------------------------------------------------------------------------------

struct Handle final : unrar::IUnrarHost {
  explicit Handle(int mode) : session(*this, mode, OemToUtf8) {}

  unrar::Session session;
  UnrarCallback callback = nullptr;
  LPARAM userData = 0;
  ChangeVolProc changeVolume = nullptr;
  ProcessDataProc processData = nullptr;
  std::unique_ptr<rarcrypto::TCngCrypto> crypto;

  int Callback(UINT message, LPARAM p1, LPARAM p2) {
    if (!callback) return 0;
    return CallSaved4(reinterpret_cast<void*>(callback), message, uintptr_t(userData), uintptr_t(p1), uintptr_t(p2));
  }

  // Volume names go to callers in the system code page (and in UTF-16 to the W message).
  bool AskVolume(std::string& name, int mode) {
    // Nobody to ask: a volume that is there is used, one that is missing stops.
    if (!callback && !changeVolume) return mode == kVolNotify;
    wchar_t wide[kNameMax];
    char ansi[kNameMax];
    std::wstring original = Wide(name);
    CopyTruncated(wide, kNameMax, original);
    CopyTruncated(ansi, kNameMax, FromWide(original, CP_ACP));
    const std::string ansiBefore = ansi;
    if (callback) {
      if (Callback(kUcmChangeVolumeW, LPARAM(wide), mode) == -1) return false;
      if (Callback(kUcmChangeVolume, LPARAM(ansi), mode) == -1) return false;
    }
    if (changeVolume && CallSaved2(reinterpret_cast<void*>(changeVolume), uintptr_t(ansi), uintptr_t(mode)) == 0)
      return false;
    if (mode == kVolAsk) {
      if (std::wstring(wide) != original) name = Utf8(wide);
      else if (ansiBefore != ansi) name = Utf8(ToWide(ansi, CP_ACP));
    }
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
  bool VolumeMissing(std::string& name) override {
    // A caller answering "go on" without a new name would be asked forever.
    if (++asks_ > 100) return false;
    return AskVolume(name, kVolAsk);
  }
  bool VolumeOpened(const std::string& name) override {
    asks_ = 0;
    return AskVolume(const_cast<std::string&>(name), kVolNotify);
  }
  bool Data(const uint8_t* data, size_t size) override {
    while (size > 0) {
      int chunk = int(std::min<size_t>(size, 1u << 20));
      if (callback && Callback(kUcmProcessData, LPARAM(data), chunk) == -1) return false;
      if (processData && CallSaved2(reinterpret_cast<void*>(processData), uintptr_t(data), uintptr_t(chunk)) == 0)
        return false;
      data += chunk;
      size -= size_t(chunk);
    }
    return true;
  }
  bool NeedPassword(std::string& password) override {
    if (!callback) return false;
    wchar_t wide[512] = {};
    int result = Callback(kUcmNeedPasswordW, LPARAM(wide), 512);
    if (result == -1) return false;
    if (result > 0 && wide[0]) {
      password = Utf8(wide);
      return true;
    }
    char ansi[512] = {};
    if (Callback(kUcmNeedPassword, LPARAM(ansi), 512) <= 0 || !ansi[0]) return false;
    password = Utf8(ToWide(ansi, CP_ACP));
    return true;
  }
  rarformat::ICryptoProvider* Crypto() override {
    if (!crypto) crypto = std::make_unique<rarcrypto::TCngCrypto>();
    return crypto.get();
  }
  bool MakeFolders(const std::string& path) override {
    std::wstring wide = Wide(path);
    for (size_t i = 1; i <= wide.size(); ++i) {
      if (i < wide.size() && wide[i] != L'\\' && wide[i] != L'/') continue;
      std::wstring part = wide.substr(0, i);
      if (part.size() == 2 && part[1] == L':') continue;
      if (GetFileAttributesW(part.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(part.c_str(), nullptr);
    }
    DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  void StampFolder(const std::string& path, const unrar::Stamp& stamp) override {
    std::wstring wide = Wide(path);
    if (stamp.fileTime != 0) {
      HANDLE folder = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (folder != INVALID_HANDLE_VALUE) {
        FILETIME time = ToFileTime(stamp);
        SetFileTime(folder, nullptr, nullptr, &time);
        CloseHandle(folder);
      }
    }
    DWORD keep = stamp.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (keep) SetFileAttributesW(wide.c_str(), keep | FILE_ATTRIBUTE_DIRECTORY);
  }
  bool CopyExtracted(const std::string& from, const std::string& to, const unrar::Stamp& stamp) override {
    std::wstring source = Wide(from), target = Wide(to);
    if (source == target || !CopyFileW(source.c_str(), target.c_str(), FALSE)) return false;
    if (stamp.fileTime != 0) {
      HANDLE file = CreateFileW(target.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        FILETIME time = ToFileTime(stamp);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
      }
    }
    DWORD attributes = stamp.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(target.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    return true;
  }
  std::unique_ptr<unrar::IOutputFile> CreateOutput(const std::string& target, const unrar::Stamp& stamp) override {
    std::wstring wideTarget = Wide(target);
    size_t slash = wideTarget.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? L"" : wideTarget.substr(0, slash + 1);
    // A name of our own beside the target, so a failed entry never leaves a partial file under
    // the entry's name nor spoils a file already there.
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::wstring temp = folder + L"~unrar" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                          std::to_wstring(InterlockedIncrement(&counter)) + L".tmp";
      HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) return std::make_unique<OutputFile>(file, temp, wideTarget, stamp);
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
  }

 private:
  int asks_ = 0;
};

uint32_t DosTime(const rarformat::RarEntry& entry) {
  if (!entry.fileTimeUtc) return uint32_t(entry.dosDate) << 16 | entry.dosTime;
  FILETIME utc{DWORD(entry.fileTime), DWORD(entry.fileTime >> 32)}, local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return uint32_t(entry.dosDate) << 16 | entry.dosTime;
  return uint32_t(date) << 16 | time;
}

// The OEM form of a name: RAR 4 names stored without Unicode are OEM bytes already.
std::string OemName(const rarformat::RarEntry& entry) {
  if (entry.nameFromOem) {
    std::string name = entry.oemName;
    for (char& c : name)
      if (c == '/') c = '\\';
    return name;
  }
  return FromWide(Wide(unrar::BackslashName(entry)), CP_OEMCP);
}

std::wstring WideName(const rarformat::RarEntry& entry) { return Wide(unrar::BackslashName(entry)); }

template <typename Record>
void FillCommon(Handle& h, const rarformat::RarEntry& e, Record& r) {
  const rarformat::RarArchiveInfo& info = h.session.Info();
  r.Flags = unrar::HeaderFlags(info, e);
  r.PackSize = unsigned(e.packedSize);
  r.UnpSize = unsigned(e.unpackedSize);
  r.HostOS = unrar::HostOs(e);
  r.FileCRC = e.hasCrc ? e.crc : 0;
  r.FileTime = DosTime(e);
  r.UnpVer = e.unpackVersion;
  r.Method = e.method;
  r.FileAttr = unrar::WindowsAttributes(e);
  r.CmtSize = 0;
  r.CmtState = 0;
}

void SetComment(const rarformat::RarArchiveInfo& info, char* buffer, unsigned bufferSize, unsigned& size,
                unsigned& state) {
  size = 0;
  state = 0;
  if (!buffer || bufferSize == 0 || !info.hasComment) return;
  if (!info.commentRead) {
    state = unrar::kUnknownFormat;  // a packed comment: not read by this library
    return;
  }
  const std::string& text = info.comment;
  size_t n = std::min<size_t>(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  size = unsigned(n + 1);
  state = n < text.size() ? unsigned(unrar::kSmallBuf) : 1u;
}

int Process(HANDLE handle, int operation, const std::wstring* destPath, const std::wstring* destName) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return unrar::kUnknown;
  return h->session.Process(operation, destPath ? Utf8(*destPath) : std::string(),
                            destName ? Utf8(*destName) : std::string());
}

}  // namespace

extern "C" {

HANDLE PASCAL RAROpenArchiveEx(RAROpenArchiveDataEx* data) {
  if (!data) return nullptr;
  data->OpenResult = 0;
  std::string name;
  if (data->ArcNameW && data->ArcNameW[0]) name = Utf8(data->ArcNameW);
  else if (data->ArcName) name = Utf8(ToWide(data->ArcName, CP_ACP));
  auto handle = std::make_unique<Handle>(int(data->OpenMode));
  handle->callback = data->Callback;
  handle->userData = data->UserData;
  int result = data->OpenMode <= 2 ? handle->session.Open(name) : unrar::kUnknown;
  if (result != unrar::kSuccess) {
    data->OpenResult = unsigned(result);
    return nullptr;
  }
  const rarformat::RarArchiveInfo& info = handle->session.Info();
  SetComment(info, data->CmtBuf, data->CmtBufSize, data->CmtSize, data->CmtState);
  data->Flags = (info.volume ? 0x01 : 0) | (info.hasComment ? 0x02 : 0) | (info.locked ? 0x04 : 0) |
                (info.solid ? 0x08 : 0) | (info.newNaming && info.volume ? 0x10 : 0) |
                (info.recoveryRecord ? 0x40 : 0) | (info.encryptedHeaders ? 0x80 : 0) |
                (info.firstVolume ? 0x100 : 0);
  return handle.release();
}

HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* data) {
  if (!data) return nullptr;
  RAROpenArchiveDataEx ex{};
  ex.ArcName = data->ArcName;
  ex.OpenMode = data->OpenMode;
  ex.CmtBuf = data->CmtBuf;
  ex.CmtBufSize = data->CmtBufSize;
  HANDLE handle = RAROpenArchiveEx(&ex);
  data->OpenResult = ex.OpenResult;
  data->CmtSize = ex.CmtSize;
  data->CmtState = ex.CmtState;
  return handle;
}

int PASCAL RARCloseArchive(HANDLE handle) {
  delete static_cast<Handle*>(handle);
  return 0;
}

int PASCAL RARReadHeader(HANDLE handle, RARHeaderData* data) {
  auto* h = static_cast<Handle*>(handle);
  if (!h || !data) return unrar::kUnknown;
  rarformat::RarEntry entry;
  int result = h->session.ReadHeader(entry);
  if (result != unrar::kSuccess) return result;
  CopyTruncated(data->ArcName, sizeof data->ArcName, FromWide(Wide(h->session.VolumeName()), CP_ACP));
  CopyTruncated(data->FileName, sizeof data->FileName, OemName(entry));
  FillCommon(*h, entry, *data);
  return 0;
}

int PASCAL RARReadHeaderEx(HANDLE handle, RARHeaderDataEx* data) {
  auto* h = static_cast<Handle*>(handle);
  if (!h || !data) return unrar::kUnknown;
  rarformat::RarEntry entry;
  int result = h->session.ReadHeader(entry);
  if (result != unrar::kSuccess) return result;
  std::wstring volume = Wide(h->session.VolumeName());
  std::wstring wide = WideName(entry);
  CopyTruncated(data->ArcName, sizeof data->ArcName, FromWide(volume, CP_ACP));
  CopyTruncated(data->ArcNameW, 1024, volume);
  CopyTruncated(data->FileName, sizeof data->FileName, OemName(entry));
  CopyTruncated(data->FileNameW, 1024, wide);
  FillCommon(*h, entry, *data);
  data->PackSizeHigh = unsigned(entry.packedSize >> 32);
  data->UnpSizeHigh = unsigned(entry.unpackedSize >> 32);
  data->DictSize = unsigned(entry.dictionarySize / 1024);
  data->HashType = entry.hasBlake2 ? 2 : entry.hasCrc ? 1 : 0;
  std::memset(data->Hash, 0, sizeof data->Hash);
  if (entry.hasBlake2) std::memcpy(data->Hash, entry.blake2.data(), 32);
  data->RedirType = entry.redirectType;
  if (data->RedirName && data->RedirNameSize > 0)
    CopyTruncated(data->RedirName, data->RedirNameSize, Wide(entry.redirectTarget));
  data->DirTarget = 0;
  return 0;
}

int PASCAL RARProcessFile(HANDLE handle, int operation, char* destPath, char* destName) {
  // The destination names come in the OEM code page, as the published interface says.
  std::wstring path = destPath ? ToWide(destPath, CP_OEMCP) : std::wstring();
  std::wstring name = destName ? ToWide(destName, CP_OEMCP) : std::wstring();
  return Process(handle, operation, destPath ? &path : nullptr, destName ? &name : nullptr);
}

int PASCAL RARProcessFileW(HANDLE handle, int operation, wchar_t* destPath, wchar_t* destName) {
  std::wstring path = destPath ? destPath : L"";
  std::wstring name = destName ? destName : L"";
  return Process(handle, operation, destPath ? &path : nullptr, destName ? &name : nullptr);
}

void PASCAL RARSetCallback(HANDLE handle, UnrarCallback callback, LPARAM userData) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return;
  h->callback = callback;
  h->userData = userData;
}

void PASCAL RARSetChangeVolProc(HANDLE handle, ChangeVolProc proc) {
  if (auto* h = static_cast<Handle*>(handle)) h->changeVolume = proc;
}

void PASCAL RARSetProcessDataProc(HANDLE handle, ProcessDataProc proc) {
  if (auto* h = static_cast<Handle*>(handle)) h->processData = proc;
}

void PASCAL RARSetPassword(HANDLE handle, char* password) {
  if (auto* h = static_cast<Handle*>(handle)) h->session.SetPassword(password ? Utf8(ToWide(password, CP_ACP)) : "");
}

int PASCAL RARGetDllVersion() { return kDllVersion; }

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
