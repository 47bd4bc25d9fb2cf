#include "messages/Messages.h"

#include <algorithm>
#include <limits>

#include "base/Text.h"

namespace quill {

std::string TextOf(const TTextLoader& loader, int id) { return loader ? loader(id) : std::string(); }

int ErrorTextId(uint32_t code) {
  switch (code) {
    case 2:     // ERROR_FILE_NOT_FOUND
    case 3:     // ERROR_PATH_NOT_FOUND
      return 256;
    case 5: return 259;     // ERROR_ACCESS_DENIED
    case 19: return 260;    // ERROR_WRITE_PROTECT
    case 21: return 257;    // ERROR_NOT_READY
    case 30: return 266;    // ERROR_READ_FAULT
    case 32: return 258;    // ERROR_SHARING_VIOLATION
    case 86: return 268;    // ERROR_INVALID_PASSWORD
    case 112: return 261;   // ERROR_DISK_FULL
    case 123: return 264;   // ERROR_INVALID_NAME
    case 145: return 263;   // ERROR_DIR_NOT_EMPTY
    case 183: return 265;   // ERROR_ALREADY_EXISTS
    case 681: return 269;   // ERROR_STOPPED_ON_SYMLINK: a folder link the copy did not follow
    case 1005: return 262;  // ERROR_UNRECOGNIZED_VOLUME
    default: return kTextErrorGeneric;
  }
}

std::string ErrorText(uint32_t code, const TTextLoader& loader) {
  const std::string number = std::to_string(code);
  const int id = ErrorTextId(code);
  std::string text = TextOf(loader, id);
  if (text.empty()) return number;
  if (id == kTextErrorGeneric) text = FillText(text, {number});
  return text;
}

std::string ErrorQuestionText(uint32_t code, const TTextLoader& loader) {
  return ErrorText(code, loader) + "\n\n" + TextOf(loader, kTextProcessRest);
}

std::string FillText(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string result;
  result.reserve(format.size());
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      result += c;
      continue;
    }
    const char kind = format[i + 1];
    if (kind == '%') {
      result += '%';
      ++i;
    } else if (kind == 'd' || kind == 's' || kind == 'c') {
      if (next != args.end()) result.append(*next++);
      ++i;
    } else {
      result += c;
    }
  }
  return result;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  std::string result;
  size_t from = 0;
  for (size_t found; (found = text.find(pattern, from)) != std::string_view::npos; from = found + pattern.size()) {
    result.append(text.substr(from, found - from));
    result.append(replacement);
  }
  result.append(text.substr(from));
  return result;
}

int64_t ParseSize(std::string_view text) {
  const std::string upper = UpperAscii(text);
  int64_t multiplier = 1;
  if (upper.find("MB") != std::string::npos)
    multiplier = 1000000;
  else if (upper.find("KB") != std::string::npos)
    multiplier = 1000;
  size_t end = 0;
  while (end < upper.size() && upper[end] != ' ' && upper[end] != '\t' && !(upper[end] >= 'A' && upper[end] <= 'Z'))
    ++end;
  const std::string_view number = std::string_view(upper).substr(0, end);
  int64_t value = 0;
  // A negative size would make a negative volume count; callers take 0 as "no usable size".
  if (!ParseInt(number, value) || value < 0) return 0;
  if (value > std::numeric_limits<int64_t>::max() / multiplier) return 0;
  return value * multiplier;
}

TDialogOrigin CenterOver(int ownerLeft, int ownerTop, int ownerWidth, int ownerHeight, int width, int height) {
  return {ownerLeft + ownerWidth / 2 - width / 2, ownerTop + ownerHeight / 2 - height / 2};
}

uint8_t GreyColor(uint8_t r, uint8_t g, uint8_t b) {
  const int largest = std::max({r, g, b});
  const int smallest = std::min({r, g, b});
  return static_cast<uint8_t>(std::min(largest - (largest - smallest) / 2 + 30, 255));
}

void GreyPixels(uint32_t* pixels, size_t count, uint32_t transparent) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = pixels[i];
    if (p == transparent) continue;
    const uint32_t grey = GreyColor(p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF);
    pixels[i] = (p & 0xFF000000u) | (grey << 16) | (grey << 8) | grey;
  }
}

}  // namespace quill
