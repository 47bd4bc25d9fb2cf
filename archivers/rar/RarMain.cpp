// rar.exe: adds files to a RAR 5 archive as Quill's add commands ask,
//   rar <a|m|f|u> [-r] [-vN] [-pPASSWORD] [-mN] [-y] archive [@listfile | file ...]
// Data is always stored. The archive is written under temporary names beside it and takes its
// real name only when complete; a move deletes the originals only after that.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "archivers/rar/RarCommand.h"
#include "archivers/rar/RarExisting.h"
#include "archivers/rar/RarWriter.h"
#include "archivers/rarcrypto/CngCrypto.h"
#include "archivers/console/Console.h"
#include "archivers/zipdll/ZipSources.h"

namespace {

using namespace console;
using namespace rarexe;

enum ExitCode { kSuccess = 0, kWarning = 1, kFatal = 2, kBadCommand = 7, kNoMemory = 8, kUserBreak = 255 };

const char kUsage[] =
    "RAR 5 archiver for Quill: stores files (no compression) in RAR 5 archives.\n"
    "\n"
    "rar <command> [switches] archive [@listfile] [files...]\n"
    "\n"
    "Commands:\n"
    "  a   add files, replacing entries of the same name\n"
    "  m   move files: add them, then delete them once the archive is complete\n"
    "  f   freshen: replace entries whose file is newer\n"
    "  u   update: add new files and replace entries whose file is newer\n"
    "\n"
    "Switches:\n"
    "  -r          recurse into folders (their whole tree, folder entries included)\n"
    "  -vN         volumes of N thousand bytes (name.part1.rar, name.part2.rar ...)\n"
    "  -pPASSWORD  encrypt file data with AES-256 (names stay readable)\n"
    "  -mN         compression level 0-5: accepted, but data is always stored (method 0)\n"
    "  -y          assume Yes to every question (none is asked)\n"
    "\n"
    "A list file holds one file, folder or wildcard per line, relative to the current folder,\n"
    "in the ANSI code page or in UTF-8 with a byte-order mark.\n"
    "Exit codes: 0 success, 1 warning, 2 fatal error, 7 bad command line, 8 out of memory,\n"
    "255 user break.\n";

class TArchiveFile : public IArchiveBytes {
 public:
  explicit TArchiveFile(HANDLE file) : file_(file) {}
  uint64_t Size() override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
  }
  bool ReadAt(uint64_t offset, uint8_t* data, size_t size) override { return ReadExact(file_, offset, data, size); }

 private:
  HANDLE file_;
};

// A range of the old archive, read in order for copying.
class TRange : public IEntryData {
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

class TFileData : public IEntryData {
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
class TVolumeFiles : public IVolumeOutput {
 public:
  explicit TVolumeFiles(std::wstring archive, bool volumes) : archive_(std::move(archive)), volumes_(volumes) {}
  ~TVolumeFiles() override { Discard(); }

  bool StartVolume(unsigned index) override {
    const std::wstring name = archive_ + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(index + 1) + L".rartmp";
    file_.Reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid()) {
      error_ = GetLastError();
      return false;
    }
    temporary_.push_back(name);
    return true;
  }
  bool Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
      if (!WriteFile(file_.Get(), data, chunk, &written, nullptr) || written != chunk) {
        error_ = GetLastError();
        return false;
      }
      data += chunk;
      size -= chunk;
    }
    return true;
  }
  bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) override {
    LARGE_INTEGER at, here{}, zero{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.Get(), zero, &here, FILE_CURRENT) ||
        !SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN) || !Write(data, size) ||
        !SetFilePointerEx(file_.Get(), here, nullptr, FILE_BEGIN)) {
      if (!error_) error_ = GetLastError();
      return false;
    }
    return true;
  }
  bool FinishVolume() override {
    if (!file_.Close()) {
      error_ = GetLastError();
      return false;
    }
    return true;
  }

  // The real names, replacing what had them (the archive an update read).
  bool Commit() {
    for (size_t i = 0; i < temporary_.size(); ++i) {
      const std::wstring name =
          volumes_ ? Utf16(VolumeName(Utf8(archive_), static_cast<unsigned>(i), static_cast<unsigned>(temporary_.size())))
                   : archive_;
      if (!MoveFileExW(temporary_[i].c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error_ = GetLastError();
        failedName_ = name;
        return false;
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
  std::wstring archive_;
  bool volumes_;
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

uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::string FoldedKey(const std::string& name) {
  std::wstring wide = Utf16(name);
  for (auto& c : wide)
    if (c == L'\\') c = L'/';
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Utf8(wide);
}

bool ReadListFile(const std::wstring& path, std::vector<std::wstring>& items) {
  THandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return false;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  if (!bytes.empty() && !ReadExact(file.Get(), 0, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()))
    return false;
  const bool utf8 = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  for (const std::string& line : ListFileItems(utf8 ? bytes.substr(3) : bytes))
    items.push_back(Wide(line, utf8 ? CP_UTF8 : CP_ACP));
  return true;
}

std::wstring ExistingProblem(ExistingState state) {
  switch (state) {
    case ExistingState::NotRar: return L"is not a RAR archive";
    case ExistingState::Rar4: return L"is a RAR 4 archive: only RAR 5 archives are updated";
    case ExistingState::Damaged: return L"is damaged";
    case ExistingState::Solid: return L"is a solid archive: solid archives are not updated";
    case ExistingState::Volume: return L"is a volume of a multi-volume archive: volumes are not updated";
    case ExistingState::Locked: return L"is locked";
    case ExistingState::EncryptedHeaders: return L"has encrypted headers: it is not updated";
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
    Say(L"rar: " + Utf16(error) + L" (rar --help shows the usage)");
    return kBadCommand;
  }
  int result = kSuccess;

  std::vector<std::wstring> specs;
  for (const auto& list : command.listFiles) {
    if (!ReadListFile(Utf16(list), specs)) {
      Say(L"rar: cannot read the list file " + Utf16(list) + L": " + SystemMessage(GetLastError()));
      return kFatal;
    }
  }
  for (const auto& item : command.items) specs.push_back(Utf16(item));
  if (command.listFiles.empty() && command.items.empty()) specs.push_back(L"*");

  std::wstring archive = FullPath(Utf16(command.archive));
  {
    const size_t slash = archive.find_last_of(L'\\');
    if (archive.find(L'.', slash == std::wstring::npos ? 0 : slash) == std::wstring::npos) archive += L".rar";
  }
  const bool volumes = command.volumeSize != 0;

  // What is there already.
  THandle old;
  ExistingArchive existing;
  if (volumes) {
    WIN32_FIND_DATAW found;
    std::wstring pattern = Utf16(VolumeName(Utf8(archive), 0, 1));  // name.part1.rar
    pattern.replace(pattern.size() - 5, 1, L"*");
    HANDLE find = FindFirstFileW(pattern.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      FindClose(find);
      Say(L"rar: " + pattern + L" names volumes of an existing archive: multi-volume archives are not updated");
      return kFatal;
    }
  } else if (GetFileAttributesW(archive.c_str()) != INVALID_FILE_ATTRIBUTES) {
    old.Reset(CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!old.Valid()) {
      Say(L"rar: cannot open " + archive + L": " + SystemMessage(GetLastError()));
      return kFatal;
    }
    TArchiveFile bytes(old.Get());
    existing = ReadExisting(bytes);
    if (existing.state != ExistingState::Ok) {
      Say(L"rar: " + archive + L" " + ExistingProblem(existing.state));
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
    Say(L"rar: cannot find " + missing);
    result = kWarning;
  }
  std::vector<NewEntry> items;
  for (const auto& source : sources.items) {
    NewEntry entry;
    std::wstring name = source.relative;
    for (auto& c : name)
      if (c == L'\\') c = L'/';
    entry.name = Utf8(name);
    entry.folder = source.folder;
    entry.attributes = source.attributes;
    entry.size = source.size;
    entry.modified = FileTimeValue(source.lastWrite);
    items.push_back(std::move(entry));
  }
  const std::vector<PlanStep> plan = PlanUpdate(command.mode, existing.entries, items, FoldedKey);
  const bool changes = std::any_of(plan.begin(), plan.end(), [](const PlanStep& s) { return !s.copy; });
  if (!changes) {
    if (!old.Valid()) {
      Say(L"rar: no files to add");
      return kWarning;
    }
    return result;  // nothing newer: the archive stays as it is
  }

  rarcrypto::TCngCrypto crypto;
  WriterOptions writerOptions;
  writerOptions.volumeSize = command.volumeSize;
  writerOptions.password = command.password;
  writerOptions.crypto = &crypto;
  writerOptions.random = [&crypto](uint8_t* data, size_t size) { return crypto.Random(data, size); };
  writerOptions.cancelled = [] { return BreakRequested(); };
  TVolumeFiles output(archive, volumes);
  TRar5Writer writer(output, std::move(writerOptions));
  std::vector<size_t> stored;  // items now in the archive, for a move

  bool written = writer.Begin();
  for (const auto& kept : existing.kept) {
    if (!written) break;
    TRange range(old.Get(), kept.offset, kept.length);
    written = writer.Copy(range, kept.length);
  }
  for (const PlanStep& step : plan) {
    if (!written) break;
    if (step.copy) {
      const ExistingEntry& entry = existing.entries[step.index];
      TRange range(old.Get(), entry.offset, entry.length);
      written = writer.Copy(range, entry.length);
      continue;
    }
    const NewEntry& entry = items[step.index];
    const std::wstring& path = sources.items[step.index].path;
    if (entry.folder) {
      written = writer.Add(entry, nullptr);
    } else {
      THandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (!file.Valid()) {
        Say(L"rar: cannot open " + path + L": " + SystemMessage(GetLastError()));
        result = kWarning;
        continue;
      }
      TFileData data(file.Get());
      written = writer.Add(entry, &data);
      if (!written && writer.Error() == WriteError::Read) Say(L"rar: cannot read " + path + L": " + SystemMessage(GetLastError()));
      if (!written && writer.Error() == WriteError::SizeChanged) Say(L"rar: " + path + L" changed while it was read");
    }
    if (written) stored.push_back(step.index);
  }
  if (written) written = writer.End();
  old.Close();
  if (!written) {
    switch (writer.Error()) {
      case WriteError::Cancelled:
        output.Discard();
        Say(L"rar: user break");
        return kUserBreak;
      case WriteError::Output:
        Say(L"rar: cannot write the archive: " + SystemMessage(output.LastError()));
        break;
      case WriteError::Crypto:
        Say(L"rar: the system's cryptography failed");
        break;
      case WriteError::VolumeTooSmall:
        Say(L"rar: the volume size is too small");
        break;
      default:
        break;
    }
    output.Discard();
    return kFatal;
  }
  if (!output.Commit()) {
    Say(L"rar: cannot name the archive " + output.FailedName() + L": " + SystemMessage(output.LastError()));
    output.Discard();
    return kFatal;
  }

  if (command.mode == Mode::Move) {
    if (!DeleteOriginals(sources, stored, [](const std::wstring& path, DWORD error) {
          Say(L"rar: cannot delete " + path + L": " + SystemMessage(error));
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
    Say(L"rar: not enough memory");
    return kNoMemory;
  }
}
