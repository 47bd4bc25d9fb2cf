#include "fileview/FileUtils.h"

#include <array>
#include <cstdio>

#include "base/FileSystem.h"
#include "base/Path.h"

namespace quill {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanksRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanksLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

// At most `limit` bytes of `text`, backed off so that no multi-byte sequence is cut in two.
std::string_view CutUtf8(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  // Continuation bytes are 10xxxxxx; the cut must fall before a lead or ASCII byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

std::string Printf2(const char* format, int a, int b) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

}  // namespace

std::string FileExtPart(std::string_view path) {
  const size_t nameStart = path.find_last_of("\\:");
  const std::string_view name = nameStart == std::string_view::npos ? path : path.substr(nameStart + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

int FolderDepth(std::string_view path) {
  if (path.size() < 4) return 0;
  const bool fromSeparator = path.front() == '\\';
  if (path.back() == '\\') path.remove_suffix(1);
  int count = 0;
  for (char c : path)
    if (c == '\\') ++count;
  return fromSeparator ? count - 3 : count;
}

TCommandParts SplitCommand(std::string_view line) {
  line = TrimBlanksRight(line);
  TCommandParts parts;
  std::string_view rest;
  if (!line.empty() && line.front() == '"') {
    line.remove_prefix(1);
    const size_t quote = line.find('"');
    parts.program = std::string(TrimBlanksRight(line.substr(0, quote)));
    if (quote != std::string_view::npos) rest = line.substr(quote + 1);
  } else {
    size_t blank = 0;
    while (blank < line.size() && !IsBlank(line[blank])) ++blank;
    parts.program = std::string(line.substr(0, blank));
    if (blank < line.size()) rest = line.substr(blank + 1);
  }
  parts.parameters = std::string(CutUtf8(TrimBlanksLeft(rest), kMaxCommandParameters));
  return parts;
}

std::string AttrText(uint32_t attributes) {
  std::string text = "____";
  if (attributes & faArchive) text[0] = 'A';
  if (attributes & faHidden) text[1] = 'H';
  if (attributes & faReadOnly) text[2] = 'R';
  if (attributes & faSystem) text[3] = 'S';
  return text;
}

int ArchiveKind(std::string_view fileName) {
  const std::string ext = FileExtPart(fileName);
  if (ext.size() != 4) return kArchiveNone;
  const char a = Upper(ext[1]), b = Upper(ext[2]), c = Upper(ext[3]);
  const std::string upper{a, b, c};
  if (upper == "ZIP") return kArchiveZip;
  if (upper == "RAR") return kArchiveRar;
  if (upper == "ARJ") return kArchiveArj;
  if (upper == "ACE") return kArchiveAce;
  if (IsDigit(b) && IsDigit(c)) {
    if (a == 'R') return kArchiveRar;
    if (a == 'A') return kArchiveArj;
    if (a == 'C') return kArchiveAce;
  }
  return kArchiveNone;
}

uint32_t Crc32Update(uint32_t crc, const void* bytes, size_t length) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ kCrcTable[(crc ^ p[i]) & 0xFF];
  return crc;
}

std::string FileTimeText(const TCalendarTime& time, int mode) {
  const std::string date = [&] {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2d", time.year, time.month, time.day);
    return std::string(buffer);
  }();
  const std::string clock = Printf2("%.2d:%.2d", time.hour, time.minute);
  switch (mode) {
    case kTimeTextDate: return date;
    case kTimeTextClock: return clock;
    case kTimeTextDateTime: return date + " " + clock;
    default: return {};
  }
}

std::string VolumeSerialText(uint32_t serial) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04X%04X", static_cast<unsigned>(serial >> 16),
                static_cast<unsigned>(serial & 0xFFFF));
  return buffer;
}

std::string DriveLabelOf(uint32_t driveType, bool ready, std::string_view label) {
  if (driveType == kDriveRemovable) return "Floppy";
  // A drive without a readable volume (an empty CD-ROM drive) still gets its kind's name.
  if (ready && !label.empty()) return std::string(label);
  if (driveType == kDriveFixed) return "Local";
  if (driveType == kDriveCdRom) return "CDROM";
  return {};
}

std::string TreeCacheFileOf(std::string_view drive, std::string_view folder, bool inRoot, std::string_view serialText,
                            std::string_view programFolder) {
  if (inRoot) return JoinPath(DriveRoot(drive), "treeinfo.xcd");
  const std::string name = std::string(serialText) + ".xcd";
  return JoinPath(folder.empty() ? programFolder : folder, name);
}

}  // namespace quill
