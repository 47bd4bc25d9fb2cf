#include "fileview/FileUtils.h"

#include <array>
#include <cstdio>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define QUILL_CRC_CLMUL 1
#endif

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

#ifdef QUILL_CRC_CLMUL
// Folding with carry-less multiplication: four 16-byte lanes are folded forward 64 bytes at a
// time, then into one lane, then reduced to 32 bits (Barrett), as in Intel's "Fast CRC
// Computation for Generic Polynomials Using PCLMULQDQ". The constants are powers of x modulo the
// bit-reflected polynomial. `length` is at least 64 and a multiple of 16; `crc` is the running
// register, as in Crc32Update.
#define QUILL_CLMUL_TARGET __attribute__((target("pclmul,sse2")))

QUILL_CLMUL_TARGET inline __m128i Load128(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// One lane folded forward 16 bytes onto the next.
QUILL_CLMUL_TARGET inline __m128i Fold128(__m128i into, __m128i next, __m128i k3k4) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(into, k3k4, 0x11), next),
                       _mm_clmulepi64_si128(into, k3k4, 0x00));
}

QUILL_CLMUL_TARGET uint32_t Crc32Clmul(uint32_t crc, const unsigned char* p, size_t length) {
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124);
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);

  __m128i x1 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = Load128(p + 16), x3 = Load128(p + 32), x4 = Load128(p + 48);
  p += 64;
  length -= 64;
  for (; length >= 64; p += 64, length -= 64) {
    const __m128i x5 = _mm_clmulepi64_si128(x1, k1k2, 0x00), x6 = _mm_clmulepi64_si128(x2, k1k2, 0x00);
    const __m128i x7 = _mm_clmulepi64_si128(x3, k1k2, 0x00), x8 = _mm_clmulepi64_si128(x4, k1k2, 0x00);
    x1 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x1, k1k2, 0x11), x5), Load128(p));
    x2 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x2, k1k2, 0x11), x6), Load128(p + 16));
    x3 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x3, k1k2, 0x11), x7), Load128(p + 32));
    x4 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x4, k1k2, 0x11), x8), Load128(p + 48));
  }
  x1 = Fold128(Fold128(Fold128(x1, x2, k3k4), x3, k3k4), x4, k3k4);
  for (; length >= 16; p += 16, length -= 16) x1 = Fold128(x1, Load128(p), k3k4);

  // 128 bits to 64, then to 32 by Barrett reduction.
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
  x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5k0, 0x00), x2);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), poly, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

bool HasClmul() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
  }();
  return has;
}
#endif

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
#ifdef QUILL_CRC_CLMUL
  if (length >= 64 && HasClmul()) {
    const size_t folded = length & ~size_t{15};
    crc = Crc32Clmul(crc, p, folded);
    p += folded;
    length -= folded;
  }
#endif
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
