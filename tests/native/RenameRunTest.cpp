// The Attributes/Time and Rename loops over the pane's selection, on the in-memory volume: what
// reaches the disk, what the entries and their descriptions become, and what is refused.
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/Text.h"
#include "operations/AttribRun.h"
#include "operations/RenameRun.h"
#include "tests/native/FakeVolume.h"
#include "tests/native/ScriptedQuestions.h"

namespace quill {
namespace {

using test::TFakeVolume;
using test::TQuestionKind;
using test::TScriptedQuestions;

// Moves and time stamps on the fake volume; a move never replaces another entry.
class TFakeChanges : public IEntryChanges {
public:
  explicit TFakeChanges(TFakeVolume& fs) : fs_(fs) {}
  uint32_t MoveEntry(const std::string& from, const std::string& to) override {
    moves.push_back(from + ">" + to);
    if (!fs_.Has(from)) return 2;
    if (UpperAscii(from) == UpperAscii(to)) {
      auto& node = fs_.nodes.at(UpperAscii(from));
      node.name = FileNamePart(to);
      node.path = to;
      return 0;
    }
    if (fs_.Has(to)) return 183;
    Move(from, to);
    return 0;
  }
  uint32_t SetEntryTimes(const std::string& path, uint64_t time) override {
    if (failing.count(path) || !fs_.Has(path)) return 5;
    fs_.nodes.at(UpperAscii(path)).time = time;
    timed.push_back(path);
    return 0;
  }
  std::vector<std::string> moves, timed;
  std::set<std::string> failing;

private:
  void Move(const std::string& from, const std::string& to) {
    const TFakeVolume::TNode node = fs_.Node(from);
    if (node.attributes & faDirectory) {
      fs_.MakeFolder(to, node.attributes & ~faDirectory);
      for (const std::string& child : node.children) {
        const std::string name = fs_.nodes.at(child).name;
        Move(JoinPath(from, name), JoinPath(to, name));
      }
    } else {
      fs_.MakeFile(to, node.size, node.attributes, node.time);
    }
    fs_.nodes.at(UpperAscii(from)).attributes &= ~faReadOnly;
    fs_.RemoveFile(from);
  }
  TFakeVolume& fs_;
};

// The Rename dialog as the user answers it: each answer is a result and the text typed.
class TScriptedRename : public IRenameAsker {
public:
  struct TAnswer {
    int result;
    std::vector<std::string> names;  // one for OK; for All, the computed names from the index on
  };
  int Ask(size_t index, const std::vector<std::string>& oldNames, std::vector<std::string>& newNames) override {
    asked.push_back(oldNames[index]);
    if (answers.empty()) return mrCancel;
    TAnswer answer = answers.front();
    answers.pop_front();
    for (size_t k = 0; k < answer.names.size(); ++k) newNames[index + k] = answer.names[k];
    return answer.result;
  }
  std::deque<TAnswer> answers;
  std::vector<std::string> asked;
};

class TScriptedAttrib : public IAttribAsker {
public:
  int Ask(const TFile& file, int position, int count, TAttribValues& values) override {
    asked.push_back(file.FullName() + Format(" (%d/%d)", position, count));
    if (answers.empty()) return mrCancel;
    const auto [result, given] = answers.front();
    answers.pop_front();
    values = given;
    return result;
  }
  std::deque<std::pair<int, TAttribValues>> answers;
  std::vector<std::string> asked;
};

class SelectionLoops : public ::testing::Test {
protected:
  SelectionLoops() : view(fs, codePage), changes(fs) {
    fs.MakeFolder("C:\\W");
    fs.MakeFolder("C:\\W\\Docs");
    fs.MakeFolder("C:\\W\\Docs\\Deep");
    fs.MakeFile("C:\\W\\Docs\\one.txt", 1, faArchive, 7);
    fs.MakeFile("C:\\W\\Docs\\Deep\\two.txt", 1, faArchive, 7);
    fs.MakeFile("C:\\W\\report.txt");
    fs.MakeFile("C:\\W\\README");
    fs.MakeFile("C:\\W\\b.txt");
    fs.WriteText("C:\\W\\descript.dat", "report.txt=the yearly report\r\nDocs=papers\r\n", faArchive | faHidden);
    view.SetFolder("C:\\W");
  }
  int At(const char* name) const { return view.Files().IndexOf(name); }
  TFile* Entry(const char* name) { return view.Files().Items(At(name)); }

  TFakeVolume fs;
  TLatin1CodePage codePage;
  TQuillView view;
  TFakeChanges changes;
  TScriptedQuestions questions;
};

TEST_F(SelectionLoops, RenameMovesEntriesTheirDescriptionsAndReportsFolders) {
  view.SetItemIndex(At("report.txt"));
  TScriptedRename asker;
  asker.answers = {{mrOk, {"summary.txt"}}, {mrOk, {"Papers"}}};
  const TRenameOutcome outcome =
      RenameEntries(view, {At("report.txt"), At("Docs")}, asker, changes, questions, "Error");
  EXPECT_EQ(asker.asked, (std::vector<std::string>{"report.txt", "Docs"}));
  EXPECT_EQ(outcome.renamed, 2);
  EXPECT_TRUE(fs.FileExists("C:\\W\\summary.txt"));
  EXPECT_FALSE(fs.Has("C:\\W\\report.txt"));
  EXPECT_TRUE(fs.FileExists("C:\\W\\Papers\\Deep\\two.txt"));
  ASSERT_EQ(outcome.folders.size(), 1u);
  EXPECT_EQ(outcome.folders[0].oldPath, "C:\\W\\Docs");
  EXPECT_EQ(outcome.folders[0].newName, "Papers");
  EXPECT_EQ(outcome.focusName, "summary.txt");
  EXPECT_TRUE(outcome.descriptionsMoved);
  // The entries carry their descriptions under the new names into descript.dat.
  EXPECT_EQ(Entry("summary.txt")->Description(), "the yearly report");
  EXPECT_EQ(view.SaveDescript(), 0u);
  view.Refresh(outcome.focusName, true);
  EXPECT_EQ(Entry("summary.txt")->Description(), "the yearly report");
  EXPECT_EQ(Entry("Papers")->Description(), "papers");
  EXPECT_EQ(view.FocusedFile()->FullName(), "summary.txt");
}

TEST_F(SelectionLoops, RenameRefusesBadNamesAndExistingTargetsAndAsksAgain) {
  TScriptedRename asker;
  // Another entry's name (in another case), a name with a colon, then trailing dots that the file
  // system would drop, then a case-only change of the entry itself.
  asker.answers = {{mrOk, {"B.TXT"}}, {mrOk, {"a:b"}}, {mrOk, {"xREADME. ."}}, {mrOk, {"B.txt"}}};
  for (int i = 0; i < 3; ++i) questions.AnswerError(false);
  const TRenameOutcome outcome = RenameEntries(view, {At("README"), At("b.txt")}, asker, changes, questions, "Error");
  EXPECT_EQ(asker.asked, (std::vector<std::string>{"README", "README", "README", "b.txt"}));
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 2u);
  EXPECT_EQ(questions.Asked()[0].code, 183u);
  EXPECT_EQ(questions.Asked()[0].caption, "Error");
  EXPECT_TRUE(questions.Asked()[0].stopOnly);
  EXPECT_EQ(questions.Asked()[1].code, 123u);
  // The colon never reached the disk; the refused move replaced nothing.
  EXPECT_EQ(changes.moves, (std::vector<std::string>{"C:\\W\\README>C:\\W\\B.TXT", "C:\\W\\README>C:\\W\\xREADME",
                                                      "C:\\W\\b.txt>C:\\W\\B.txt"}));
  EXPECT_TRUE(fs.FileExists("C:\\W\\xREADME"));
  EXPECT_EQ(fs.Node("C:\\W\\B.txt").name, "B.txt");
  EXPECT_EQ(Entry("xREADME")->FullName(), "xREADME");
  EXPECT_EQ(Entry("B.txt")->Ext(), "txt");
  EXPECT_EQ(outcome.renamed, 2);
}

TEST_F(SelectionLoops, AdvancedRenameAppliesToTheRestAndEndsAtTheFirstFailure) {
  TScriptedRename asker;
  // OK on the first, then Advanced Rename computed names for the rest: the third names an
  // existing entry, so the run ends there and the fourth stays as it was.
  asker.answers = {{mrOk, {"1.txt"}}, {mrAll, {"2.txt", "README", "4.txt"}}};
  fs.MakeFile("C:\\W\\c.txt");
  view.Refresh("", false);
  questions.AnswerError(false);
  const TRenameOutcome outcome =
      RenameEntries(view, {At("b.txt"), At("c.txt"), At("report.txt"), At("Docs")}, asker, changes, questions, "Error");
  EXPECT_EQ(outcome.renamed, 2);
  EXPECT_EQ(questions.Asked().at(0).code, 183u);
  EXPECT_TRUE(fs.FileExists("C:\\W\\1.txt"));
  EXPECT_TRUE(fs.FileExists("C:\\W\\2.txt"));
  EXPECT_TRUE(fs.FileExists("C:\\W\\report.txt"));
  EXPECT_TRUE(fs.DirectoryExists("C:\\W\\Docs"));
  EXPECT_EQ(asker.asked.size(), 2u);

  // Cancel ends a run at once.
  TScriptedRename cancel;
  EXPECT_EQ(RenameEntries(view, {At("1.txt")}, cancel, changes, questions, "Error").renamed, 0);
  EXPECT_TRUE(fs.FileExists("C:\\W\\1.txt"));
}

TEST(AttribTime, MasksAndDates) {
  std::string date = "2024-03-09";
  int caret = 5;
  EXPECT_FALSE(TypeMaskDigit(tmDate, date, caret, '2'));  // a month cannot begin with 2
  EXPECT_TRUE(TypeMaskDigit(tmDate, date, caret, '1'));
  EXPECT_TRUE(TypeMaskDigit(tmDate, date, caret, '9'));  // ... but 19 gets through the mask
  EXPECT_EQ(date, "2024-19-09");
  EXPECT_EQ(caret, 8);  // over the "-"
  EXPECT_FALSE(TypeMaskDigit(tmDate, date, caret, '4'));
  caret = 3;
  EXPECT_TRUE(TypeMaskDigit(tmDate, date, caret, '5'));
  EXPECT_EQ(caret, 5);
  for (int p : {4, 7, 10}) {
    caret = p;
    EXPECT_FALSE(TypeMaskDigit(tmDate, date, caret, '0')) << p;
    EXPECT_EQ(caret, p);
  }
  EXPECT_FALSE(TypeMaskDigit(tmDate, date, caret = 0, 'a'));
  std::string time = "07:05";
  EXPECT_FALSE(TypeMaskDigit(tmTime, time, caret = 0, '3'));
  EXPECT_TRUE(TypeMaskDigit(tmTime, time, caret = 0, '2'));
  EXPECT_TRUE(TypeMaskDigit(tmTime, time, caret, '9'));
  EXPECT_EQ(caret, 3);
  EXPECT_FALSE(TypeMaskDigit(tmTime, time, caret, '6'));
  EXPECT_TRUE(TypeMaskDigit(tmTime, time, caret, '5'));
  EXPECT_EQ(time, "29:55");
  EXPECT_FALSE(TypeMaskDigit(tmTime, time, caret = 2, '1'));

  // Dates and times that do not exist are refused; the documented fallbacks fill what is missing.
  EXPECT_EQ(ParseAttribTime("2024-02-29", "23:59"), (TCalendarTime{2024, 2, 29, 23, 59, 0}));
  EXPECT_EQ(ParseAttribTime("", ""), (TCalendarTime{2000, 1, 1, 0, 0, 0}));
  EXPECT_EQ(ParseAttribTime("19x5-12-31", "1"), (TCalendarTime{2000, 12, 31, 0, 0, 0}));
  for (const auto& [d, t] : std::vector<std::pair<const char*, const char*>>{{"2024-13-01", "00:00"},
                                                                              {"2024-00-10", "00:00"},
                                                                              {"2023-02-29", "00:00"},
                                                                              {"1900-02-29", "00:00"},
                                                                              {"2024-04-31", "00:00"},
                                                                              {"2024-01-00", "00:00"},
                                                                              {"2024-01-01", "29:00"},
                                                                              {"2024-01-01", "24:00"},
                                                                              {"2024-01-01", "12:60"},
                                                                              {"1600-12-31", "00:00"}})
    EXPECT_FALSE(ParseAttribTime(d, t)) << d << " " << t;
  EXPECT_TRUE(ParseAttribTime("2000-02-29", "00:00"));
}

TEST_F(SelectionLoops, AttributesWithAllReachTheRestAndFailuresStaySelected) {
  for (const char* name : {"b.txt", "README", "Docs", "report.txt"}) view.Select(At(name));
  TScriptedAttrib asker;
  TAttribValues hidden{faHidden | faReadOnly, false, 0, false};
  // OK for b.txt; All for README: Docs and report.txt get the same without being asked.
  asker.answers = {{mrOk, {faArchive, false, 0, false}}, {mrAll, hidden}};
  fs.nodes.erase(UpperAscii("C:\\W\\report.txt"));  // gone meanwhile: its change fails
  EXPECT_EQ(ChangeAttributes(view, {At("b.txt"), At("README"), At("Docs"), At("report.txt")}, asker, fs, changes), 3);
  EXPECT_EQ(asker.asked, (std::vector<std::string>{"b.txt (1/4)", "README (2/4)"}));
  EXPECT_EQ(fs.GetAttributes("C:\\W\\b.txt"), faArchive);
  EXPECT_EQ(fs.GetAttributes("C:\\W\\README"), faHidden | faReadOnly);
  EXPECT_EQ(fs.GetAttributes("C:\\W\\Docs"), faDirectory | faHidden | faReadOnly);
  EXPECT_EQ(Entry("README")->Attributes, faHidden | faReadOnly);
  EXPECT_EQ(Entry("Docs")->Attributes, faDirectory | faHidden | faReadOnly);
  EXPECT_EQ(fs.GetAttributes("C:\\W\\Docs\\one.txt"), faArchive);  // no recursion asked
  EXPECT_EQ(view.SelCount(), 1);
  EXPECT_TRUE(Entry("report.txt")->Selected);
}

TEST_F(SelectionLoops, TimesAndRecursionReachFilesOnlyAndStopAtTheFirstFailure) {
  TScriptedAttrib asker;
  const TAttribValues time{0, true, 1234, false};
  // A folder's time without recursion changes nothing; a file's changes all three stamps.
  asker.answers = {{mrAll, time}};
  EXPECT_EQ(ChangeAttributes(view, {At("Docs"), At("b.txt")}, asker, fs, changes), 1);
  EXPECT_EQ(changes.timed, (std::vector<std::string>{"C:\\W\\b.txt"}));
  EXPECT_EQ(Entry("b.txt")->Time, 1234u);

  // With recursion every file below gets the time, the folders keep theirs.
  changes.timed.clear();
  asker.answers = {{mrOk, {0, true, 99, true}}};
  EXPECT_EQ(ChangeAttributes(view, {At("Docs")}, asker, fs, changes), 1);
  // In directory order: Deep was made before one.txt.
  EXPECT_EQ(changes.timed, (std::vector<std::string>{"C:\\W\\Docs\\Deep\\two.txt", "C:\\W\\Docs\\one.txt"}));
  EXPECT_EQ(fs.Node("C:\\W\\Docs\\Deep").time, 1u);

  // Attribute bits recursively: files only. A failure stops the walk and the entry stays selected.
  fs.MakeFile("C:\\W\\Docs\\zzz.txt");
  changes.failing = {"C:\\W\\Docs\\Deep\\two.txt"};
  view.Select(At("Docs"));
  asker.answers = {{mrOk, {0, true, 5, true}}};
  EXPECT_EQ(ChangeAttributes(view, {At("Docs")}, asker, fs, changes), 0);
  EXPECT_EQ(fs.Node("C:\\W\\Docs\\zzz.txt").time, 1u);
  EXPECT_TRUE(Entry("Docs")->Selected);
  asker.answers = {{mrOk, {faReadOnly, false, 0, true}}};
  EXPECT_EQ(ChangeAttributes(view, {At("Docs")}, asker, fs, changes), 1);
  EXPECT_EQ(fs.GetAttributes("C:\\W\\Docs\\Deep\\two.txt"), faReadOnly);
  EXPECT_EQ(fs.GetAttributes("C:\\W\\Docs\\Deep"), faDirectory);
  EXPECT_FALSE(Entry("Docs")->Selected);

  // Cancel asks nothing more.
  asker.answers.clear();
  asker.asked.clear();
  EXPECT_EQ(ChangeAttributes(view, {At("b.txt"), At("README")}, asker, fs, changes), 0);
  EXPECT_EQ(asker.asked.size(), 1u);
}

}  // namespace
}  // namespace quill
