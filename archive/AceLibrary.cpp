#include "archive/AceLibrary.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Utf16.h"

namespace quill {
namespace {

// The TAce whose operation is running: the library's callbacks carry no user data.
TLibraryArchive* g_current = nullptr;

// The volume name buffer the library hands over holds 260 bytes.
constexpr size_t kVolumeNameBuffer = 260;

int __stdcall VolumeCallback(char* name, int mode) {
  if (!g_current) return 0;
  std::string volume = CodePageToUtf8(name, CP_ACP);
  const std::string before = volume;
  const int result = g_current->ChangeVolume(volume, mode);
  if (result && volume != before) {
    const std::string ansi = Utf8ToCodePage(volume, CP_ACP);
    if (ansi.size() < kVolumeNameBuffer) std::memcpy(name, ansi.c_str(), ansi.size() + 1);
  }
  return result;
}

int __stdcall DataCallback(unsigned char*, int size) { return g_current ? g_current->ProcessData(size) : 0; }

template <typename F>
bool Find(HMODULE module, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

}  // namespace

TWin32AceLibrary::~TWin32AceLibrary() { Free(); }

bool TWin32AceLibrary::Load() {
  if (module_) return true;
  // A missing or broken library is told by TAce, not by the system's own error box.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  module_ = LoadLibraryW(L"UnACE.dll");
  SetErrorMode(oldMode);
  if (!module_) return false;
  const bool complete = Find(module_, "ACEOpenArchive", open_) && Find(module_, "ACECloseArchive", close_) &&
                        Find(module_, "ACEReadHeader", readHeader_) && Find(module_, "ACEProcessFile", processFile_) &&
                        Find(module_, "ACESetPassword", setPassword_);
  if (!complete) {
    Free();
    return false;
  }
  // Destinations beyond the ANSI code page need the Unicode entry; a library without it still works.
  Find(module_, "ACEProcessFileW", processFileW_);
  return true;
}

void TWin32AceLibrary::Free() {
  Close();
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  g_current = nullptr;
}

int TWin32AceLibrary::Open(const std::string& archive, int mode) {
  Close();
  std::string ansi = Utf8ToCodePage(archive, CP_ACP);
  std::wstring wide = Widen(archive);
  unaceapi::ACEOpenArchiveData data{};
  data.ArcName = ansi.data();
  data.ArcNameW = wide.data();
  data.OpenMode = static_cast<unsigned>(mode);
  data.ChangeVolumeProc = volumeCallback_ ? VolumeCallback : nullptr;
  data.ProcessDataProc = dataCallback_ ? DataCallback : nullptr;
  handle_ = open_(&data);
  if (!handle_) return data.OpenResult ? static_cast<int>(data.OpenResult) : unaceapi::kAceOpenFailed;
  return static_cast<int>(data.OpenResult);
}

int TWin32AceLibrary::ReadHeader(TLibraryHeader& header) {
  if (!handle_) return kAceEndArchive;
  // One record for the whole walk, not one per entry of a long listing.
  if (!header_) header_ = std::make_unique<unaceapi::ACEHeaderData>();
  unaceapi::ACEHeaderData* data = header_.get();
  std::memset(data, 0, sizeof *data);
  const int result = readHeader_(handle_, data);
  if (result != 0) return result;
  data->FileNameW[1023] = L'\0';
  data->FileName[259] = '\0';
  header.fileName = data->FileNameW[0] ? Narrow(data->FileNameW) : CodePageToUtf8(data->FileName, CP_ACP);
  std::replace(header.fileName.begin(), header.fileName.end(), '/', '\\');
  header.flags = data->Flags;
  header.packSize = (static_cast<uint64_t>(data->PackSizeHigh) << 32) | data->PackSize;
  header.unpSize = (static_cast<uint64_t>(data->UnpSizeHigh) << 32) | data->UnpSize;
  header.fileTime = data->FileTime;
  header.fileAttr = data->FileAttr;
  return 0;
}

int TWin32AceLibrary::ProcessFile(int operation, const std::string& destination) {
  if (!handle_) return kAceEndArchive;
  if (processFileW_) {
    std::wstring wide = Widen(destination);
    return processFileW_(handle_, operation, destination.empty() ? nullptr : wide.data());
  }
  std::string ansi = Utf8ToCodePage(destination, CP_ACP);
  return processFile_(handle_, operation, destination.empty() ? nullptr : ansi.data());
}

void TWin32AceLibrary::SetCallbacks(TLibraryArchive& archive, bool volume, bool data) {
  // UnACE.dll takes its callbacks in the open record: the next Open hands them over.
  g_current = &archive;
  volumeCallback_ = volume;
  dataCallback_ = data;
}

void TWin32AceLibrary::SetPassword(const std::string& password) {
  if (!handle_) return;
  std::string ansi = Utf8ToCodePage(password, CP_ACP);
  setPassword_(handle_, ansi.data());
}

void TWin32AceLibrary::Close() {
  if (handle_ && close_) close_(handle_);
  handle_ = nullptr;
}

}  // namespace quill
