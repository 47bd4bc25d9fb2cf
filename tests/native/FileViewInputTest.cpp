// The pane's input rules without a window: focus setting, selection commands and their totals,
// quick search as characters arrive, and the drag-select arithmetic.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/Text.h"
#include "fileview/FileView.h"

namespace quill {
namespace {

class RecordingHost : public IFileViewHost {
public:
  void Invalidate() override { ++repaints; }
  void HideNameTip() override {}
  void FocusChanged() override { ++focusChanges; }
  void InvalidateItem(int index) override { items.push_back(index); }
  int repaints = 0, focusChanges = 0;
  std::vector<int> items;
};

// "..", two folders, files, then two drive entries and Network, as a scan leaves them.
class PaneInput : public ::testing::Test {
protected:
  void SetUp() override {
    view.SetHost(&host);
    TFiles& f = view.Files();
    f.BeginUpdate();
    f.AddEntry("..", {}, faDirectory, 0, 0);
    f.AddEntry("Docs", {}, faDirectory, 0, 0);
    f.AddEntry("Music", {}, faDirectory, 0, 0);
    for (const char* name : {"readme.txt", "report.doc", "Résumé.pdf", "setup.exe", "notes.txt", "Makefile"})
      f.AddFile(name, 100, faArchive, 0);
    f.AddEntry("C", {}, faDrive, 0, 0);
    f.AddEntry("D", {}, faDrive, 0, 0);
    f.AddEntry("/", "Network", faDrive, 0, 0);
    f.EndUpdate();
    view.OnFindChange = [this](const std::string& text) { findChanges.push_back(text); };
    view.OnChange = [this] { ++changes; };
    view.SetItemIndex(0);
    changes = 0;
    host.focusChanges = 0;
  }
  int At(const std::string& fullName) const { return view.Files().IndexOf(fullName); }
  std::string Focused() const { return view.FocusedFile() ? view.FocusedFile()->FullName() : "<none>"; }
  void Type(std::string_view ascii) {
    for (char c : ascii) view.SearchChar(static_cast<unsigned char>(c), false);
  }
  std::set<std::string> Selected() const {
    std::set<std::string> names;
    for (int i = 0; i < view.Files().Count(); ++i)
      if (view.Files().Items(i)->Selected) names.insert(view.Files().Items(i)->FullName());
    return names;
  }

  TCustomFileView view;
  RecordingHost host;
  std::vector<std::string> findChanges;
  int changes = 0;
};

TEST_F(PaneInput, SetFocusedIgnoresOutOfRangeAndSameTargetsAndIsQuietInsideAnUpdate) {
  view.SetFocused(-1);
  view.SetFocused(view.Files().Count());
  view.SetFocused(0);
  EXPECT_EQ(view.ItemIndex(), 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(host.focusChanges, 0);

  view.SetFocused(3);
  EXPECT_EQ(view.ItemIndex(), 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(host.focusChanges, 1) << "the name tip is told before the owner";

  view.Files().BeginUpdate();
  view.SetFocused(4);
  EXPECT_EQ(view.ItemIndex(), 4);
  EXPECT_EQ(changes, 1) << "nothing but the index changes while the list is updating";
  view.Files().EndUpdate();

  view.SetItemFocused(view.Files().Items(At("setup.exe")));
  EXPECT_EQ(Focused(), "setup.exe");
}

TEST_F(PaneInput, SelectAllAndDeselectAllWithAndWithoutFolders) {
  view.SelectAll(false);
  EXPECT_EQ(Selected(), (std::set<std::string>{"readme.txt", "report.doc", "Résumé.pdf", "setup.exe", "notes.txt",
                                               "Makefile"}));
  EXPECT_EQ(view.SelCount(), 6);
  EXPECT_EQ(view.SelSize(), 600u);

  view.SelectAll(true);
  EXPECT_EQ(view.SelCount(), 8) << "folders join, already selected files are not counted twice";
  EXPECT_FALSE(view.Files().Items(At(".."))->Selected);
  EXPECT_FALSE(view.Files().Items(At("C:\\"))->Selected);

  view.DeselectAll(false);
  EXPECT_EQ(Selected(), (std::set<std::string>{"Docs", "Music"})) << "folders stay without SelDir";
  EXPECT_EQ(view.SelCount(), 2);
  EXPECT_EQ(view.SelSize(), 0u);
  view.DeselectAll(true);
  EXPECT_EQ(view.SelCount(), 0);
  EXPECT_TRUE(Selected().empty());
}

TEST_F(PaneInput, InvertGroupAndSameExtension) {
  view.Select(At("readme.txt"));
  view.Select(At("Docs"));
  view.InvertSelection();
  EXPECT_EQ(Selected(), (std::set<std::string>{"Music", "report.doc", "Résumé.pdf", "setup.exe", "notes.txt",
                                               "Makefile"}));
  EXPECT_EQ(view.SelCount(), 6);

  view.DeselectAll(true);
  view.SelectGroup("*.TXT; s?tup.* ;", true);
  EXPECT_EQ(Selected(), (std::set<std::string>{"readme.txt", "notes.txt", "setup.exe"}));
  view.SelectGroup("[n-r]*", false);
  EXPECT_EQ(Selected(), (std::set<std::string>{"setup.exe"}));
  view.SelectGroup("*", true);
  EXPECT_EQ(view.SelCount(), 6) << "groups select files only, never folders or drives";

  view.DeselectAll(true);
  view.SetFocused(At("notes.txt"));
  view.SelectSameExt();
  EXPECT_EQ(Selected(), (std::set<std::string>{"readme.txt", "notes.txt"}));
  view.DeselectAll(true);
  view.SetFocused(At("Makefile"));
  view.SelectSameExt();
  EXPECT_EQ(Selected(), (std::set<std::string>{"Makefile", "Docs", "Music"}))
      << "folders are not excluded: their extension is empty too; the parent and the drives are refused";
  EXPECT_EQ(view.SelCount(), 3);
  view.SetFocused(At("Docs"));
  view.SelectSameExt();
  EXPECT_EQ(view.SelCount(), 3) << "a focused folder selects nothing";
}

TEST_F(PaneInput, SelectRangeGoesEitherWayAndKeepsRefusals) {
  view.SelectRange(At("setup.exe"), 0);
  EXPECT_EQ(Selected(), (std::set<std::string>{"Docs", "Music", "readme.txt", "report.doc", "Résumé.pdf",
                                               "setup.exe"}));
  view.SelectRange(At("notes.txt"), view.Files().Count() + 5);
  EXPECT_EQ(view.SelCount(), 8) << "drive entries refused, the end clipped";
  view.ToggleSelected(At("Docs"));
  EXPECT_FALSE(view.Files().Items(At("Docs"))->Selected);
  EXPECT_EQ(host.items.back(), At("Docs")) << "a toggle redraws its cell";
}

TEST_F(PaneInput, TypingSearchesFromTheTopAndRestartsWithTheLastCharacter) {
  Type("re");
  EXPECT_EQ(Focused(), "readme.txt");
  EXPECT_EQ(view.FindText(), "re");
  Type("p");
  EXPECT_EQ(Focused(), "report.doc");
  Type("x");
  // "repx" matches nothing: the search restarts with "x" after the focus, and finds nothing.
  EXPECT_EQ(view.FindText(), "");
  EXPECT_EQ(Focused(), "report.doc");

  Type("rs");
  EXPECT_EQ(Focused(), "setup.exe") << "\"rs\" has no match; \"s\" after readme.txt does";
  EXPECT_EQ(view.FindText(), "s");
}

TEST_F(PaneInput, RestartedSearchLooksAfterTheFocusFirstThenWraps) {
  Type("n");
  EXPECT_EQ(Focused(), "notes.txt");
  Type("m");  // "nm": no match; "m" after notes.txt is Makefile, before it Music
  EXPECT_EQ(Focused(), "Makefile");
  EXPECT_EQ(view.FindText(), "m");
  view.FindNext();
  EXPECT_EQ(Focused(), "Music") << "FindNext wraps to the top";
  view.FindNext();
  EXPECT_EQ(Focused(), "Makefile");
  EXPECT_EQ(view.FindText(), "m");
}

TEST_F(PaneInput, DotBackspaceAndCharactersThatEndTheSearch) {
  view.SetFocused(At("setup.exe"));
  Type(".");
  EXPECT_EQ(Focused(), "..") << "an empty search with \".\" focuses the first entry";
  EXPECT_EQ(view.FindText(), "");

  Type("readme.");
  EXPECT_EQ(view.FindText(), "readme.") << "\".\" after some text is part of the search";
  EXPECT_EQ(Focused(), "readme.txt");
  Type("\b");
  EXPECT_EQ(view.FindText(), "readme");
  Type("\b\b\b\b\b");
  EXPECT_EQ(view.FindText(), "r");
  EXPECT_EQ(Focused(), "readme.txt");
  const size_t reports = findChanges.size();
  Type("\b");
  EXPECT_EQ(view.FindText(), "");
  EXPECT_EQ(Focused(), "..") << "an emptied search text matches the first entry, as typing nothing would";
  EXPECT_EQ(findChanges.size(), reports + 1);
  EXPECT_EQ(findChanges.back(), "");
  Type("\b");
  EXPECT_EQ(Focused(), "..") << "Backspace on an empty text only clears it";
  view.SetFocused(At("readme.txt"));
  Type("re.");
  EXPECT_EQ(Focused(), "..") << "\"re.\" matches nothing; \".\" alone finds the parent entry";
  EXPECT_EQ(view.FindText(), ".");
  Type("\b");

  Type("no");
  EXPECT_EQ(view.FindText(), "no");
  Type("\r");
  EXPECT_EQ(view.FindText(), "no") << "Enter leaves the search alone";
  Type("*");
  EXPECT_EQ(view.FindText(), "") << "a character no name can hold ends it";
  Type("S");
  EXPECT_EQ(Focused(), "notes.txt") << "an upper-case letter without Caps Lock is a shortcut";
  view.SearchChar('S', true);
  EXPECT_EQ(Focused(), "setup.exe") << "with Caps Lock it is typed, and matched without case";
}

TEST_F(PaneInput, TypedUnicodeMatchesWholeCharacters) {
  view.SearchChar(U'r', false);
  view.SearchChar(U'é', false);
  EXPECT_EQ(Focused(), "Résumé.pdf");
  EXPECT_EQ(view.FindText(), "ré");
  view.SearchChar(U'\b', false);
  EXPECT_EQ(view.FindText(), "r") << "Backspace removes a whole character, not a byte";
  EXPECT_TRUE(IsValidUtf8(view.FindText()));
}

TEST_F(PaneInput, FocusedSearchReportsEveryChange) {
  findChanges.clear();
  Type("se");
  EXPECT_EQ(findChanges, (std::vector<std::string>{"s", "se"}));
}

TEST(DragSelect, EveryCaseOfTheTable) {
  // Anchor 5. Forward from the anchor, then further, then back towards it, then past it.
  EXPECT_EQ(DragSelectStep(5, 5, 8), (TDragSelectStep{0, -1, 6, 8}));
  EXPECT_EQ(DragSelectStep(5, 8, 10), (TDragSelectStep{0, -1, 9, 10}));
  EXPECT_EQ(DragSelectStep(5, 10, 7), (TDragSelectStep{8, 10, 0, -1}));
  EXPECT_EQ(DragSelectStep(5, 7, 3), (TDragSelectStep{6, 7, 3, 4}));
  EXPECT_EQ(DragSelectStep(5, 3, 1), (TDragSelectStep{0, -1, 1, 2}));
  EXPECT_EQ(DragSelectStep(5, 1, 4), (TDragSelectStep{1, 3, 0, -1}));
  EXPECT_EQ(DragSelectStep(5, 4, 9), (TDragSelectStep{4, 4, 6, 9}));
  EXPECT_EQ(DragSelectStep(5, 9, 5), (TDragSelectStep{6, 9, 0, -1})) << "back onto the anchor";
}

TEST(DragSelect, ReplayedDragLeavesExactlyTheRangeSelected) {
  // Whatever path the pointer takes, after each step the entries between the anchor and the
  // pointer (anchor excluded) are selected and nothing else is.
  const int anchor = 10;
  int last = anchor;
  std::vector<bool> sel(30, false);
  for (int now : {14, 20, 12, 10, 3, 0, 7, 29, 11, 9, 10}) {
    const TDragSelectStep s = DragSelectStep(anchor, last, now);
    for (int i = s.DeselectFrom; i <= s.DeselectTo; ++i) sel[i] = false;
    for (int i = s.SelectFrom; i <= s.SelectTo; ++i) sel[i] = true;
    last = now;
    for (int i = 0; i < 30; ++i) {
      const bool expected = i != anchor && ((i > anchor && i <= now) || (i < anchor && i >= now));
      ASSERT_EQ(sel[i], expected) << "entry " << i << " with the pointer on " << now;
    }
  }
}

TEST(TextHelpers, MasksAndCodePoints) {
  EXPECT_TRUE(MatchesMask("*.*", "Makefile"));
  EXPECT_TRUE(MatchesMask("*.TXT", "notes.txt"));
  EXPECT_FALSE(MatchesMask("*.txt", "notes.txt.bak"));
  EXPECT_TRUE(MatchesMask("a??.dll", "abc.dll"));
  EXPECT_FALSE(MatchesMask("a??.dll", "ab.dll"));
  EXPECT_TRUE(MatchesMask("?.pdf", "é.pdf")) << "? is one character, not one byte";
  EXPECT_TRUE(MatchesMask("[a-c]*", "Beta"));
  EXPECT_FALSE(MatchesMask("[!a-c]*", "beta"));
  EXPECT_TRUE(MatchesMask("[x", "[x")) << "an unclosed set is literal";
  EXPECT_TRUE(MatchesMask("*é*", "Résumé"));
  EXPECT_FALSE(MatchesMask("", "a"));

  EXPECT_EQ(CodePointCount("Résumé"), 6u);
  EXPECT_EQ(CodePointPrefix("Résumé", 2), "Ré");
  EXPECT_EQ(CodePointPrefix("ab", 5), "ab");
  std::string s = "a한";
  DropLastCodePoint(s);
  EXPECT_EQ(s, "a");
  std::string u;
  for (char32_t c : {U'A', U'é', U'한', U'😀'}) AppendUtf8(u, c);
  EXPECT_EQ(u, "Aé한😀");
  AppendUtf8(u, 0xD800);
  AppendUtf8(u, 0x110000);
  EXPECT_EQ(u, "Aé한😀");
}

}  // namespace
}  // namespace quill
