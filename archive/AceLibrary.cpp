#include "archive/AceLibrary.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "archive/LibraryCallbacks.h"
#include "platform/Utf16.h"

namespace quill {

TWin32AceLibrary::~TWin32AceLibrary() { Free(); }

bool TWin32AceLibrary::Load() {
  if (module_) return true;
  module_ = LoadArchiveLibrary(L"UnACE.dll");
  if (!module_) return false;
  const bool complete = FindEntry(module_, "ACEOpenArchive", open_) && FindEntry(module_, "ACECloseArchive", close_) &&
                        FindEntry(module_, "ACEReadHeader", readHeader_) && FindEntry(module_, "ACEProcessFile", processFile_) &&
                        FindEntry(module_, "ACESetPassword", setPassword_);
  if (!complete) {
    Free();
    return false;
  }
  // Destinations beyond the ANSI code page need the Unicode entry; a library without it still works.
  FindEntry(module_, "ACEProcessFileW", processFileW_);
  return true;
}

void TWin32AceLibrary::Free() {
  Close();
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  SetCallbackTarget(nullptr);
}

int TWin32AceLibrary::Open(const std::string& archive, int mode) {
  Close();
  std::string ansi = Utf8ToCodePage(archive, CP_ACP);
  std::wstring wide = Widen(archive);
  unaceapi::ACEOpenArchiveData data{};
  data.ArcName = ansi.data();
  data.ArcNameW = wide.data();
  data.OpenMode = static_cast<unsigned>(mode);
  data.ChangeVolumeProc = volumeCallback_ ? LibraryVolumeCallback : nullptr;
  data.ProcessDataProc = dataCallback_ ? LibraryDataCallback : nullptr;
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
  SetCallbackTarget(&archive);
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
