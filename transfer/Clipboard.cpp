#include "transfer/Clipboard.h"

#include <cstring>
#include <string_view>

#include "platform/Handle.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"
#include "transfer/FileDropList.h"

namespace quill {

namespace {

struct TGlobalTraits {
  using Type = HGLOBAL;
  static HGLOBAL Invalid() { return nullptr; }
  static void Close(HGLOBAL h) { GlobalFree(h); }
};
using TGlobalBlock = TUniqueHandle<TGlobalTraits>;

// The clipboard is one per session and another program may hold it open for a moment (a
// clipboard viewer reading what was just put there): a few short tries before giving up.
class TOpenClipboard {
public:
  explicit TOpenClipboard(HWND owner) {
    for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
      open_ = OpenClipboard(owner) != 0;
      if (!open_) Sleep(10);
    }
  }
  ~TOpenClipboard() {
    if (open_) CloseClipboard();
  }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
  explicit operator bool() const { return open_; }

private:
  bool open_ = false;
};

UINT DropEffectFormat() { return RegisterClipboardFormatW(L"Preferred DropEffect"); }

TGlobalBlock BlockOf(const void* bytes, size_t size) {
  TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size == 0 ? 1 : size));
  if (!block) return block;
  void* target = GlobalLock(block.Get());
  if (!target) return TGlobalBlock();
  if (size) std::memcpy(target, bytes, size);
  GlobalUnlock(block.Get());
  return block;
}

// The clipboard owns a block once it took it.
bool Put(UINT format, TGlobalBlock block) {
  if (!block || !SetClipboardData(format, block.Get())) return false;
  block.Release();
  return true;
}

// The bytes of a clipboard format; empty when it is not there.
std::string BytesOf(UINT format, bool& present) {
  present = false;
  HANDLE data = GetClipboardData(format);
  if (!data) return {};
  const SIZE_T size = GlobalSize(data);
  const void* bytes = GlobalLock(data);
  if (!bytes) return {};
  present = true;
  std::string copy(static_cast<const char*>(bytes), size);
  GlobalUnlock(data);
  return copy;
}

}  // namespace

bool PutClipboardFiles(HWND owner, const std::vector<std::string>& paths, bool move) {
  const std::string list = BuildFileDropList(paths);
  const std::string effect = DropEffectBytes(move ? kDropEffectMove : kDropEffectCopy);
  TOpenClipboard clipboard(owner);
  if (!clipboard || !EmptyClipboard()) return false;
  return Put(CF_HDROP, BlockOf(list.data(), list.size())) &&
         Put(DropEffectFormat(), BlockOf(effect.data(), effect.size()));
}

TClipboardFiles ReadClipboardFiles(HWND owner) {
  TClipboardFiles files;
  TOpenClipboard clipboard(owner);
  if (!clipboard) return files;
  bool present = false;
  const std::string list = BytesOf(CF_HDROP, present);
  if (!present) return files;
  files.names = ParseFileDropList(list, TAnsiCodePage::Instance());
  const std::string effect = BytesOf(DropEffectFormat(), files.hasEffect);
  files.move = PreferredEffectIsMove(effect);
  return files;
}

bool ClipboardHasFiles() { return IsClipboardFormatAvailable(CF_HDROP) != FALSE; }

bool PutClipboardText(HWND owner, const std::string& text) {
  const std::wstring wide = Widen(text);
  const std::string ansi = Utf8ToCodePage(text, CP_ACP);
  TOpenClipboard clipboard(owner);
  if (!clipboard || !EmptyClipboard()) return false;
  // Both forms with their terminators: a reader of either gets the whole text.
  const bool wideDone = Put(CF_UNICODETEXT, BlockOf(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)));
  const bool ansiDone = Put(CF_TEXT, BlockOf(ansi.c_str(), ansi.size() + 1));
  return wideDone && ansiDone;
}

std::string ReadClipboardText(HWND owner) {
  TOpenClipboard clipboard(owner);
  if (!clipboard) return {};
  bool present = false;
  const std::string bytes = BytesOf(CF_UNICODETEXT, present);
  std::wstring_view wide(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  const size_t end = wide.find(L'\0');
  if (end != std::wstring_view::npos) wide = wide.substr(0, end);
  return Narrow(wide);
}

bool EmptyTheClipboard(HWND owner) {
  TOpenClipboard clipboard(owner);
  return clipboard && EmptyClipboard();
}

uint32_t ClipboardSequence() { return GetClipboardSequenceNumber(); }

}  // namespace quill
