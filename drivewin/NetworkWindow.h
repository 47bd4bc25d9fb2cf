// TfNetwork, "Network": a modal browser of the shell's network neighbourhood that returns a
// share root (\\server\share).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "drivewin/ToolFrame.h"

namespace quill {

struct TPidlFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using TPidl = std::unique_ptr<ITEMIDLIST, TPidlFree>;

struct TComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename I>
using TComRef = std::unique_ptr<I, TComRelease>;

class TfNetwork : public TToolFrame {
public:
  enum TCommand : int { cmUp = 201, cmRoot };
  static constexpr int kClientWidth = 320;
  static constexpr int kClientHeight = 320;
  static constexpr int kRowHeight = 18;

  TfNetwork();
  ~TfNetwork() override;

  // Creates the window centred on `owner`, starts at the server of `start` (the network
  // neighbourhood for short texts, or when the server cannot be opened), shows it modally and
  // destroys it again. The chosen share root, or "" when it was not closed with OK.
  std::string ShowModal(HWND owner, const std::string& start);

  // The state while it is shown.
  int RowCount() const;
  // True at the top of the tree (no ".." row), and when no location could be opened at all.
  bool AtTop() const { return top_; }
  const std::string& LocationName() const { return locationName_; }
  // The row's text: ".." or the object's display name.
  std::string RowText(int row) const;
  int Selected() const;

private:
  // One object of the current location.
  struct TNetworkEntry {
    TPidl absolute;
    TPidl relative;
    std::string name;
    std::string typeName;
    std::string parsingName;
    int icon = -1;
  };

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT ListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Binds to the location and lists its containers; on failure nothing changes.
  HRESULT OpenLocation(TPidl absolute);
  HRESULT OpenNeighbourhood();
  std::vector<TNetworkEntry> ReadEntries(IShellFolder* folder, LPCITEMIDLIST absolute);
  void ShowEntries();
  void SelectRow(int row);
  void SelectionChanged();
  // The entry behind a row; null for the ".." row and rows out of range.
  const TNetworkEntry* EntryAt(int row) const;
  void ReleaseShell();

  void OpenRow(int row);
  void UpClick();
  void RootClick();
  void ShowContextMenu(int row, POINT screen);
  void ListBoxDrawItem(const DRAWITEMSTRUCT& item);

  TComRef<IShellFolder> desktop_;
  TComRef<IShellFolder> folder_;
  TPidl location_;
  std::string locationName_;
  bool top_ = true;
  std::vector<TNetworkEntry> entries_;
  std::string result_;
  HIMAGELIST systemImages_ = nullptr;
};

// The network browser: a share root, or "" when cancelled.
std::string BrowseNetwork(HWND owner, const std::string& start);

}  // namespace quill
