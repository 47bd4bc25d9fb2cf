// What files dragged over the pane would do: the folder they would land in, whether that is
// refused, the effect the keys and drives give, and when the pane scrolls. Portable: the drop
// target hands in the pane's facts, the key state and the effects the source allows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/Collator.h"
#include "fileview/File.h"

namespace quill {

// Drop effects and key-state bits with the values OLE uses.
constexpr unsigned kEffectNone = 0, kEffectCopy = 1, kEffectMove = 2, kEffectLink = 4;
constexpr unsigned kEffectScroll = 0x80000000u;
constexpr unsigned kKeyLeftButton = 0x1, kKeyRightButton = 0x2, kKeyShift = 0x4, kKeyControl = 0x8;

// The pane scrolls while the pointer is this close to its top or bottom edge.
constexpr int kDropScrollTop = 14;
constexpr int kDropScrollBottom = 15;

// The folder of the first dragged file; empty when there are none.
std::string DropSourceFolder(const std::vector<std::string>& files);

struct TDropPlace {
  std::string folder;  // where the files would go
  int focus = -1;      // the entry the pane shows focused meanwhile
};

// Over entry `hit` (-1: none) of the pane showing `folder`: an unselected folder entry is the
// target and takes the focus ("..", the folder above); anywhere else the files go to `folder`
// and the focus the drag found (`remembered`) comes back.
TDropPlace DropPlaceAt(const TFiles& files, const std::string& folder, int hit, int remembered);

// A drop into the folder the files come from changes nothing and is refused; so is one onto a
// folder that is itself being dragged. Names compare as the file system compares them.
bool DropRefused(const std::string& target, const std::string& source, const std::vector<std::string>& files,
                 const ICollator& collator);

// Both paths on one drive ("C:" or "\\server\share", case ignored).
bool OnSameDrive(std::string_view a, std::string_view b, const ICollator& collator);

// The effect of a left-button drag: nothing when refused or inside an archive; Shift+Ctrl link,
// Shift move, Ctrl copy (each when the source allows it); else move on the same drive and the
// first allowed of copy, move and link otherwise.
unsigned DropEffectFor(unsigned keys, unsigned allowed, bool refused, bool inArchive, bool sameDrive);

// What a drag over the pane keeps from its entry to its drop or leave.
struct TDropSession {
  std::vector<std::string> files;
  std::string source;        // the folder of the first file
  int focus = -1;            // the pane's focus when the drag came in
  bool rightButton = false;  // made without the left button
  std::string target;        // where a drop would go now
  bool refused = false;
  unsigned lastScroll = 0;   // tick of the last scroll step
};

// -1 near the top edge of a pane `height` pixels high, 1 near the bottom, 0 elsewhere.
int DropScrollAt(int y, int height);

}  // namespace quill
