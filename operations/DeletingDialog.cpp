#include "operations/DeletingDialog.h"

#include <shellapi.h>

namespace quill {
namespace {

// The recycle bin's picture from the shell; nullptr where the shell has none.
HICON DeleteIcon() {
  SHSTOCKICONINFO info{};
  info.cbSize = sizeof info;
  if (SUCCEEDED(SHGetStockIconInfo(SIID_RECYCLERFULL, SHGSI_ICON | SHGSI_LARGEICON, &info)) && info.hIcon)
    return info.hIcon;
  return nullptr;
}

}  // namespace

TfDeleting::TfDeleting(HWND owner) : TOperationDialog(owner, kClientWidth, kClientHeight), pumpThrottle_(kPumpMs) {
  Create("Deleting...");
}

TfDeleting::~TfDeleting() {
  End();
  if (icon_) DestroyIcon(icon_);
}

void TfDeleting::CreateControls() {
  HWND picture = AddLabel("", SS_ICON, kIconId, 20, 16, 32, 32);
  icon_ = DeleteIcon();
  SendMessageW(picture, STM_SETICON,
               reinterpret_cast<WPARAM>(icon_ ? icon_ : LoadIconW(nullptr, IDI_WARNING)), 0);
  AddLabel("", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS, kItemId, 20, 80, 257, 13);
  gauge_.Create(Handle(), kGaugeId, 19, 101, 262, 13, TGauge::kBarColor, TGauge::kDeleteBorderColor);
  AddButton("Cancel", kCancelId, 296, 96, 65, 22, true);
}

void TfDeleting::Begin(int maximum) {
  gauge_.Reset(static_cast<uint64_t>(maximum < 0 ? 0 : maximum));
  item_.clear();
  itemDirty_ = false;
  SetText(kItemId, "");
  cancelled_ = false;
  CentreOnOwner();
  ShowModeless();
  textThrottle_.Reset();
  pumpThrottle_.Reset();
  ProcessMessages();
}

void TfDeleting::SetItem(const std::string& name) {
  item_ = name;
  itemDirty_ = true;
}

void TfDeleting::Step() { gauge_.AddProgress(1); }

void TfDeleting::ApplyPending() {
  if (itemDirty_) SetText(kItemId, item_);
  itemDirty_ = false;
  gauge_.Refresh();
}

void TfDeleting::UpdateNow() {
  ApplyPending();
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TfDeleting::ProcessMessages() {
  const uint64_t now = GetTickCount64();
  if (!pumpThrottle_.Due(now)) return;
  if (textThrottle_.Due(now)) ApplyPending();
  if (!PumpMessages()) cancelled_ = true;
}

void TfDeleting::End() {
  if (!ShownModeless()) return;
  ApplyPending();
  HideModeless();
}

void TfDeleting::Command(int id, int notification) {
  if (id == kCancelId && notification == BN_CLICKED) cancelled_ = true;
}

INT_PTR TfDeleting::Message(UINT message, WPARAM, LPARAM) {
  if (message != WM_CLOSE) return FALSE;
  cancelled_ = true;
  return TRUE;
}

}  // namespace quill
