// The pane's window in this process over a real folder: where cells go, what a paint puts on
// screen (read back pixel by pixel), paging through the scroll bar and the icon cache.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fileview/FileViewWindow.h"
#include "base/Text.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

constexpr COLORREF kBack = 0x000000;
constexpr COLORREF kFolder = 0x4040FF;
constexpr COLORREF kTxt = 0x00FF00;
constexpr COLORREF kDat = 0xFFFF00;

// A paint of the pane's client area into a 32-bit bitmap.
class TCapture {
public:
  explicit TCapture(TFileViewWindow& pane) {
    RECT client{};
    GetClientRect(pane.Handle(), &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    pane.PaintTo(dc_);
    GdiFlush();
  }
  ~TCapture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // How many pixels of the rectangle have this colour.
  int Count(const RECT& r, COLORREF color) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == color;
    return n;
  }
  // Text is drawn smoothed, so few of its pixels have exactly the text colour: this counts
  // those within a small distance of it.
  int CountNear(const RECT& r, COLORREF color) const {
    auto close = [](int a, int b) { return a - b < 0x30 && b - a < 0x30; };
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const COLORREF c = At(x, y);
        n += close(GetRValue(c), GetRValue(color)) && close(GetGValue(c), GetGValue(color)) &&
             close(GetBValue(c), GetBValue(color));
      }
    return n;
  }
  // Saves a .bmp when the harness names a folder for looking at the pane.
  void SaveFor(const char* name) const {
    const char* folder = std::getenv("QUILL_PANE_SNAPSHOTS");
    if (!folder || !*folder) return;
    const std::string path = std::string(folder) + "\\" + name + ".bmp";
    const DWORD imageSize = static_cast<DWORD>(width_ * height_ * 4);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize),
                          0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, imageSize, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(static_cast<const char*>(bits_), imageSize);
    test::WriteBytes(path, bytes);
  }

private:
  int width_ = 0, height_ = 0;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

class FileViewWindow : public ::testing::Test {
protected:
  FileViewWindow() : view(TWin32FileSystem::Instance(), TAnsiCodePage::Instance()), pane(view) {
    view.Files().SetCollator(TWin32Collator::Instance());
  }
  void SetUp() override {
    test::WriteBytes(dir / "colors.col", "[Basic]\r\nBACK=0\r\nFOLDER=" + std::to_string(kFolder) +
                                             "\r\nNORMAL=12632256\r\n\r\n[Ext]\r\nTXT=" + std::to_string(kTxt) +
                                             "\r\nDAT=" + std::to_string(kDat) + "\r\n");
    view.SetColorFile(dir / "colors.col");
    parent = CreateWindowExW(0, L"STATIC", L"pane test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    if (pane.Handle()) DestroyWindow(pane.Handle());
    DestroyWindow(parent);
  }
  // Opens `folder` in a pane of this outer size.
  void Show(const std::string& folder, int width, int height) {
    ASSERT_TRUE(pane.Create(parent, 0, 0, width, height));
    view.SetFolder(folder);
  }
  int Find(const std::string& name) { return view.Files().IndexOf(name); }
  // The text rectangle of a list cell, as the layout gives it.
  RECT TextRect(int index) {
    int x = 0, y = 0;
    pane.Layout().CellOrigin(index, pane.FirstVisible(), x, y);
    const TLayoutParams& p = pane.Params();
    return {x + p.IconArea + 2, y + p.TextOffset, x + p.CellWidth - 2, y + p.ItemHeight - p.TextOffset};
  }

  TScratchFolder dir;
  TQuillView view;
  TFileViewWindow pane;
  HWND parent = nullptr;
};

TEST_F(FileViewWindow, EntriesAreDrawnInTheCellsTheLayoutGivesThem) {
  test::MakeFolder(dir / "list");
  for (int i = 0; i < 60; ++i) test::WriteBytes(dir / ("list\\n" + std::to_string(100 + i) + ".txt"), "x");
  Show(dir / "list", 700, 300);
  const TLayoutParams& p = pane.Params();
  ASSERT_GT(p.Columns, 1) << "the test wants entries in several columns";
  TCapture capture(pane);
  capture.SaveFor("list-columns");
  const int count = view.Files().Count();
  const int last = std::min(count, p.PageSize()) - 1;
  for (int i = 1; i <= last; ++i) {
    const TFile& file = *view.Files().Items(i);
    if (!file.IsFile()) continue;
    const RECT text = TextRect(i);
    const int centreX = text.left + 4, centreY = (text.top + text.bottom) / 2;
    EXPECT_EQ(pane.ItemAt(centreX, centreY), i);
    // The name is drawn in the extension's colour inside its own cell's name column...
    RECT name{text.left, text.top, text.left + p.NameWidth, text.bottom};
    EXPECT_GT(capture.CountNear(name, kTxt), 0) << "entry " << i;
  }
  // ...and the strip between the name column and the size column has none of it.
  const RECT first = TextRect(1);
  RECT gap{first.left + p.NameColumnWidth + 1, first.top, first.left + p.NameColumnWidth + p.DigitWidth, first.bottom};
  EXPECT_EQ(capture.CountNear(gap, kTxt), 0);
  // Column lines in the line colour (the default, the colour file has none) between columns.
  const int lineX = p.ItemArea.Left + p.CellWidth;
  EXPECT_EQ(capture.At(lineX, p.ItemArea.Top + 5), static_cast<COLORREF>(0xFF8080));
  pane.SetViewColumnLine(false);
  TCapture plain(pane);
  EXPECT_EQ(plain.At(lineX, p.ItemArea.Top + 5), kBack);
}

TEST_F(FileViewWindow, ALongNameInANarrowPaneIsCutAndMarkedTruncated) {
  test::MakeFolder(dir / "names");
  test::WriteBytes(dir / "names\\short.txt", "x");
  test::WriteBytes(dir / "names\\a name far too long to be shown whole in this pane.txt", "x");
  Show(dir / "names", 180, 200);
  TCapture capture(pane);
  capture.SaveFor("narrow");
  const TFile* longName = view.Files().Items(Find("a name far too long to be shown whole in this pane.txt"));
  const TFile* shortName = view.Files().Items(Find("short.txt"));
  ASSERT_TRUE(longName && shortName);
  EXPECT_TRUE(longName->Truncated);
  EXPECT_FALSE(shortName->Truncated);
  // Once the pane is wide enough the flag goes again.
  SetWindowPos(pane.Handle(), nullptr, 0, 0, 780, 200, SWP_NOZORDER);
  TCapture wide(pane);
  EXPECT_FALSE(longName->Truncated);
}

TEST_F(FileViewWindow, NamesInEveryScriptAreUpperCasedAndPairsAreCutWhole) {
  test::MakeFolder(dir / "unicode");
  const std::string party = "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
                            "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80 party";
  for (const std::string& name : {std::string("résumé.doc"), std::string("Über.txt"), std::string("naïve.txt"),
                                   std::string("smile \xF0\x9F\x98\x80 face.txt"), party + ".txt"})
    test::WriteBytes(dir / ("unicode\\" + name), "x");
  Show(dir / "unicode", 230, 300);
  TCapture capture(pane);
  capture.SaveFor("unicode-upper");
  const TFileViewSettings& settings = pane.Settings();
  const ICaseMap& caseMap = pane.Layout().CaseMap();
  EXPECT_EQ(DisplayName(*view.Files().Items(Find("résumé.doc")), settings, caseMap), "RÉSUMÉ");
  EXPECT_EQ(DisplayName(*view.Files().Items(Find("Über.txt")), settings, caseMap), "ÜBER");
  EXPECT_EQ(DisplayName(*view.Files().Items(Find("naïve.txt")), settings, caseMap), "NAÏVE");
  EXPECT_EQ(DisplayName(*view.Files().Items(Find(party + ".txt")), settings, caseMap), party.substr(0, 40) + " PARTY");
  EXPECT_TRUE(view.Files().Items(Find(party + ".txt"))->Truncated);

  // Measured as drawn: a pair is one character, so ten of them are ten times one, and never
  // wider than GDI's two missing-glyph boxes per pair.
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TGdiTextMeasure measure;
  measure.SetDC(dc);
  const int one = measure.TextWidth("\xF0\x9F\x98\x80");
  EXPECT_GT(one, 0);
  EXPECT_EQ(measure.TextWidth(party.substr(0, 40)), 10 * one);
  SIZE gdi{};
  GetTextExtentPoint32W(dc, L"\xD83D\xDE00", 2, &gdi);
  EXPECT_LE(one, gdi.cx);
  EXPECT_EQ(measure.TextWidth("a\xF0\x9F\x98\x80" "b"), measure.TextWidth("a") + one + measure.TextWidth("b"));
  // Cut to any width, the text keeps whole pairs and ends in "~".
  TFileViewLayout layout(measure, caseMap);
  for (int width = one; width < 10 * one; width += 3) {
    const TCutText cut = layout.CutToWidth(party, width);
    ASSERT_TRUE(cut.Cut);
    EXPECT_TRUE(IsValidUtf8(cut.Text)) << width;
    EXPECT_EQ((cut.Text.size() - 1) % 4, 0u) << width;
    EXPECT_LE(measure.TextWidth(cut.Text), width);
    const std::wstring wide = Widen(cut.Text);
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
      EXPECT_TRUE(IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1])) << width;
    }
  }
  DeleteDC(dc);
}

TEST_F(FileViewWindow, SelectedEntriesShowACheckMarkAndTheFocusIsInverted) {
  test::MakeFolder(dir / "marks");
  test::WriteBytes(dir / "marks\\one.dat", "x");
  test::WriteBytes(dir / "marks\\two.dat", "x");
  test::WriteBytes(dir / "marks\\three.dat", "x");
  Show(dir / "marks", 500, 300);
  const int one = Find("one.dat"), two = Find("two.dat");
  view.Select(one);
  view.SetItemIndex(two);
  TCapture capture(pane);
  capture.SaveFor("marks");
  const TLayoutParams& p = pane.Params();
  auto checkArea = [&](int index) {
    int x = 0, y = 0;
    pane.Layout().CellOrigin(index, pane.FirstVisible(), x, y);
    return RECT{x + 2, y, x + 10, y + p.ItemHeight};
  };
  EXPECT_GT(capture.Count(checkArea(one), 0xFFFFFF), 5) << "no check mark on the selected entry";
  EXPECT_EQ(capture.Count(checkArea(two), 0xFFFFFF), 0);

  // The focused entry: its text rectangle filled with its name colour, framed one colour darker.
  const RECT text = TextRect(two);
  const RECT area{text.left, text.top, text.right, text.bottom};
  EXPECT_GT(capture.Count(area, kDat), (area.right - area.left) * (area.bottom - area.top) / 2);
  EXPECT_EQ(capture.Count(TextRect(one), kDat) * 2 < (text.right - text.left) * (text.bottom - text.top), true);
  int x = 0, y = 0;
  pane.Layout().CellOrigin(two, pane.FirstVisible(), x, y);
  const int frameX = x + p.IconArea + 1, frameY = (text.top + text.bottom) / 2;
  const COLORREF darker = RGB(GetRValue(kDat) > 70 ? GetRValue(kDat) - 70 : 0,
                              GetGValue(kDat) > 70 ? GetGValue(kDat) - 70 : 0, GetBValue(kDat) > 70 ? GetBValue(kDat) - 70 : 0);
  EXPECT_EQ(capture.At(frameX, frameY), darker);
  pane.SetFocusStyle(fsNone);
  TCapture noFrame(pane);
  EXPECT_EQ(noFrame.At(frameX, frameY), kBack);
  pane.SetFocusStyle(fsDot);
  TCapture dotted(pane);
  EXPECT_NE(dotted.At(frameX, frameY), darker);
}

TEST_F(FileViewWindow, EveryTextOfTheFocusedRowStandsOutFromTheFocusBar) {
  test::MakeFolder(dir / "bar");
  // No colour for .bin: the bar takes NORMAL, the colour the size digits are drawn in elsewhere.
  test::WriteBytes(dir / "bar\\plain.bin", std::string(123456, 'x'));
  test::WriteBytes(dir / "bar\\large.bin", std::string(1500000, 'x'));
  test::WriteBytes(dir / "bar\\locked.bin", "12345", FILE_ATTRIBUTE_READONLY);
  test::WriteBytes(dir / "bar\\deep.blu", std::string(777, 'x'));
  Show(dir / "bar", 700, 300);
  const TLayoutParams& p = pane.Params();
  ASSERT_NE(p.SizeMode, kSizeNone);
  ASSERT_TRUE(p.ShowDate);
  const int sizeWidth = p.SizeMode == kSizeWide ? p.WideSizeWidth : p.NarrowSizeWidth;
  auto sizeRect = [&](int index) {
    const RECT text = TextRect(index);
    const int left = text.left + p.NameColumnWidth + p.DigitWidth;
    return RECT{left, text.top, left + sizeWidth, text.bottom};
  };
  auto dateRect = [&](int index) {
    const RECT size = sizeRect(index);
    return RECT{size.right + p.DigitWidth, size.top, size.right + p.DigitWidth + p.DateWidth, size.bottom};
  };
  auto nameRect = [&](int index) {
    const RECT text = TextRect(index);
    return RECT{text.left, text.top, text.left + p.NameWidth, text.bottom};
  };
  for (const char* name : {"plain.bin", "large.bin", "locked.bin"}) {
    SCOPED_TRACE(name);
    const int index = Find(name);
    view.SetItemIndex(index);
    TCapture capture(pane);
    if (std::string(name) == "plain.bin") capture.SaveFor("focused-size");
    // Drawn in the background colour (black) on the grey bar: the name, every digit of the
    // size, the unit letter of a shortened size, the date.
    EXPECT_GT(capture.CountNear(nameRect(index), kBack), 10);
    EXPECT_GT(capture.CountNear(sizeRect(index), kBack), 4);
    EXPECT_GT(capture.CountNear(dateRect(index), kBack), 10);
    EXPECT_EQ(capture.CountNear(sizeRect(index), 0x00FFFF), 0) << "no read-only yellow on the bar";
    EXPECT_EQ(capture.CountNear(sizeRect(index), 0x0000FF), 0) << "no unit-letter red on the bar";
  }
  // A bar too dark for black text takes white text.
  test::WriteBytes(dir / "dark.col", "[Basic]\r\nBACK=0\r\nNORMAL=12632256\r\n[Ext]\r\nBLU=8388608\r\n");
  view.SetColorFile(dir / "dark.col");
  const int deep = Find("deep.blu");
  view.SetItemIndex(deep);
  TCapture dark(pane);
  dark.SaveFor("focused-dark");
  EXPECT_GT(dark.Count(TextRect(deep), 0x800000), 50) << "the bar in the extension's colour";
  EXPECT_GT(dark.CountNear(nameRect(deep), 0xFFFFFF), 10);
  EXPECT_GT(dark.CountNear(sizeRect(deep), 0xFFFFFF), 10);
  EXPECT_EQ(dark.CountNear(nameRect(deep), kBack), 0);
}

TEST_F(FileViewWindow, TheScrollBarCountsPagesAndPagesFollowTheFocus) {
  test::MakeFolder(dir / "many");
  for (int i = 0; i < 150; ++i) test::WriteBytes(dir / ("many\\f" + std::to_string(1000 + i) + ".dat"), "x");
  Show(dir / "many", 400, 200);
  const int count = view.Files().Count();
  const int pageSize = pane.Params().PageSize();
  ASSERT_LT(pageSize, count / 2);
  const int pages = (count + pageSize - 1) / pageSize;
  SCROLLINFO si{sizeof si, SIF_ALL};
  ASSERT_TRUE(GetScrollInfo(pane.Handle(), SB_VERT, &si));
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, pages - 1);
  EXPECT_EQ(si.nPage, 1u);
  EXPECT_EQ(si.nPos, 0);

  // Scrolling changes the page, not the focus.
  SendMessageW(pane.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(pane.FirstVisible(), pageSize);
  EXPECT_EQ(view.ItemIndex(), 0);
  SendMessageW(pane.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(pane.FirstVisible(), pageSize);
  // The next key only brings the focus's page back; the one after moves it.
  SendMessageW(pane.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(view.ItemIndex(), 0);
  EXPECT_EQ(pane.FirstVisible(), 0);
  SendMessageW(pane.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(view.ItemIndex(), 1);

  SendMessageW(pane.Handle(), WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(view.ItemIndex(), count - 1);
  EXPECT_EQ(pane.FirstVisible(), (pages - 1) * pageSize);
  si = {sizeof si, SIF_POS};
  GetScrollInfo(pane.Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nPos, pages - 1);
  // Page down from the page's first entry goes to its last, then a page further.
  SendMessageW(pane.Handle(), WM_KEYDOWN, VK_HOME, 0);
  SendMessageW(pane.Handle(), WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(view.ItemIndex(), pageSize - 1);
  SendMessageW(pane.Handle(), WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(view.ItemIndex(), 2 * pageSize - 1);
  EXPECT_EQ(pane.FirstVisible(), pageSize);

  // A pane that holds everything has a disabled bar and ignores scrolling.
  SetWindowPos(pane.Handle(), nullptr, 0, 0, 790, 590, SWP_NOZORDER);
  view.SetFolder(dir.Path());
  SendMessageW(pane.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(pane.FirstVisible(), 0);
  EXPECT_EQ(pane.PageCount(), 1);
}

TEST_F(FileViewWindow, IconsAreAskedOncePerExtensionAndFoldersThatMayLookDifferentPerPath) {
  test::MakeFolder(dir / "icons");
  for (int i = 0; i < 20; ++i) test::WriteBytes(dir / ("icons\\d" + std::to_string(i) + ".dat"), "x");
  for (int i = 0; i < 5; ++i) test::WriteBytes(dir / ("icons\\t" + std::to_string(i) + ".TXT"), "x");
  test::WriteBytes(dir / "icons\\upper.txt", "x");
  test::MakeFolder(dir / "icons\\sub1");
  test::MakeFolder(dir / "icons\\sub2");
  // A customised folder: its desktop.ini names another icon, which the shell reads for a folder
  // marked read-only or system.
  test::MakeFolder(dir / "icons\\custom");
  test::WriteBytes(dir / "icons\\custom\\desktop.ini",
                   "[.ShellClassInfo]\r\nIconFile=C:\\windows\\system32\\shell32.dll\r\nIconIndex=12\r\n"
                   "IconResource=C:\\windows\\system32\\shell32.dll,12\r\n",
                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(Widen(dir / "icons\\custom").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
  // Marked system with no desktop.ini (Wine keeps no read-only mark on folders, which would do
  // the same on Windows).
  test::MakeFolder(dir / "icons\\marked");
  SetFileAttributesW(Widen(dir / "icons\\marked").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
  Show(dir / "icons", 790, 590);
  TCapture capture(pane);
  const TFiles& files = view.Files();
  ASSERT_EQ(pane.PageCount(), 1);
  int drives = 0;
  for (int i = 0; i < files.Count(); ++i) {
    drives += files.Items(i)->IsDrive();
    EXPECT_NE(files.Items(i)->ImageIndex, -1) << files.Items(i)->FullName();
  }
  // Two extensions (any case), the plain folders' one icon, the two marked folders by their
  // paths, and one for each drive entry.
  const int expected = 2 + 1 + 2 + drives;
  EXPECT_EQ(pane.SmallImages().ShellLookups(), expected);
  EXPECT_TRUE(pane.SmallImages().AskedAboutFolder(dir / "icons\\custom"));
  EXPECT_TRUE(pane.SmallImages().AskedAboutFolder(dir / "icons\\marked"));
  EXPECT_FALSE(pane.SmallImages().AskedAboutFolder(dir / "icons\\sub1"));
  EXPECT_EQ(files.Items(Find(".."))->ImageIndex, kParentImage);
  EXPECT_EQ(files.Items(Find("d1.dat"))->ImageIndex, files.Items(Find("d2.dat"))->ImageIndex);
  EXPECT_EQ(files.Items(Find("sub1"))->ImageIndex, files.Items(Find("sub2"))->ImageIndex);
  EXPECT_EQ(files.Items(Find("marked"))->ImageIndex, files.Items(Find("sub1"))->ImageIndex)
      << "marked without a desktop.ini: the plain folder's icon, by its own path";
  EXPECT_NE(files.Items(Find("custom"))->ImageIndex, files.Items(Find("sub1"))->ImageIndex)
      << "the customised folder shows its own icon";
  // A second paint asks nothing; after a rescan only the drive roots are asked again (their
  // media may have changed), the folders are known by path.
  TCapture again(pane);
  EXPECT_EQ(pane.SmallImages().ShellLookups(), expected);
  const int customIcon = files.Items(Find("custom"))->ImageIndex;
  view.Refresh({}, false);
  ASSERT_EQ(files.Items(Find("custom"))->ImageIndex, -1) << "new entries";
  TCapture rescanned(pane);
  EXPECT_EQ(files.Items(Find("custom"))->ImageIndex, customIcon);
  EXPECT_EQ(pane.SmallImages().ShellLookups(), expected + drives - 1);
  // Icon style forgets the small indexes and takes the large list.
  pane.SetViewStyle(vsIcon);
  EXPECT_EQ(files.Items(Find("d1.dat"))->ImageIndex, -1);
  TCapture icons(pane);
  icons.SaveFor("icons");
  EXPECT_GE(pane.LargeImages().ShellLookups(), 1);
  EXPECT_LE(pane.LargeImages().ShellLookups(), expected);
  EXPECT_NE(files.Items(Find("custom"))->ImageIndex, files.Items(Find("sub1"))->ImageIndex);
}

TEST_F(FileViewWindow, TheShellsSpecialFoldersAreAskedAboutByPath) {
  // The system's folder, listed in its drive's root among folders that are not special.
  wchar_t windows[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, windows)));
  const std::string path = Narrow(windows);
  // Not marked in any way the folder itself would be asked about for.
  const DWORD marks =
      GetFileAttributesW(windows) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_EQ(marks, 0u);
  const std::string root = path.substr(0, path.find_last_of('\\') + 1);
  Show(root, 790, 590);
  ASSERT_EQ(view.Folder(), root);
  ASSERT_GE(Find(path.substr(root.size())), 0);
  TCapture capture(pane);
  EXPECT_TRUE(pane.SmallImages().AskedAboutFolder(path));
  int askedByPath = 0;
  for (int i = 0; i < view.Files().Count(); ++i) {
    const TFile& file = *view.Files().Items(i);
    if (file.IsFolder()) askedByPath += pane.SmallImages().AskedAboutFolder(root + file.Name());
  }
  EXPECT_LT(askedByPath, view.Files().CountKind(kKindFolder)) << "not every folder of the root";
}

TEST_F(FileViewWindow, FolderTypeNamesComeFromTheirPaths) {
  test::MakeFolder(dir / "types");
  test::MakeFolder(dir / "types\\plain");
  test::MakeFolder(dir / "types\\marked");
  SetFileAttributesW(Widen(dir / "types\\marked").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
  test::WriteBytes(dir / "types\\note.txt", "x");
  Show(dir / "types", 790, 590);
  TCapture capture(pane);
  ASSERT_TRUE(pane.Params().ShowDescription);
  const TFiles& files = view.Files();
  SHFILEINFOW info{};
  ASSERT_TRUE(SHGetFileInfoW(Widen(dir / "types\\marked").c_str(), 0, &info, sizeof info, SHGFI_TYPENAME));
  EXPECT_EQ(files.Items(Find("marked"))->TypeName(), Narrow(info.szTypeName));
  ASSERT_TRUE(SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                             SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES));
  EXPECT_EQ(files.Items(Find("plain"))->TypeName(), Narrow(info.szTypeName)) << "any plain folder's name";
  EXPECT_FALSE(files.Items(Find("plain"))->TypeName().empty());
  EXPECT_EQ(files.Items(Find(".."))->TypeName(), "Parent Folder");
  // An archive's folders exist nowhere: the generic name, no shell call on a made-up path.
  view.SetOwnerData(true);
  view.OnOwnerData = [&](bool&) {
    view.Files().Clear();
    view.Files().AddEntry("..", {}, faDirectory, 0, 0);
    view.Files().AddEntry("inside", {}, faDirectory | faSystem, 0, 0);
  };
  view.Refresh({}, false);
  TCapture archive(pane);
  EXPECT_EQ(files.Items(Find("inside"))->TypeName(), "File Folder");
  EXPECT_NE(files.Items(Find("inside"))->ImageIndex, -1);
}

TEST_F(FileViewWindow, FolderIconsAreAskedForTheShownPageOnly) {
  test::MakeFolder(dir / "deep");
  for (int i = 0; i < 300; ++i) test::MakeFolder(dir / ("deep\\folder" + std::to_string(1000 + i)));
  // Every fifth folder marked system, so its icon is asked for by path.
  for (int i = 0; i < 300; i += 5)
    SetFileAttributesW(Widen(dir / ("deep\\folder" + std::to_string(1000 + i))).c_str(),
                       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
  Show(dir / "deep", 300, 200);
  const int pageSize = pane.Params().PageSize();
  ASSERT_LT(pageSize * 3, 300);
  auto askedByPath = [&] {
    int asked = 0;
    for (int i = 0; i < 300; ++i)
      asked += pane.SmallImages().AskedAboutFolder(dir / ("deep\\folder" + std::to_string(1000 + i)));
    return asked;
  };
  TCapture first(pane);
  // The first page: "..", then folders 1000 up; the marked ones among them, nothing beyond.
  const int firstMarked = (pageSize - 1 + 4) / 5;
  EXPECT_EQ(askedByPath(), firstMarked);
  EXPECT_EQ(pane.SmallImages().ShellLookups(), firstMarked + 1) << "and the plain folders' icon once";
  SendMessageW(pane.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  TCapture second(pane);
  const int secondMarked = (2 * pageSize - 1 + 4) / 5;
  EXPECT_EQ(askedByPath(), secondMarked);
  SendMessageW(pane.Handle(), WM_VSCROLL, SB_PAGEUP, 0);
  TCapture back(pane);
  EXPECT_EQ(pane.SmallImages().ShellLookups(), secondMarked + 1) << "folders seen before are not asked again";
}

TEST_F(FileViewWindow, SettingsRecomputeTheLayout) {
  test::MakeFolder(dir / "set");
  for (int i = 0; i < 30; ++i) test::WriteBytes(dir / ("set\\s" + std::to_string(i) + ".dat"), "x");
  Show(dir / "set", 600, 400);
  EXPECT_TRUE(pane.Settings().AutoColumn);
  pane.SetColumn(3);
  EXPECT_FALSE(pane.Settings().AutoColumn);
  EXPECT_EQ(pane.Params().Columns, 3);
  // The icon grid keeps the list's column count for the way back.
  pane.SetViewStyle(vsIcon);
  EXPECT_EQ(pane.Params().Style, vsIcon);
  EXPECT_EQ(pane.Params().CellHeight, 43 + 32);
  pane.SetViewStyle(vsList);
  EXPECT_EQ(pane.Settings().Column, 3);
  EXPECT_EQ(pane.Params().Columns, 3);
  pane.SetColumn(0);
  EXPECT_TRUE(pane.Settings().AutoColumn);

  const int withTitle = pane.TitleHeight();
  pane.SetViewTitle(false);
  EXPECT_EQ(pane.TitleHeight(), 0);
  EXPECT_EQ(withTitle, kTitleHeight + 1);
  const int withIcons = pane.Params().IconArea;
  pane.SetViewIcon(false);
  EXPECT_EQ(pane.Params().IconArea, withIcons - 20);

  // The icon grid's spacing: kept in the list, applied in icon style.
  const TLayoutParams listParams = pane.Params();
  pane.SetIconVSpacing(10);
  pane.SetIconHSpacing(20);
  EXPECT_EQ(pane.Settings().IconVSpacing, 10);
  EXPECT_EQ(pane.Settings().IconHSpacing, 20);
  EXPECT_EQ(pane.Params().CellHeight, listParams.CellHeight);
  EXPECT_EQ(pane.Params().Columns, listParams.Columns);
  pane.SetViewStyle(vsIcon);
  EXPECT_EQ(pane.Params().CellHeight, 10 + 32);
  RECT client{};
  GetClientRect(pane.Handle(), &client);
  EXPECT_EQ(pane.Params().Columns, client.right / (20 + 32));
  pane.SetIconHSpacing(68);
  EXPECT_EQ(pane.Params().Columns, client.right / (68 + 32)) << "in icon style the grid follows at once";
  pane.SetViewStyle(vsList);

  // Border: a sunken client edge by default, none on request, on the same window.
  const HWND handle = pane.Handle();
  EXPECT_EQ(pane.BorderStyle(), bsSingle);
  EXPECT_TRUE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  const int edged = pane.Params().ItemArea.Width();
  pane.SetBorderStyle(bsNone);
  EXPECT_EQ(pane.Handle(), handle);
  EXPECT_FALSE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  TCapture borderless(pane);
  EXPECT_EQ(pane.Params().ItemArea.Width(), edged + 2 * GetSystemMetrics(SM_CXEDGE))
      << "the client area took the edge's room";
  pane.SetBorderStyle(bsSingle);
  EXPECT_TRUE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  TCapture edgedAgain(pane);
  EXPECT_EQ(pane.Params().ItemArea.Width(), edged);
}

TEST_F(FileViewWindow, TheTitleShowsTheSortColumnAndHiddenLetters) {
  test::MakeFolder(dir / "title");
  Show(dir / "title", 400, 200);
  // A new title repaints the title strip and nothing else.
  UpdateWindow(pane.Handle());
  RECT pending{};
  ASSERT_FALSE(GetUpdateRect(pane.Handle(), &pending, FALSE));
  view.SetTitle("Here and there");
  ASSERT_TRUE(GetUpdateRect(pane.Handle(), &pending, FALSE));
  RECT paneClient{};
  GetClientRect(pane.Handle(), &paneClient);
  EXPECT_EQ(pending.top, 0);
  EXPECT_EQ(pending.left, 0);
  EXPECT_EQ(pending.right, paneClient.right);
  EXPECT_EQ(pending.bottom, kTitleHeight);
  UpdateWindow(pane.Handle());
  TCapture shown(pane);
  RECT client{};
  GetClientRect(pane.Handle(), &client);
  const RECT hidden{client.right - 52, 0, client.right - 36, 22};
  EXPECT_EQ(shown.CountNear(hidden, 0x0000FF), 0);
  view.SetViewHidden(true);
  TCapture withHidden(pane);
  withHidden.SaveFor("title");
  EXPECT_GT(withHidden.CountNear(hidden, 0x0000FF), 3);
  // The sort letter box and the column box hold text in the normal colour.
  EXPECT_GT(withHidden.CountNear(RECT{client.right - 20, 0, client.right, 22}, 0xC0C0C0), 3);
  EXPECT_GT(withHidden.CountNear(RECT{client.right - 36, 0, client.right - 20, 22}, 0xC0C0C0), 3);
  // The title text, bold in the title colour (right of where row icons would be).
  const RECT titleText{30, 0, 60, 22};
  EXPECT_GT(withHidden.CountNear(titleText, 0xFFFFFF), 3);
  pane.SetViewTitle(false);
  TCapture noTitle(pane);
  EXPECT_EQ(noTitle.CountNear(titleText, 0xFFFFFF), 0);
}

// ---- input ----

// Lets timers and posted messages run for a while.
void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

class PaneInput : public FileViewWindow {
protected:
  void Key(WPARAM key) { SendMessageW(pane.Handle(), WM_KEYDOWN, key, 0); }
  void Type(const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(pane.Handle(), WM_CHAR, c, 0);
  }
  // A point in the entry's check-mark column, or well inside its name.
  POINT CheckArea(int index) {
    int x = 0, y = 0;
    pane.Layout().CellOrigin(index, pane.FirstVisible(), x, y);
    return {x + 4, y + pane.Params().ItemHeight / 2};
  }
  POINT NameArea(int index) {
    POINT p = CheckArea(index);
    p.x += pane.Params().IconArea + 10;
    return p;
  }
  void Mouse(UINT message, POINT p, WPARAM keys = 0) {
    SendMessageW(pane.Handle(), message, keys, MAKELPARAM(p.x, p.y));
  }
  std::string Focused() { return view.FocusedFile() ? view.FocusedFile()->FullName() : "<none>"; }
  bool IsSelected(int index) { return view.Files().Items(index)->Selected; }
  // "..", folders alpha and beta, then files.
  void MakeWork() {
    test::MakeFolder(dir / "work");
    test::MakeFolder(dir / "work\\alpha");
    test::MakeFolder(dir / "work\\beta");
    for (const char* name : {"readme.txt", "report.doc", "setup.exe", "notes.txt", "zeta.dat"})
      test::WriteBytes(dir / (std::string("work\\") + name), "12345");
    view.SetSortType(fstName);
    Show(dir / "work", 600, 400);
  }
};

TEST_F(PaneInput, SpaceSelectsAndMovesOnButNeverSelectsTheParentOrADrive) {
  MakeWork();
  ASSERT_EQ(Focused(), "..");
  Key(VK_SPACE);
  EXPECT_EQ(view.SelCount(), 0);
  EXPECT_EQ(view.ItemIndex(), 1) << "the focus moves on anyway";
  Key(VK_SPACE);
  EXPECT_TRUE(IsSelected(1));
  EXPECT_EQ(view.ItemIndex(), 2);

  const int firstDrive = Find("C:\\");
  ASSERT_GT(firstDrive, 0);
  view.SetItemIndex(firstDrive);
  Key(VK_SPACE);
  EXPECT_FALSE(IsSelected(firstDrive));
  EXPECT_EQ(view.ItemIndex(), firstDrive + 1);

  // In icon style the focus moves right, which is the next entry too; Enter opens.
  pane.SetViewStyle(vsIcon);
  view.SetItemIndex(Find("notes.txt"));
  Key(VK_SPACE);
  EXPECT_TRUE(IsSelected(Find("notes.txt")));
  EXPECT_EQ(view.ItemIndex(), Find("notes.txt") + 1);
  view.SetItemIndex(Find("alpha"));
  Key(VK_RETURN);
  EXPECT_EQ(view.Folder(), dir / "work\\alpha");
}

TEST_F(PaneInput, TypingSearchesAndAFocusMoveEndsTheSearch) {
  MakeWork();
  std::vector<std::string> reported;
  view.OnFindChange = [&](const std::string& text) { reported.push_back(text); };
  view.SetItemIndex(Find("setup.exe"));
  Type(L".");
  EXPECT_EQ(Focused(), "..") << "\".\" on an empty search goes to the first entry";
  Type(L"re");
  EXPECT_EQ(Focused(), "readme.txt");
  EXPECT_EQ(view.FindText(), "re");
  Type(L"x");
  EXPECT_EQ(view.FindText(), "") << "neither \"rex\" nor \"x\" names anything";
  EXPECT_EQ(Focused(), "readme.txt");
  Type(L"rz");
  EXPECT_EQ(Focused(), "zeta.dat") << "\"z\" is searched again after the focus";
  EXPECT_EQ(view.FindText(), "z");
  Key(VK_HOME);
  EXPECT_EQ(view.FindText(), "") << "moving the focus by key clears the search";
  EXPECT_EQ(reported.back(), "");
  Type(L"NO");
  EXPECT_EQ(Focused(), "..") << "upper-case letters without Caps Lock are Shift shortcuts";
}

TEST_F(PaneInput, ShiftClickSelectsUpwardsAndClicksToggle) {
  MakeWork();
  const int setup = Find("setup.exe"), beta = Find("beta");
  view.SetItemIndex(setup);
  Mouse(WM_LBUTTONDOWN, CheckArea(beta), MK_LBUTTON | MK_SHIFT);
  Mouse(WM_LBUTTONUP, CheckArea(beta));
  for (int i = beta; i <= setup; ++i) EXPECT_TRUE(IsSelected(i)) << view.Files().Items(i)->FullName();
  EXPECT_FALSE(IsSelected(Find("alpha")));
  EXPECT_FALSE(IsSelected(Find("zeta.dat")));
  EXPECT_EQ(view.ItemIndex(), beta) << "the click focuses the entry too";
  EXPECT_EQ(view.SelCount(), setup - beta + 1);

  Mouse(WM_LBUTTONDOWN, CheckArea(setup), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, CheckArea(setup));
  EXPECT_FALSE(IsSelected(setup)) << "a plain click on the check-mark column toggles";
  Mouse(WM_LBUTTONDOWN, NameArea(Find("zeta.dat")), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, NameArea(Find("zeta.dat")));
  EXPECT_FALSE(IsSelected(Find("zeta.dat"))) << "a click on the name only focuses";
  EXPECT_EQ(Focused(), "zeta.dat");

  // Double-click on a name opens; on the check-mark column it does not.
  Mouse(WM_LBUTTONDBLCLK, CheckArea(Find("alpha")), MK_LBUTTON);
  EXPECT_EQ(view.Folder(), dir / "work");
  Mouse(WM_LBUTTONDBLCLK, NameArea(Find("alpha")), MK_LBUTTON);
  EXPECT_EQ(view.Folder(), dir / "work\\alpha");
}

TEST_F(PaneInput, DraggingOverCheckMarksSelectsForwardAndUndoesGoingBack) {
  MakeWork();
  const int first = Find("alpha");
  Mouse(WM_LBUTTONDOWN, CheckArea(first), MK_LBUTTON);
  EXPECT_TRUE(IsSelected(first));
  Mouse(WM_MOUSEMOVE, NameArea(first + 4), MK_LBUTTON);
  for (int i = first; i <= first + 4; ++i) EXPECT_TRUE(IsSelected(i)) << i;
  Mouse(WM_MOUSEMOVE, NameArea(first + 2), MK_LBUTTON);
  EXPECT_TRUE(IsSelected(first + 2));
  EXPECT_FALSE(IsSelected(first + 3)) << "going back deselects what the drag had selected";
  EXPECT_FALSE(IsSelected(first + 4));
  Mouse(WM_LBUTTONUP, NameArea(first + 2));
  // After release, moving does nothing.
  Mouse(WM_MOUSEMOVE, NameArea(first + 5), 0);
  EXPECT_FALSE(IsSelected(first + 5));
  EXPECT_EQ(view.SelCount(), 3);

  // Backwards from an anchor, past it, and back onto it.
  view.DeselectAll(true);
  const int anchor = Find("setup.exe");
  Mouse(WM_LBUTTONDOWN, CheckArea(anchor), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, NameArea(anchor - 3), MK_LBUTTON);
  EXPECT_EQ(view.SelCount(), 4);
  Mouse(WM_MOUSEMOVE, NameArea(anchor + 1), MK_LBUTTON);
  EXPECT_EQ(view.SelCount(), 2);
  EXPECT_TRUE(IsSelected(anchor + 1));
  EXPECT_FALSE(IsSelected(anchor - 1));
  Mouse(WM_MOUSEMOVE, NameArea(anchor), MK_LBUTTON);
  EXPECT_EQ(view.SelCount(), 1) << "only the anchor keeps what its press gave it";
  Mouse(WM_LBUTTONUP, NameArea(anchor));
}

TEST_F(PaneInput, ACutNameShowsItsTipAfterADelayAndKeysPutItAway) {
  test::MakeFolder(dir / "tip");
  const std::string longName = "a name far too long to be shown whole in this pane.txt";
  test::WriteBytes(dir / ("tip\\" + longName), "x");
  test::WriteBytes(dir / "tip\\short.txt", "x");
  Show(dir / "tip", 180, 200);
  SetForegroundWindow(parent);
  SetFocus(pane.Handle());
  view.SetItemIndex(Find(longName));
  UpdateWindow(pane.Handle());
  EXPECT_FALSE(pane.NameTip().Visible()) << "not before the delay";
  Pump(TFileViewWindow::kNameTipDelay + 400);
  ASSERT_TRUE(pane.NameTip().Visible());
  EXPECT_EQ(pane.NameTip().Text(), "A NAME FAR TOO LONG TO BE SHOWN WHOLE IN THIS PANE.TXT")
      << "the full name in the pane's letter case";
  RECT tip{}, cell = pane.ItemRect(Find(longName));
  GetWindowRect(pane.NameTip().Handle(), &tip);
  POINT cellOnScreen{cell.left, cell.top};
  ClientToScreen(pane.Handle(), &cellOnScreen);
  EXPECT_EQ(tip.top, cellOnScreen.y) << "over its cell";
  EXPECT_GT(tip.right - tip.left, cell.right - cell.left) << "wider than the cell that cut it";
  Key(VK_LEFT);
  EXPECT_FALSE(pane.NameTip().Visible());

  // A short name gets no tip; the tip also goes by itself.
  view.SetItemIndex(Find("short.txt"));
  Pump(TFileViewWindow::kNameTipDelay + 300);
  EXPECT_FALSE(pane.NameTip().Visible());
  view.SetItemIndex(Find(longName));
  Pump(TFileViewWindow::kNameTipDelay + 300);
  EXPECT_TRUE(pane.NameTip().Visible());
  Pump(TNameTip::kHideDelay + 300);
  EXPECT_FALSE(pane.NameTip().Visible());
}

TEST_F(PaneInput, TypingOnAfterASearchFoundACutNameStillShowsItsTip) {
  test::MakeFolder(dir / "typing");
  const std::string longName = "the name far too long to be shown whole in this pane.txt";
  test::WriteBytes(dir / ("typing\\" + longName), "x");
  test::WriteBytes(dir / "typing\\another.txt", "x");
  test::WriteBytes(dir / "typing\\short.txt", "x");
  Show(dir / "typing", 180, 200);
  SetForegroundWindow(parent);
  SetFocus(pane.Handle());
  view.SetItemIndex(Find("another.txt"));
  Pump(TFileViewWindow::kNameTipDelay + 200);
  // "t" finds the cut name; "h" comes 100 ms later, before the tip's delay is over. Each key
  // also passes the program's message loop, which puts the tip away.
  pane.HideNameTipForKey();
  Key('T');
  Type(L"t");
  ASSERT_EQ(Focused(), longName);
  Pump(100);
  pane.HideNameTipForKey();
  Key('H');
  Type(L"h");
  EXPECT_EQ(view.FindText(), "th");
  EXPECT_FALSE(pane.NameTip().Visible());
  Pump(TFileViewWindow::kNameTipDelay + 300);
  ASSERT_TRUE(pane.NameTip().Visible()) << "the show pending for the focused entry survives the key";
  EXPECT_EQ(pane.NameTip().Text(), "THE NAME FAR TOO LONG TO BE SHOWN WHOLE IN THIS PANE.TXT");
  // A key-down puts a shown tip away.
  pane.HideNameTipForKey();
  Key('E');
  EXPECT_FALSE(pane.NameTip().Visible());

  // Putting the tip away for good (activation, system commands) ends a pending show too.
  view.SetItemIndex(Find("short.txt"));
  view.SetItemIndex(Find(longName));
  pane.HideNameTip();
  Pump(TFileViewWindow::kNameTipDelay + 300);
  EXPECT_FALSE(pane.NameTip().Visible());
  // A key that moves the focus onto the cut name starts its delay afresh.
  view.SetItemIndex(Find("short.txt"));
  Pump(100);
  pane.HideNameTipForKey();
  Key(VK_DOWN);
  ASSERT_EQ(Focused(), longName);
  Pump(TFileViewWindow::kNameTipDelay + 300);
  EXPECT_TRUE(pane.NameTip().Visible());
}

}  // namespace
}  // namespace quill
