// The main window on a data folder, for the tests that show archives in its pane: a scratch
// program folder, the data folder it starts in, a target folder for extractions, scripted
// questions, and the few moves a user makes in the pane.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

namespace quill::test {

class TArchivePaneFixture : public ::testing::Test {
protected:
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
  void Focus(const std::string& name) {
    const int i = form->View().Files().IndexOf(name);
    ASSERT_GE(i, 0) << name;
    form->View().SetItemIndex(i);
  }
  std::string FocusedName() {
    const TFile* f = form->View().FocusedFile();
    return f ? f->FullName() : std::string();
  }
  void Key(WPARAM key) { SendMessageW(form->Pane().Handle(), WM_KEYDOWN, key, 0); }
  void Open(const std::string& name) {
    Focus(name);
    Key(VK_RETURN);
  }
  // The entries shown, drives left out.
  std::vector<std::string> Listed() {
    std::vector<std::string> names;
    const TFiles& files = form->View().Files();
    for (int i = 0; i < files.Count(); ++i)
      if (!files.Items(i)->IsDrive()) names.push_back(files.Items(i)->FullName());
    return names;
  }

  TScratchFolder program, data, target;
  TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

}  // namespace quill::test
