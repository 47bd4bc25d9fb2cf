#include "archivers/zipdll/ZipJob.h"

#include <windows.h>
#include <bcrypt.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "archivers/zipdll/ZipMessages.h"
#include "archivers/zipdll/ZipOutput.h"
#include "archivers/zipdll/ZipRecords.h"
#include "archivers/zipdll/ZipSources.h"

namespace zipdll {

namespace {

using zipapi::ZipCallbackRecord;
using zipapi::ZipCommand;

// The caller answered the callback with "stop".
struct TAborted {};

constexpr size_t kChunk = 64 * 1024;
// An entry this large gets ZIP64 sizes in its local header from the start: its compressed size,
// with the encryption header and deflate's worst case, could pass 4 GiB.
constexpr uint64_t kZip64Threshold = kMax32 - 1024;

class TCallback {
public:
  explicit TCallback(const ZipCommand& command) : command_(command) {}

  void Send(int32_t action, int32_t code, uint64_t number, const std::string& ansiText = {}) {
    if (!command_.callback) return;
    record_ = ZipCallbackRecord{};
    record_.window = command_.window;
    record_.caller = command_.caller;
    record_.action = action;
    record_.code = code;
    record_.number = static_cast<int32_t>(std::min<uint64_t>(number, 0x7FFFFFFF));
    const size_t length = std::min(ansiText.size(), sizeof record_.text - 1);
    std::memcpy(record_.text, ansiText.data(), length);
    if (command_.callback(&record_) != 0) throw TAborted{};
  }

  void Message(int32_t code, const std::string& ansiText) {
    Send(zipapi::kMessage, code, 0, ansiText);
    if (!command_.quiet) MessageBoxA(static_cast<HWND>(command_.window), ansiText.c_str(), "ZipDll", MB_OK | MB_ICONSTOP);
  }
  void Message(int32_t code) { Message(code, MessageText(code)); }

  // A password for new entries: asked once; none means the run cannot go on.
  std::string AskPassword() {
    // Try number 2: a caller that counts its tries down takes 1 as "give up".
    Send(zipapi::kPassword, 1, 2);
    if (record_.code == 0) return {};
    return std::string(record_.text, strnlen(record_.text, zipapi::kPasswordMax));
  }

private:
  const ZipCommand& command_;
  ZipCallbackRecord record_{};
};

std::wstring FullPathOf(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
  return full;
}

uint32_t DosStamp(const FILETIME& time, uint16_t* dosTime, uint16_t* dosDate) {
  FILETIME local{};
  WORD date = 0, clock = 0;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToDosDateTime(&local, &date, &clock)) {
    date = 0x21;  // 1980-01-01, for times DOS cannot hold
    clock = 0;
  }
  *dosTime = clock;
  *dosDate = date;
  return (static_cast<uint32_t>(date) << 16) | clock;
}

std::wstring StoredNameText(const Entry& entry) {
  const UINT codePage = entry.utf8 ? CP_UTF8 : CP_OEMCP;
  const int length = MultiByteToWideChar(codePage, 0, entry.name.data(), static_cast<int>(entry.name.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, entry.name.data(), static_cast<int>(entry.name.size()), text.data(), length);
  return text;
}

std::wstring NameKey(std::wstring name) {
  std::replace(name.begin(), name.end(), L'\\', L'/');
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

void RandomBytes(unsigned char* out, size_t size) {
  if (BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
    // Only the header's unpredictability suffers; the archive stays readable.
    LARGE_INTEGER seed{};
    QueryPerformanceCounter(&seed);
    uint32_t x = static_cast<uint32_t>(seed.QuadPart) ^ GetCurrentProcessId();
    for (size_t i = 0; i < size; ++i) {
      x = x * 1103515245u + 12345u;
      out[i] = static_cast<unsigned char>(x >> 16);
    }
  }
}

// Flag bits 1 and 2 tell a reader which kind of deflate made the data.
constexpr uint16_t kDeflateHints = 0x0006;
uint16_t DeflateHint(int level) {
  if (level >= 8) return 0x0002;  // maximum
  if (level == 2) return 0x0004;  // fast
  if (level <= 1) return 0x0006;  // super fast
  return 0;
}

// The archive being updated, read through the shared reader.
class TFileSource final : public zipformat::IByteSource {
public:
  explicit TFileSource(TInputFile& file) : file_(file), size_(file.Size()) {}
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= size_) return 0;
    count = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
    return file_.ReadAt(offset, buffer, count) ? count : 0;
  }

private:
  TInputFile& file_;
  uint64_t size_;
};

// One entry of the new archive: an old entry copied as it is, or a source (new or replacing).
struct PlanItem {
  const Entry* old = nullptr;
  uint64_t oldStart = 0;  // where the old entry's bytes start in the old archive
  uint64_t oldEnd = 0;    // and where they end
  const SourceItem* source = nullptr;
};

class TZipJob {
public:
  explicit TZipJob(const ZipCommand& command) : command_(command), callback_(command) {}

  int32_t Run() {
    try {
      return Work();
    } catch (const TAborted&) {
      return 0;
    } catch (const TFailure& failure) {
      Report(failure.code);
    } catch (const std::bad_alloc&) {
      Report(kMsgWriteError);
    }
    return 0;
  }

private:
  void Report(int32_t code) {
    try {
      callback_.Message(code);
      callback_.Send(zipapi::kBatchDone, 0, 0);
    } catch (const TAborted&) {
    }
  }

  int32_t Work() {
    if (!command_.archive || !*command_.archive) throw TFailure{kMsgNoArchive};
    archive_ = FullPathOf(FromAnsi(command_.archive));
    const size_t slash = archive_.find_last_of(L'\\');
    folder_ = slash == std::wstring::npos ? L"." : archive_.substr(0, slash == 2 ? 3 : slash);

    Gather();
    for (const auto& spec : sources_.missing) callback_.Send(zipapi::kMessage, 0, 0, "File not found: " + ToAnsi(spec));
    if (sources_.items.empty()) throw TFailure{kMsgNoFiles};

    ReadOldArchive();
    Plan();
    if (std::none_of(plan_.begin(), plan_.end(), [](const PlanItem& item) { return item.source; })) {
      // Nothing newer to take: the archive stays exactly as it was.
      callback_.Send(zipapi::kBatchDone, 0, 0);
      return 0;
    }
    if (command_.encrypt) {
      password_ = command_.password ? command_.password : "";
      if (password_.empty()) password_ = callback_.AskPassword();
      if (password_.empty()) throw TFailure{kMsgNoPassword};
    }

    uint64_t files = 0, bytes = 0;
    for (const auto& item : plan_)
      if (item.source && !item.source->folder) {
        ++files;
        bytes += item.source->size;
      }
    callback_.Send(zipapi::kTotalFiles, 0, files);
    callback_.Send(zipapi::kTotalBytes, 0, bytes);

    std::vector<const SourceItem*> added;
    WriteArchive(added);
    int32_t count = 0;
    for (const SourceItem* source : added)
      if (!source->folder) ++count;
    if (command_.move) RemoveOriginals(added);
    callback_.Send(zipapi::kBatchDone, 0, 0);
    return count;
  }

  void Gather() {
    SourceOptions options;
    options.recurse = command_.recurse != 0;
    options.keepFolderNames = command_.keepFolderNames != 0;
    options.addFolderEntries = command_.addFolderEntries != 0;
    options.includeHidden = command_.includeHidden != 0;
    options.exclude = archive_;
    std::vector<std::string> specs;
    for (int32_t i = 0; i < command_.specCount && command_.specs; ++i)
      if (command_.specs[i].text) specs.emplace_back(command_.specs[i].text);
    sources_ = GatherSources(specs, options);
  }

  // The new archive beside the old one, put in its place only when complete.
  void WriteArchive(std::vector<const SourceItem*>& added) {
    TTemporaryFile temporary(folder_);
    TArchiveWriter writer(temporary.Handle());
    std::vector<Entry> written;
    for (const auto& item : plan_) {
      if (item.old) {
        written.push_back(CopyOld(writer, item));
      } else if (auto entry = AddSource(writer, *item.source)) {
        written.push_back(std::move(*entry));
        added.push_back(item.source);
      }
    }
    // The archive's comment stays with it.
    writer.Write(DirectoryAndEnd(written, writer.Position(), directory_.comment));
    writer.Flush();
    if (old_) old_->Close();
    if (!temporary.PutInPlace(archive_)) throw TFailure{kMsgCreateFailed};
  }

  void ReadOldArchive() {
    if (GetFileAttributesW(archive_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    old_ = std::make_unique<TInputFile>(archive_);
    if (!old_->IsOpen()) throw TFailure{kMsgArchiveUnreadable};
    const uint64_t size = old_->Size();
    if (size == 0) return;  // an empty file becomes the archive
    TFileSource source(*old_);
    directory_ = zipformat::ReadDirectory(source);
    if (directory_.error != zipformat::kOk) throw TFailure{kMsgArchiveUnreadable};
  }

  // Old entries keep their places (replaced ones in theirs); new sources follow in order.
  void Plan() {
    // Data in front of the archive moves every stored offset by the same amount.
    const uint64_t shift = static_cast<uint64_t>(directory_.Shift());
    std::vector<uint64_t> starts;
    for (const auto& entry : directory_.entries) starts.push_back(entry.localHeaderOffset + shift);
    std::sort(starts.begin(), starts.end());
    std::map<std::wstring, size_t> byName;
    for (size_t i = 0; i < directory_.entries.size(); ++i) {
      const Entry& entry = directory_.entries[i];
      PlanItem item;
      item.old = &entry;
      item.oldStart = entry.localHeaderOffset + shift;
      const auto next = std::upper_bound(starts.begin(), starts.end(), item.oldStart);
      item.oldEnd = next == starts.end() ? directory_.computedCentralStart : *next;
      if (item.oldEnd > directory_.computedCentralStart) throw TFailure{kMsgArchiveUnreadable};
      plan_.push_back(item);
      byName.emplace(NameKey(StoredNameText(entry)), i);
    }
    const bool onlyNewer = command_.update || command_.freshen;
    const bool addNew = !command_.freshen || command_.update;
    for (const auto& source : sources_.items) {
      std::wstring name = source.relative;
      if (source.folder) name += L'/';
      const auto match = byName.find(NameKey(name));
      if (match == byName.end()) {
        if (addNew) plan_.push_back(PlanItem{nullptr, 0, 0, &source});
        continue;
      }
      PlanItem& slot = plan_[match->second];
      if (slot.source) continue;
      uint16_t time = 0, date = 0;
      const uint32_t stamp = DosStamp(source.lastWrite, &time, &date);
      const uint32_t oldStamp = (static_cast<uint32_t>(slot.old->dosDate) << 16) | slot.old->dosTime;
      if (!onlyNewer || stamp > oldStamp) {
        slot.source = &source;
        slot.old = nullptr;
      }
    }
  }

  Entry CopyOld(TArchiveWriter& writer, const PlanItem& item) {
    Entry entry = *item.old;
    entry.localHeaderOffset = writer.Position();
    entry.extra = WithoutZip64(entry.extra);
    std::vector<char> buffer(kChunk);
    for (uint64_t at = item.oldStart; at < item.oldEnd;) {
      const size_t now = static_cast<size_t>(std::min<uint64_t>(kChunk, item.oldEnd - at));
      if (!old_->ReadAt(at, buffer.data(), now)) throw TFailure{kMsgReadZipped};
      writer.Write(buffer.data(), now);
      at += now;
    }
    return entry;
  }

  // Writes one source; nothing (and no trace in the archive) when it cannot be read.
  std::optional<Entry> AddSource(TArchiveWriter& writer, const SourceItem& source) {
    Entry entry;
    entry.name = source.name;
    entry.utf8 = source.utf8;
    if (source.utf8) entry.extra = UnicodePathField(entry.name);
    entry.versionMadeBy = kMadeByDos20;
    DosStamp(source.lastWrite, &entry.dosTime, &entry.dosDate);
    entry.externalAttributes = source.attributes & 0x3F;
    entry.localHeaderOffset = writer.Position();
    if (source.folder) {
      entry.externalAttributes |= FILE_ATTRIBUTE_DIRECTORY;
      entry.versionNeeded = VersionNeeded(entry, false);
      writer.Write(LocalHeader(entry, false));
      return entry;
    }

    std::string ansiName = ToAnsi(source.relative);
    callback_.Send(zipapi::kFileStarts, 0, source.size, ansiName);
    TInputFile input(source.path);
    if (!input.IsOpen()) return Skip(ansiName);
    entry.unpackedSize = input.Size();
    const bool zip64 = entry.unpackedSize >= kZip64Threshold;
    std::optional<zipformat::TraditionalKeys> keys;
    unsigned char random[11];
    if (command_.encrypt) {
      entry.flags |= zipformat::kFlagEncrypted;
      // The header's check byte is the CRC's high byte, so the CRC comes first.
      if (!Checksum(input, &entry.crc)) return Skip(ansiName);
      RandomBytes(random, sizeof random);
    }
    const bool deflate = command_.level > 0 && entry.unpackedSize > 0;
    entry.method = deflate ? zipformat::kMethodDeflated : zipformat::kMethodStored;
    if (deflate) entry.flags |= DeflateHint(command_.level);
    entry.versionNeeded = VersionNeeded(entry, zip64);
    writer.Write(LocalHeader(entry, zip64));
    const uint64_t dataStart = writer.Position();

    auto pass = [&](bool report) {
      if (command_.encrypt) {
        // Eleven random bytes, then the check byte: the CRC's high byte.
        keys.emplace(password_);
        uint8_t header[zipformat::kEncryptionHeaderSize];
        std::copy(random, random + 11, header);
        header[11] = static_cast<uint8_t>(entry.crc >> 24);
        keys->Encrypt(header, sizeof header);
        writer.Write(header, sizeof header);
      }
      return WriteData(writer, input, entry, keys ? &*keys : nullptr, report);
    };
    if (!pass(true)) return Skip(writer, entry.localHeaderOffset, ansiName);
    const uint64_t overhead = command_.encrypt ? zipformat::kEncryptionHeaderSize : 0;
    if (entry.method == zipformat::kMethodDeflated && writer.Position() - dataStart - overhead >= entry.unpackedSize) {
      // Deflate made it no smaller: stored instead, from the start of the file again.
      writer.TruncateTo(dataStart);
      entry.method = zipformat::kMethodStored;
      entry.flags &= ~kDeflateHints;
      if (!input.Rewind() || !pass(false)) return Skip(writer, entry.localHeaderOffset, ansiName);
    }
    entry.packedSize = writer.Position() - dataStart;
    if (!zip64 && (entry.unpackedSize >= kMax32 || entry.packedSize >= kMax32)) throw TFailure{kMsgWriteError};
    entry.versionNeeded = VersionNeeded(entry, zip64);
    writer.Patch(entry.localHeaderOffset, LocalHeader(entry, zip64));
    return entry;
  }

  std::optional<Entry> Skip(const std::string& ansiName) {
    callback_.Message(0, "Skipped, could not be read: " + ansiName);
    return std::nullopt;
  }
  std::optional<Entry> Skip(TArchiveWriter& writer, uint64_t start, const std::string& ansiName) {
    writer.TruncateTo(start);
    return Skip(ansiName);
  }

  static bool Checksum(TInputFile& input, uint32_t* crc) {
    std::vector<unsigned char> buffer(kChunk);
    uLong value = crc32(0, nullptr, 0);
    for (;;) {
      const int64_t done = input.Read(buffer.data(), buffer.size());
      if (done < 0) return false;
      if (done == 0) break;
      value = crc32(value, buffer.data(), static_cast<uInt>(done));
    }
    *crc = static_cast<uint32_t>(value);
    return input.Rewind();
  }

  // Reads the whole file from its current position into the archive, stored or deflated and
  // maybe encrypted; the CRC and the size read go into `entry`.
  bool WriteData(TArchiveWriter& writer, TInputFile& input, Entry& entry, zipformat::TraditionalKeys* keys, bool report) {
    std::vector<unsigned char> in(kChunk), out(kChunk + 1024);
    z_stream stream{};
    const bool compressing = entry.method == zipformat::kMethodDeflated;
    if (compressing && deflateInit2(&stream, std::clamp<int>(command_.level, 1, 9), Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::bad_alloc();
    struct TEnd {
      z_stream* stream;
      bool active;
      ~TEnd() {
        if (active) deflateEnd(stream);
      }
    } end{&stream, compressing};
    auto emit = [&](unsigned char* data, size_t size) {
      if (keys) keys->Encrypt(data, size);
      writer.Write(data, size);
    };

    uLong crc = crc32(0, nullptr, 0);
    uint64_t total = 0;
    for (;;) {
      const int64_t done = input.Read(in.data(), in.size());
      if (done < 0) return false;
      crc = crc32(crc, in.data(), static_cast<uInt>(done));
      total += static_cast<uint64_t>(done);
      if (compressing) {
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(done);
        const int flush = done == 0 ? Z_FINISH : Z_NO_FLUSH;
        int status = Z_OK;
        do {
          stream.next_out = out.data();
          stream.avail_out = static_cast<uInt>(out.size());
          status = deflate(&stream, flush);
          emit(out.data(), out.size() - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
      } else if (done > 0) {
        emit(in.data(), static_cast<size_t>(done));
      }
      if (done > 0 && report) callback_.Send(zipapi::kBytesDone, 0, static_cast<uint64_t>(done));
      if (done == 0) break;
    }
    if (command_.encrypt && static_cast<uint32_t>(crc) != entry.crc) return false;  // changed while read
    entry.crc = static_cast<uint32_t>(crc);
    entry.unpackedSize = total;
    return true;
  }

  // Only files that went into the archive, which is already in place; folders only when the
  // move left them empty.
  void RemoveOriginals(const std::vector<const SourceItem*>& added) {
    for (const SourceItem* source : added) {
      if (source->folder) continue;
      if (!DeleteFileW(source->path.c_str()) && (source->attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(source->path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(source->path.c_str());
      }
    }
    for (const auto& folder : sources_.folders) RemoveDirectoryW(folder.c_str());
  }

  const ZipCommand& command_;
  TCallback callback_;
  std::wstring archive_, folder_;
  Sources sources_;
  std::unique_ptr<TInputFile> old_;
  zipformat::Directory directory_;
  std::vector<PlanItem> plan_;
  std::string password_;
};

}  // namespace

int32_t RunZipCommand(const ZipCommand& command) {
  if (command.version != zipapi::kInterfaceVersion || command.structureKey != zipapi::kStructureKey) return 0;
  try {
    return TZipJob(command).Run();
  } catch (...) {
    // Nothing may leave the library as an exception.
    return 0;
  }
}

}  // namespace zipdll
