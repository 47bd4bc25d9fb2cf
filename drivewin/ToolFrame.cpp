#include "drivewin/ToolFrame.h"

#include <algorithm>
#include <exception>

#include "messages/Questions.h"
#include "platform/Utf16.h"
#include "ui/ModalLoop.h"

namespace quill {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kListId = 1;
constexpr int kToolBarId = 2;
constexpr int kStatusBarId = 3;

int HeightOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r.bottom - r.top;
}

}  // namespace

bool TToolFrame::CreateFrame(HWND owner, const wchar_t* className, const wchar_t* caption, int clientWidth,
                             int clientHeight, const std::vector<TToolButton>& buttons, int rowHeight) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  buttons_ = buttons;
  rowHeight_ = rowHeight;
  modalResult_ = 0;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  if (!CreateHandle(className, kStyle, kExStyle, caption, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                    frame.bottom - frame.top, owner))
    return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  CreateToolBar(buttons);
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Handle(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance, nullptr);
  // A data-less list: the rows live in the window's own data and are drawn from there.
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                              LBS_NODATA | LBS_NOINTEGRALHEIGHT,
                          0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance,
                          nullptr);
  if (!toolBar_ || !statusBar_ || !list_) return false;
  SendMessageW(statusBar_, WM_SETFONT, font, FALSE);
  SendMessageW(list_, WM_SETFONT, font, FALSE);
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, rowHeight);
  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  BarHeights();
  PlaceList();
  return true;
}

void TToolFrame::CreateToolBar(const std::vector<TToolButton>& buttons) {
  const bool captions = std::any_of(buttons.begin(), buttons.end(), [](const TToolButton& b) { return b.caption; });
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | (captions ? TBSTYLE_LIST : TBSTYLE_TOOLTIPS) |
                                 CCS_TOP | CCS_NODIVIDER,
                             0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBarId)),
                             GetModuleHandleW(nullptr), nullptr);
  if (!toolBar_) return;
  std::vector<TGlyph> glyphs;
  for (const TToolButton& button : buttons) glyphs.push_back(button.glyph);
  toolImages_ = std::make_unique<TToolImages>(glyphs);
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_->Normal()));
  SendMessageW(toolBar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(toolImages_->Disabled()));
  std::vector<TBBUTTON> items;
  for (size_t i = 0; i < buttons.size(); ++i) {
    const TToolButton& button = buttons[i];
    if (button.newGroup) items.push_back({0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0});
    items.push_back({static_cast<int>(i), button.command, TBSTATE_ENABLED,
                     static_cast<BYTE>(BTNS_BUTTON | (button.caption ? BTNS_AUTOSIZE : 0)), {}, 0,
                     reinterpret_cast<INT_PTR>(button.caption)});
  }
  SendMessageW(toolBar_, TB_ADDBUTTONSW, items.size(), reinterpret_cast<LPARAM>(items.data()));
  SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
}

TToolFrame::TBarHeights TToolFrame::BarHeights() {
  SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  return {HeightOf(toolBar_), HeightOf(statusBar_)};
}

void TToolFrame::PlaceList() {
  RECT client{};
  GetClientRect(Handle(), &client);
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  const int top = HeightOf(toolBar_);
  MoveWindow(list_, 0, top, client.right, client.bottom - top - HeightOf(statusBar_), TRUE);
}

void TToolFrame::SetClientHeight(int height) {
  RECT client{};
  GetClientRect(Handle(), &client);
  RECT frame{0, 0, client.right, height};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceList();
}

std::string TToolFrame::StatusText() const {
  wchar_t text[1024] = {};
  if (statusBar_) GetWindowTextW(statusBar_, text, 1024);
  return Narrow(text);
}

void TToolFrame::SetStatusText(const std::string& text) {
  if (statusBar_) SetWindowTextW(statusBar_, Widen(text).c_str());
}

void TToolFrame::EnableCommand(int command, bool enabled) {
  if (toolBar_) SendMessageW(toolBar_, TB_ENABLEBUTTON, command, MAKELPARAM(enabled, 0));
}

bool TToolFrame::CommandEnabled(int command) const {
  return toolBar_ && SendMessageW(toolBar_, TB_ISBUTTONENABLED, command, 0) != 0;
}

int TToolFrame::RunFrame(HWND owner, POINT at) {
  SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  modalResult_ = 0;
  const int result = RunModal(Handle(), owner, modalResult_);
  DestroyWindow(Handle());
  list_ = toolBar_ = statusBar_ = nullptr;
  toolImages_.reset();
  return result;
}

LRESULT TToolFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(rowHeight_);
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        for (const TToolButton& button : buttons_)
          if (static_cast<UINT_PTR>(button.command) == header->idFrom && button.hint)
            info->lpszText = const_cast<wchar_t*>(button.hint);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && list_) SetFocus(list_);
      return 0;
    case WM_SETFOCUS:
      if (list_) SetFocus(list_);
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CLOSE:
      Close(mrCancel);
      return 0;
    default:
      return DefaultHandling(message, wParam, lParam);
  }
}

LRESULT TToolFrame::ListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TToolFrame::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ListProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  // Exceptions must not unwind through the list box's own procedure.
  try {
    return reinterpret_cast<TToolFrame*>(self)->ListMessage(hwnd, message, wParam, lParam);
  } catch (const std::exception& e) {
    ReportException(GetParent(hwnd), e.what());
  } catch (...) {
    ReportException(GetParent(hwnd), nullptr);
  }
  return 0;
}

}  // namespace quill
