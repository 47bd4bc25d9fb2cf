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

// Slicing by 16: table k gives the CRC of a byte followed by k zero bytes, so sixteen bytes fold
// into the register with sixteen independent lookups instead of a chain of sixteen dependent ones.
constexpr int kCrcSlices = 16;
using TCrcTables = std::array<std::array<uint32_t, 256>, kCrcSlices>;

constexpr TCrcTables MakeCrcTables() {
  TCrcTables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    tables[0][i] = value;
  }
  for (int k = 1; k < kCrcSlices; ++k)
    for (uint32_t i = 0; i < 256; ++i) tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
  return tables;
}

constexpr TCrcTables kCrcTables = MakeCrcTables();
constexpr const std::array<uint32_t, 256>& kCrcTable = kCrcTables[0];

inline uint32_t Le32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

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
  const auto& t = kCrcTables;
  for (; length >= 16; length -= 16, p += 16) {
    const uint32_t a = Le32(p) ^ crc, b = Le32(p + 4), c = Le32(p + 8), d = Le32(p + 12);
    crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
          t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
          t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
          t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
  }
  for (; length > 0; --length) crc = (crc >> 8) ^ kCrcTable[(crc ^ *p++) & 0xFF];
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
