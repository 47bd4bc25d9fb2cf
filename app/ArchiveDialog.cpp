#include "app/ArchiveDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/ArchiveCreate.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileViewLayout.h"
#include "messages/Centring.h"
#include "messages/Messages.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextBadArchiveName = 30700;
constexpr int kMargin = 12;
constexpr int kRowHeight = 21;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr const char* kFormats[] = {"ZIP", "RAR", "ARJ", "ACE"};
constexpr const char* kCompressions[] = {"Best", "Normal", "Fast"};
constexpr const char* kVolumes[] = {"None", "1440 KB", "2880 KB", "5 MB", "10 MB", "20 MB", "50 MB", "100 MB"};

void AddItems(HWND combo, std::initializer_list<const char*> items) {
  for (const char* text : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int Selected(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

void Select(HWND combo, int index, int count) {
  SendMessageW(combo, CB_SETCURSEL, index >= 0 && index < count ? index : 0, 0);
}

// True for the Volume box and the edit inside it, which asks its colours through the box.
bool IsPartOf(HWND control, HWND box) { return control == box || GetParent(control) == box; }
}  // namespace

// ---- TfArchive ----

TfArchive::TfArchive(HWND owner, IQuestions& questions, TIniFile& settings, const std::string& caption,
                     const std::string& folder)
    : TDialog(owner, kClientWidth, kClientHeight, L"MS Sans Serif", 8),
      questions_(questions),
      settings_(settings),
      folder_(folder) {
  Create(caption);
}

TfArchive::~TfArchive() {
  if (helpIcon_) DestroyIcon(helpIcon_);
}

void TfArchive::CreateControls() {
  constexpr int labelWidth = 62, browseWidth = 26;
  const int editLeft = kMargin + labelWidth;
  AddControl(L"STATIC", "&Filename :", SS_LEFT, kFileNameLabelId, kMargin, 15, labelWidth, 16);
  AddControl(L"EDIT", "Archive.zip", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kFileNameId, editLeft, 12,
             kClientWidth - kMargin - browseWidth - 4 - editLeft, kRowHeight, WS_EX_CLIENTEDGE);
  AddControl(L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kBrowseId, kClientWidth - kMargin - browseWidth, 12,
             browseWidth, kRowHeight);

  // The options on the left, the buttons in a column on the right.
  constexpr int groupTop = 40, groupWidth = 248;
  constexpr int innerLeft = kMargin + 12, fieldLeft = innerLeft + 80;
  constexpr int fieldWidth = groupWidth - (fieldLeft - kMargin) - 12;
  AddControl(L"BUTTON", "Options", BS_GROUPBOX, kOptionsId, kMargin, groupTop, groupWidth,
             kClientHeight - groupTop - kMargin + 2);
  int y = groupTop + 18;
  AddControl(L"STATIC", "Fo&rmat :", SS_LEFT, kFormatLabelId, innerLeft, y + 3, 78, 16);
  HWND format = AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kFormatId, fieldLeft, y,
                           fieldWidth, 200);
  AddItems(format, {kFormats[0], kFormats[1], kFormats[2], kFormats[3]});
  Select(format, settings_.ReadInteger("Archive", "Type", 0), kArchiveFormatCount);
  y += 25;
  AddControl(L"STATIC", "&Compression :", SS_LEFT, kCompressionLabelId, innerLeft, y + 3, 78, 16);
  HWND compression = AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kCompressionId,
                                fieldLeft, y, fieldWidth, 200);
  AddItems(compression, {kCompressions[0], kCompressions[1], kCompressions[2]});
  Select(compression, settings_.ReadInteger("Archive", "Compression", 1), 3);
  y += 25;
  AddControl(L"STATIC", "&Volume :", SS_LEFT, kVolumeLabelId, innerLeft, y + 3, 78, 16);
  HWND volume = AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, kVolumeId,
                           fieldLeft, y, fieldWidth, 200);
  AddItems(volume, {kVolumes[0], kVolumes[1], kVolumes[2], kVolumes[3], kVolumes[4], kVolumes[5], kVolumes[6],
                    kVolumes[7]});
  y += 25;
  AddControl(L"STATIC", "&Password :", SS_LEFT, kPasswordLabelId, innerLeft, y + 3, 78, 16);
  AddControl(L"EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | ES_PASSWORD, kPasswordId, fieldLeft, y, fieldWidth,
             kRowHeight, WS_EX_CLIENTEDGE);
  SendMessageW(Item(kPasswordId), EM_SETPASSWORDCHAR, '*', 0);
  SendMessageW(Item(kPasswordId), EM_LIMITTEXT, 30, 0);
  y += 26;
  AddControl(L"BUTTON", "Include &Subdirectories", WS_TABSTOP | BS_AUTOCHECKBOX, kRecursiveId, innerLeft, y,
             groupWidth - 24, 17);
  SetRecursive(true);

  const int buttonLeft = kClientWidth - kMargin - kButtonWidth;
  AddControl(L"BUTTON", "Start", WS_TABSTOP | BS_DEFPUSHBUTTON, kStartId, buttonLeft, groupTop + 6, kButtonWidth,
             kButtonHeight);
  AddControl(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, buttonLeft, groupTop + 6 + kButtonHeight + 8,
             kButtonWidth, kButtonHeight);
  HWND help = AddControl(L"BUTTON", "", WS_TABSTOP | BS_FLAT | BS_ICON, kHelpId, buttonLeft,
                         kClientHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  helpIcon_ = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32514) /* IDI_QUESTION */, IMAGE_ICON, 16, 16,
                                            LR_SHARED));
  if (helpIcon_) SendMessageW(help, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(helpIcon_));
  helpIcon_ = nullptr;  // shared: the system keeps it
  SendMessageW(Handle(), DM_SETDEFID, kStartId, 0);
}

int TfArchive::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  SendMessageW(Item(kVolumeId), CB_SETCURSEL, 0, 0);
  FormatChanged();
  const int result = TDialog::ShowModal([this] {
    SetFocus(Item(kFileNameId));
    SendMessageW(Item(kFileNameId), EM_SETSEL, 0, -1);
  });
  SaveChoices();
  return result == mrOk ? mrOk : mrCancel;
}

int TfArchive::Format() const { return Selected(Item(kFormatId)); }
int TfArchive::Compression() const { return Selected(Item(kCompressionId)); }
bool TfArchive::Recursive() const { return SendMessageW(Item(kRecursiveId), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TfArchive::SetRecursive(bool recursive) {
  SendMessageW(Item(kRecursiveId), BM_SETCHECK, recursive ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TfArchive::FormatChanged() {
  const int format = Format();
  EnableWindow(Item(kVolumeId), format == afRar || format == afArj || format == afAce);
  InvalidateRect(Item(kVolumeId), nullptr, TRUE);
}

bool TfArchive::Start() {
  const std::string name = FileName();
  if (CheckArchiveName(name) != TNameProblem::None) {
    questions_.Message(FillText(LoadText(kTextBadArchiveName), {name}), LoadText(kTextError), mbOk, miStop);
    SetFocus(Item(kFileNameId));
    return false;
  }
  const std::string password = Password();
  if (password.empty()) return true;
  std::string again;
  const int answer = questions_.AskMaskedText("Confirm Password", "Please retype password to confirm", again, '*');
  if (answer == mrOk && again == password) return true;
  SetFocus(Item(kPasswordId));
  return false;
}

void TfArchive::Browse() {
  std::string folder = FileDirPart(Trim(FileName()));
  if (folder.empty() || !(folder.size() >= 2 && (folder[1] == ':' || folder[0] == '\\')))
    folder = folder.empty() ? folder_ : JoinPath(folder_, folder);
  std::string path = JoinPath(folder, "");
  if (path.empty() || path.back() != '\\') path += '\\';
  if (questions_.ChooseOpenFile(path, kBrowseFilter)) SetFileName(path);
}

void TfArchive::SaveChoices() {
  // A settings file that cannot be written keeps the old choices; nothing to tell.
  settings_.WriteInteger("Archive", "Type", Format());
  settings_.WriteInteger("Archive", "Compression", Compression());
  settings_.Flush();
}

void TfArchive::Command(int id, int notification) {
  if (id == kFormatId && notification == CBN_SELCHANGE) FormatChanged();
  if (notification != BN_CLICKED) return;
  if (id == kStartId || id == IDOK) {
    if (Start()) SetModalResult(mrOk);
  } else if (id == IDCANCEL) {
    SetModalResult(mrCancel);
  } else if (id == kBrowseId) {
    Browse();
  }
}

INT_PTR TfArchive::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetModalResult(mrCancel);
    return TRUE;
  }
  // Volume's text is grey while only the command-line archivers could use it.
  if ((message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORLISTBOX) &&
      IsPartOf(reinterpret_cast<HWND>(lParam), Item(kVolumeId))) {
    const HDC dc = reinterpret_cast<HDC>(wParam);
    const bool enabled = IsWindowEnabled(Item(kVolumeId));
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const int face = message == WM_CTLCOLORSTATIC ? COLOR_BTNFACE : COLOR_WINDOW;
    SetBkColor(dc, GetSysColor(face));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(face));
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

// ---- TfArcProp ----

TfArcProp::TfArcProp(HWND owner, const TArchiveTotals& totals)
    : TDialog(owner, kClientWidth, kClientHeight, L"MS Sans Serif", 8), totals_(totals) {
  Create("Archive Properties");
}

TfArcProp::~TfArcProp() {
  if (icon_) DestroyIcon(icon_);
}

void TfArcProp::CreateControls() {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(Widen(totals_.fileName).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
    icon_ = info.hIcon;
  HWND icon = AddControl(L"STATIC", "", SS_ICON | SS_CENTERIMAGE, kIconId, kMargin, 10, 16, 16);
  if (icon_) SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
  AddControl(L"STATIC", FileNamePart(totals_.fileName), SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS, kFileNameId,
             kMargin + 24, 11, kClientWidth - 2 * kMargin - 24, 16);

  constexpr int groupTop = 34, labelLeft = kMargin + 12, valueLeft = labelLeft + 90;
  const int valueWidth = kClientWidth - kMargin - 12 - valueLeft;
  AddControl(L"BUTTON", "Properties", BS_GROUPBOX, kPropertiesId, kMargin, groupTop, kClientWidth - 2 * kMargin, 92);
  const auto row = [&](int y, const char* label, int labelId, const std::string& value, int valueId) {
    AddControl(L"STATIC", label, SS_LEFT | SS_NOPREFIX, labelId, labelLeft, y, 88, 16);
    AddControl(L"STATIC", value, SS_RIGHT | SS_NOPREFIX, valueId, valueLeft, y, valueWidth, 16);
  };
  row(groupTop + 18, "Total Files : ", kCountLabelId, GroupThousands(static_cast<uint64_t>(totals_.count)), kCountId);
  row(groupTop + 36, "Original Size :", kOriginalLabelId, GroupThousands(totals_.original), kOriginalSizeId);
  row(groupTop + 54, "Packed Size :", kPackedLabelId, GroupThousands(totals_.packed), kPackedSizeId);
  HWND ratio = AddControl(PROGRESS_CLASSW, "", 0, kRatioId, labelLeft, groupTop + 72,
                          valueLeft + valueWidth - labelLeft - 36, 12);
  SendMessageW(ratio, PBM_SETRANGE32, 0, 100);
  SendMessageW(ratio, PBM_SETPOS, totals_.ratio, 0);
  AddControl(L"STATIC", std::to_string(totals_.ratio) + "%", SS_RIGHT | SS_NOPREFIX, kRatioTextId,
             valueLeft + valueWidth - 32, groupTop + 70, 32, 16);

  AddControl(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, (kClientWidth - kButtonWidth) / 2,
             kClientHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);
}

int TfArcProp::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  TDialog::ShowModal([this] { SetFocus(Item(IDOK)); });
  return mrOk;
}

void TfArcProp::Command(int id, int notification) {
  if (notification == BN_CLICKED && (id == IDOK || id == IDCANCEL)) SetModalResult(mrOk);
}

INT_PTR TfArcProp::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetModalResult(mrOk);
    return TRUE;
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
