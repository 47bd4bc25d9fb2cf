// Favourites organiser benchmark: opening TfOrganizeFav on a long favorite.dat (reading the file,
// creating the dialog and painting it once) beside a peer that reads the same file the same way
// and puts every display name into a plain list box with LB_ADDSTRING, the way a list of strings
// is usually filled. Best of N for each, alternating so a slow spell of a busy machine falls on
// both alike.
//   organizefav_bench.exe <favorite.dat> [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/FileStore.h"
#include "base/TextFile.h"
#include "messages/Questions.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "settings/OrganizeFavDialog.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Nothing is asked while the dialog only opens; every question would be declined.
class TNoQuestions : public quill::IQuestions {
public:
  bool ShowError(uint32_t, const std::string&, bool) override { return false; }
  int Message(const std::string&, const std::string&, quill::TMessageButtons, quill::TMessageIcon) override {
    return quill::mrCancel;
  }
  int AskText(const std::string&, const std::string&, std::string&, bool, int) override { return quill::mrCancel; }
  int ChooseDrive(std::string&, const std::array<std::string, 3>&, const quill::TDialogPlace&,
                  const std::string&) override {
    return quill::mrCancel;
  }
  std::string ChooseFolder(const std::string&, const std::string&, const std::vector<std::string>&,
                           const std::string&) override {
    return {};
  }
  std::string BrowseNetwork(const std::string&) override { return {}; }
  uint32_t AskFileExists(const std::string&, std::string&, bool, bool) override { return 0; }
  int AskDelete(const std::string&, int, bool) override { return quill::mrCancel; }
};

void Paint(HWND window) {
  ShowWindow(window, SW_SHOWNOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

double Ours(const std::string& path, size_t& rows) {
  TNoQuestions questions;
  const auto start = Clock::now();
  quill::TfOrganizeFav dialog(nullptr, questions, quill::TWin32FileSystem::Instance(),
                              quill::TAnsiCodePage::Instance(), path);
  Paint(dialog.Handle());
  const double seconds = Seconds(start);
  rows = static_cast<size_t>(SendMessageW(dialog.Item(quill::TfOrganizeFav::kListBoxId), LB_GETCOUNT, 0, 0));
  return seconds;
}

double Peer(const std::string& path, size_t& rows) {
  const auto start = Clock::now();
  std::string bytes;
  quill::TWin32FileSystem::Instance().ReadAll(path, bytes);
  const std::vector<std::string> lines = quill::DecodeLines(bytes, quill::TAnsiCodePage::Instance());
  HWND window = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | WS_CAPTION | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 100,
                                100, 220, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const std::string& line : lines) {
    const std::wstring name = quill::Widen(std::string_view(line).substr(0, line.find('=')));
    SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  Paint(window);
  const double seconds = Seconds(start);
  rows = static_cast<size_t>(SendMessageW(window, LB_GETCOUNT, 0, 0));
  DestroyWindow(window);
  return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: organizefav_bench.exe <favorite.dat> [runs]\n");
    return 2;
  }
  const std::string path = quill::Narrow(argv[1]);
  const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
  double ours = 1e9, peer = 1e9;
  size_t ourRows = 0, peerRows = 0;
  for (int i = 0; i < runs; ++i) {
    ours = std::min(ours, Ours(path, ourRows));
    peer = std::min(peer, Peer(path, peerRows));
  }
  std::printf("rows: ours %zu, peer %zu\n", ourRows, peerRows);
  std::printf("open Organize Favorites (read, create, first paint), best of %d: %.3f s\n", runs, ours);
  std::printf("peer: same read, plain list box filled by LB_ADDSTRING, best of %d: %.3f s\n", runs, peer);
  return ourRows == peerRows ? 0 : 3;
}
