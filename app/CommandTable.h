// The main window's command table: one row per command, in main-menu order. Menus, shortcuts,
// the pane's keys, legend clicks, function-key entries "#name" and the command box all run a
// command through its row, so a new command is added here and nowhere else.
#pragma once

#include <span>
#include <string>

namespace quill {

class TMainForm;

enum TKeyModifier : unsigned { kmNone = 0, kmShift = 1, kmCtrl = 2, kmAlt = 4 };

// A key with its modifiers; the key is a Windows virtual-key code (0: none).
struct TShortcut {
  unsigned modifiers = kmNone;
  unsigned key = 0;
  bool operator==(const TShortcut&) const = default;
};

// Shortcuts that follow the CtrlX option: Ctrl+X either cuts or extracts.
enum TShortcutRule { srFixed, srCut, srExtract };

struct TCommand {
  unsigned id = 0;
  // The main-menu drop-down holding the item ("&File", a submenu as "&View|A&rrange"); null for
  // commands without a main-menu item. A row with a place and no caption is a separator.
  const char* place = nullptr;
  const char* caption = nullptr;
  // The text at the right when it is not the shortcut's own name ("Enter", "+", "Num /").
  const char* hint = nullptr;
  TShortcut shortcut;
  TShortcutRule rule = srFixed;
  // String-table caption set once the window is shown ("text\thint"), with a suffix appended.
  int captionText = 0;
  const char* captionSuffix = nullptr;
  // Index in the internal command names ("copy" ... "refresh"); -1 for none.
  int internal = -1;
  // Null: the command is not available in this build and its item stays disabled.
  void (*run)(TMainForm&) = nullptr;
  bool (*enabled)(TMainForm&) = nullptr;  // null: enabled whenever it can run
  bool (*checked)(TMainForm&) = nullptr;  // null: never checked
  bool radio = false;                     // checked with a bullet rather than a tick
};

// The shortcut a row has under the CtrlX option.
TShortcut ShortcutOf(const TCommand& command, bool ctrlX);
// "Ctrl+Alt+V", "Alt+Left", "F10", "Ctrl+Backspace": the text shown at the right of an item.
std::string ShortcutText(const TShortcut& shortcut);

}  // namespace quill
