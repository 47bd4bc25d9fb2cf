// The folder tree: the view's keys, search and drawing, the tree window as the program's folder
// chooser, its drive buttons, folder management and a cancelled scan, all on real windows with
// a cache file prepared for drive C: so that nothing reads the whole drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/ShellFolders.h"
#include "platform/Utf16.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"
#include "tree/TreeCache.h"
#include "tree/TreeWindow.h"

namespace quill {
namespace {

using test::TScratchFolder;

// A key as the view sees it, with Shift held or not (read from the key state).
void Key(HWND window, WPARAM key, bool shift = false) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
  SendMessageW(window, WM_KEYDOWN, key, 0);
  state[VK_SHIFT] = 0;
  SetKeyboardState(state);
}

void Type(HWND window, const std::string& text) {
  for (const char c : text) SendMessageW(window, WM_CHAR, static_cast<WPARAM>(c), 0);
}

HWND ChildOfClass(HWND parent, const wchar_t* name) { return FindWindowExW(parent, nullptr, name, nullptr); }

class TreeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Alpha", "Alpha\\Inner", "Beta", "Gamma", "Gamma\\Deep", "Gamma\\Deep\\Deeper"})
      test::MakeFolder(data / name);
    test::WriteBytes(program / "quill.ini", "[Option]\r\nTreeRoot=0\r\nTreePath=" + program.Path() + "\r\n");
    cacheFile = TreeCacheFile("C:", program.Path(), false);
    // The cache knows the way down to the data folder and what is in it, but not Gamma's inside.
    std::vector<std::string> lines{TreeLine(true, 0, "C:")};
    std::string rest = data.Path().substr(3);
    int level = 1;
    for (size_t at = 0; at <= rest.size();) {
      const size_t end = std::min(rest.find('\\', at), rest.size());
      lines.push_back(TreeLine(true, level++, rest.substr(at, end - at)));
      at = end + 1;
    }
    dataLevel = level - 1;
    lines.push_back(TreeLine(true, level, "Alpha"));
    lines.push_back(TreeLine(true, level + 1, "Inner"));
    lines.push_back(TreeLine(true, level, "Beta"));
    lines.push_back(TreeLine(true, level, "Gamma"));
    WriteCache(lines);
  }
  void WriteCache(const std::vector<std::string>& cacheLines) {
    lines = cacheLines;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    test::WriteBytes(cacheFile, text);
  }
  void TearDown() override { questions.ExpectAllAnswered(); }

  std::unique_ptr<TfTree> OpenTree(const std::string& folder) {
    auto window = std::make_unique<TfTree>(questions, program.Path() + "\\");
    EXPECT_TRUE(window->Create(nullptr, "Folder Tree"));
    ShowWindow(window->Handle(), SW_SHOW);
    window->FolderView().SetFolder(folder);
    return window;
  }
  // The cache's lines whatever its encoding: it is UTF-8 with a BOM when any folder name on the
  // drive (another suite's scratch folder, say) has no ANSI form, and ANSI otherwise.
  std::string CacheText() {
    const std::string text = test::ReadBytes(cacheFile);
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
  }

  TScratchFolder program, data;
  std::string cacheFile;
  std::vector<std::string> lines;  // the cache as written
  int dataLevel = 0;               // the data folder's level in the tree
  test::TScriptedQuestions questions;
};

TEST_F(TreeWindow, KeysSearchAndRowsFollowTheColumnLayout) {
  auto window = OpenTree(data / "Alpha");
  TQuillFolderView& view = window->FolderView();
  HWND v = view.Handle();
  ASSERT_EQ(view.GetFolder(), data / "Alpha");
  EXPECT_EQ(window->AddressText(), data / "Alpha");
  TTreeItem* alpha = view.Focused();
  // Alpha's first child sits on Alpha's row; Beta starts the next one.
  ASSERT_NE(alpha->FirstChild, nullptr);
  EXPECT_EQ(alpha->FirstChild->Row, alpha->Row);
  EXPECT_EQ(alpha->NextSibling->Row, alpha->Row + 1);
  const POINT a = view.GetItemPos(alpha);
  const POINT inner = view.GetItemPos(alpha->FirstChild);
  EXPECT_EQ(inner.x - a.x, view.ColumnWidth());
  EXPECT_EQ(inner.y, a.y);
  EXPECT_EQ(view.GetItemAt(inner.x + 25, inner.y + 2), alpha->FirstChild);
  EXPECT_EQ(view.ColumnWidth(), 9 * 10 + 20) << "9 points give columns of 110 pixels";

  Key(v, VK_RIGHT);  // the next item in order: Inner, on the same row
  EXPECT_EQ(view.GetFolder(), data / "Alpha\\Inner");
  Key(v, VK_DOWN);  // no Inner-level item below: the next visible one
  EXPECT_EQ(view.GetFolder(), data / "Beta");
  Key(v, VK_DOWN);
  EXPECT_EQ(view.GetFolder(), data / "Gamma");
  Key(v, VK_UP, true);  // Shift+Up: the previous sibling
  EXPECT_EQ(view.GetFolder(), data / "Beta");
  Key(v, VK_LEFT);
  EXPECT_EQ(view.GetFolder(), data.Path());
  Key(v, VK_UP, true);  // a first child has no previous sibling
  EXPECT_EQ(view.GetFolder(), data.Path());
  Key(v, VK_HOME);
  EXPECT_EQ(view.GetFolder(), "C:\\");
  Key(v, VK_END);
  EXPECT_EQ(view.GetFolder(), data / "Gamma");

  // Quick search: "g" stays, "gx" matches nothing and restarts with "x", which matches nothing.
  Key(v, VK_HOME);
  Type(v, "al");
  EXPECT_EQ(view.GetFolder(), data / "Alpha");
  EXPECT_TRUE(window->FindVisible());
  EXPECT_EQ(window->FindText(), " AL");
  test::SaveShot(window->Handle(), "tree-search");
  Type(v, "x");
  EXPECT_EQ(view.FindText(), "");
  EXPECT_FALSE(window->FindVisible());
  Type(v, "b");
  EXPECT_EQ(view.GetFolder(), data / "Beta");
  Type(v, "B");  // a capital without Caps Lock is left to Shift+letter
  EXPECT_EQ(view.FindText(), "b");
  Type(v, "\b");
  EXPECT_EQ(view.FindText(), "");

  // Collapsing hides Alpha's child, moves Beta up a row and reaches the cache as a "0" line.
  view.SetFocused(alpha);
  const int betaRow = alpha->NextSibling->Row;
  Key(v, VK_LEFT, true);
  EXPECT_FALSE(alpha->Expanded);
  EXPECT_EQ(alpha->NextSibling->Row, betaRow) << "a collapsed folder still takes its own row";
  Key(v, VK_RIGHT);
  EXPECT_EQ(view.GetFolder(), data / "Beta") << "the hidden child is skipped";
  view.SaveTree();
  EXPECT_NE(CacheText().find("0" + TreeLine(true, alpha->Level, "Alpha").substr(1)), std::string::npos);

  // The focus bar is drawn in the focus colour (black) on the white ground, the rest is not.
  UpdateWindow(v);
  const POINT beta = view.GetItemPos(view.Focused());
  HDC dc = GetDC(v);
  int black = 0;
  for (int x = beta.x + 18; x < beta.x + 40; ++x) black += GetPixel(dc, x, beta.y + view.ItemHeight() - 2) == 0;
  const COLORREF ground = GetPixel(dc, beta.x + 18, beta.y + view.ItemHeight() * 3 + 2);
  ReleaseDC(v, dc);
  EXPECT_GT(black, 15);
  EXPECT_EQ(ground, RGB(255, 255, 255));
  test::SaveShot(window->Handle(), "tree-window");

  // Mouse: a press on a name focuses it, one on a plus/minus box opens or closes its folder.
  TTreeItem* gamma = alpha->NextSibling->NextSibling;
  const int h = view.ItemHeight();
  const POINT g = view.GetItemPos(gamma);
  SendMessageW(v, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(g.x + 25, g.y + h / 2));
  EXPECT_EQ(view.Focused(), gamma);
  const POINT box = view.GetItemPos(alpha);
  SendMessageW(v, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.x - 8, box.y + h / 2));
  EXPECT_TRUE(alpha->Expanded);
  EXPECT_EQ(view.Focused(), gamma);

  // Enter on a folder deleted behind the tree's back does not choose it; a double-click on one
  // that exists does.
  RemoveDirectoryW(Widen(data / "Beta").c_str());
  view.SetFocused(alpha->NextSibling);
  Key(v, VK_RETURN);
  EXPECT_EQ(window->ModalResult(), 0);
  SendMessageW(v, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(g.x + 25, g.y + h / 2));
  SendMessageW(v, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(g.x + 25, g.y + h / 2));
  EXPECT_EQ(window->ModalResult(), mrOk);
  EXPECT_EQ(view.GetFolder(), data / "Gamma");
}

TEST_F(TreeWindow, FoldersMissingFromTheCacheAreReadWhenReached) {
  auto window = OpenTree(data / "Gamma\\Deep\\Deeper");
  TQuillFolderView& view = window->FolderView();
  EXPECT_EQ(view.GetFolder(), data / "Gamma\\Deep\\Deeper") << "Gamma was read again from disk";
  // A folder made outside the program is found the same way, and the cache follows.
  test::MakeFolder(data / "Beta\\Later");
  view.SetFolder(data / "Beta\\Later");
  EXPECT_EQ(view.GetFolder(), data / "Beta\\Later");
  view.SaveTree();
  EXPECT_NE(CacheText().find("Later"), std::string::npos);
  EXPECT_NE(CacheText().find("Deeper"), std::string::npos);
  // Part refresh drops what went away.
  RemoveDirectoryW(Widen(data / "Beta\\Later").c_str());
  view.SetFolder(data / "Beta");
  Key(view.Handle(), VK_F6);
  EXPECT_EQ(view.GetFolder(), data / "Beta");
  EXPECT_EQ(view.Focused()->FirstChild, nullptr);
}

TEST_F(TreeWindow, FolderCreatedRenamedAndDeletedInTheTree) {
  auto window = OpenTree(data.Path());
  TQuillFolderView& view = window->FolderView();
  HWND v = view.Handle();

  questions.AnswerText("bad|name");
  questions.AnswerMessage(mrOk);
  questions.AnswerText("New One");
  Key(v, VK_F7);
  ASSERT_GE(questions.Asked().size(), 3u);
  EXPECT_EQ(questions.Asked()[0].caption, "New Folder");
  EXPECT_EQ(questions.Asked()[0].text, "Enter the folder name you want to create.");
  EXPECT_EQ(questions.Asked()[0].initial, "New Folder");
  EXPECT_EQ(questions.Asked()[1].caption, "Error");
  EXPECT_EQ(questions.Asked()[2].initial, "bad|name") << "asked again with the last text";
  EXPECT_TRUE(test::Exists(data / "New One"));
  EXPECT_EQ(view.GetFolder(), data / "New One");
  view.SaveTree();
  EXPECT_NE(CacheText().find("New One"), std::string::npos);

  questions.AnswerText("Renamed");
  Key(v, VK_F2);
  EXPECT_EQ(questions.Asked().back().initial, "New One");
  EXPECT_FALSE(test::Exists(data / "New One"));
  EXPECT_TRUE(test::Exists(data / "Renamed"));
  EXPECT_EQ(view.GetFolder(), data / "Renamed");
  EXPECT_EQ(window->AddressText(), data / "Renamed");

  // "Delete" (the first button) deletes for good; the focus goes to the next sibling.
  questions.AnswerDelete(mrAll);
  Key(v, VK_F8);
  EXPECT_EQ(questions.Asked().back().text, (data / "Renamed") + "\n\nAre you sure you want to send to RecycleBin?");
  EXPECT_EQ(questions.Asked().back().code, 2u) << "the focus starts on No";
  EXPECT_FALSE(test::Exists(data / "Renamed"));
  EXPECT_EQ(view.Items().FindItem(data / "Renamed"), nullptr);
  view.SaveTree();
  EXPECT_EQ(CacheText().find("Renamed"), std::string::npos);

  // No deletes the nothing; the root is never renamed or deleted.
  view.SetFolder(data / "Beta");
  questions.AnswerDelete(mrNo);
  Key(v, VK_DELETE);
  EXPECT_TRUE(test::Exists(data / "Beta"));
  EXPECT_NE(view.Items().FindItem(data / "Beta"), nullptr);
  const size_t asked = questions.Asked().size();
  Key(v, VK_HOME);
  Key(v, VK_F8);
  Key(v, VK_F2);
  EXPECT_EQ(questions.Asked().size(), asked);
}

TEST_F(TreeWindow, DriveButtonsFollowTheDriveAndTheNetworkButtonCanBeCancelled) {
  auto window = OpenTree(data.Path());
  TTreeToolBar& bar = window->ToolBar();
  const std::string letters = DriveLetters();
  const int c = window->FirstDriveButton() + static_cast<int>(letters.find('C'));
  EXPECT_EQ(bar.Down(), c);
  EXPECT_EQ(bar.Buttons()[c].caption, "C:");
  EXPECT_EQ(bar.Buttons()[c + 1].left - bar.Buttons()[c].left, 41) << "drive buttons are 41 pixels apart";
  EXPECT_EQ(bar.Buttons().back().caption, "/");
  EXPECT_EQ(window->VolumeText(), DriveLabel("C:"));

  const std::string removable = test::Env("QUILL_TEST_REMOVABLE");
  if (!removable.empty()) {
    const char letter = removable[0];
    const int e = window->FirstDriveButton() + static_cast<int>(letters.find(letter));
    window->ChooseDriveButton(e);
    EXPECT_EQ(window->FolderView().Drive(), std::string(1, letter) + ":");
    EXPECT_EQ(bar.Down(), e);
    EXPECT_EQ(window->VolumeText(), "Floppy");
    // Shift+C goes back to C: and its cache, with the data folder still known.
    Key(window->FolderView().Handle(), 'C', true);
    EXPECT_EQ(window->FolderView().Drive(), "C:");
    EXPECT_EQ(bar.Down(), c);
    EXPECT_NE(window->FolderView().Items().FindItem(data / "Beta"), nullptr);
  }

  questions.AnswerNetwork("");
  window->ChooseDriveButton(static_cast<int>(bar.Buttons().size()) - 1);
  EXPECT_EQ(bar.Down(), c) << "a cancelled network browser leaves C: pressed";
  EXPECT_EQ(window->FolderView().Drive(), "C:");
}

TEST_F(TreeWindow, AScanCancelledHalfwayLeavesTheTreeAsItWas) {
  // Enough folders that the scan is still running when it first lets the windows repaint, even
  // on a fast machine.
  for (int i = 0; i < 48; ++i) {
    test::MakeFolder(data / ("Gamma\\F" + std::to_string(i)));
    for (int j = 0; j < 48; ++j) test::MakeFolder(data / ("Gamma\\F" + std::to_string(i) + "\\G" + std::to_string(j)));
  }
  auto window = OpenTree(data / "Gamma");
  TQuillFolderView& view = window->FolderView();
  TTreeItem* gamma = view.Focused();
  ASSERT_EQ(view.GetFolder(), data / "Gamma");
  ASSERT_EQ(gamma->FirstChild, nullptr);

  int countAtCancel = 0;
  bool treeDisabled = false;
  std::string folderShown;
  {
    // Cancel is clicked from inside the scan, while it pumps messages.
    test::TScript script({{"Scanning...", [&](HWND scan) {
                             treeDisabled = !IsWindowEnabled(window->Handle());
                             TfScan* dialog = window->ScanWindow();
                             countAtCancel = dialog ? dialog->Count() : -1;
                             folderShown = dialog ? dialog->FolderText() : "";
                             test::SaveShot(scan, "scan-window");
                             SendMessageW(GetDlgItem(scan, TfScan::kCancelId), BM_CLICK, 0, 0);
                           }}});
    Key(view.Handle(), VK_F6);
    EXPECT_TRUE(script.Finished());
  }
  EXPECT_TRUE(treeDisabled) << "the tree window waits while the scan runs";
  EXPECT_TRUE(view.ScanCancelled());
  EXPECT_GT(countAtCancel, 0);
  EXPECT_LT(countAtCancel, 2354);
  EXPECT_LE(view.ScannedFolders(), countAtCancel + 1) << "the scan stops at the next folder";
  EXPECT_FALSE(folderShown.empty());
  EXPECT_EQ(window->ScanWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
  EXPECT_EQ(view.GetFolder(), data / "Gamma");
  EXPECT_EQ(view.Focused()->FirstChild, nullptr) << "nothing of the cancelled scan is used";

  // Run to the end, the same refresh reads all 2,354 folders.
  Key(view.Handle(), VK_F6);
  EXPECT_FALSE(view.ScanCancelled());
  TTreeItem* read = view.Focused();
  int count = 0;
  for (TTreeItem* item = view.Items().GetNext(read); item && item->IsDescendantOf(read);
       item = view.Items().GetNext(item))
    ++count;
  EXPECT_EQ(count, 2354) << "48 x 48 + 48, with Deep and Deeper";

  // A first scan of a drive cancelled: the drive's root alone, and no cache that would be
  // trusted next time.
  const std::string removable = test::Env("QUILL_TEST_REMOVABLE");
  if (removable.empty()) GTEST_SKIP() << "no removable test drive";
  const std::string drive = removable.substr(0, 2);
  const std::string many = drive + "\\many-" + std::to_string(GetCurrentProcessId());
  test::MakeFolder(many);
  for (int i = 0; i < 24; ++i) {
    test::MakeFolder(many + "\\F" + std::to_string(i));
    for (int j = 0; j < 24; ++j) test::MakeFolder(many + "\\F" + std::to_string(i) + "\\G" + std::to_string(j));
  }
  {
    test::TScript script({{"Scanning...", [&](HWND scan) {
                             SendMessageW(GetDlgItem(scan, TfScan::kCancelId), BM_CLICK, 0, 0);
                           }}});
    view.SetDrive(drive);
    EXPECT_TRUE(script.Finished());
  }
  test::RemoveTree(many);
  EXPECT_TRUE(view.ScanCancelled());
  EXPECT_EQ(view.Drive(), drive);
  EXPECT_EQ(view.Items().Count, 1);
  EXPECT_EQ(view.GetFolder(), drive + "\\");
  view.SaveTree();
  EXPECT_FALSE(test::Exists(TreeCacheFile(drive, program.Path(), false)));
}

TEST_F(TreeWindow, MenuCommandsExpandCollapseAndOpenFavourites) {
  auto window = OpenTree(data / "Alpha\\Inner");
  TQuillFolderView& view = window->FolderView();
  TTreeItem* alpha = view.Items().FindItem(data / "Alpha");
  window->RunCommand(TfTree::cmCollapseAll);
  EXPECT_FALSE(alpha->Expanded);
  EXPECT_TRUE(view.Items().Root->Expanded) << "the root keeps its state";
  EXPECT_EQ(view.GetFolder(), JoinPath("C:\\", FirstComponentBelowRoot(data.Path())))
      << "the focus comes out of the collapsed folders to the first level, which shows";
  window->RunCommand(TfTree::cmExpandAll);
  EXPECT_TRUE(alpha->Expanded);
  view.SetFocused(alpha);
  window->RunCommand(TfTree::cmCollapseOne);
  EXPECT_FALSE(alpha->Expanded);
  window->RunCommand(TfTree::cmToggle);
  EXPECT_TRUE(alpha->Expanded);

  // Add to Favorites proposes the folder's name and appends to favorite.dat; the item opens it.
  questions.AnswerText("My Alpha");
  window->RunCommand(TfTree::cmAddFavorite);
  EXPECT_EQ(questions.Asked().back().caption, "Add Favorites");
  EXPECT_EQ(questions.Asked().back().text, "\"" + (data / "Alpha") + "\"\n\nDisplay Name");
  EXPECT_EQ(questions.Asked().back().initial, "Alpha");
  EXPECT_EQ(test::ReadBytes(program / "favorite.dat"), "My Alpha=" + (data / "Alpha") + "\r\n");
  Key(view.Handle(), VK_HOME);
  window->RunCommand(TfTree::cmFavoriteFirst);
  EXPECT_EQ(view.GetFolder(), data / "Alpha");
}

TEST_F(TreeWindow, ThePlacementAndTheFontComeFromTheSettingsAndThePlacementGoesBack) {
  test::WriteBytes(program / "quill.ini", "[Window]\r\nTree=0,40,50,640,480\r\n[Option]\r\nTFont=\"Arial\",12,0\r\n"
                                          "TreeRoot=0\r\nTreePath=" + program.Path() + "\r\n");
  auto window = OpenTree(data.Path());
  RECT r{};
  GetWindowRect(window->Handle(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(window->FolderView().ColumnWidth(), 12 * 10 + 20);
  SetWindowPos(window->Handle(), nullptr, 60, 70, 700, 500, SWP_NOZORDER);
  window->Close(mrCancel);
  const std::string ini = test::ReadBytes(program / "quill.ini");
  EXPECT_NE(ini.find("Tree=0,60,70,700,500"), std::string::npos) << ini;
  EXPECT_NE(ini.find("TFont=\"Arial\",12,0"), std::string::npos) << "other keys stay";
}

TEST_F(TreeWindow, PagingScrollingAndSearchingInATreeLongerThanTheWindow) {
  // 150 more folders below the data folder and a chain twelve levels deep below Alpha, known
  // to the cache only.
  std::vector<std::string> more = lines;
  const auto inner = std::find(more.begin(), more.end(), TreeLine(true, dataLevel + 2, "Inner"));
  ASSERT_NE(inner, more.end());
  std::vector<std::string> chain;
  for (int i = 1; i <= 12; ++i) chain.push_back(TreeLine(true, dataLevel + 2 + i, "L" + std::to_string(i)));
  more.insert(inner + 1, chain.begin(), chain.end());
  for (int i = 0; i < 150; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "S%03d", i);
    more.push_back(TreeLine(true, dataLevel + 1, name));
  }
  WriteCache(more);
  auto window = OpenTree(data.Path());
  TQuillFolderView& view = window->FolderView();
  HWND v = view.Handle();
  const int rows = view.VisibleRows();
  ASSERT_GT(rows, 5);

  Key(v, VK_END);
  TTreeItem* last = view.Focused();
  EXPECT_EQ(last->Name, "S149");
  EXPECT_EQ(view.TopItem()->Row, last->Row - rows + 1) << "the last row at the bottom";
  EXPECT_EQ(view.ScrollOrigin().y, view.TopItem()->Row);
  Key(v, VK_HOME);
  EXPECT_EQ(view.Focused(), view.Items().Root);
  EXPECT_EQ(view.ScrollOrigin().y, 0);
  Key(v, VK_NEXT);
  EXPECT_EQ(view.Focused()->Row, rows - 1) << "Page Down goes to the bottom row first";
  EXPECT_EQ(view.ScrollOrigin().y, 0);
  Key(v, VK_NEXT);
  EXPECT_EQ(view.Focused()->Row, 2 * rows - 1) << "then a page further";
  EXPECT_EQ(view.ScrollOrigin().y, rows);
  Key(v, VK_PRIOR);
  EXPECT_EQ(view.Focused(), view.TopItem()) << "Page Up goes to the top row first";
  Key(v, VK_PRIOR);
  EXPECT_EQ(view.Focused()->Row, 0);
  EXPECT_EQ(view.ScrollOrigin().y, 0);
  SendMessageW(v, WM_VSCROLL, SB_LINEDOWN, 0);
  SendMessageW(v, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(view.ScrollOrigin().y, 2);
  EXPECT_EQ(view.TopItem()->Row, 2);
  SendMessageW(v, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(view.TopItem()->Row, last->Row - rows + 1) << "the bar stops where the last row is at the bottom";

  // A folder deeper than the columns that fit scrolls the levels sideways.
  TTreeItem* deep = view.Items().FindItem(data / "Alpha\\Inner\\L1\\L2\\L3\\L4\\L5\\L6\\L7\\L8\\L9\\L10\\L11\\L12");
  ASSERT_NE(deep, nullptr);
  view.SetFocused(deep);
  EXPECT_EQ(view.ScrollOrigin().x, deep->Level - view.VisibleColumns());
  EXPECT_GT(view.ScrollOrigin().x, 0);
  EXPECT_EQ(view.GetItemPos(deep).x, view.VisibleColumns() * view.ColumnWidth() + 12);
  EXPECT_EQ(view.GetItemAt(view.GetItemPos(deep).x + 25, view.GetItemPos(deep).y + 2), deep);
  test::SaveShot(window->Handle(), "tree-deep");

  // Find Next walks the matches and wraps round to the first one.
  Key(v, VK_HOME);
  Type(v, "s14");
  EXPECT_EQ(view.Focused()->Name, "S140");
  for (int i = 1; i <= 9; ++i) Key(v, VK_F3);
  EXPECT_EQ(view.Focused()->Name, "S149");
  Key(v, VK_F3);
  EXPECT_EQ(view.Focused()->Name, "S140");
}

TEST_F(TreeWindow, ADamagedCacheIsReportedAndTheDriveReadAgain) {
  WriteCache({TreeLine(true, 0, "C:"), "1 1Users", "1xxBroken"});
  questions.AnswerMessage(mrOk);
  auto window = OpenTree(data / "Beta");
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Message), 1u);
  EXPECT_FALSE(questions.Asked()[0].text.empty());
  EXPECT_EQ(window->FolderView().GetFolder(), data / "Beta") << "the drive was read from disk";
  window->FolderView().SaveTree();
  const std::string cache = CacheText();
  EXPECT_EQ(cache.substr(0, 7), "1 0C:\r\n");
  EXPECT_EQ(cache.find("Broken"), std::string::npos);
  EXPECT_NE(cache.find("Gamma"), std::string::npos);
}

TEST_F(TreeWindow, ADriveWithoutAVolumeIsNotSwitchedToAndRemovableDrivesAreCachedOnlyElsewhere) {
  auto window = OpenTree(data.Path());
  TQuillFolderView& view = window->FolderView();
  const int pressed = window->ToolBar().Down();
  std::string missing;
  for (char c = 'Q'; c <= 'Y' && missing.empty(); ++c)
    if (DriveLetters().find(c) == std::string::npos) missing = std::string(1, c) + ":";
  view.SetDrive(missing);
  EXPECT_EQ(view.Drive(), "C:");
  EXPECT_EQ(window->ToolBar().Down(), pressed);
  EXPECT_EQ(view.GetFolder(), data.Path());

  const std::string removable = test::Env("QUILL_TEST_REMOVABLE");
  if (removable.empty()) GTEST_SKIP() << "no removable test drive";
  const std::string drive = removable.substr(0, 2);
  // Kept in the cache folder, the removable drive's tree is written like any other...
  view.SetDrive(drive);
  ASSERT_EQ(view.Drive(), drive);
  view.SaveTree();
  EXPECT_EQ(view.TreeFile(), TreeCacheFile(drive, program.Path(), false));
  EXPECT_TRUE(test::Exists(view.TreeFile()));
  // ...but never on the drive itself.
  view.TreeRoot = true;
  view.SetDrive("C:");
  view.SetDrive(drive);
  view.SaveTree();
  EXPECT_EQ(view.TreeFile(), drive + "\\treeinfo.xcd");
  EXPECT_FALSE(test::Exists(drive + "\\treeinfo.xcd"));
  DeleteFileW(L"C:\\treeinfo.xcd");
}

// Ctrl+key, as the window reads the modifier from the key state.
void CtrlKey(HWND window, WPARAM key) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = 0x80;
  SetKeyboardState(state);
  SendMessageW(window, WM_KEYDOWN, key, 0);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

TEST_F(TreeWindow, TheWindowsKeysKeyBarAndPartRefreshOfTheRoot) {
  // The cache's root holds a folder that is gone; a refresh of the root drops it, adds what the
  // drive's root holds and keeps the subtrees it knows.
  std::vector<std::string> withGhost = lines;
  withGhost.push_back(TreeLine(true, 1, "Ghost Folder"));
  WriteCache(withGhost);
  auto window = OpenTree(data / "Beta");
  TQuillFolderView& view = window->FolderView();
  HWND v = view.Handle();

  // Key bar: the fifth panel is F7, New Folder; Alt+R renames, Alt+K makes a folder too.
  questions.AnswerText("From Bar");
  window->StatusBar().OnClick(4);
  EXPECT_TRUE(test::Exists(data / "Beta\\From Bar"));
  questions.AnswerText("Renamed By Alt");
  SendMessageW(v, WM_SYSKEYDOWN, 'R', 0);
  EXPECT_TRUE(test::Exists(data / "Beta\\Renamed By Alt"));
  EXPECT_EQ(view.GetFolder(), data / "Beta\\Renamed By Alt");
  questions.CancelText();
  SendMessageW(v, WM_SYSKEYDOWN, 'K', 0);
  EXPECT_EQ(questions.Asked().back().caption, "New Folder");

  // Up and Down keep to the column: from Inner, Up finds no Inner-level folder above and goes to
  // its parent; Ctrl+Left is the previous item in order, Shift+Down the next sibling.
  view.SetFocused(view.Items().FindItem(data / "Alpha\\Inner"));
  Key(v, VK_UP);
  EXPECT_EQ(view.GetFolder(), data / "Alpha");
  view.SetFocused(view.Items().FindItem(data / "Gamma"));
  CtrlKey(v, VK_LEFT);
  EXPECT_EQ(view.GetFolder(), data / "Beta\\Renamed By Alt");
  view.SetFocused(view.Items().FindItem(data / "Alpha"));
  Key(v, VK_DOWN, true);
  EXPECT_EQ(view.GetFolder(), data / "Beta");

  // Ctrl+W goes to the user's documents folder when the system names one (the tree's scan
  // leaves out folder links, which Wine makes of it).
  const std::string personal = ShellFolder("Personal");
  if (!personal.empty() && IsFolder(personal) && !(test::Attributes(personal) & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CtrlKey(v, 'W');
    EXPECT_TRUE(SameTextAscii(view.GetFolder(), StripBackslash(personal))) << view.GetFolder();
  }

  Key(v, VK_HOME);
  Key(v, VK_F6);
  TTreeItems& items = view.Items();
  EXPECT_EQ(items.FindChild(items.Root, "Ghost Folder"), nullptr);
  EXPECT_NE(items.FindChild(items.Root, "windows"), nullptr);
  EXPECT_NE(items.FindItem(data / "Alpha\\Inner"), nullptr) << "known subtrees stay";
  EXPECT_EQ(view.Focused(), items.Root);
}

class TreeChooser : public TreeWindow {};

TEST_F(TreeChooser, TheTreeCommandAndTheDestinationPromptChooseThroughTheTree) {
  // The main window with its own question service, so the real tree window answers.
  const std::string commandLine = "\"C:\\quill.exe\" \"" + (data / "Alpha") + "\"";
  TMainForm form(TMainFormOptions{program.Path() + "\\", commandLine, false, nullptr});
  ASSERT_TRUE(form.Create());
  form.Show();
  ASSERT_EQ(form.View().Folder(), data / "Alpha");

  std::string address;
  {
    test::TScript tree({{"Select Folder", [&](HWND window) {
                           HWND view = ChildOfClass(window, L"QuillFolderView");
                           wchar_t text[512] = {};
                           GetWindowTextW(GetDlgItem(window, TfTree::kAddressId), text, 512);
                           address = Narrow(text);
                           test::SaveShot(window, "tree-chooser");
                           PostMessageW(view, WM_CHAR, 'b', 0);
                           PostMessageW(view, WM_KEYDOWN, VK_RETURN, 0);
                         }}});
    ASSERT_TRUE(form.RunCommand(cmTree));
    EXPECT_TRUE(tree.Finished());
  }
  EXPECT_EQ(address, data / "Alpha") << "the tree opens on the pane's folder";
  EXPECT_EQ(form.View().Folder(), data / "Beta");

  // Esc chooses nothing.
  {
    test::TScript cancel({{"Select Folder", [&](HWND window) {
                             PostMessageW(ChildOfClass(window, L"QuillFolderView"), WM_KEYDOWN, VK_ESCAPE, 0);
                           }}});
    form.RunCommand(cmTree);
    EXPECT_TRUE(cancel.Finished());
  }
  EXPECT_EQ(form.View().Folder(), data / "Beta");

  // A bare drive letter in the destination prompt opens the tree on that drive.
  {
    test::TScript prompt({{"Select Drive",
                           [&](HWND window) {
                             HWND list = ChildOfClass(window, L"ListBox");
                             PostMessageW(list ? list : window, WM_CHAR, 'c', 0);
                           }},
                          {"Select Folder", [&](HWND window) {
                             HWND view = ChildOfClass(window, L"QuillFolderView");
                             PostMessageW(view, WM_CHAR, 'g', 0);
                             PostMessageW(view, WM_KEYDOWN, VK_RETURN, 0);
                           }}});
    EXPECT_EQ(form.AskDestination({}), data / "Gamma");
    EXPECT_TRUE(prompt.Finished());
  }

  // The window's placement went to the settings.
  const std::string ini = test::ReadBytes(program / "quill.ini");
  EXPECT_NE(ini.find("Tree=0,100,100,800,600"), std::string::npos) << ini;
}

TEST(TreeSettings, PlacementAndFontTextsReadBackAndBadTextGivesTheDefaults) {
  const TTreePlacement p = ParseTreePlacement("1,10,20,300,400");
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(TreePlacementText(p), "1,10,20,300,400");
  EXPECT_EQ(TreePlacementText(ParseTreePlacement("1,2,3")), "0,100,100,800,600");
  EXPECT_EQ(TreePlacementText(ParseTreePlacement("0,1,2,3,4x")), "0,100,100,800,600");
  const TTreeFont font = ParseTreeFont("\"Courier New\",12,0");
  EXPECT_EQ(font.name, "Courier New");
  EXPECT_EQ(font.points, 12);
  EXPECT_EQ(ParseTreeFont("").name, "MS Sans Serif");
  EXPECT_EQ(ParseTreeFont("\"Arial\",abc,0").points, 9);
  EXPECT_EQ(DarkerBy70(0x000000), 0u);
  EXPECT_EQ(DarkerBy70(RGB(200, 50, 80)), RGB(130, 0, 10));
}

}  // namespace
}  // namespace quill
