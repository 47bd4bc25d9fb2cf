#include "settings/OrganizeFavDialog.h"

#include <commctrl.h>

#include "base/Path.h"
#include "messages/Centring.h"
#include "platform/Utf16.h"

namespace quill {

namespace {

constexpr char kTitle[] = "Favorites";
constexpr char kSelectFolder[] = "Select Folder";
constexpr char kChooserDrive[] = "C:";
constexpr uint32_t kErrorInvalidName = 123;
constexpr COLORREF kLinkColor = RGB(0, 0, 204);

constexpr int kMargin = 8;
constexpr int kListWidth = 220;
constexpr int kButtonHeight = 23;
constexpr int kButtonTop = TfOrganizeFav::kClientHeight - kMargin - kButtonHeight;
constexpr int kListHeight = kButtonTop - 2 * kMargin;
constexpr int kSmallButtonWidth = 52;
constexpr int kButtonWidth = 75;
constexpr int kPanelLeft = kMargin + kListWidth + kMargin;
constexpr int kPanelWidth = TfOrganizeFav::kClientWidth - kMargin - kPanelLeft;
constexpr int kInnerLeft = kPanelLeft + 10;
constexpr int kInnerWidth = kPanelWidth - 20;
constexpr int kRowHeight = 16;

}  // namespace

TfOrganizeFav::TfOrganizeFav(HWND owner, IQuestions& questions, IFileStore& store, const ICodePage& codePage,
                             std::string path, std::vector<std::string> driveMemory)
    : TDialog(owner, kClientWidth, kClientHeight, L"MS Sans Serif", 8),
      questions_(questions),
      store_(store),
      codePage_(codePage),
      path_(std::move(path)),
      driveMemory_(std::move(driveMemory)) {
  model_.Load(store_, codePage_, path_);
  Create("Organize Favorites");
}

TfOrganizeFav::~TfOrganizeFav() {
  if (!boldFont_) return;
  // The label lets go of the font first: the window itself outlives this body.
  if (HWND item = Item(kItemId)) SendMessageW(item, WM_SETFONT, 0, FALSE);
  DeleteObject(boldFont_);
}

void TfOrganizeFav::CreateControls() {
  // Owner-drawn without data: the list holds only a count and asks for each visible row.
  HWND list = AddControl(L"LISTBOX", "",
                         WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT,
                         kListBoxId, kMargin, kMargin, kListWidth, kListHeight, WS_EX_CLIENTEDGE);
  SendMessageW(list, LB_SETITEMHEIGHT, 0, kRowHeight + 2);

  AddControl(L"STATIC", "", SS_ETCHEDFRAME, kPanelId, kPanelLeft, kMargin, kPanelWidth, 184);
  HWND item = AddControl(L"STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS, kItemId,
                         kInnerLeft, kMargin + 12, kInnerWidth, kRowHeight + 2);
  LOGFONTW face{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof face, &face);
  face.lfWeight = FW_BOLD;
  boldFont_ = CreateFontIndirectW(&face);
  SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), FALSE);
  AddControl(L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_NOTIFY | SS_EDITCONTROL, kItemPathId, kInnerLeft,
             kMargin + 36, kInnerWidth, 4 * 13);
  AddControl(L"STATIC", "", SS_LEFT | SS_NOPREFIX, kShortcutId, kInnerLeft, kMargin + 94, kInnerWidth, kRowHeight);
  AddControl(L"STATIC",
             "To change the path, click on the path name above.  To rename display name click on displayname above",
             SS_LEFT | SS_NOPREFIX, kHelpId, kInnerLeft, kMargin + 124, kInnerWidth, 52);

  const struct {
    int id;
    const char* caption;
  } small[] = {{kAddId, "&Add"}, {kDeleteId, "&Delete"}, {kUpId, "&Up"}, {kDownId, "Do&wn"}};
  int left = kMargin;
  for (const auto& button : small) {
    AddControl(L"BUTTON", button.caption, WS_TABSTOP | BS_PUSHBUTTON, button.id, left, kButtonTop, kSmallButtonWidth,
               kButtonHeight);
    left += kSmallButtonWidth + (kListWidth - 4 * kSmallButtonWidth) / 3;
  }
  AddControl(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kClientWidth - kMargin - 2 * kButtonWidth - 6,
             kButtonTop, kButtonWidth, kButtonHeight);
  AddControl(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, kClientWidth - kMargin - kButtonWidth,
             kButtonTop, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);

  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(),
                          nullptr, GetModuleHandleW(nullptr), nullptr);
  AddHint(kItemId, L"Rename");
  AddHint(kItemPathId, L"Change Path");
  Refresh(true);
}

void TfOrganizeFav::AddHint(int id, const wchar_t* text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
  tool.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

int TfOrganizeFav::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  const int result = TDialog::ShowModal([this] { SetFocus(Item(kListBoxId)); });
  return result == mrOk ? mrOk : mrCancel;
}

void TfOrganizeFav::Refresh(bool countChanged) {
  HWND list = Item(kListBoxId);
  if (countChanged) SendMessageW(list, LB_SETCOUNT, model_.Count(), 0);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(model_.Selected()), 0);
  InvalidateRect(list, nullptr, TRUE);
  ShowDetails();
}

void TfOrganizeFav::ShowDetails() {
  const int row = model_.Selected();
  if (row == TOrganizeFavModel::kNoRow) {
    SetText(kItemId, "");
    SetText(kItemPathId, "");
    SetText(kShortcutId, "");
    return;
  }
  SetText(kItemId, std::string(model_.Name(row)));
  SetText(kItemPathId, std::string(model_.Path(row)));
  SetText(kShortcutId, TOrganizeFavModel::ShortcutText(row));
}

void TfOrganizeFav::SelectRow(int row) {
  model_.Select(row);
  Refresh(false);
}

void TfOrganizeFav::RefuseName() { questions_.ShowError(kErrorInvalidName, kTitle, true); }

void TfOrganizeFav::RenameClick() {
  const int row = model_.Selected();
  if (row == TOrganizeFavModel::kNoRow) return;
  std::string name(model_.Name(row));
  if (questions_.AskText(kTitle, "New display name", name, true, 0) != mrOk) return;
  if (!TOrganizeFavModel::ValidName(name)) return RefuseName();
  if (model_.Rename(name)) Refresh(false);
}

void TfOrganizeFav::ChangePathClick() {
  const int row = model_.Selected();
  if (row == TOrganizeFavModel::kNoRow) return;
  const std::string folder = questions_.ChooseFolder(kChooserDrive, std::string(model_.Path(row)), driveMemory_,
                                                     kSelectFolder);
  if (model_.ChangePath(folder)) Refresh(false);
}

void TfOrganizeFav::AddClick() {
  const int row = model_.Selected();
  const std::string start = row == TOrganizeFavModel::kNoRow ? std::string() : std::string(model_.Path(row));
  const std::string folder = questions_.ChooseFolder(kChooserDrive, start, driveMemory_, kSelectFolder);
  if (folder.empty()) return;
  std::string name = LastComponent(folder);
  if (questions_.AskText(kTitle, "Display Name", name, true, 0) != mrOk) return;
  if (!TOrganizeFavModel::ValidName(name)) return RefuseName();
  if (model_.Add(name, folder)) Refresh(true);
}

void TfOrganizeFav::DeleteClick() {
  if (model_.Selected() == TOrganizeFavModel::kNoRow) return;
  if (questions_.Message("Are you sure to delete?", kTitle, mbYesNo, miWarning) != mrYes) return;
  if (model_.Delete()) Refresh(true);
}

void TfOrganizeFav::UpClick() {
  if (model_.Up()) Refresh(false);
}

void TfOrganizeFav::DownClick() {
  if (model_.Down()) Refresh(false);
}

bool TfOrganizeFav::Confirm() {
  const uint32_t error = model_.Save(store_, codePage_, path_);
  if (error == 0) return true;
  // The dialog stays open with the edits, so the user can retry or cancel.
  questions_.ShowError(error, "Error", true);
  return false;
}

void TfOrganizeFav::Command(int id, int notification) {
  switch (id) {
    case kListBoxId:
      if (notification == LBN_SELCHANGE)
        SelectRow(static_cast<int>(SendMessageW(Item(kListBoxId), LB_GETCURSEL, 0, 0)));
      else if (notification == LBN_DBLCLK)
        ChangePathClick();
      return;
    case kItemId:
      if (notification == STN_CLICKED) RenameClick();
      return;
    case kItemPathId:
      if (notification == STN_CLICKED) ChangePathClick();
      return;
    default:
      break;
  }
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kAddId: AddClick(); break;
    case kDeleteId: DeleteClick(); break;
    case kUpId: UpClick(); break;
    case kDownId: DownClick(); break;
    case IDOK:
      if (Confirm()) SetModalResult(mrOk);
      break;
    case IDCANCEL: SetModalResult(mrCancel); break;
    default: break;
  }
}

void TfOrganizeFav::ListBoxDrawItem(const DRAWITEMSTRUCT& draw) {
  const bool selected = (draw.itemState & ODS_SELECTED) != 0;
  FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (draw.itemID != static_cast<UINT>(-1) && draw.itemID < model_.Count()) {
    RECT text = draw.rcItem;
    text.left += 4;
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring name = Widen(model_.Name(draw.itemID));
    DrawTextW(draw.hDC, name.c_str(), static_cast<int>(name.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  if (draw.itemState & ODS_FOCUS) DrawFocusRect(draw.hDC, &draw.rcItem);
}

INT_PTR TfOrganizeFav::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      SetModalResult(mrCancel);
      return TRUE;
    case WM_DRAWITEM: {
      const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw.CtlID != kListBoxId) return FALSE;
      ListBoxDrawItem(draw);
      return TRUE;
    }
    case WM_SETCURSOR: {
      // The name and the path are links: the hand says they can be clicked.
      const HWND over = reinterpret_cast<HWND>(wParam);
      if (over != Item(kItemId) && over != Item(kItemPathId)) return FALSE;
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      const HWND control = reinterpret_cast<HWND>(lParam);
      const HDC dc = reinterpret_cast<HDC>(wParam);
      if (control == Item(kItemPathId)) {
        // Link blue rather than the hot-light colour, which some themes make too pale to read.
        SetTextColor(dc, kLinkColor);
      } else if (control == Item(kHelpId)) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
      } else {
        return FALSE;
      }
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      return TDialog::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace quill
