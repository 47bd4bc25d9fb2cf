#include "operations/CopyingDialog.h"

#include "fileview/FileViewLayout.h"
#include "platform/StringTable.h"

namespace quill {
namespace {

// The total's text ends where the gauge (12 + 291) ends; the slack is the control's spare width
// past that end.
constexpr int kTotalLeft = 153;
constexpr int kTotalRight = 303;
constexpr int kTotalSlack = 8;

HFONT FaceFont(const wchar_t* face, int points) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

TfCopying::TfCopying(HWND owner, std::chrono::milliseconds timerInterval)
    : TOperationDialog(owner, kClientWidth, kClientHeight), gauge_(timerInterval), pumpThrottle_(kPumpMs) {
  const std::string caption = LoadText(kTextCopying);
  Create(caption.empty() ? "Copying..." : caption);
  gauge_.onRemaining = [this](int64_t seconds) { SetText(kRemainingId, RemainingText(seconds)); };
}

TfCopying::~TfCopying() {
  End();
  if (fileFont_) DeleteObject(fileFont_);
}

void TfCopying::CreateControls() {
  AddLabel("", SS_LEFT | SS_EDITCONTROL, kPathId, 13, 22, 368, 24);
  HWND fileName = AddLabel("", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS, kFileNameId, 14, 60, 363, 17);
  fileFont_ = FaceFont(L"MS Sans Serif", 9);
  if (fileName && fileFont_) SendMessageW(fileName, WM_SETFONT, reinterpret_cast<WPARAM>(fileFont_), FALSE);
  AddLabel("", SS_LEFTNOWORDWRAP, kCountId, 12, 90, 140, 13);
  // Drawn by us, right-aligned so that its end stands over the gauge's end. The control reaches
  // a few pixels further: some renderers (Wine's among them) draw a long run of digits wider than
  // the text's measured extent, and a plain right-aligned label cut off its last digit.
  AddLabel("", SS_OWNERDRAW, kTotalSizeId, kTotalLeft, 90, kTotalRight - kTotalLeft + kTotalSlack, 13);
  gauge_.Create(Handle(), kGaugeId, 12, 107, 291, 12, TGauge::kBarColor, TGauge::kCopyBorderColor);
  AddButton("Cancel", kCancelId, 316, 106, 65, 22, true);
  AddLabel("", SS_LEFTNOWORDWRAP, kRemainingId, 12, 126, 290, 13);
  SetGreyLabels({kCountId, kRemainingId});
}

void TfCopying::Begin(const std::string& caption, int count, uint64_t totalBytes, TProgressMode mode) {
  gauge_.Reset(mode == pmItems ? static_cast<uint64_t>(count < 0 ? 0 : count) : totalBytes);
  SetText(kTotalSizeId, mode == pmItems ? std::string() : GroupThousands(totalBytes));
  // Showing empties the lines: the counter appears with the first item.
  current_ = 0;
  total_ = count;
  sourceName_.clear();
  targetName_.clear();
  pathLine_.clear();
  fileLine_.clear();
  for (int id : {kPathId, kFileNameId, kCountId, kRemainingId}) SetText(id, "");
  countDirty_ = pathDirty_ = fileDirty_ = false;
  cancelled_ = false;
  if (!caption.empty()) SetCaption(caption);
  CentreOnOwner();

  ShowModeless();
  if (mode == pmBytes) gauge_.StartTimer();
  textThrottle_.Reset();
  pumpThrottle_.Reset();
  ProcessMessages();
}

void TfCopying::SetSource(const std::string& name) {
  sourceName_ = name;
  pathDirty_ = true;
}

void TfCopying::SetTarget(const std::string& name) {
  targetName_ = name;
  pathDirty_ = true;
}

void TfCopying::SetPathLine(const std::string& text) {
  pathLine_ = text;
  pathDirty_ = true;
}

void TfCopying::SetFileLine(const std::string& text) {
  fileLine_ = text;
  fileDirty_ = true;
}

void TfCopying::SetCurrent(int current) {
  if (current == current_) return;
  current_ = current;
  countDirty_ = true;
}

void TfCopying::SetTotal(int total) {
  if (total == total_) return;
  total_ = total;
  countDirty_ = true;
}

void TfCopying::SetTotalBytes(uint64_t total) {
  gauge_.Reset(total);
  SetText(kTotalSizeId, GroupThousands(total));
}

void TfCopying::AddProgress(uint64_t amount) { gauge_.AddProgress(amount); }

void TfCopying::ApplyPending() {
  if (pathDirty_) SetText(kPathId, pathLine_.empty() ? PathText(sourceName_, targetName_) : pathLine_);
  if (fileDirty_) SetText(kFileNameId, fileLine_);
  if (countDirty_) SetText(kCountId, CountText(current_, total_));
  pathDirty_ = fileDirty_ = countDirty_ = false;
  gauge_.Refresh();
}

void TfCopying::UpdateNow() {
  ApplyPending();
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TfCopying::ProcessMessages() {
  const uint64_t now = GetTickCount64();
  if (!pumpThrottle_.Due(now)) return;
  if (textThrottle_.Due(now)) ApplyPending();
  // A WM_QUIT means the program is closing: the operation stops.
  if (!PumpMessages()) Cancel();
}

void TfCopying::End() {
  gauge_.StopTimer();
  if (!ShownModeless()) return;
  ApplyPending();
  HideModeless();
}

void TfCopying::Command(int id, int notification) {
  if (id == kCancelId && notification == BN_CLICKED) Cancel();
}

void TfCopying::DrawTotal(const DRAWITEMSTRUCT& item) {
  const int length = GetWindowTextLengthW(item.hwndItem);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(item.hwndItem, text.data(), length + 1)));
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  const HGDIOBJ before = font ? SelectObject(item.hDC, font) : nullptr;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(0x80, 0x80, 0x80));
  RECT area = item.rcItem;
  area.right -= kTotalSlack;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  if (before) SelectObject(item.hDC, before);
}

INT_PTR TfCopying::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWITEM && wParam == kTotalSizeId) {
    DrawTotal(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  if (message != WM_CLOSE) return FALSE;
  // Closing is cancelling, and the window goes at once rather than when the engine next looks:
  // the estimate stops and the owner takes the keyboard again while the engine winds down.
  Cancel();
  gauge_.StopTimer();
  HideModeless();
  return TRUE;
}

}  // namespace quill
