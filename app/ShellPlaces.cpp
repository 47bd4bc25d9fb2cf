#include "app/ShellPlaces.h"

#include "base/Text.h"

namespace quill {

std::string FormatHiddenDrives(IFileSystem& fs) {
  std::string hidden;
  const uint32_t mask = fs.LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const char letter = static_cast<char>('A' + i);
    const uint32_t type = fs.DriveType(std::string(1, letter) + ":\\");
    if (type == kDriveRemote || type == kDriveCdRom || type == kDriveRamDisk) hidden += letter;
  }
  return hidden + "/";
}

std::string MailLink(const std::string& address) {
  const std::string text = Trim(address);
  if (text.empty()) return {};
  if (text.size() >= 7 && SameTextAscii(text.substr(0, 7), "mailto:")) return text;
  return "mailto:" + text;
}

}  // namespace quill
