// The folder-tree cache of a drive follows what the pane does to folders: a copy, a move, a
// deletion and a new folder change the cached tree without a rescan.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "platform/Utf16.h"
#include "tests/native/ScriptedQuestions.h"
#include "operations/RenameDialog.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

class PaneTreeCache : public ::testing::Test {
protected:
  void SetUp() override {
    test::MakeFolder(data / "Src");
    test::MakeFolder(data / "Src\\Inner");
    test::MakeFolder(data / "Dst");
    test::WriteBytes(program / "quill.ini", "[Option]\r\nTreePath=" + caches.Path() + "\r\n");
  }
  void TearDown() override {
    form.reset();
    questions.ExpectAllAnswered();
  }
  void Start() {
    const std::string commandLine = "\"C:\\quill.exe\" \"" + data.Path() + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  int Index(const std::string& name) { return form->View().Files().IndexOf(name); }
  // A cache of the data folder's drive holding every folder on the way to it, then `below`
  // (names under the data folder, one level each as given).
  void WriteCache(const std::vector<std::pair<int, std::string>>& below) {
    const std::string path = data.Path();
    std::string text = "1 0" + DrivePart(path) + "\r\n";
    int level = 0;
    size_t start = DrivePart(path).size() + 1;
    while (start < path.size()) {
      const size_t end = path.find('\\', start);
      const std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      text += Format("1%2d", ++level) + name + "\r\n";
      if (end == std::string::npos) break;
      start = end + 1;
    }
    for (const auto& [depth, name] : below) text += Format("1%2d", level + depth) + name + "\r\n";
    test::WriteBytes(cache, text);
  }
  // The names the cache holds under the data folder, with their depth below it.
  std::vector<std::string> CachedBelow() {
    std::vector<std::string> names;
    const std::string text = test::ReadBytes(cache);
    const int base = static_cast<int>(std::count(data.Path().begin(), data.Path().end(), '\\'));
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      start = end + 2;
      if (line.size() < 4) continue;
      const int level = std::stoi(line.substr(1, 2));
      if (level > base) names.push_back(std::to_string(level - base) + line.substr(3));
    }
    return names;
  }

  TScratchFolder program, data, caches;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
  std::string cache;
};

TEST_F(PaneTreeCache, CopyMoveDeleteAndNewFolderFollowInTheCache) {
  Start();
  cache = form->TreeCacheOf(data.Path());
  ASSERT_EQ(FileDirPart(cache), caches.Path()) << "the cache lies in TreePath, named by the volume";
  WriteCache({{1, "Dst"}, {1, "Src"}, {2, "Inner"}});

  form->RunCopy({Index("Src")}, data / "Dst", false);
  EXPECT_TRUE(test::Exists(data / "Dst\\Src\\Inner"));
  EXPECT_EQ(CachedBelow(), (std::vector<std::string>{"1Dst", "2Src", "3Inner", "1Src", "2Inner"}));

  form->RunDelete({Index("Src")}, false);
  EXPECT_FALSE(test::Exists(data / "Src"));
  EXPECT_EQ(CachedBelow(), (std::vector<std::string>{"1Dst", "2Src", "3Inner"}));

  questions.AnswerText("Fresh");
  form->RunCommand(cmCreateFolder);
  EXPECT_TRUE(test::Exists(data / "Fresh"));
  EXPECT_EQ(CachedBelow(), (std::vector<std::string>{"1Dst", "2Src", "3Inner", "1Fresh"}));

  // A move takes the cached subtree along.
  form->View().Refresh("Dst", false);
  form->ShowFolder(data / "Dst");
  form->RunCopy({Index("Src")}, data / "Fresh", true);
  EXPECT_TRUE(test::Exists(data / "Fresh\\Src\\Inner"));
  EXPECT_EQ(CachedBelow(), (std::vector<std::string>{"1Dst", "1Fresh", "2Src", "3Inner"}));

  // Without a cache file nothing is written.
  DeleteFileW(Widen(cache).c_str());
  form->ShowFolder(data.Path());
  form->RunDelete({Index("Dst")}, false);
  EXPECT_FALSE(test::Exists(cache));
}

TEST_F(PaneTreeCache, ARenamedFolderIsRenamedInTheCache) {
  Start();
  cache = form->TreeCacheOf(data.Path());
  WriteCache({{1, "Dst"}, {1, "Src"}, {2, "Inner"}});
  form->View().SetItemIndex(Index("Src"));
  test::TScript script({{"Rename", [](HWND d) {
                           SetWindowTextW(GetDlgItem(d, TfRename::kFileNameId), L"Sources");
                           PostMessageW(d, WM_COMMAND, MAKEWPARAM(TfRename::kOkId, BN_CLICKED), 0);
                         }}});
  form->RunCommand(cmRename);
  EXPECT_TRUE(script.Finished());
  EXPECT_TRUE(test::Exists(data / "Sources\\Inner"));
  EXPECT_EQ(CachedBelow(), (std::vector<std::string>{"1Dst", "1Sources", "2Inner"}));
}

}  // namespace
}  // namespace quill
