#include "archivers/unzdll/UnzipRun.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "archivers/unzdll/ArchiveSource.h"
#include "archivers/zipformat/ZipFormat.h"

namespace unzdll {

namespace {

using zipapi::ZipCallbackRecord;

// Message ids of Quill's string table; the caller shows our text and keeps the id.
enum MessageId : int32_t {
  kMsgBadRecord = 10503,
  kMsgCreateFailed = 11009,
  kMsgWriteFailed = 11010,
  kMsgDataError = 11021,
  kMsgNoMemory = 30101,
  kMsgUnknownError = 30301,
  kMsgBadPassword = 30303,
};

constexpr size_t kChunk = 64 * 1024;  // the largest progress step the caller is promised

const char* ReaderText(int error) {
  switch (error) {
    case zipformat::kErrSeekArchive: return "Seek error reading Zip archive!";
    case zipformat::kErrNoFile: return "Input file does not exist";
    case zipformat::kErrCannotOpen: return "Zip file could not be opened";
    case zipformat::kErrSeek: return "Seek error in input file";
    case zipformat::kErrEndRead: return "Error while reading the End Of Central Directory";
    case zipformat::kErrLocalRead: return "Error while reading a local header";
    case zipformat::kErrCentralRead: return "Error while reading a central header";
    case zipformat::kErrLocalSignature: return "A local header signature is wrong";
    case zipformat::kErrCentralSignature: return "A central header signature is wrong";
    case zipformat::kErrLocalName: return "Error while reading a local file name";
    case zipformat::kErrCentralName: return "Error while reading a central file name";
    case zipformat::kErrLocalExtra: return "Error while reading a local extra field";
    case zipformat::kErrLocalMismatch: return "A local header not found in internal structure";
    case zipformat::kErrNotZip: return "This archive is not a valid Zip archive";
    default: return "Unkown error occured.";
  }
}

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

std::wstring Upper(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

uint16_t Le16(const char* p) {
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
}
uint32_t Le32(const char* p) { return Le16(p) | static_cast<uint32_t>(Le16(p + 2)) << 16; }

// The entry's name as the archiver meant it: UTF-8 when flagged, else the OEM code page of DOS
// archivers, unless Info-ZIP's Unicode path field (0x7075) vouches for a UTF-8 spelling of these
// very bytes.
std::wstring DecodeName(const zipformat::CentralEntry& entry) {
  const std::string& extra = entry.extra;
  for (size_t at = 0; at + 4 <= extra.size();) {
    const uint16_t id = Le16(&extra[at]);
    const size_t size = Le16(&extra[at + 2]);
    if (at + 4 + size > extra.size()) break;
    if (id == 0x7075 && size >= 5 && extra[at + 4] == 1 &&
        Le32(&extra[at + 5]) == zipformat::Crc32(entry.name.data(), entry.name.size()))
      return Widen(extra.substr(at + 9, size - 5), CP_UTF8);
    at += 4 + size;
  }
  return Widen(entry.name, entry.utf8 ? CP_UTF8 : CP_OEMCP);
}

// Thrown when the callback asks to stop: nothing more is done or reported.
struct TCancelled {};

class TReporter {
public:
  explicit TReporter(const zipapi::UnzipCommand& command) : command_(command) {}

  void Message(int32_t code, const std::string& text) { Call(zipapi::kMessage, code, 0, text); }
  void TotalFiles(uint64_t count) { Call(zipapi::kTotalFiles, 0, Clamp(count), {}); }
  void TotalBytes(uint64_t bytes) { Call(zipapi::kTotalBytes, 0, Clamp(bytes), {}); }
  void FileStarts(uint64_t size, const std::string& name) { Call(zipapi::kFileStarts, 0, Clamp(size), name); }
  void Bytes(size_t bytes) { Call(zipapi::kBytesDone, 0, static_cast<int32_t>(bytes), {}); }
  void BatchDone() { Call(zipapi::kBatchDone, 0, 0, {}); }

  // A password for an encrypted entry; nothing when the caller gives none.
  std::optional<std::string> AskPassword(int32_t tryNumber) {
    ZipCallbackRecord record = Call(zipapi::kPassword, 0, tryNumber, {});
    if (record.code != 1) return std::nullopt;
    record.text[zipapi::kPasswordMax] = '\0';
    return std::string(record.text);
  }
  // The caller's answer to a CRC mismatch: 2 goes on with the next entry.
  int32_t CrcError(uint32_t stored, uint32_t found) {
    return Call(zipapi::kCrcError, static_cast<int32_t>(stored), static_cast<int32_t>(found), {}).code;
  }
  bool MayOverwrite(const std::string& name) { return Call(zipapi::kOverwrite, 0, 0, name).number != 0; }

private:
  // The record's numbers are signed 32-bit; larger figures are shown as the largest one.
  static int32_t Clamp(uint64_t value) { return static_cast<int32_t>(std::min<uint64_t>(value, 0x7FFFFFFF)); }

  ZipCallbackRecord Call(int32_t action, int32_t code, int32_t number, const std::string& text) {
    ZipCallbackRecord record{};
    record.window = command_.window;
    record.caller = command_.caller;
    record.action = action;
    record.code = code;
    record.number = number;
    const size_t length = std::min(text.size(), sizeof record.text - 1);
    std::memcpy(record.text, text.data(), length);
    if (command_.callback && command_.callback(&record) != 0) throw TCancelled{};
    return record;
  }

  const zipapi::UnzipCommand& command_;
};

// How the bytes of one entry came out.
enum class TDataResult { kOk, kWrongPassword, kCrcMismatch, kDamaged, kTooLarge, kReadFailed, kWriteFailed };

// The file being written: a temporary name beside the target, so a failed or cancelled entry
// never leaves half a file and an overwritten file stays whole until the new one is complete.
class TPendingFile {
public:
  ~TPendingFile() { Discard(); }

  bool Create(const std::wstring& folder) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      wchar_t name[40];
      wsprintfW(name, L"~unz%04X%04X.tmp", GetCurrentProcessId() & 0xFFFF, ++counter & 0xFFFF);
      path_ = folder + L"\\" + name;
      file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
      if (file_ != INVALID_HANDLE_VALUE) return true;
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    path_.clear();
    return false;
  }
  bool Write(const void* data, size_t size) {
    DWORD done = 0;
    return WriteFile(file_, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
  }
  // Back to empty, for another try with the next password.
  bool Restart() {
    LARGE_INTEGER zero{};
    return SetFilePointerEx(file_, zero, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
  }
  // Gives the file its time and its name; false when the name cannot be taken.
  bool Commit(const std::wstring& target, const FILETIME& time, DWORD attributes) {
    SetFileTime(file_, nullptr, nullptr, &time);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    const DWORD old = GetFileAttributesW(target.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    path_.clear();
    SetFileAttributesW(target.c_str(), attributes);
    return true;
  }
  void Discard() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!path_.empty()) DeleteFileW(path_.c_str());
    path_.clear();
  }

private:
  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

struct TItem {
  const zipformat::CentralEntry* entry = nullptr;
  std::wstring name;     // as the archive spells it, "\" separators, no trailing one
  std::string shown;     // the same in the ANSI code page, for the callback
  std::wstring path;     // the safe relative path; empty when the name is refused
  bool folder = false;
};

class TUnzipRun {
public:
  explicit TUnzipRun(const zipapi::UnzipCommand& command) : command_(command), report_(command) {}

  int32_t Run() {
    try {
      Extract();
      report_.BatchDone();
    } catch (const TCancelled&) {
      // The caller stopped us: not a word more.
    } catch (const std::bad_alloc&) {
      Quietly([&] { report_.Message(kMsgNoMemory, "Not enough memory"); });
    } catch (...) {
      Quietly([&] { report_.Message(kMsgUnknownError, "Unkown error occured."); });
    }
    return done_;
  }

private:
  template <typename F> static void Quietly(F f) {
    try {
      f();
    } catch (...) {
    }
  }

  void Extract() {
    if (command_.version != zipapi::kInterfaceVersion || command_.structureKey != zipapi::kStructureKey) {
      report_.Message(kMsgBadRecord, "UNZDLL.DLL: this command record (version " +
                                         std::to_string(command_.version) + ", key " +
                                         std::to_string(command_.structureKey) + ") is not supported");
      return;
    }
    if (!command_.archive || !*command_.archive) {
      report_.Message(zipformat::kErrNoFile, "Input file does not exist");
      return;
    }
    const std::string archiveName = command_.archive;
    if (!source_.Open(Widen(archiveName, CP_ACP))) {
      const DWORD error = GetLastError();
      const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
      report_.Message(missing ? zipformat::kErrNoFile : zipformat::kErrCannotOpen,
                      std::string(ReaderText(missing ? zipformat::kErrNoFile : zipformat::kErrCannotOpen)) + ": " +
                          archiveName);
      return;
    }
    directory_ = zipformat::ReadDirectory(source_);
    if (directory_.error != zipformat::kOk) {
      // What was read before the failure is still extracted: every entry is checked on its own.
      report_.Message(directory_.error, std::string(ReaderText(directory_.error)) + ": " + archiveName);
      if (directory_.entries.empty()) return;
    }
    if (command_.password) password_ = std::string(command_.password, strnlen(command_.password, zipapi::kPasswordMax));

    wchar_t current[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (length == 0 || length > MAX_PATH) {
      report_.Message(kMsgCreateFailed, "Creation of output file failed: the current folder cannot be used");
      return;
    }
    base_.assign(current, length);
    while (!base_.empty() && base_.back() == L'\\') base_.pop_back();

    const std::vector<TItem> items = Choose();
    uint64_t files = 0, bytes = 0;
    for (const TItem& item : items)
      if (!item.folder) {
        ++files;
        bytes += item.entry->unpackedSize;
      }
    report_.TotalFiles(files);
    report_.TotalBytes(bytes);
    for (const TItem& item : items) {
      if (item.folder) MakeFolderEntry(item);
      else ExtractFile(item);
      if (stop_) break;
    }
  }

  std::vector<TItem> Choose() {
    std::vector<std::string> specs;
    for (int32_t i = 0; command_.specs && i < command_.specCount; ++i)
      if (command_.specs[i].text && *command_.specs[i].text)
        specs.push_back(Narrow(Upper(Widen(command_.specs[i].text, CP_ACP)), CP_UTF8));
    std::vector<TItem> items;
    for (const zipformat::CentralEntry& entry : directory_.entries) {
      TItem item;
      item.entry = &entry;
      item.folder = entry.IsFolder();
      item.name = DecodeName(entry);
      std::replace(item.name.begin(), item.name.end(), L'/', L'\\');
      while (!item.name.empty() && item.name.back() == L'\\') item.name.pop_back();
      if (!specs.empty()) {
        const std::string matched = Narrow(Upper(item.name), CP_UTF8);
        // A folder is chosen by its own name too, with or without its "\*.*".
        const std::string asFolder = matched + "\\";
        if (std::none_of(specs.begin(), specs.end(), [&](const std::string& spec) {
              return zipformat::MatchSpec(spec, matched) || (item.folder && zipformat::MatchSpec(spec, asFolder));
            }))
          continue;
      }
      std::string safe;
      if (zipformat::SafeRelativePath(Narrow(item.name, CP_UTF8), safe)) item.path = Widen(safe, CP_UTF8);
      item.shown = Narrow(item.name, CP_ACP);
      items.push_back(std::move(item));
    }
    return items;
  }

  // Where an entry goes: its whole path or only its name, under the current folder.
  std::wstring Target(const TItem& item) const {
    std::wstring relative = item.path;
    if (!command_.folderNames) {
      const size_t slash = relative.rfind(L'\\');
      if (slash != std::wstring::npos) relative.erase(0, slash + 1);
    }
    return base_ + L"\\" + relative;
  }

  // Creates the folders from the current folder down to `folder`.
  static bool MakeFolders(const std::wstring& base, const std::wstring& folder) {
    for (size_t at = base.size() + 1; at <= folder.size(); ++at) {
      if (at != folder.size() && folder[at] != L'\\') continue;
      const std::wstring part = folder.substr(0, at);
      if (!CreateDirectoryW(part.c_str(), nullptr)) {
        const DWORD attributes = GetFileAttributesW(part.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
      }
    }
    return true;
  }

  bool Refused(const TItem& item) {
    if (!item.path.empty()) return false;
    report_.Message(kMsgCreateFailed, "Creation of output file failed: " + item.shown +
                                          " (the name leaves the destination folder; not extracted)");
    return true;
  }

  void MakeFolderEntry(const TItem& item) {
    if (Refused(item) || command_.test || !command_.folderNames) return;
    if (!MakeFolders(base_, Target(item)))
      report_.Message(kMsgCreateFailed, "Creation of output file failed: " + item.shown);
  }

  // The entry's time as the archivers take it: the DOS fields are local time.
  static FILETIME EntryTime(const zipformat::CentralEntry& entry) {
    const uint64_t local = zipformat::DosToFileTime(entry.dosDate, entry.dosTime);
    FILETIME localTime{static_cast<DWORD>(local), static_cast<DWORD>(local >> 32)}, utc{};
    LocalFileTimeToFileTime(&localTime, &utc);
    return utc;
  }

  static DWORD EntryAttributes(const zipformat::CentralEntry& entry) {
    DWORD attributes = entry.externalAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    const uint32_t mode = entry.externalAttributes >> 16;
    if ((entry.versionMadeBy >> 8) == 3 && mode != 0 && !(mode & 0200)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  }

  // Whether an existing file at `target` is to be replaced; asks when the command says so.
  bool MayReplace(const TItem& item, const WIN32_FILE_ATTRIBUTE_DATA& existing) {
    if (command_.update || command_.freshen) {
      // DOS times have two-second steps: a file extracted from this very entry is not older.
      const FILETIME entryTime = EntryTime(*item.entry);
      const uint64_t entryTicks = (static_cast<uint64_t>(entryTime.dwHighDateTime) << 32) | entryTime.dwLowDateTime;
      const uint64_t fileTicks =
          (static_cast<uint64_t>(existing.ftLastWriteTime.dwHighDateTime) << 32) | existing.ftLastWriteTime.dwLowDateTime;
      if (entryTicks <= fileTicks + 20000000) return false;
    }
    return command_.overwriteAll || report_.MayOverwrite(item.shown);
  }

  void ExtractFile(const TItem& item) {
    if (Refused(item)) return;
    const zipformat::CentralEntry& entry = *item.entry;
    if (entry.method != zipformat::kMethodStored && entry.method != zipformat::kMethodDeflated) {
      report_.Message(kMsgDataError, "Error while reading zipped data: " + item.shown + " (compression method " +
                                         std::to_string(entry.method) + " is not supported)");
      return;
    }
    if (entry.flags & zipformat::kFlagStrongEncryption) {
      report_.Message(kMsgDataError, "Error while reading zipped data: " + item.shown +
                                         " (this kind of encryption is not supported)");
      return;
    }
    const std::wstring target = Target(item);
    if (!command_.test) {
      WIN32_FILE_ATTRIBUTE_DATA existing{};
      const bool exists = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &existing);
      if (exists && (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        report_.Message(kMsgCreateFailed, "Creation of output file failed: " + item.shown + " (a folder has that name)");
        return;
      }
      if (exists ? !MayReplace(item, existing) : (command_.freshen && !command_.update)) return;
    }
    report_.FileStarts(entry.unpackedSize, item.shown);

    zipformat::LocalHeader local;
    if (const int error = zipformat::ReadLocalHeader(source_, entry, directory_.Shift(), local)) {
      report_.Message(error, std::string(ReaderText(error)) + ": " + item.shown);
      return;
    }
    TPendingFile output;
    if (!command_.test) {
      const std::wstring folder = target.substr(0, target.rfind(L'\\'));
      if (!MakeFolders(base_, folder) || !output.Create(folder)) {
        report_.Message(kMsgCreateFailed, "Creation of output file failed: " + item.shown);
        return;
      }
    }
    TDataResult result;
    uint32_t found = 0;
    if (!entry.Encrypted()) {
      result = Unpack(entry, local.dataOffset, nullptr, command_.test ? nullptr : &output, found);
    } else {
      result = UnpackEncrypted(item, local.dataOffset, command_.test ? nullptr : &output, found);
    }
    switch (result) {
      case TDataResult::kOk: break;
      case TDataResult::kWrongPassword:
        report_.Message(kMsgBadPassword, "Invalid password: " + item.shown + " (skipped)");
        return;
      case TDataResult::kCrcMismatch:
        if (report_.CrcError(entry.crc, found) != 2) stop_ = true;
        return;
      case TDataResult::kDamaged:
        report_.Message(kMsgDataError, "Error while reading zipped data: " + item.shown + " (the data is damaged)");
        return;
      case TDataResult::kTooLarge:
        report_.Message(kMsgDataError, "Error while reading zipped data: " + item.shown +
                                           " (the data unpacks to more than its stated size)");
        return;
      case TDataResult::kReadFailed:
        report_.Message(kMsgDataError, "Error while reading zipped data: " + item.shown + " (the archive is cut short)");
        return;
      case TDataResult::kWriteFailed:
        report_.Message(kMsgWriteFailed, "Write error in output file: " + item.shown);
        return;
    }
    if (!command_.test && !output.Commit(target, EntryTime(entry), EntryAttributes(entry))) {
      report_.Message(kMsgCreateFailed, "Creation of output file failed: " + item.shown);
      return;
    }
    ++done_;
  }

  // The record's password first (or the last one that worked), then the caller's answers with the
  // try number counting down. A CRC mismatch or damaged data behind a matching check byte is the
  // one-in-256 wrong password the check cannot see.
  TDataResult UnpackEncrypted(const TItem& item, uint64_t offset, TPendingFile* output, uint32_t& found) {
    std::optional<std::string> candidate;
    if (!password_.empty()) candidate = password_;
    int32_t tryNumber = command_.passwordTries;
    TDataResult result = TDataResult::kWrongPassword;
    for (;;) {
      if (candidate) {
        if (output && !output->Restart()) return TDataResult::kWriteFailed;
        result = Unpack(*item.entry, offset, &*candidate, output, found);
        if (result == TDataResult::kOk) {
          password_ = *candidate;
          return result;
        }
        if (result == TDataResult::kReadFailed || result == TDataResult::kWriteFailed) return result;
      }
      if (tryNumber < 1) return TDataResult::kWrongPassword;
      candidate = report_.AskPassword(tryNumber--);
      if (!candidate) return TDataResult::kWrongPassword;
    }
  }

  // Reads, decrypts, inflates and checks one entry's data, writing it to `output` when given.
  TDataResult Unpack(const zipformat::CentralEntry& entry, uint64_t offset, const std::string* password,
                     TPendingFile* output, uint32_t& found) {
    uint64_t packed = entry.packedSize;
    std::optional<zipformat::TraditionalKeys> keys;
    if (password) {
      uint8_t header[zipformat::kEncryptionHeaderSize];
      if (packed < sizeof header) return TDataResult::kDamaged;
      if (source_.ReadAt(offset, header, sizeof header) != sizeof header) return TDataResult::kReadFailed;
      keys.emplace(*password);
      keys->Decrypt(header, sizeof header);
      if (header[sizeof header - 1] != zipformat::CheckByte(entry.flags, entry.crc, entry.dosTime))
        return TDataResult::kWrongPassword;
      offset += sizeof header;
      packed -= sizeof header;
    }
    const bool stored = entry.method == zipformat::kMethodStored;
    if (stored && packed != entry.unpackedSize)
      return packed > entry.unpackedSize ? TDataResult::kTooLarge : TDataResult::kDamaged;

    z_stream stream{};
    if (!stored && inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    struct TEnd {
      z_stream* stream;
      ~TEnd() {
        if (stream) inflateEnd(stream);
      }
    } end{stored ? nullptr : &stream};

    std::vector<uint8_t> in(kChunk), out(kChunk);
    uint64_t written = 0;
    uLong crc = crc32(0, nullptr, 0);
    bool finished = false;
    // Takes `count` unpacked bytes: they go to the file, the CRC and the progress.
    auto take = [&](const uint8_t* data, size_t count) -> std::optional<TDataResult> {
      // A stream that unpacks to more than it claims stops at the stated size, whatever it
      // would still give.
      const size_t room = static_cast<size_t>(std::min<uint64_t>(count, entry.unpackedSize - written));
      if (room > 0) {
        if (output && !output->Write(data, room)) return TDataResult::kWriteFailed;
        // zlib's CRC: the same sum as the format's, several times faster on big entries.
        crc = crc32(crc, data, static_cast<uInt>(room));
        written += room;
        report_.Bytes(room);
      }
      if (room < count) return TDataResult::kTooLarge;
      return std::nullopt;
    };
    auto refill = [&]() -> bool {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(packed, kChunk));
      if (source_.ReadAt(offset, in.data(), want) != want) return false;
      if (keys) keys->Decrypt(in.data(), want);
      offset += want;
      packed -= want;
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(want);
      return true;
    };
    if (stored) {
      while (packed > 0) {
        if (!refill()) return TDataResult::kReadFailed;
        if (auto failed = take(in.data(), stream.avail_in)) return *failed;
      }
    } else {
      for (;;) {
        if (stream.avail_in == 0 && packed > 0 && !refill()) return TDataResult::kReadFailed;
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const int code = inflate(&stream, Z_NO_FLUSH);
        if (auto failed = take(out.data(), out.size() - stream.avail_out)) return *failed;
        if (code == Z_STREAM_END) {
          finished = true;
          break;
        }
        if (code == Z_MEM_ERROR) throw std::bad_alloc();
        if (code != Z_OK && code != Z_BUF_ERROR) return TDataResult::kDamaged;
        // All input used and room left for output: the stream stops before its end.
        if (stream.avail_in == 0 && packed == 0 && (stream.avail_out != 0 || code == Z_BUF_ERROR))
          return TDataResult::kDamaged;
      }
    }
    if ((!stored && !finished) || written != entry.unpackedSize) return TDataResult::kDamaged;
    found = static_cast<uint32_t>(crc);
    return found == entry.crc ? TDataResult::kOk : TDataResult::kCrcMismatch;
  }

  const zipapi::UnzipCommand& command_;
  TReporter report_;
  TArchiveSource source_;
  zipformat::Directory directory_;
  std::wstring base_;
  std::string password_;
  int32_t done_ = 0;
  bool stop_ = false;  // a CRC error the caller did not let pass
};

}  // namespace

int32_t RunUnzip(const zipapi::UnzipCommand& command) {
  try {
    return TUnzipRun(command).Run();
  } catch (...) {
    return 0;
  }
}

}  // namespace unzdll
