// arj.exe: extracts and creates ARJ archives as Quill's commands ask,
//   arj <x|e> -v -y archive destination [!listfile]
//   arj <a|m|f|u> -y [-r] [-vN] [-mN] archive [!listfile | file ...]
//   arj <t|l> archive
// Names are in the system's ANSI code page, as ARJ stores them on Windows. An archive being
// updated is written beside the old one under a temporary name and takes its name only when
// complete; a move deletes the originals only after that.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ArjArchive.h"
#include "ArjCommand.h"
#include "ArjWriter.h"
#include "archivers/console/Console.h"
#include "archivers/zipdll/ZipSources.h"

namespace {

using namespace arjexe;
using console::DeleteOriginals;
using console::THandle;
using zipdll::FromAnsi;
using zipdll::ToAnsi;

void Say(const std::string& text) {
  const std::string line = "arj: " + text + "\r\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// Messages go out in the ANSI code page, like the names they quote.
std::string SystemMessage(DWORD code) { return console::Narrow(console::SystemMessage(code), CP_ACP); }

const char kUsage[] =
    "ARJ archiver for Quill: reads methods 0-4, writes method 1 (or 0 with -m0).\n"
    "\n"
    "arj <command> [switches] archive [destination\\] [!listfile] [files...]\n"
    "\n"
    "Commands:\n"
    "  x   extract with the stored paths      e   extract without paths\n"
    "  a   add files (replacing entries of the same name)\n"
    "  m   move files: add, then delete them once the archive is complete\n"
    "  f   freshen: replace entries whose file is newer\n"
    "  u   update: add new files and replace entries whose file is newer\n"
    "  t   test the archive                   l   list the archive\n"
    "\n"
    "Switches: -y assume Yes (existing files are overwritten), -r recurse into folders,\n"
    "  -v (extraction: follow volumes) or -vN (volumes of N bytes, NK = N*1000),\n"
    "  -m0 store, -m1..-m4 pack (always with method 1).\n"
    "Errorlevels: 0 success, 1 warning, 2 fatal, 3 CRC error, 5 write error, 6 cannot open,\n"
    "  7 bad parameters, 8 out of memory.\n";

// A file read at any offset: the archive's volumes and the files being added.
class TFileSource final : public zipformat::IByteSource {
 public:
  static std::unique_ptr<TFileSource> Open(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    auto source = std::unique_ptr<TFileSource>(new TFileSource(h));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) return nullptr;
    source->size_ = static_cast<uint64_t>(size.QuadPart);
    return source;
  }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= size_) return 0;
    count = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
    // Sequential reads need no seek.
    if (offset != position_) {
      LARGE_INTEGER at;
      at.QuadPart = static_cast<LONGLONG>(offset);
      if (!SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN)) return 0;
    }
    size_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (done < count) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(count - done, 1 << 20));
      if (!ReadFile(file_.Get(), bytes + done, want, &got, nullptr) || got == 0) break;
      done += got;
    }
    position_ = offset + done;
    return done;
  }

 private:
  explicit TFileSource(HANDLE h) : file_(h) {}
  THandle file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

class TFileOutput final : public arjformat::IByteOutput {
 public:
  explicit TFileOutput(HANDLE h) : file_(h) {}
  bool Write(const uint8_t* data, size_t count) override {
    while (count > 0) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1 << 20));
      if (!WriteFile(file_, data, chunk, &written, nullptr) || written != chunk) return false;
      data += chunk;
      count -= chunk;
    }
    return true;
  }

 private:
  HANDLE file_;
};

arjformat::VolumeOpener Opener() {
  return [](const std::string& path) -> std::unique_ptr<zipformat::IByteSource> {
    return TFileSource::Open(FromAnsi(path));
  };
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
  return full;
}

bool ReadListFile(const std::string& path, std::vector<std::string>& items) {
  auto source = TFileSource::Open(FromAnsi(path));
  if (!source) return false;
  std::string bytes(static_cast<size_t>(source->Size()), '\0');
  if (source->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return false;
  for (auto& item : ListFileItems(bytes)) items.push_back(std::move(item));
  return true;
}

// Extraction into the destination folder.
class TFolderTarget final : public IExtractTarget {
 public:
  explicit TFolderTarget(std::wstring destination) : destination_(std::move(destination)) {}

  bool MakeFolder(const std::string& relative) override {
    std::wstring path = destination_;
    const std::wstring wide = FromAnsi(relative);
    size_t start = 0;
    while (start <= wide.size()) {
      size_t end = wide.find(L'\\', start);
      if (end == std::wstring::npos) end = wide.size();
      path += L"\\" + wide.substr(start, end - start);
      if (!CreateDirectoryW(path.c_str(), nullptr)) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
      }
      start = end + 1;
    }
    return true;
  }

  arjformat::IByteOutput* BeginFile(const std::string& relative) override {
    path_ = destination_ + L"\\" + FromAnsi(relative);
    // An existing file is replaced without asking, read-only or not.
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    file_.Reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid()) {
      Say("cannot create " + ToAnsi(path_) + ": " + SystemMessage(GetLastError()));
      return nullptr;
    }
    output_ = std::make_unique<TFileOutput>(file_.Get());
    return output_.get();
  }

  bool EndFile(bool keep, const arjexe::FileStamp& stamp) override {
    if (!keep) {
      file_.Close();
      return DeleteFileW(path_.c_str()) != 0;
    }
    FILETIME local{}, utc{};
    if (stamp.unixTime) {
      constexpr uint64_t kSecondsFrom1601To1970 = 11'644'473'600ull;
      const uint64_t ticks = (stamp.time + kSecondsFrom1601To1970) * 10'000'000ull;
      utc.dwLowDateTime = static_cast<DWORD>(ticks);
      utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
      SetFileTime(file_.Get(), nullptr, nullptr, &utc);
    } else if (DosDateTimeToFileTime(static_cast<WORD>(stamp.time >> 16), static_cast<WORD>(stamp.time), &local) &&
               LocalFileTimeToFileTime(&local, &utc)) {
      SetFileTime(file_.Get(), nullptr, nullptr, &utc);
    }
    const bool closed = file_.Close();
    const DWORD kept = stamp.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_ARCHIVE);
    if (kept) SetFileAttributesW(path_.c_str(), kept);
    if (!closed) DeleteFileW(path_.c_str());
    return closed;
  }

  void Report(const std::string& message) override { Say(message); }

 private:
  std::wstring destination_;
  std::wstring path_;
  THandle file_;
  std::unique_ptr<TFileOutput> output_;
};

// The volumes of the archive being written, under temporary names until Commit.
class TVolumeFiles final : public arjformat::IVolumeOutput {
 public:
  explicit TVolumeFiles(std::string archive) : archive_(std::move(archive)) {}
  ~TVolumeFiles() override { Discard(); }

  bool StartVolume(size_t index) override {
    const std::wstring name = FromAnsi(arjformat::VolumeName(archive_, index)) + L"." +
                              std::to_wstring(GetCurrentProcessId()) + L".arjtmp";
    file_.Reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid()) return Fail();
    temporary_.push_back(name);
    output_ = std::make_unique<TFileOutput>(file_.Get());
    return true;
  }
  bool Write(const uint8_t* data, size_t size) override { return output_->Write(data, size) || Fail(); }
  bool Rewrite(uint64_t offset, const uint8_t* data, size_t size) override {
    LARGE_INTEGER at, here{}, zero{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.Get(), zero, &here, FILE_CURRENT) ||
        !SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN) || !output_->Write(data, size) ||
        !SetFilePointerEx(file_.Get(), here, nullptr, FILE_BEGIN))
      return Fail();
    return true;
  }
  bool FinishVolume() override { return file_.Close() || Fail(); }

  // The real names, replacing the old archive's; old volumes beyond the new set are removed.
  bool Commit(size_t oldVolumes) {
    for (size_t i = 0; i < temporary_.size(); ++i) {
      const std::wstring name = FromAnsi(arjformat::VolumeName(archive_, i));
      if (!MoveFileExW(temporary_[i].c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        failedName_ = ToAnsi(name);
        return Fail();
      }
      temporary_[i].clear();
    }
    for (size_t i = temporary_.size(); i < oldVolumes; ++i)
      DeleteFileW(FromAnsi(arjformat::VolumeName(archive_, i)).c_str());
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
  const std::string& FailedName() const { return failedName_; }

 private:
  bool Fail() {
    if (!error_) error_ = GetLastError();
    return false;
  }
  std::string archive_;
  THandle file_;
  std::unique_ptr<TFileOutput> output_;
  std::vector<std::wstring> temporary_;
  DWORD error_ = 0;
  std::string failedName_;
};

uint32_t DosTime(const FILETIME& utc) {
  FILETIME local{};
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (static_cast<uint32_t>(date) << 16) | time;
}

uint32_t DosNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return DosTime(now);
}

std::string WithExtension(std::string archive) {
  const size_t slash = archive.find_last_of("\\/");
  if (archive.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) archive += ".arj";
  return archive;
}

int Extract(const Command& command) {
  const std::string archivePath = WithExtension(command.archive);
  arjformat::ArjArchive archive;
  if (!archive.Open(archivePath, Opener())) {
    Say("cannot open " + archivePath + " as an ARJ archive");
    return kCannotOpen;
  }
  std::vector<std::string> items = command.items;
  for (const auto& list : command.listFiles) {
    if (!ReadListFile(list, items)) {
      Say("cannot read the list file " + list + ": " + SystemMessage(GetLastError()));
      return kCannotOpen;
    }
  }
  int result = kSuccess;
  if (archive.Damaged()) {
    Say(archivePath + " is damaged or a volume is missing: extracting what can be read");
    result = kCrcError;
  }
  std::string destination = command.destination.empty() ? "." : command.destination;
  while (destination.size() > 1 && (destination.back() == '\\' || destination.back() == '/') &&
         destination[destination.size() - 2] != ':')
    destination.pop_back();
  const std::wstring wideDestination = FullPath(FromAnsi(destination));
  if (!CreateDirectoryW(wideDestination.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    Say("cannot create the destination " + destination + ": " + SystemMessage(GetLastError()));
    return kCannotOpen;
  }
  std::wstring base = wideDestination;
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  TFolderTarget target(base);
  const ExtractSummary summary = ExtractEntries(archive, command.letter == 'x', items, target,
                                                command.letter == 't');
  std::printf("%u file(s)%s\n", static_cast<unsigned>(summary.files), command.letter == 't' ? " tested" : "");
  if (!items.empty() && summary.files + summary.folders + summary.failed + summary.skipped == 0) {
    Say("no entry matches the names given");
    result = std::max<int>(result, kWarning);
  }
  return std::max(result, summary.exitCode);
}

int List(const Command& command) {
  const std::string archivePath = WithExtension(command.archive);
  arjformat::ArjArchive archive;
  if (!archive.Open(archivePath, Opener())) {
    Say("cannot open " + archivePath + " as an ARJ archive");
    return kCannotOpen;
  }
  for (const auto& entry : archive.Entries()) {
    std::printf("%10lu %10lu m%u %08lX %s%s\n", static_cast<unsigned long>(entry.header.originalSize),
                static_cast<unsigned long>(entry.header.compressedSize), entry.header.method,
                static_cast<unsigned long>(entry.header.dosTime), EntryPath(entry.header).c_str(),
                entry.IsFolder() ? "\\" : "");
  }
  return archive.Damaged() ? kCrcError : kSuccess;
}

int Add(const Command& command) {
  std::vector<std::string> specs = command.items;
  for (const auto& list : command.listFiles) {
    if (!ReadListFile(list, specs)) {
      Say("cannot read the list file " + list + ": " + SystemMessage(GetLastError()));
      return kCannotOpen;
    }
  }
  if (specs.empty()) specs.push_back("*.*");
  const std::string archivePath = ToAnsi(FullPath(FromAnsi(WithExtension(command.archive))));
  int result = kSuccess;

  // What is there already.
  arjformat::ArjArchive existing;
  bool haveOld = false;
  if (GetFileAttributesW(FromAnsi(archivePath).c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (!existing.Open(archivePath, Opener())) {
      Say("cannot open " + archivePath + " as an ARJ archive");
      return kCannotOpen;
    }
    if (existing.Damaged()) {
      Say(archivePath + " is damaged: it is not updated");
      return kCrcError;
    }
    haveOld = true;
  }

  zipdll::SourceOptions options;
  options.recurse = command.recurse;
  options.addFolderEntries = true;
  options.includeHidden = true;
  options.exclude = FromAnsi(archivePath);
  const zipdll::Sources sources = zipdll::GatherSources(specs, options);
  for (const auto& missing : sources.missing) {
    Say("cannot find " + ToAnsi(missing));
    result = kWarning;
  }
  std::vector<NewItem> items;
  for (const auto& source : sources.items) {
    std::string name = ToAnsi(source.relative);
    while (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
    items.push_back({name, DosTime(source.lastWrite)});
  }
  const std::vector<PlanStep> plan =
      PlanUpdate(command.letter, haveOld ? existing.Entries() : std::vector<arjformat::ArjEntry>{}, items);
  const bool changes = std::any_of(plan.begin(), plan.end(), [](const PlanStep& s) { return !s.copy; });
  if (!changes) {
    if (!haveOld) {
      Say("no files to add");
      return std::max<int>(result, kWarning);
    }
    return result;  // nothing newer: the archive stays as it is
  }

  TVolumeFiles output(archivePath);
  arjformat::ArjWriter writer(output, archivePath, command.volumeSize, command.method, DosNow());
  std::vector<size_t> stored;
  bool written = true;
  int failure = kFatal;
  for (const PlanStep& step : plan) {
    if (!written) break;
    if (step.copy) {
      written = writer.CopyEntry(existing, existing.Entries()[step.index]);
      if (!written) Say("cannot copy " + EntryPath(existing.Entries()[step.index].header) + " from the old archive");
      continue;
    }
    const auto& source = sources.items[step.index];
    arjformat::NewEntry entry{items[step.index].name, items[step.index].dosTime,
                              static_cast<uint16_t>(source.attributes & 0xFF)};
    if (source.folder) {
      written = writer.AddFolder(entry);
    } else {
      auto data = TFileSource::Open(source.path);
      if (!data) {
        Say("cannot open " + ToAnsi(source.path) + ": " + SystemMessage(GetLastError()));
        result = kWarning;
        continue;
      }
      written = writer.AddFile(entry, *data);
      if (!written) Say("cannot add " + ToAnsi(source.path));
    }
    if (written) stored.push_back(step.index);
  }
  if (written) written = writer.Finish();
  const size_t oldVolumes = haveOld ? existing.VolumeCount() : 0;
  existing = arjformat::ArjArchive();  // closes the old volumes before they are replaced
  if (!written) {
    if (output.LastError()) {
      Say("cannot write the archive: " + SystemMessage(output.LastError()));
      failure = kWriteError;
    }
    output.Discard();
    return failure;
  }
  if (!output.Commit(oldVolumes)) {
    Say("cannot name the archive " + output.FailedName() + ": " + SystemMessage(output.LastError()));
    output.Discard();
    return kWriteError;
  }
  if (command.letter == 'm') {
    if (!DeleteOriginals(sources, stored, [](const std::wstring& path, DWORD error) {
          Say("cannot delete " + ToAnsi(path) + ": " + SystemMessage(error));
        }))
      result = kWarning;
  }
  std::printf("%u item(s) added\n", static_cast<unsigned>(stored.size()));
  return result;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-?" || args[0] == "/?") {
    std::fputs(kUsage, stdout);
    return args.empty() ? kBadParameters : kSuccess;
  }
  Command command;
  std::string error;
  if (!ParseCommand(args, command, error)) {
    Say(error + " (arj --help shows the usage)");
    return kBadParameters;
  }
  if (command.Adding()) return Add(command);
  if (command.letter == 'l') return List(command);
  return Extract(command);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(ToAnsi(argv[i]));
    return Run(args);
  } catch (const std::bad_alloc&) {
    Say("not enough memory");
    return kNoMemory;
  }
}
