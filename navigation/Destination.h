// What becomes of the text entered in the destination prompt before a copy, a move or an
// extraction. Portable: the caller looks up the drive type and runs the folder chooser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

enum TDestinationAction {
  daUsePath,       // take `path` as entered
  daUseDriveRoot,  // take `path`, the drive's root ("A:\")
  daChooseFolder,  // open the folder chooser on `drive` and take its result
};

struct TDestinationDecision {
  TDestinationAction action = daUsePath;
  std::string path;
  char drive = 0;  // upper-case letter, for daUseDriveRoot and daChooseFolder
  bool operator==(const TDestinationDecision&) const = default;
};

// The drive the entered text is on: its first character when that is a letter followed by ":"
// or standing alone, else `currentDrive` (the text is relative to the pane's drive). Upper case.
char DestinationDrive(std::string_view entered, char currentDrive);

// `driveType` is the system drive type of DestinationDrive(entered, currentDrive); `noTreeA` the
// NoTreeA setting. A removable drive with NoTreeA goes to its root without a question; a text
// shorter than two characters or starting with "\" or "/" asks the folder chooser; anything else
// is used as it stands.
TDestinationDecision DecideDestination(std::string_view entered, uint32_t driveType, bool noTreeA, char currentDrive);

}  // namespace quill
