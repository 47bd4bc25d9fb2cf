// ace32.exe: adds files to an ACE archive as Quill's add commands ask,
//   ace32 <a|m|f|u> -y [-r] [-vN] [-mN] archive [@listfile | file ...]
// Data is always stored and never encrypted. The archive is written under temporary names beside
// it and takes its real name only when complete; a move deletes the originals only after that.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "archivers/ace/AceCommand.h"
#include "archivers/aceformat/AceFormat.h"
#include "archivers/console/Console.h"
#include "archivers/zipdll/ZipSources.h"

namespace {

using namespace console;
using namespace acexe;

enum ExitCode { kSuccess = 0, kWarning = 1, kFatal = 2, kBadCommand = 7, kUserBreak = 255 };

const char kUsage[] =
    "ACE archiver for Quill: stores files in ACE 2.0 archives.\n"
    "\n"
    "ace32 <command> -y [switches] archive [@listfile] [files...]\n"
    "\n"
    "Commands:\n"
    "  a   add files, replacing entries of the same name\n"
    "  m   move files: add them, then delete them once the archive is complete\n"
    "  f   freshen: replace entries whose file is newer\n"
    "  u   update: add new files and replace entries whose file is newer\n"
    "\n"
    "Switches:\n"
    "  -r          recurse into folders (their whole tree, folder entries included)\n"
    "  -vN         volumes of N thousand bytes (name.ace, name.c00, name.c01 ...)\n"
    "  -mN         compression level 0-5: accepted, but data is always stored (no compression)\n"
    "  -y          assume Yes to every question (none is asked)\n"
    "  -pPASSWORD  refused: this archiver does not encrypt\n"
    "\n"
    "A list file holds one file, folder or wildcard per line, relative to the current folder,\n"
    "in the ANSI code page. Names are stored in the ANSI code page.\n"
    "Exit codes: 0 success, 1 warning, 2 fatal error, 7 bad command line, 255 user break.\n";

class TArchiveFile : public zipformat::IByteSource {
 public:
  explicit TArchiveFile(HANDLE file) : file_(file) {
    LARGE_INTEGER size{};
    size_ = GetFileSizeEx(file_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
  }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= size_) return 0;
    count = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
    return ReadExact(file_, offset, static_cast<uint8_t*>(buffer), count) ? count : 0;
  }

 private:
  HANDLE file_;
  uint64_t size_ = 0;
};

// A range of the old archive, read in order for copying.
class TRange : public aceformat::IEntryData {
 public:
  TRange(HANDLE file, uint64_t offset, uint64_t size) : file_(file), at_(offset), left_(size) {}
  bool Read(uint8_t* buffer, size_t count, size_t& got) override {
    got = static_cast<size_t>(std::min<uint64_t>(count, left_));
    if (got && !ReadExact(file_, at_, buffer, got)) return false;
    at_ += got;
    left_ -= got;
    return true;
  }

 private:
  HANDLE file_;
  uint64_t at_, left_;
};

class TFileData : public aceformat::IEntryData {
 public:
  explicit TFileData(HANDLE file) : file_(file) {}
  bool Read(uint8_t* buffer, size_t count, size_t& got) override {
    DWORD read = 0;
    if (!ReadFile(file_, buffer, static_cast<DWORD>(count), &read, nullptr)) return false;
    got = read;
    return true;
  }

 private:
  HANDLE file_;
};

// The volumes under temporary names; Commit gives them their real names once all are written.
class TVolumeFiles : public aceformat::IVolumeSink {
 public:
  explicit TVolumeFiles(std::wstring archive) : archive_(std::move(archive)) {}
  ~TVolumeFiles() override { Discard(); }

  bool StartVolume(unsigned index) override {
    const std::wstring name = archive_ + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(index + 1) + L".acetmp";
    file_.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid()) return Failed();
    temporary_.push_back(name);
    return true;
  }
  bool Write(const uint8_t* data, size_t size) override { return WriteTo(file_.Get(), data, size); }
  bool Rewrite(unsigned volume, uint64_t offset, const uint8_t* data, size_t size) override {
    if (volume >= temporary_.size()) return false;
    if (volume + 1 == temporary_.size() && file_.Valid()) {
      LARGE_INTEGER at, here{}, zero{};
      at.QuadPart = static_cast<LONGLONG>(offset);
      if (!SetFilePointerEx(file_.Get(), zero, &here, FILE_CURRENT) ||
          !SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN) || !WriteTo(file_.Get(), data, size) ||
          !SetFilePointerEx(file_.Get(), here, nullptr, FILE_BEGIN))
        return Failed();
      return true;
    }
    // A header in a finished volume: the entry it starts ended in a later one.
    THandle earlier(CreateFileW(temporary_[volume].c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!earlier.Valid() || !SetFilePointerEx(earlier.Get(), at, nullptr, FILE_BEGIN) ||
        !WriteTo(earlier.Get(), data, size) || !earlier.Close())
      return Failed();
    return true;
  }
  bool FinishVolume() override {
    if (!file_.Close()) return Failed();
    return true;
  }

  // The real names, replacing what had them (the archive an update read).
  bool Commit() {
    for (size_t i = 0; i < temporary_.size(); ++i) {
      const std::wstring name = Utf16(aceformat::VolumeName(Utf8(archive_), static_cast<unsigned>(i)));
      if (!MoveFileExW(temporary_[i].c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        failedName_ = name;
        return Failed();
      }
      temporary_[i].clear();
    }
    temporary_.clear();
    return true;
  }
  void Discard() {
    file_.Close();
    for (const auto& name : temporary_)
      if (!name.empty()) DeleteFileW(name.c_str());
    temporary_.clear();
  }
  DWORD LastError() const { return error_; }
  const std::wstring& FailedName() const { return failedName_; }

 private:
  bool Failed() {
    if (!error_) error_ = GetLastError();
    return false;
  }
  bool WriteTo(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
      if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return Failed();
      data += chunk;
      size -= chunk;
    }
    return true;
  }

  std::wstring archive_;
  THandle file_;
  std::vector<std::wstring> temporary_;
  DWORD error_ = 0;
  std::wstring failedName_;
};

std::wstring FullPath(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
  return full;
}

// The DOS time entries carry: the local time, as DOS kept it.
uint32_t DosTimeOf(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return static_cast<uint32_t>(date) << 16 | time;
}

uint32_t Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return aceformat::DosTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

std::string FoldedKey(const std::string& ansiName) {
  std::wstring wide = Wide(ansiName, CP_ACP);
  for (auto& c : wide)
    if (c == L'/') c = L'\\';
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Utf8(wide);
}

bool ReadListFile(const std::wstring& path, std::vector<std::string>& items) {
  THandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return false;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  if (!bytes.empty() && !ReadExact(file.Get(), 0, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()))
    return false;
  for (const std::string& line : ListFileItems(bytes)) items.push_back(line);
  return true;
}

std::wstring ExistingProblem(ExistingState state) {
  switch (state) {
    case ExistingState::NotAce: return L"is not an ACE archive";
    case ExistingState::Damaged: return L"is damaged";
    case ExistingState::MultiVolume: return L"is a volume of a multi-volume archive: volumes are not updated";
    case ExistingState::Locked: return L"is locked";
    case ExistingState::Ok: break;
  }
  return L"";
}

int Run(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-?" || args[0] == "/?") {
    std::fputs(kUsage, stdout);
    return args.empty() ? kBadCommand : kSuccess;
  }
  Command command;
  std::string error;
  if (!ParseCommand(args, command, error)) {
    Say(L"ace32: " + Utf16(error) + L" (ace32 --help shows the usage)");
    return kBadCommand;
  }
  if (command.password) {
    Say(L"ace32: encryption is not supported: the archive was not written (leave out -p)");
    return kFatal;
  }
  int result = kSuccess;

  // List files and direct items are texts of the ANSI code page, as Quill writes them.
  std::vector<std::string> specs;
  for (const auto& list : command.listFiles) {
    if (!ReadListFile(Utf16(list), specs)) {
      Say(L"ace32: cannot read the list file " + Utf16(list) + L": " + SystemMessage(GetLastError()));
      return kFatal;
    }
  }
  for (const auto& item : command.items) specs.push_back(zipdll::ToAnsi(Utf16(item)));
  if (command.listFiles.empty() && command.items.empty()) specs.push_back("*");

  std::wstring archive = FullPath(Utf16(command.archive));
  {
    const size_t slash = archive.find_last_of(L'\\');
    if (archive.find(L'.', slash == std::wstring::npos ? 0 : slash) == std::wstring::npos) archive += L".ace";
  }

  THandle old;
  ExistingArchive existing;
  if (GetFileAttributesW(archive.c_str()) != INVALID_FILE_ATTRIBUTES) {
    old.Reset(CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!old.Valid()) {
      Say(L"ace32: cannot open " + archive + L": " + SystemMessage(GetLastError()));
      return kFatal;
    }
    TArchiveFile bytes(old.Get());
    existing = ReadExisting(bytes);
    if (existing.state != ExistingState::Ok) {
      Say(L"ace32: " + archive + L" " + ExistingProblem(existing.state));
      return kFatal;
    }
  }

  zipdll::SourceOptions options;
  options.recurse = command.recurse;
  options.addFolderEntries = true;
  options.includeHidden = true;
  options.exclude = archive;
  zipdll::Sources sources = zipdll::GatherSources(specs, options);
  for (const auto& missing : sources.missing) {
    Say(L"ace32: cannot find " + missing);
    result = kWarning;
  }
  std::vector<NewItem> items;
  for (const auto& source : sources.items) {
    std::wstring name = source.relative;
    for (auto& c : name)
      if (c == L'/') c = L'\\';
    while (!name.empty() && name.back() == L'\\') name.pop_back();
    items.push_back({zipdll::ToAnsi(name), source.folder, DosTimeOf(source.lastWrite)});
  }
  const std::vector<PlanStep> plan = PlanUpdate(command.mode, existing.entries, items, FoldedKey);
  const bool changes = std::any_of(plan.begin(), plan.end(), [](const PlanStep& s) { return !s.copy; });
  if (!changes) {
    if (!old.Valid()) {
      Say(L"ace32: no files to add");
      return kWarning;
    }
    return result;  // nothing newer: the archive stays as it is
  }

  aceformat::WriterOptions writerOptions;
  writerOptions.volumeSize = command.volumeSize;
  writerOptions.created = Now();
  writerOptions.cancelled = [] { return BreakRequested(); };
  TVolumeFiles output(archive);
  aceformat::AceWriter writer(output, std::move(writerOptions));
  std::vector<size_t> stored;  // items now in the archive, for a move

  bool written = writer.Begin();
  for (const PlanStep& step : plan) {
    if (!written) break;
    if (step.copy) {
      const ExistingEntry& entry = existing.entries[step.index];
      TRange range(old.Get(), entry.header.dataOffset, entry.header.packedSize);
      written = writer.Copy(entry.rawHeader, entry.header, range);
      continue;
    }
    const NewItem& item = items[step.index];
    const auto& source = sources.items[step.index];
    aceformat::WriteEntry entry{item.name, item.folder, source.attributes, item.dosTime, source.size};
    if (item.folder) {
      written = writer.Add(entry, nullptr);
    } else {
      THandle file(CreateFileW(source.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (!file.Valid()) {
        Say(L"ace32: cannot open " + source.path + L": " + SystemMessage(GetLastError()));
        result = kWarning;
        continue;
      }
      TFileData data(file.Get());
      written = writer.Add(entry, &data);
      if (!written && writer.Error() == aceformat::WriteError::Read)
        Say(L"ace32: cannot read " + source.path + L": " + SystemMessage(GetLastError()));
      if (!written && writer.Error() == aceformat::WriteError::SizeChanged)
        Say(L"ace32: " + source.path + L" changed while it was read");
    }
    if (written) stored.push_back(step.index);
  }
  if (written) written = writer.End();
  old.Close();
  if (!written) {
    switch (writer.Error()) {
      case aceformat::WriteError::Cancelled:
        output.Discard();
        Say(L"ace32: user break");
        return kUserBreak;
      case aceformat::WriteError::Output:
        Say(L"ace32: cannot write the archive: " + SystemMessage(output.LastError()));
        break;
      case aceformat::WriteError::VolumeTooSmall:
        Say(L"ace32: the volume size is too small");
        break;
      case aceformat::WriteError::NameTooLong:
        Say(L"ace32: a name is too long for an ACE header");
        break;
      default:
        break;
    }
    output.Discard();
    return kFatal;
  }
  if (!output.Commit()) {
    Say(L"ace32: cannot name the archive " + output.FailedName() + L": " + SystemMessage(output.LastError()));
    output.Discard();
    return kFatal;
  }

  if (command.mode == Mode::Move) {
    if (!DeleteOriginals(sources, stored, [](const std::wstring& path, DWORD error) {
          Say(L"ace32: cannot delete " + path + L": " + SystemMessage(error));
        }))
      result = kWarning;
  }
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CatchBreak();
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
    return Run(args);
  } catch (const std::bad_alloc&) {
    Say(L"ace32: not enough memory");
    return kFatal;
  }
}
