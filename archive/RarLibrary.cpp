#include "archive/RarLibrary.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "archive/LibraryCallbacks.h"
#include "platform/Utf16.h"

namespace quill {
namespace {

std::string Backslashed(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

}  // namespace

TWin32RarLibrary::~TWin32RarLibrary() { Free(); }

bool TWin32RarLibrary::Load() {
  if (module_) return true;
  module_ = LoadArchiveLibrary(L"UnRAR.dll");
  if (!module_) return false;
  const bool complete = FindEntry(module_, "RAROpenArchive", open_) && FindEntry(module_, "RARCloseArchive", close_) &&
                        FindEntry(module_, "RARReadHeader", readHeader_) && FindEntry(module_, "RARProcessFile", processFile_) &&
                        FindEntry(module_, "RARSetChangeVolProc", setChangeVolProc_) &&
                        FindEntry(module_, "RARSetProcessDataProc", setProcessDataProc_) &&
                        FindEntry(module_, "RARSetPassword", setPassword_);
  if (!complete) {
    Free();
    return false;
  }
  // Later libraries give Unicode names and 64-bit sizes; older ones lack these.
  FindEntry(module_, "RAROpenArchiveEx", openEx_);
  FindEntry(module_, "RARReadHeaderEx", readHeaderEx_);
  FindEntry(module_, "RARProcessFileW", processFileW_);
  return true;
}

void TWin32RarLibrary::Free() {
  Close();
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  SetCallbackTarget(nullptr);
}

int TWin32RarLibrary::Open(const std::string& archive, int mode) {
  Close();
  std::string ansi = Utf8ToCodePage(archive, CP_ACP);
  if (openEx_) {
    std::wstring wide = Widen(archive);
    auto data = std::make_unique<unrarapi::RAROpenArchiveDataEx>();
    std::memset(data.get(), 0, sizeof *data);
    data->ArcName = ansi.data();
    data->ArcNameW = wide.data();
    data->OpenMode = static_cast<unsigned>(mode);
    handle_ = openEx_(data.get());
    if (!handle_) return data->OpenResult ? static_cast<int>(data->OpenResult) : kRarOpenFailed;
    ApplyCallbacks();
    return static_cast<int>(data->OpenResult);
  }
  unrarapi::RAROpenArchiveData data{};
  data.ArcName = ansi.data();
  data.OpenMode = static_cast<unsigned>(mode);
  handle_ = open_(&data);
  if (!handle_) return data.OpenResult ? static_cast<int>(data.OpenResult) : kRarOpenFailed;
  ApplyCallbacks();
  return static_cast<int>(data.OpenResult);
}

void TWin32RarLibrary::ApplyCallbacks() {
  if (volumeCallback_) setChangeVolProc_(handle_, LibraryVolumeCallback);
  if (dataCallback_) setProcessDataProc_(handle_, LibraryDataCallback);
}

int TWin32RarLibrary::ReadHeader(TRarHeader& header) {
  if (!handle_) return kRarEndArchive;
  if (readHeaderEx_) {
    // One record for the whole walk: it is 10 KB, and a listing reads 100,000 of them.
    if (!headerEx_) {
      headerEx_ = std::make_unique<unrarapi::RARHeaderDataEx>();
      std::memset(headerEx_.get(), 0, sizeof *headerEx_);
    }
    unrarapi::RARHeaderDataEx* data = headerEx_.get();
    data->FileNameW[0] = L'\0';
    data->FileName[0] = '\0';
    const int result = readHeaderEx_(handle_, data);
    if (result != 0) return result;
    data->FileNameW[1023] = L'\0';
    data->FileName[1023] = '\0';
    header.fileName = Backslashed(data->FileNameW[0] ? Narrow(data->FileNameW) : CodePageToUtf8(data->FileName, CP_OEMCP));
    header.flags = data->Flags;
    header.packSize = (static_cast<uint64_t>(data->PackSizeHigh) << 32) | data->PackSize;
    header.unpSize = (static_cast<uint64_t>(data->UnpSizeHigh) << 32) | data->UnpSize;
    header.fileTime = data->FileTime;
    header.fileAttr = data->FileAttr;
    return 0;
  }
  unrarapi::RARHeaderData data{};
  const int result = readHeader_(handle_, &data);
  if (result != 0) return result;
  data.FileName[259] = '\0';
  header.fileName = Backslashed(CodePageToUtf8(data.FileName, CP_OEMCP));
  header.flags = data.Flags;
  header.packSize = data.PackSize;
  header.unpSize = data.UnpSize;
  header.fileTime = data.FileTime;
  header.fileAttr = data.FileAttr;
  return 0;
}

int TWin32RarLibrary::ProcessFile(int operation, const std::string& destination) {
  if (!handle_) return kRarEndArchive;
  if (processFileW_) {
    std::wstring wide = Widen(destination);
    return processFileW_(handle_, operation, destination.empty() ? nullptr : wide.data(), nullptr);
  }
  std::string oem = Utf8ToCodePage(destination, CP_OEMCP);
  return processFile_(handle_, operation, destination.empty() ? nullptr : oem.data(), nullptr);
}

void TWin32RarLibrary::SetCallbacks(TLibraryArchive& archive, bool volume, bool data) {
  // UnRAR.dll takes its callbacks per opened archive: Open hands them over.
  SetCallbackTarget(&archive);
  volumeCallback_ = volume;
  dataCallback_ = data;
}

void TWin32RarLibrary::SetPassword(const std::string& password) {
  if (!handle_) return;
  std::string ansi = Utf8ToCodePage(password, CP_ACP);
  setPassword_(handle_, ansi.data());
}

void TWin32RarLibrary::Close() {
  if (handle_ && close_) close_(handle_);
  handle_ = nullptr;
}

}  // namespace quill
