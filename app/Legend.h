// The status bar's function-key buttons and their modifier legends: pressing Alt or Ctrl alone
// swaps the F2-F8 labels for a page naming the Alt or Ctrl commands, whose buttons then run those
// commands. Portable: the main window feeds it the shortcut messages and clicks and refills the
// bar from Lines().
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quill {

// F2-F8: one button per key, and one per command on a legend page.
constexpr int kFunctionButtonCount = 7;

class TLegend {
public:
  // Strings 900/901: lines separated by "\n". Each page is shown as exactly seven panels: a page
  // naming fewer commands (the Ctrl page names six) gets empty panels, so the buttons keep their
  // places and the seventh still runs its command; lines past the seventh are not shown, since no
  // button of that page could run them.
  TLegend(std::string altLegend, std::string ctrlLegend);
  void SetLabels(std::vector<std::string> labels);  // FunctionKeyText: "F2=..." ... "F8=..."
  int State() const;                                // 0 labels, 1 Alt legend, 2 Ctrl legend
  const std::vector<std::string>& Lines() const;    // what the bar shows now, one panel per line
  // Each returns true when Lines() changed (the bar must be refilled).
  bool AltAlone();  // a legend already shown is not rebuilt
  bool CtrlAlone();
  bool OtherShortcut();     // back to the labels
  bool ModifierReleased();  // back to the labels
  struct TClick {
    bool internal = false;
    int index = 0;
  };  // internal: command index; else function key index
  // Button i: with state 0 runs function key i; with a legend runs internal command
  // state*7-7+i and goes back to the labels. A button outside 0-6 runs "none" (and a legend still
  // goes back to the labels), so a stray index can never reach another page or a Ctrl key.
  TClick Click(int button);

private:
  bool Show(int state);

  std::vector<std::string> pages_[2];  // Alt, Ctrl
  std::vector<std::string> labels_;
  int state_ = 0;
};

// The labels of F2-F8 ("F%d=%s") from a reader of the Function section: read(keyName) → entry.
std::vector<std::string> FunctionKeyLabels(const std::function<std::string(const std::string&)>& read);

}  // namespace quill
