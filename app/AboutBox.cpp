#include "app/AboutBox.h"

#include <string>

#include "app/Startup.h"
#include "messages/Centring.h"

namespace quill {
namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kTextLeft = kMargin + kIconSize + kMargin;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

// The window title names the program and its version: "Quill 4.0 Beta3".
std::string ProgramName() {
  const std::string title = kCaptionTitle;
  return title.substr(0, title.find(' '));
}

std::string ProgramVersion() {
  const std::string title = kCaptionTitle;
  const size_t blank = title.find(' ');
  return blank == std::string::npos ? std::string() : title.substr(blank + 1);
}

}  // namespace

TfAbout::TfAbout(HWND owner) : TDialog(owner, kClientWidth, kClientHeight, L"MS Shell Dlg", 8) {
  Create("About " + ProgramName());
}

TfAbout::~TfAbout() {
  // The controls go with the window, before the font they were drawing with.
  if (Handle()) DestroyWindow(Handle());
  if (nameFont_) DeleteObject(nameFont_);
}

void TfAbout::CreateControls() {
  // The executable's main icon, the one the shell shows for it; shared, so never destroyed here.
  HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, kIconSize, kIconSize,
                           LR_SHARED);
  HWND picture = AddControl(L"STATIC", "", SS_ICON | SS_REALSIZEIMAGE, kIconId, kMargin, kMargin, kIconSize,
                            kIconSize);
  SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);

  const int textWidth = kClientWidth - kTextLeft - kMargin;
  HWND name = AddControl(L"STATIC", ProgramName(), SS_LEFT | SS_NOPREFIX, kNameId, kTextLeft, kMargin,
                         textWidth, 16);
  // The name stands out in the system's message face, bold. Not larger: Wine's own Tahoma has
  // its bold cut only at the common size and draws other sizes thin.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    LOGFONTW face = metrics.lfMessageFont;
    face.lfWeight = FW_BOLD;
    nameFont_ = CreateFontIndirectW(&face);
    if (nameFont_) SendMessageW(name, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont_), FALSE);
  }
  AddControl(L"STATIC", "Version " + ProgramVersion(), SS_LEFT | SS_NOPREFIX, kVersionId, kTextLeft, kMargin + 18,
             textWidth, 16);
  AddControl(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, (kClientWidth - kButtonWidth) / 2,
             kClientHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  SendMessageW(Handle(), DM_SETDEFID, IDOK, 0);
}

void TfAbout::ShowModal() {
  CentreWindowOver(Handle(), Owner());
  TDialog::ShowModal([this] { SetFocus(Item(IDOK)); });
}

void TfAbout::Command(int id, int notification) {
  if (notification == BN_CLICKED && (id == IDOK || id == IDCANCEL)) SetModalResult(id);
}

INT_PTR TfAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SetModalResult(IDCANCEL);
    return TRUE;
  }
  return TDialog::HandleMessage(message, wParam, lParam);
}

void ShowAboutBox(HWND owner) {
  TfAbout about(owner);
  about.ShowModal();
}

}  // namespace quill
