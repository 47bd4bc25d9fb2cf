#include "navigation/Destination.h"

#include "base/FileSystem.h"
#include "base/Text.h"

namespace quill {

namespace {
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

char DestinationDrive(std::string_view entered, char currentDrive) {
  if (!entered.empty() && IsLetter(entered[0]) && (entered.size() == 1 || entered[1] == ':'))
    return UpperAscii(entered[0]);
  return UpperAscii(currentDrive);
}

TDestinationDecision DecideDestination(std::string_view entered, uint32_t driveType, bool noTreeA, char currentDrive) {
  const char drive = DestinationDrive(entered, currentDrive);
  if (driveType == kDriveRemovable && noTreeA && drive != 0)
    return {daUseDriveRoot, std::string(1, drive) + ":\\", drive};
  if (entered.size() < 2 || entered[0] == '\\' || entered[0] == '/') return {daChooseFolder, {}, drive};
  return {daUsePath, std::string(entered), 0};
}

}  // namespace quill
