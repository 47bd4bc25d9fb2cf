#include "archive/Arj.h"

#include <algorithm>

#include "archivers/arjformat/ArjHeaders.h"
#include "base/Path.h"

namespace quill {
namespace {

const TLatin1CodePage kLatin1;

constexpr const char* kExtractList = "quilltmp.$$$";
constexpr const char* kAddList = "quillTempFile.$$$";

// Hosts whose attributes are DOS attributes. Elsewhere (Unix above all) the access mode is the
// host's own: a group-writable Unix file has the bit DOS calls "folder".
bool DosLikeHost(uint8_t host) {
  constexpr uint8_t kMsDos = 0, kOs2 = 5, kWin95 = 10, kWinNt = 11;
  return host == kMsDos || host == kOs2 || host == kWin95 || host == kWinNt;
}

constexpr uint8_t kUnixHost = 2;

// A Unix host stores the time as seconds since 1970 (UTC), the others as a DOS date and time.
uint64_t EntryTime(const arjformat::ArjHeader& header) {
  if (header.hostOs == kUnixHost) {
    constexpr uint64_t kSecondsFrom1601To1970 = 11'644'473'600ull;
    return (header.dosTime + kSecondsFrom1601To1970) * 10'000'000ull;
  }
  return zipformat::DosToFileTime(static_cast<uint16_t>(header.dosTime >> 16), static_cast<uint16_t>(header.dosTime & 0xFFFF));
}

}  // namespace

TArj::TArj(TArchiveServices services) : TArchive(std::move(services)) {
  OpenSource = [this](const std::string& path, int& error) { return zipformat::OpenFileSource(ToAnsi(path), error); };
}

std::string TArj::ToAnsi(const std::string& text) const {
  const ICodePage& codePage = services_.codePage ? *services_.codePage : kLatin1;
  std::string ansi;
  codePage.FromUtf8(text, ansi);
  return ansi;
}

std::string TArj::ShortPath(const std::string& path) const {
  return services_.shortPath ? services_.shortPath(path) : path;
}

void TArj::List() {
  ClearEntries();
  int error = 0;
  std::unique_ptr<zipformat::IByteSource> source = OpenSource ? OpenSource(FileName, error) : nullptr;
  if (source) {
    if (services_.busyCursor) services_.busyCursor(true);
    const ICodePage& codePage = services_.codePage ? *services_.codePage : kLatin1;
    arjformat::ArjHeader header;
    uint64_t offset = 0;
    uint64_t dataOffset = 0;
    const std::optional<uint64_t> main = arjformat::FindMainHeader(*source);
    if (main && arjformat::ReadHeader(*source, *main, header, dataOffset) == arjformat::HeaderStatus::Ok) {
      offset = dataOffset;
      // Entries already read stay when a header is damaged, missing or the file ends.
      while (arjformat::ReadHeader(*source, offset, header, dataOffset) == arjformat::HeaderStatus::Ok) {
        offset = dataOffset + header.compressedSize;
        const bool ascii =
            std::all_of(header.name.begin(), header.name.end(), [](char c) { return (c & 0x80) == 0; });
        std::string path = ascii ? std::move(header.name) : codePage.ToUtf8(header.name);
        // "/" is a Unix host's own separator; elsewhere only the translation flag makes it one.
        if ((header.flags & arjformat::kFlagPathSym) || header.hostOs == kUnixHost)
          std::replace(path.begin(), path.end(), '/', '\\');
        while (!path.empty() && path.back() == '\\') path.pop_back();
        if (path.empty()) continue;
        ArchiveEntry entry;
        entry.name.assign(LastComponent(path));
        entry.originalSize = header.originalSize;
        entry.packedSize = header.compressedSize;
        entry.time = EntryTime(header);
        bool folder;
        if (DosLikeHost(header.hostOs)) {
          entry.attributes = header.accessMode & 0xFF;
          folder = (header.accessMode & kArchiveFolderAttribute) != 0;
        } else {
          folder = header.fileType == arjformat::kTypeDirectory;
          entry.attributes = folder ? kArchiveFolderAttribute : 0;
        }
        if (folder)
          AddFolderEntry(std::move(path), std::move(entry));
        else
          AddFileEntry(std::move(path), std::move(entry));
      }
    }
    if (services_.busyCursor) services_.busyCursor(false);
  }
  BuildFolders();
}

bool TArj::WriteSelection(const std::string& listFile) {
  if (!services_.fileSystem) return false;
  std::vector<TSelectionItem> items = Selection;
  ExpandFolders(items);
  std::string lines;
  for (const TSelectionItem& item : items) lines += ToAnsi(item.path) + "\r\n";
  return services_.fileSystem->WriteAll(listFile, lines) == 0;
}

std::string TArj::ExtractCommand(const std::string& destination) const {
  std::string text = (ExtractOptions & eoFolderNames) ? "x" : "e";
  text += " -v -y " + ShortPath(FileName) + " " + ShortPath(destination);
  if (!Selection.empty()) text += std::string(" !") + kExtractList;
  return text;
}

void TArj::Extract(const std::string& destination) {
  Problems.clear();
  if (!services_.fileSystem || !services_.runAndWait) return;
  // The archiver reads the list from its current folder, which it shares with Quill.
  const std::string listFile = JoinPath(services_.fileSystem->CurrentDir(), kExtractList);
  if (!Selection.empty() && !WriteSelection(listFile)) return;
  const std::string program = ProgramPath.empty() ? std::string("arj.exe") : ProgramPath;
  services_.runAndWait(program, ExtractCommand(destination));
  if (!Selection.empty()) services_.fileSystem->RemoveFile(listFile);
}

std::string TArj::AddCommand(const std::string& listFile) const {
  std::string text;
  if (AddOptions & aoMove) text += " m -y";
  else if (AddOptions & aoFreshen) text += " f -y";
  else if (AddOptions & aoUpdate) text += " u -y";
  else text += " a -y";
  if (AddOptions & aoRecurse) text += " -r";
  if (VolumeSize != 0) text += " -v" + std::to_string(VolumeSize);
  text += CompressionIndex == 2 ? " -m0" : " -m1";
  // Quoted when it has blanks: the archiver would take each part for an argument of its own.
  const std::string archive = FileName.find(' ') == std::string::npos ? FileName : "\"" + FileName + "\"";
  text += " " + archive + " !" + listFile;
  return text;
}

void TArj::Add() {
  if (!services_.fileSystem || !services_.shortTempFolder || !services_.runAndWait) return;
  const std::string listFile = services_.shortTempFolder() + kAddList;
  if (WriteSelection(listFile)) {
    const std::string program = ProgramPath.empty() ? std::string("arj.exe") : ProgramPath;
    services_.runAndWait(program, AddCommand(listFile));
  }
  services_.fileSystem->RemoveFile(listFile);
}

}  // namespace quill
