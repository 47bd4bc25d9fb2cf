#include "app/SplitDialog.h"

#include "app/SplitJoin.h"
#include "fileview/FileViewLayout.h"
#include "messages/Centring.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextSelectFolder = 517;
constexpr int kMargin = 12;
constexpr int kLabelWidth = 86;
constexpr int kFieldLeft = kMargin + kLabelWidth;
constexpr int kRowHeight = 21;
constexpr int kBrowseWidth = 26;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
}  // namespace

TfSplit::TfSplit(HWND owner, IQuestions& questions, const std::string& fileName, uint64_t size,
                 const std::string& folder, const std::string& drive, std::vector<std::string> driveMemory)
    : TDialog(owner, kClientWidth, kClientHeight, L"MS Sans Serif", 8),
      questions_(questions),
      fileName_(fileName),
      size_(size),
      folder_(folder),
      drive_(drive),
      driveMemory_(std::move(driveMemory)) {
  Create("Split File");
}

void TfSplit::CreateControls() {
  const int fieldWidth = kClientWidth - kMargin - kFieldLeft;
  AddControl(L"STATIC", fileName_ + " (" + GroupThousands(size_) + " bytes)", SS_LEFTNOWORDWRAP | SS_NOPREFIX |
             SS_PATHELLIPSIS, kFileNameId, kMargin, 14, kClientWidth - 2 * kMargin, 16);

  AddControl(L"STATIC", "Path to Sa&ve :", SS_LEFT, kPathLabelId, kMargin, 46, kLabelWidth, 16);
  AddControl(L"EDIT", folder_, WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kPathId, kFieldLeft, 43,
             fieldWidth - kBrowseWidth - 4, kRowHeight, WS_EX_CLIENTEDGE);
  AddControl(L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kBrowseId, kClientWidth - kMargin - kBrowseWidth, 43,
             kBrowseWidth, kRowHeight);

  AddControl(L"STATIC", "&Size per File :", SS_LEFT, kSizeLabelId, kMargin, 78, kLabelWidth, 16);
  HWND sizes = AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, kFileSizeId,
                          kFieldLeft, 75, 110, 200);
  for (const char* text : kSplitSizes) SendMessageW(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  SendMessageW(sizes, CB_SETCURSEL, PreselectedSplitSize(size_), 0);
  AddControl(L"STATIC", "Compatible with rzJoin", SS_LEFT | SS_NOPREFIX, kLabel3Id, kFieldLeft + 122, 78,
             kClientWidth - kMargin - kFieldLeft - 122, 16);

  const int buttonTop = kClientHeight - kMargin - kButtonHeight;
  AddControl(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kClientWidth - kMargin - 2 * kButtonWidth - 8,
             buttonTop, kButtonWidth, kButtonHeight);
  AddControl(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, kClientWidth - kMargin - kButtonWidth,
             buttonTop, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);
}

int TfSplit::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  // The size is what the user most often changes; the path is one Tab away.
  const int result = TDialog::ShowModal([this] { SetFocus(Item(kFileSizeId)); });
  return result == mrOk ? mrOk : mrCancel;
}

void TfSplit::Browse() {
  const std::string folder = questions_.ChooseFolder(drive_, std::string(), driveMemory_, LoadText(kTextSelectFolder));
  if (!folder.empty()) SetText(kPathId, folder);
}

void TfSplit::Command(int id, int notification) {
  if (notification != BN_CLICKED) return;
  if (id == IDOK || id == IDCANCEL) SetModalResult(id == IDOK ? mrOk : mrCancel);
  if (id == kBrowseId) Browse();
}

INT_PTR TfSplit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetModalResult(mrCancel);
    return TRUE;
  }
  // "Compatible with rzJoin" stands in grey, as a remark.
  if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == Item(kLabel3Id)) {
    const HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
