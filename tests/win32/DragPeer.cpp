// A program that drags files the way another program would: DoDragDrop with a data object of
// the files given, the pointer moved to a screen point while a mouse button and Ctrl or Shift
// are held, then the button let go (or Escape pressed). The tests start it and watch what the
// window under that point does.
//
//   DragPeer X Y KEYS HOLD-MS FILE...
//
// KEYS: any of "c" (Ctrl), "s" (Shift), "r" (the right button instead of the left), "x" (end
// with Escape instead of a drop); "-" for none. HOLD-MS: how long the pointer stays at X,Y
// before the end.
// Exit code: 0x100 dropped, 0x200 cancelled, 0x400 failed; the low nibble is the effect
// DoDragDrop returned, the next one the performed effect the target left on the data.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Utf16.h"
#include "transfer/DataObject.h"

namespace {

struct TPlan {
  POINT target{};
  bool control = false, shift = false, right = false, escape = false;
  DWORD holdMs = 500;
  DWORD start = 0;
  int stage = 0;
};
TPlan plan;

// The key state DoDragDrop reads: the button and the modifiers as the plan holds them.
void HoldKeys(bool button) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const auto set = [&](int vk, bool down) { keys[vk] = down ? 0x80 : 0; };
  set(VK_LBUTTON, button && !plan.right);
  set(VK_RBUTTON, button && plan.right);
  set(VK_CONTROL, plan.control);
  set(VK_LCONTROL, plan.control);
  set(VK_SHIFT, plan.shift);
  set(VK_LSHIFT, plan.shift);
  SetKeyboardState(keys);
}

// Runs inside DoDragDrop's own loop.
void CALLBACK Step(HWND, UINT, UINT_PTR, DWORD) {
  const DWORD now = GetTickCount();
  switch (plan.stage) {
    case 0:
      SetCursorPos(plan.target.x, plan.target.y);
      HoldKeys(true);
      plan.start = now;
      plan.stage = 1;
      break;
    case 1:
      HoldKeys(true);
      if (now - plan.start < plan.holdMs) break;
      plan.stage = 2;
      if (plan.escape) PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0);
      else HoldKeys(false);
      break;
    default:
      if (!plan.escape) HoldKeys(false);
      break;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: DragPeer X Y KEYS HOLD-MS FILE...\n");
    return 0x400;
  }
  plan.target = {_wtoi(argv[1]), _wtoi(argv[2])};
  const std::wstring keys = argv[3];
  plan.control = keys.find(L'c') != std::wstring::npos;
  plan.shift = keys.find(L's') != std::wstring::npos;
  plan.right = keys.find(L'r') != std::wstring::npos;
  plan.escape = keys.find(L'x') != std::wstring::npos;
  plan.holdMs = static_cast<DWORD>(_wtoi(argv[4]));
  std::vector<std::string> files;
  for (int i = 5; i < argc; ++i) files.push_back(quill::Narrow(argv[i]));

  if (FAILED(OleInitialize(nullptr))) return 0x400;
  IDataObject* data = quill::NewFileDataObject(files);
  IDropSource* source = quill::NewFileDropSource();
  // A little off the point first, so the target sees the pointer come in and move.
  SetCursorPos(plan.target.x - 40, plan.target.y);
  HoldKeys(true);
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, Step);
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result = DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
  KillTimer(nullptr, timer);
  const DWORD performed = quill::PerformedDropEffect(data);
  std::printf("DragPeer: result 0x%08lx effect %lu performed %lu\n", static_cast<unsigned long>(result),
              static_cast<unsigned long>(effect), static_cast<unsigned long>(performed));
  source->Release();
  data->Release();
  OleUninitialize();
  const int outcome = result == DRAGDROP_S_DROP ? 0x100 : result == DRAGDROP_S_CANCEL ? 0x200 : 0x400;
  return outcome | static_cast<int>(effect & 0xF) | static_cast<int>((performed & 0xF) << 4);
}
