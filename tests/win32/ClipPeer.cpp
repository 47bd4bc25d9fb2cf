// Another program at the other end of the clipboard, for the clipboard tests. It uses nothing of
// Quill's, only the system's own calls, so it judges what Quill puts there:
//   ClipPeer cut FILE...             the files on the clipboard with the move effect, then exits
//   ClipPeer copy-no-effect FILE...  the files on the clipboard without any preferred effect
//   ClipPeer paste DEST              reads the clipboard's file list and effect (through the
//                                    shell's DragQueryFile) and copies or moves the files into
//                                    DEST through the shell's file operation; prints "effect N"
//                                    and then one name a line, in UTF-8
//   ClipPeer text                    prints the clipboard's CF_UNICODETEXT, then its CF_TEXT
// Names on the command line are UTF-16 (wmain). Exit code 0 when everything worked.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

bool Open() {
  for (int i = 0; i < 50; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(20);
  }
  return false;
}

HGLOBAL Block(const void* bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return nullptr;
  memcpy(GlobalLock(block), bytes, size);
  GlobalUnlock(block);
  return block;
}

// A DROPFILES block with wide names, as the shell writes it.
int PutFiles(const std::vector<std::wstring>& names, bool withMoveEffect) {
  std::wstring list;
  for (const std::wstring& name : names) list += name + L'\0';
  list += L'\0';
  std::vector<char> bytes(sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* header = reinterpret_cast<DROPFILES*>(bytes.data());
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  memcpy(bytes.data() + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  if (!Open()) return 3;
  EmptyClipboard();
  bool done = SetClipboardData(CF_HDROP, Block(bytes.data(), bytes.size())) != nullptr;
  if (withMoveEffect) {
    const DWORD effect = DROPEFFECT_MOVE;
    done = done && SetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"), Block(&effect, sizeof effect));
  }
  CloseClipboard();
  return done ? 0 : 4;
}

int Paste(const std::wstring& destination) {
  if (!Open()) return 3;
  HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
  if (!drop) {
    CloseClipboard();
    printf("no files\n");
    return 5;
  }
  DWORD effect = 0;
  if (HANDLE value = GetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"))) {
    effect = *static_cast<const DWORD*>(GlobalLock(value));
    GlobalUnlock(value);
  }
  std::wstring from;
  std::vector<std::wstring> names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
    names.push_back(name);
    from += name + L'\0';
  }
  CloseClipboard();
  printf("effect %lu\n", static_cast<unsigned long>(effect));
  for (const std::wstring& name : names) printf("%s\n", Utf8(name).c_str());
  fflush(stdout);
  if (names.empty()) return 5;
  from += L'\0';
  const std::wstring to = destination + L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = (effect & DROPEFFECT_MOVE) ? FO_MOVE : FO_COPY;
  operation.pFrom = from.c_str();
  operation.pTo = to.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SILENT | FOF_NOERRORUI;
  return SHFileOperationW(&operation) == 0 ? 0 : 6;
}

int Text() {
  if (!Open()) return 3;
  if (HANDLE wide = GetClipboardData(CF_UNICODETEXT)) {
    printf("%s\n", Utf8(static_cast<const wchar_t*>(GlobalLock(wide))).c_str());
    GlobalUnlock(wide);
  }
  if (HANDLE ansi = GetClipboardData(CF_TEXT)) {
    printf("%s\n", static_cast<const char*>(GlobalLock(ansi)));
    GlobalUnlock(ansi);
  }
  CloseClipboard();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  std::vector<std::wstring> rest(argv + 2, argv + argc);
  if (command == L"cut") return PutFiles(rest, true);
  if (command == L"copy-no-effect") return PutFiles(rest, false);
  if (command == L"paste" && rest.size() == 1) return Paste(rest[0]);
  if (command == L"text") return Text();
  return 2;
}
