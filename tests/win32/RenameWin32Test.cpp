// Attributes/Time, Rename and Advanced Rename through the real main window and its dialogs,
// answered step by step as a user would. With QUILL_SHOTS set the dialogs are saved as pictures.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "operations/ARenameDialog.h"
#include "operations/AttribDialog.h"
#include "operations/RenameDialog.h"
#include "tests/win32/ArchivePaneFixture.h"
#include "tests/win32/StepScript.h"

namespace quill::test {
namespace {

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A check box ticked or cleared the way a click leaves it, then its click reported.
void SetChecked(HWND dialog, int id, bool checked) {
  SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  Click(dialog, id);
}

void SetItemText(HWND dialog, int id, const std::string& text) {
  SetWindowTextW(GetDlgItem(dialog, id), Widen(text).c_str());
}

std::string ItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetWindowTextW(GetDlgItem(dialog, id), text, 512);
  return Narrow(text);
}

// Types into an edit the way the keyboard does: each character a WM_CHAR at the caret.
void Type(HWND dialog, int id, int caret, const std::string& digits) {
  HWND edit = GetDlgItem(dialog, id);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(caret), caret);
  for (char c : digits) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
}

// The local last-write time of a file, "YYYY-MM-DD HH:MM".
std::string LocalWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return "missing";
  FILETIME local;
  SYSTEMTIME t;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &t);
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
  return text;
}

// The texts of a window's labels (a message box's text among them), one after the other.
std::string StaticTexts(HWND window) {
  std::string texts;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[32] = {}, text[512] = {};
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Static") != 0) continue;
    GetWindowTextW(child, text, 512);
    texts += Narrow(text);
  }
  return texts;
}

// The names the folder holds, as the system spells them.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class RenameWin32 : public TArchivePaneFixture {
protected:
  void SelectAll(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      const int i = form->View().Files().IndexOf(name);
      ASSERT_GE(i, 0) << name;
      form->View().Select(i);
    }
  }
};

TEST_F(RenameWin32, AttributesTimeRefusesATimeThatDoesNotExistAndEndAppliesToAll) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteBytes(data / name, name);
  WriteBytes(data / "d.txt", "d");
  Start();
  SelectAll({"a.txt", "b.txt", "c.txt"});
  std::string shownName, shownDate, refused;
  TScript script({
      {"Attributes/Time",
       [&](HWND d) {
         shownName = ItemText(d, TfAttrib::kFileNameId);
         SaveShot(d, "rename-attributes");
         SetChecked(d, TfAttrib::kApplyDateTimeId, true);
       }},
      {"Attributes/Time",
       [&](HWND d) {
         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, TfAttrib::kArchiveId)));
         EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, TfAttrib::kDateId)));
         // 2021-19-31 gets through the mask ("1" then any digit) but is no date.
         Type(d, TfAttrib::kDateId, 0, "20211");
         Type(d, TfAttrib::kDateId, 5, "2");  // refused: a month cannot begin with 2
         Type(d, TfAttrib::kDateId, 6, "931");
         Type(d, TfAttrib::kTimeId, 0, "0830");
         shownDate = ItemText(d, TfAttrib::kDateId) + " " + ItemText(d, TfAttrib::kTimeId);
         SaveShot(d, "rename-attributes-time");
         PostMessageW(GetDlgItem(d, TfAttrib::kTimeId), WM_KEYDOWN, VK_END, 0);
       }},
      // The refusal: a message box of the same caption over the dialog, which stays.
      {"Attributes/Time",
       [&](HWND box) {
         refused = StaticTexts(box);
         PostMessageW(box, WM_COMMAND, IDOK, 0);
       }},
      {"Attributes/Time",
       [&](HWND d) {
         Type(d, TfAttrib::kDateId, 5, "05");
         Type(d, TfAttrib::kDateId, 8, "17");
         PostMessageW(GetDlgItem(d, TfAttrib::kRecurseId), WM_KEYDOWN, VK_END, 0);
       }},
  });
  form->RunCommand(cmAttributes);
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(script.Rescued());
  EXPECT_EQ(shownName, "a.txt (1/3)");
  EXPECT_EQ(shownDate, "2021-19-31 08:30");
  EXPECT_EQ(refused, kTextNoSuchTime);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ(LocalWriteTime(data / name), "2021-05-17 08:30");
  EXPECT_NE(LocalWriteTime(data / "d.txt"), "2021-05-17 08:30");
  EXPECT_EQ(form->View().SelCount(), 0);
}

TEST_F(RenameWin32, AttributesOkPerEntryAndTheFileInfoPanelOpensIt) {
  WriteBytes(data / "a.txt", "a");
  WriteBytes(data / "b.txt", "b");
  Start();
  Focus("b.txt");
  TScript script({{"Attributes/Time", [&](HWND d) {
                     SendMessageW(GetDlgItem(d, TfAttrib::kReadonlyId), BM_SETCHECK, BST_CHECKED, 0);
                     SendMessageW(GetDlgItem(d, TfAttrib::kHiddenId), BM_SETCHECK, BST_CHECKED, 0);
                     SendMessageW(GetDlgItem(d, TfAttrib::kArchiveId), BM_SETCHECK, BST_UNCHECKED, 0);
                     Click(d, TfAttrib::kOkId);
                   }}});
  // A click on the file-information panel of the status area.
  HWND status = form->StatusArea().Handle();
  SendMessageW(status, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_TRUE(script.Finished());
  // Wine reports the archive bit on every file whatever is stored, so only the other three count.
  EXPECT_EQ(Attributes(data / "b.txt") & 0x07u, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Attributes(data / "a.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  SetFileAttributesW(Widen(data / "b.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RenameWin32, RenameIsRefusedWhenTheNameExistsAndAllowsACaseChange) {
  WriteBytes(data / "a.txt", "first");
  WriteBytes(data / "b.txt", "second");
  Start();
  Focus("a.txt");
  questions.AnswerError(false);
  std::string old;
  TScript script({
      {"Rename",
       [&](HWND d) {
         old = ItemText(d, TfRename::kOldFileNameId);
         SaveShot(d, "rename-rename");
         SetItemText(d, TfRename::kFileNameId, "B.TXT");
         Click(d, TfRename::kOkId);
       }},
      // Refused with the system's message; asked again, now a change of case only.
      {"Rename",
       [&](HWND d) {
         SetItemText(d, TfRename::kFileNameId, "A");
         SetChecked(d, TfRename::kExtensionId, false);  // the old extension is kept
         Click(d, TfRename::kOkId);
       }},
  });
  form->RunCommand(cmRename);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(old, "a.txt (1/1)");
  ASSERT_EQ(questions.CountAsked(TQuestionKind::ShowError), 1u);
  EXPECT_EQ(questions.Asked()[0].code, static_cast<uint32_t>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadBytes(data / "b.txt"), "second");
  EXPECT_EQ(Names(data.Path()), (std::vector<std::string>{"A.txt", "b.txt"}));
  EXPECT_EQ(FocusedName(), "A.txt");
}

TEST_F(RenameWin32, AdvancedRenamePreviewShowsAndAppliesTheCountRule) {
  for (const char* name : {"a.txt", "b.txt", "README"}) WriteBytes(data / name, name);
  WriteBytes(data / "descript.dat", "b.txt=bee\r\n");
  Start();
  SelectAll({"a.txt", "b.txt", "README"});
  Focus("b.txt");
  std::vector<std::string> rows;
  std::string cutCaption;
  TScript script({
      {"Rename", [&](HWND d) { Click(d, TfRename::kAdvancedId); }},
      {"Advanced Rename",
       [&](HWND d) { PostMessageW(GetDlgItem(d, TfARename::kEditId), WM_SYSKEYDOWN, 'X', 0x20000000); }},
      {"Advanced Rename",
       [&](HWND d) {
         cutCaption = ItemText(d, TfARename::kEditCaptionId);
         SaveShot(d, "rename-advanced-cut");
         // Alt+C chooses Count whatever has the focus.
         PostMessageW(GetDlgItem(d, TfARename::kEditId), WM_SYSKEYDOWN, 'C', 0x20000000);
       }},
      {"Advanced Rename",
       [&](HWND d) {
         EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, TfARename::kStartId)));
         EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, TfARename::kEditId)));
         SetItemText(d, TfARename::kStartId, "5");
         SetItemText(d, TfARename::kStepId, "10");
         SendMessageW(GetDlgItem(d, TfARename::kDigitsId), CB_SETCURSEL, 2, 0);
         SaveShot(d, "rename-advanced");
         Click(d, TfARename::kPreviewId);
       }},
      {"Rename Preview",
       [&](HWND p) {
         HWND list = GetDlgItem(p, TfRenamePreview::kListId);
         const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
         for (int row = 0; row < count; ++row) {
           std::string line;
           for (int column = 0; column < 2; ++column) {
             wchar_t text[260] = {};
             LVITEMW item{};
             item.iSubItem = column;
             item.pszText = text;
             item.cchTextMax = 260;
             SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
             line += (column ? " > " : "") + Narrow(text);
           }
           rows.push_back(line);
         }
         SaveShot(p, "rename-preview");
         Click(p, TfRenamePreview::kCloseId);
       }},
      {"Advanced Rename", [&](HWND d) { Click(d, TfARename::kOkId); }},
  });
  form->RunCommand(cmRename);
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(script.Rescued());
  EXPECT_EQ(cutCaption, "Cu&t :");
  // In the pane's order; the dot the rule writes after README is dropped, as the disk drops it.
  EXPECT_EQ(rows, (std::vector<std::string>{"README > 005README", "a.txt > 015a.txt", "b.txt > 025b.txt"}));
  EXPECT_EQ(Names(data.Path()), (std::vector<std::string>{"005README", "015a.txt", "025b.txt", "descript.dat"}));
  EXPECT_EQ(FocusedName(), "025b.txt");
  const int renamed = form->View().Files().IndexOf("025b.txt");
  ASSERT_GE(renamed, 0);
  EXPECT_EQ(form->View().Files().Items(renamed)->Description(), "bee");
}

}  // namespace
}  // namespace quill::test
