#include "settings/PreferencesDialog.h"

#include <windowsx.h>

#include <algorithm>

#include "app/FunctionKeys.h"
#include "base/Path.h"
#include "messages/Centring.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextSelectFolder = 517;
constexpr int kTabLeft = 6, kTabTop = 6, kTabWidth = 440, kTabHeight = 370, kStripHeight = 28;
constexpr int kButtonTop = 386, kButtonWidth = 74, kButtonHeight = 24;
constexpr int kRowHeight = 16;
constexpr COLORREF kHeadingColor = RGB(0, 0, 255);
constexpr const char* kTabCaptions[TfPreferences::kPageCount] = {"View", "Option", "Misc.", "Color", "Program",
                                                                 "Function Key"};
constexpr const char* kColorSetFilter = "Quill Color Set File(*.col)|*.col";
constexpr const char* kProgramFilter = "Program File(*.exe)|*.exe";

COLORREF Rgb(TColor color) { return static_cast<COLORREF>(color & 0xFFFFFF); }

void DrawTextAt(HDC dc, const std::string& text, int x, const RECT& row, UINT format = DT_LEFT) {
  RECT r{row.left + x, row.top, row.right, row.bottom};
  const std::wstring wide = Widen(text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, format | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// The black-framed swatch at the left of a colour row.
void DrawSwatch(HDC dc, const RECT& row, TColor color) {
  RECT swatch{row.left + 2, row.top + 2, row.left + 12, row.bottom - 2};
  HBRUSH fill = CreateSolidBrush(Rgb(color));
  FillRect(dc, &swatch, fill);
  DeleteObject(fill);
  FrameRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// The folder part of a program path with its backslash, where the open dialog starts.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

TfPreferences::TfPreferences(HWND owner, IQuestions& questions, TPreferencesContext context)
    : TDialog(owner, kClientWidth, kClientHeight, L"MS Sans Serif", 8),
      questions_(questions),
      context_(std::move(context)) {
  prefs_ = ReadPreferences(*context_.settings);
  colors_ = LoadColorSet(*context_.store, *context_.codePage, context_.programFolder + "quill.col");
  images_ = CreatePreferenceTabImages();
  Create("Preferences");
}

TfPreferences::~TfPreferences() {
  if (tips_) DestroyWindow(tips_);
  if (images_) ImageList_Destroy(images_);
  if (extBrush_) DeleteObject(extBrush_);
}

HWND TfPreferences::Add(int page, const wchar_t* className, const std::string& text, DWORD style, int id, int x, int y,
                        int width, int height, DWORD exStyle) {
  HWND control = AddControl(className, text, style, id, x, y, width, height, exStyle);
  if (control) pageControls_.emplace_back(page, control);
  return control;
}

HWND TfPreferences::Check(int page, int id, const std::string& text, int x, int y, int width) {
  return Add(page, L"BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX, id, x, y, width, 18);
}

HWND TfPreferences::Combo(int page, int id, std::initializer_list<const char*> items, int x, int y, int width) {
  HWND combo = Add(page, L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id, x, y, width, 200);
  for (const char* item : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  return combo;
}

void TfPreferences::CreateControls() {
  // The tab control is only the strip of tabs; the pages stand on the dialog's own face inside an
  // etched frame, so check boxes and labels have the colour of what is around them whatever
  // colour a theme gives a tab body.
  HWND tabs = AddControl(WC_TABCONTROLW, "", WS_TABSTOP | TCS_OWNERDRAWFIXED, kTabsId, kTabLeft, kTabTop, kTabWidth,
                         kStripHeight);
  HWND frame = AddControl(L"STATIC", "", SS_ETCHEDFRAME, kPageFrameId, kTabLeft, kTabTop + kStripHeight - 2,
                          kTabWidth, kTabHeight - kStripHeight + 2);
  TabCtrl_SetImageList(tabs, images_);
  // Each tab as wide as its image and caption; only the height is set.
  TabCtrl_SetItemSize(tabs, 0, 24);
  for (int i = 0; i < kPageCount; ++i) {
    std::wstring caption = Widen(kTabCaptions[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = i;
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }

  // ---- View ----
  Add(pgView, L"BUTTON", "File Window Font", WS_TABSTOP | BS_PUSHBUTTON, kFileFontId, 16, 40, 130, 24);
  Add(pgView, L"BUTTON", "Tree Window Font", WS_TABSTOP | BS_PUSHBUTTON, kTreeFontId, 152, 40, 130, 24);
  Add(pgView, L"BUTTON", "Char Case", BS_GROUPBOX, kCharCaseGroupId, 16, 72, 130, 112);
  const char* cases[] = {"Normal", "Upper", "Lower", "Capital"};
  for (int i = 0; i < 4; ++i)
    Add(pgView, L"BUTTON", cases[i], BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), kCharCaseId + i, 28,
        90 + 22 * i, 110, 18);
  Add(pgView, L"BUTTON", "View Style", BS_GROUPBOX | WS_GROUP, kViewStyleGroupId, 152, 72, 130, 112);
  Add(pgView, L"BUTTON", "List", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kViewListId, 164, 90, 110, 18);
  Add(pgView, L"BUTTON", "Large Icon", BS_AUTORADIOBUTTON, kViewIconStyleId, 164, 112, 110, 18);
  Check(pgView, kViewIconId, "View Icon", 180, 150, 96);
  SetWindowLongPtrW(Item(kViewIconId), GWL_STYLE, GetWindowLongPtrW(Item(kViewIconId), GWL_STYLE) | WS_GROUP);
  Add(pgView, L"STATIC", "Focus Frame :", SS_LEFT, kFocusLabelId, 296, 72, 140, 16);
  Combo(pgView, kFocusStyleId, {"None", "Line", "Dot"}, 296, 88, 140);
  Add(pgView, L"STATIC", "Column :", SS_LEFT, kColumnLabelId, 296, 116, 140, 16);
  Combo(pgView, kColumnId, {"Auto", "1Col", "2Col", "3Col", "4Col", "5Col", "6Col"}, 296, 132, 140);
  Add(pgView, L"STATIC", "Arrange :", SS_LEFT, kSortLabelId, 296, 160, 140, 16);
  Combo(pgView, kSortId, {"by Name", "by Ext", "by Size", "by Time", "by None"}, 296, 176, 140);
  const std::pair<int, const char*> viewChecks[] = {
      {kAttachExtId, "Attach Extension"},
      {kFolderInfoId, "Show \"[DIR]\" after folder name"},
      {kLongNameId, "Show 8.3 old filename format"},
      {kShowHiddenId, "Show Hidden Files/Folders"},
      {kColLineId, "Show Column Line"},
      {kShowFileTypeId, "Show File Type "},
      {kPathCaptionId, "Display the full path in the title bar"},
  };
  int y = 204;
  for (const auto& [id, text] : viewChecks) {
    Check(pgView, id, text, 20, y, 400);
    y += 22;
  }

  // ---- Option ----
  const std::pair<int, const char*> optionChecks[] = {
      {kExtArcPrgId, "Use external program for archive file"},
      {kAutoRefreshId, "Automatically refresh file list"},
      {kRemReadId, "Remove 'Readonly' attribute when copy from CD"},
      {kNoTreeAId, "Skip folder selection when copy to Floppy Disk"},
      {kSelDirId, "Select/Deselect folder when select all/deselect all"},
      {kSoundId, "Notify completion of operation with sound"},
      {kSaveLastDirId, "Save current folder of each drives when exit"},
      {kStartDirId, "Always start Quill with Start Folder"},
  };
  y = 44;
  for (const auto& [id, text] : optionChecks) {
    Check(pgOption, id, text, 20, y, 410);
    y += 24;
  }
  Add(pgOption, L"STATIC", "Start Folder :", SS_LEFT, kStartLabelId, 38, y + 8, 80, 16);
  Add(pgOption, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kStartId, 120, y + 4, 270, 21, WS_EX_CLIENTEDGE);
  Add(pgOption, L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kStartBrowseId, 396, y + 4, 26, 21);

  // ---- Misc. ----
  Check(pgMisc, kExplorerMenuId, "Explorer Context Menu with right click", 20, 44, 410);
  Add(pgMisc, L"BUTTON", "Folder Tree Information File", BS_GROUPBOX, kTreeGroupId, 16, 70, 420, 78);
  Check(pgMisc, kTreeRootId, "Save file into the root folder of each drives", 28, 90, 400);
  Add(pgMisc, L"STATIC", "Path :", SS_LEFT, kTreePathLabelId, 28, 120, 46, 16);
  Add(pgMisc, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kTreePathId, 76, 116, 312, 21, WS_EX_CLIENTEDGE);
  Add(pgMisc, L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kTreePathBrowseId, 396, 116, 26, 21);
  Add(pgMisc, L"BUTTON", "Shortcut", BS_GROUPBOX, kShortcutGroupId, 16, 156, 420, 70);
  Add(pgMisc, L"BUTTON", "Extract (Ctrl+X), Cut (Ctrl+T)", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
      kShortcutCtrlXId, 28, 176, 400, 18);
  Add(pgMisc, L"BUTTON", "Extract (Ctrl+E),  Cut (Ctrl+X)", BS_AUTORADIOBUTTON, kShortcutCtrlEId, 28, 198, 400, 18);
  Add(pgMisc, L"BUTTON", "Default Delete Button", BS_GROUPBOX | WS_GROUP, kDelBtnGroupId, 16, 234, 205, 112);
  const char* deleteButtons[] = {"Delete", "Yes", "No"};
  for (int i = 0; i < 3; ++i)
    Add(pgMisc, L"BUTTON", deleteButtons[i], BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), kDelBtnId + i,
        28, 254 + 22 * i, 180, 18);
  Add(pgMisc, L"BUTTON", "ESC Key", BS_GROUPBOX | WS_GROUP, kEscGroupId, 231, 234, 205, 112);
  const char* escapes[] = {"Command Line", "Exit Quill", "Minimize", "Deselect All"};
  for (int i = 0; i < 4; ++i)
    Add(pgMisc, L"BUTTON", escapes[i], BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), kEscId + i, 243,
        254 + 22 * i, 180, 18);

  // ---- Color ----
  HWND basic = Add(pgColor, L"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY |
                   LBS_NOINTEGRALHEIGHT, kBasicColorId, 16, 40, 200, kBasicColorRows * kRowHeight + 4, WS_EX_CLIENTEDGE);
  for (int i = 0; i < kBasicColorRows; ++i) SendMessageW(basic, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
  Add(pgColor, L"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
      kExtColorId, 226, 40, 210, 252, WS_EX_CLIENTEDGE);
  Add(pgColor, L"BUTTON", "Add", WS_TABSTOP | BS_PUSHBUTTON, kAddId, 226, 300, 66, 24);
  Add(pgColor, L"BUTTON", "Edit", WS_TABSTOP | BS_PUSHBUTTON, kEditExtId, 298, 300, 66, 24);
  Add(pgColor, L"BUTTON", "Delete", WS_TABSTOP | BS_PUSHBUTTON, kDeleteExtId, 370, 300, 66, 24);
  Add(pgColor, L"BUTTON", "Open...", WS_TABSTOP | BS_PUSHBUTTON, kOpenSetId, 226, 330, 102, 24);
  Add(pgColor, L"BUTTON", "Save As...", WS_TABSTOP | BS_PUSHBUTTON, kSaveSetId, 334, 330, 102, 24);

  // ---- Program ----
  Add(pgProgram, L"BUTTON", "Archive Programs", BS_GROUPBOX, kArchiveGroupId, 16, 40, 420, 108);
  Add(pgProgram, L"BUTTON", "View/Edit Text", BS_GROUPBOX, kTextGroupId, 16, 158, 420, 80);
  const int programTops[kProgramCount] = {60, 88, 116, 178, 206};
  for (int i = 0; i < kProgramCount; ++i) {
    Add(pgProgram, L"STATIC", std::string(kProgramKeys[i]) + " :", SS_LEFT, kProgramLabelId + i, 28,
        programTops[i] + 4, 40, 16);
    Add(pgProgram, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kProgramId + i, 72, programTops[i], 318, 21,
        WS_EX_CLIENTEDGE);
    Add(pgProgram, L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kProgramBrowseId + i, 396, programTops[i], 26, 21);
  }

  // ---- Function Key ----
  HWND header = Add(pgFunction, WC_HEADERW, "", HDS_HORZ, kFunctionHeaderId, 16, 40, 382, 20);
  const std::pair<const char*, int> columns[] = {{"Key", 35}, {" Name", 75}, {"Command", 268}};
  for (int i = 0; i < 3; ++i) {
    std::wstring text = Widen(columns[i].first);
    HDITEMW column{};
    column.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    column.cxy = columns[i].second;
    column.pszText = text.data();
    column.fmt = HDF_LEFT | HDF_STRING;
    SendMessageW(header, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&column));
  }
  Add(pgFunction, L"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
      LBS_WANTKEYBOARDINPUT, kFunctionListId, 16, 60, 382, kFunctionRows * kRowHeight + 4, WS_EX_CLIENTEDGE);
  Add(pgFunction, L"STATIC", "^F1 = Ctrl+F1", SS_LEFT, kFunctionNoteId, 18, 356, 120, 16);
  Add(pgFunction, L"BUTTON", "Edit", WS_TABSTOP | BS_PUSHBUTTON, kEditFunctionId, 252, 352, 70, 22);
  Add(pgFunction, L"BUTTON", "Delete", WS_TABSTOP | BS_PUSHBUTTON, kDeleteFunctionId, 328, 352, 70, 22);

  AddControl(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 212, kButtonTop, kButtonWidth, kButtonHeight);
  AddControl(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 292, kButtonTop, kButtonWidth, kButtonHeight);
  AddControl(L"BUTTON", "&Apply", WS_TABSTOP | BS_PUSHBUTTON, kApplyId, 372, kButtonTop, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);
  // The pages' controls stand over the tab control, which is created first so it takes the
  // focus first.
  SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                          0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int id : {kFileFontId, kTreeFontId}) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  Fill(prefs_);
  FillExtList();
  FillFunctionList(0);
  UpdateExtBrush();
  ShowPage(pgView);
}

void TfPreferences::SetChecked(int id, bool checked) {
  SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TfPreferences::Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

int TfPreferences::Selected(int id) const { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }

int TfPreferences::CheckedOf(int firstId, int count) const {
  for (int i = 0; i < count; ++i)
    if (Checked(firstId + i)) return i;
  return 0;
}

void TfPreferences::Fill(const TPreferences& p) {
  SetFontHint(kFileFontId, p.fileFont);
  SetFontHint(kTreeFontId, p.treeFont);
  for (int i = 0; i < 4; ++i) SetChecked(kCharCaseId + i, p.charCase == i);
  SetChecked(kViewListId, p.viewStyle == 0);
  SetChecked(kViewIconStyleId, p.viewStyle == 1);
  SetChecked(kViewIconId, p.viewIcon);
  SendMessageW(Item(kFocusStyleId), CB_SETCURSEL, p.focusItem, 0);
  SendMessageW(Item(kColumnId), CB_SETCURSEL, p.column, 0);
  SendMessageW(Item(kSortId), CB_SETCURSEL, p.sort, 0);
  SetChecked(kAttachExtId, p.attachExt);
  SetChecked(kFolderInfoId, p.folderInfo);
  SetChecked(kLongNameId, p.shortNames);
  SetChecked(kShowHiddenId, p.showHidden);
  SetChecked(kColLineId, p.columnLine);
  SetChecked(kShowFileTypeId, p.fileType);
  SetChecked(kPathCaptionId, p.pathCaption);

  SetChecked(kExtArcPrgId, p.extArcPrg);
  SetChecked(kAutoRefreshId, p.autoRefresh);
  SetChecked(kRemReadId, p.remRead);
  SetChecked(kNoTreeAId, p.noTreeA);
  SetChecked(kSelDirId, p.selDir);
  SetChecked(kSoundId, p.sound);
  SetChecked(kSaveLastDirId, p.saveLastDir);
  SetChecked(kStartDirId, p.startDir);
  SetText(kStartId, p.start);

  SetChecked(kExplorerMenuId, p.explorerMenu);
  SetChecked(kTreeRootId, p.treeRoot);
  SetText(kTreePathId, p.treePath);
  SetChecked(kShortcutCtrlXId, p.shortcut != 0);
  SetChecked(kShortcutCtrlEId, p.shortcut == 0);
  for (int i = 0; i < 3; ++i) SetChecked(kDelBtnId + i, p.delBtn == i);
  for (int i = 0; i < 4; ++i) SetChecked(kEscId + i, p.escKey == i);

  for (int i = 0; i < kProgramCount; ++i) SetText(kProgramId + i, p.programs[i]);
  UpdateEnabling();
}

TPreferences TfPreferences::Gathered() const {
  TPreferences p = prefs_;  // fonts and function keys
  p.charCase = CheckedOf(kCharCaseId, 4);
  p.viewStyle = Checked(kViewIconStyleId) ? 1 : 0;
  p.viewIcon = Checked(kViewIconId);
  p.focusItem = std::max(0, Selected(kFocusStyleId));
  p.column = std::max(0, Selected(kColumnId));
  p.sort = std::max(0, Selected(kSortId));
  p.attachExt = Checked(kAttachExtId);
  p.folderInfo = Checked(kFolderInfoId);
  p.shortNames = Checked(kLongNameId);
  p.showHidden = Checked(kShowHiddenId);
  p.columnLine = Checked(kColLineId);
  p.fileType = Checked(kShowFileTypeId);
  p.pathCaption = Checked(kPathCaptionId);

  p.extArcPrg = Checked(kExtArcPrgId);
  p.autoRefresh = Checked(kAutoRefreshId);
  p.remRead = Checked(kRemReadId);
  p.noTreeA = Checked(kNoTreeAId);
  p.selDir = Checked(kSelDirId);
  p.sound = Checked(kSoundId);
  p.saveLastDir = Checked(kSaveLastDirId);
  p.startDir = Checked(kStartDirId);
  p.start = Text(kStartId);

  p.explorerMenu = Checked(kExplorerMenuId);
  p.treeRoot = Checked(kTreeRootId);
  p.treePath = Text(kTreePathId);
  p.shortcut = Checked(kShortcutCtrlEId) ? 0 : 1;
  p.delBtn = CheckedOf(kDelBtnId, 3);
  p.escKey = CheckedOf(kEscId, 4);
  for (int i = 0; i < kProgramCount; ++i) p.programs[i] = Text(kProgramId + i);
  return p;
}

void TfPreferences::UpdateEnabling() {
  EnableWindow(Item(kViewIconId), Checked(kViewListId));
  const bool start = Checked(kStartDirId);
  EnableWindow(Item(kStartId), start);
  EnableWindow(Item(kStartBrowseId), start);
  const bool path = !Checked(kTreeRootId);
  EnableWindow(Item(kTreePathId), path);
  EnableWindow(Item(kTreePathBrowseId), path);
}

void TfPreferences::ShowPage(int page) {
  if (page < 0 || page >= kPageCount) return;
  page_ = page;
  TabCtrl_SetCurSel(Item(kTabsId), page);
  for (const auto& [owner, control] : pageControls_) ShowWindow(control, owner == page ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(Item(kTabsId), nullptr, TRUE);
}

void TfPreferences::FillExtList() {
  HWND list = Item(kExtColorId);
  const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < colors_.extRows.size(); ++i) SendMessageW(list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
  const int count = static_cast<int>(colors_.extRows.size());
  if (count > 0) SendMessageW(list, LB_SETCURSEL, std::clamp(selected, 0, count - 1), 0);
}

void TfPreferences::FillFunctionList(int select) {
  HWND list = Item(kFunctionListId);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < kFunctionRows; ++i) SendMessageW(list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
  SendMessageW(list, LB_SETCURSEL, select, 0);
}

void TfPreferences::UpdateExtBrush() {
  if (extBrush_) DeleteObject(extBrush_);
  extBrush_ = CreateSolidBrush(Rgb(BasicColorOf(colors_, "BACK")));
  InvalidateRect(Item(kExtColorId), nullptr, TRUE);
}

void TfPreferences::SetFontHint(int id, const TFontChoice& font) {
  if (!tips_) return;
  const std::wstring hint = Widen(FontHint(font));
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
  tool.lpszText = const_cast<wchar_t*>(hint.c_str());
  SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TfPreferences::ChooseFont(int id) {
  TFontChoice& font = id == kFileFontId ? prefs_.fileFont : prefs_.treeFont;
  TFontChoice chosen = font;
  if (!questions_.PickFont(chosen, 6, 14)) return;
  font = chosen;
  SetFontHint(id, font);
}

void TfPreferences::BrowseFolder(int editId) {
  // The chooser opens on the drive of the process's current folder; cancelling empties the edit.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::string drive = Narrow(current).substr(0, 2);
  SetText(editId, questions_.ChooseFolder(drive, std::string(), context_.driveMemory, LoadText(kTextSelectFolder)));
}

void TfPreferences::BrowseProgram(int tag) {
  std::string path = FolderOf(Text(kProgramId + tag));
  if (questions_.ChooseOpenFile(path, kProgramFilter, "exe")) SetText(kProgramId + tag, path);
}

void TfPreferences::BasicColorDoubleClick() {
  const int row = static_cast<int>(SendMessageW(Item(kBasicColorId), LB_GETCURSEL, 0, 0));
  if (row < 0 || row >= kBasicColorRows || !kBasicColorRowTable[row].key) return;
  if (!PickBasicColor(colors_, kBasicColorRowTable[row].key, questions_)) return;
  InvalidateRect(Item(kBasicColorId), nullptr, TRUE);
  if (row == 1) UpdateExtBrush();
}

void TfPreferences::OpenColorSet() {
  std::string path = context_.programFolder;
  if (!questions_.ChooseOpenFile(path, kColorSetFilter, "col")) return;
  colors_ = LoadColorSet(*context_.store, *context_.codePage, path);
  FillExtList();
  UpdateExtBrush();
  InvalidateRect(Item(kBasicColorId), nullptr, TRUE);
}

void TfPreferences::SaveColorSetAs() {
  std::string path = context_.programFolder;
  if (!questions_.ChooseSaveFile(path, kColorSetFilter, "col")) return;
  const uint32_t error = SaveColorSet(*context_.store, *context_.codePage, path, colors_);
  if (error != 0) questions_.ShowError(error, "Save As", true);
}

void TfPreferences::EditFunction() {
  const int row = static_cast<int>(SendMessageW(Item(kFunctionListId), LB_GETCURSEL, 0, 0));
  if (EditFunctionRow(prefs_, row, context_.editFunction)) InvalidateRect(Item(kFunctionListId), nullptr, TRUE);
}

void TfPreferences::DeleteFunction() {
  const int row = static_cast<int>(SendMessageW(Item(kFunctionListId), LB_GETCURSEL, 0, 0));
  if (DeleteFunctionRow(prefs_, row, questions_)) InvalidateRect(Item(kFunctionListId), nullptr, TRUE);
}

void TfPreferences::Apply() {
  TPreferences gathered = Gathered();
  WritePreferences(*context_.settings, gathered);
  const uint32_t iniError = context_.settings->Flush();
  const uint32_t colError =
      SaveColorSet(*context_.store, *context_.codePage, context_.programFolder + "quill.col", colors_);
  prefs_ = gathered;
  if (context_.applySettings) context_.applySettings();
  if (iniError != 0 || colError != 0) questions_.ShowError(iniError != 0 ? iniError : colError, "Preferences", true);
}

int TfPreferences::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  const int result = TDialog::ShowModal([this] { SetFocus(Item(kTabsId)); });
  return result == mrOk ? mrOk : mrCancel;
}

void TfPreferences::Command(int id, int notification) {
  const int selected = static_cast<int>(SendMessageW(Item(kExtColorId), LB_GETCURSEL, 0, 0));
  if (notification == LBN_DBLCLK) {
    if (id == kBasicColorId) BasicColorDoubleClick();
    if (id == kExtColorId && RecolorExtensions(colors_, selected, questions_)) FillExtList();
    if (id == kFunctionListId) EditFunction();
    return;
  }
  if (notification != BN_CLICKED) return;
  switch (id) {
    case IDOK:
      // Enter on the function-key list edits its row rather than closing the dialog.
      if (GetFocus() == Item(kFunctionListId)) {
        EditFunction();
        return;
      }
      Apply();
      SetModalResult(mrOk);
      return;
    case IDCANCEL: SetModalResult(mrCancel); return;
    case kApplyId: Apply(); return;
    case kFileFontId:
    case kTreeFontId: ChooseFont(id); return;
    case kStartBrowseId: BrowseFolder(kStartId); return;
    case kTreePathBrowseId: BrowseFolder(kTreePathId); return;
    case kAddId:
      if (AddExtensions(colors_, questions_)) {
        FillExtList();
        SendMessageW(Item(kExtColorId), LB_SETCURSEL, colors_.extRows.size() - 1, 0);
      }
      return;
    case kEditExtId:
      if (EditExtensions(colors_, selected, questions_)) FillExtList();
      return;
    case kDeleteExtId:
      if (DeleteExtensions(colors_, selected, questions_)) FillExtList();
      return;
    case kOpenSetId: OpenColorSet(); return;
    case kSaveSetId: SaveColorSetAs(); return;
    case kEditFunctionId: EditFunction(); return;
    case kDeleteFunctionId: DeleteFunction(); return;
    default: break;
  }
  if (id >= kProgramBrowseId && id < kProgramBrowseId + kProgramCount) BrowseProgram(id - kProgramBrowseId);
  UpdateEnabling();
}

void TfPreferences::DrawTab(const DRAWITEMSTRUCT& item) {
  const int index = static_cast<int>(item.itemID);
  const bool active = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  const int x = item.rcItem.left + 4, y = item.rcItem.top + 3;
  if (active) {
    ImageList_Draw(images_, index, dc, x, y, ILD_TRANSPARENT);
  } else if (HICON icon = ImageList_GetIcon(images_, index, ILD_TRANSPARENT)) {
    DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, 16, 16, DST_ICON | DSS_DISABLED);
    DestroyIcon(icon);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  if (index >= 0 && index < kPageCount) {
    const std::wstring caption = Widen(kTabCaptions[index]);
    TextOutW(dc, item.rcItem.left + 24, item.rcItem.top + 4, caption.c_str(), static_cast<int>(caption.size()));
  }
}

void TfPreferences::DrawBasicColor(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const int row = static_cast<int>(item.itemID);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (row < 0 || row >= kBasicColorRows) return;
  const TBasicColorRow& entry = kBasicColorRowTable[row];
  SetBkMode(dc, TRANSPARENT);
  if (!entry.key) {
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kHeadingColor);
    DrawTextAt(dc, entry.caption, 2, r);
    return;
  }
  DrawSwatch(dc, r, BasicColorOf(colors_, entry.key));
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextAt(dc, entry.caption, 16, r);
}

void TfPreferences::DrawExtColor(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : extBrush_);
  const size_t row = item.itemID;
  if (row >= colors_.extRows.size()) return;
  TColor color = 0;
  std::string exts;
  if (!ParseExtRow(colors_.extRows[row], color, exts)) exts = colors_.extRows[row];
  DrawSwatch(dc, r, color);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : Rgb(color));
  DrawTextAt(dc, exts, 16, r);
}

void TfPreferences::DrawFunction(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const int row = static_cast<int>(item.itemID);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (row < 0 || row >= kFunctionRows) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kHeadingColor);
  RECT key{r.left, r.top, r.left + 30, r.bottom};
  DrawTextAt(dc, FunctionKeyName(row), 0, key, DT_CENTER);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const TFunctionRowText text = FunctionRowText(prefs_.functions[row]);
  RECT name{r.left + 38, r.top, r.left + 110, r.bottom};
  DrawTextAt(dc, text.name, 0, name, DT_END_ELLIPSIS);
  DrawTextAt(dc, text.command, 114, r, DT_END_ELLIPSIS);
}

INT_PTR TfPreferences::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: SetModalResult(mrCancel); return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == kTabsId && header->code == TCN_SELCHANGE) ShowPage(TabCtrl_GetCurSel(header->hwndFrom));
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType == ODT_LISTBOX) measure->itemHeight = kRowHeight;
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == kTabsId) DrawTab(*item);
      else if (item->CtlID == kBasicColorId) DrawBasicColor(*item);
      else if (item->CtlID == kExtColorId) DrawExtColor(*item);
      else if (item->CtlID == kFunctionListId) DrawFunction(*item);
      if (item->CtlType == ODT_LISTBOX && (item->itemState & ODS_FOCUS)) DrawFocusRect(item->hDC, &item->rcItem);
      return TRUE;
    }
    case WM_CTLCOLORLISTBOX:
      if (reinterpret_cast<HWND>(lParam) == Item(kExtColorId) && extBrush_) return reinterpret_cast<INT_PTR>(extBrush_);
      return FALSE;
    case WM_VKEYTOITEM:
      if (reinterpret_cast<HWND>(lParam) == Item(kFunctionListId) && LOWORD(wParam) == VK_DELETE) {
        DeleteFunction();
        return -2;
      }
      return -1;
    default: return TDialog::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace quill
