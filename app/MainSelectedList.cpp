// Save Selected List: the selected entries' list as a text file where the user chooses.
#include "app/MainForm.h"
#include "app/SelectedList.h"
#include "base/Path.h"
#include "base/TextFile.h"
#include "fileview/ShellUtils.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace quill {

void TMainForm::SaveSelectedListCommand() {
  const std::vector<std::string> lines =
      SelectedListLines(view_.Folder(), view_.Files(), [](uint64_t time) { return FileTimeToCalendar(time); });
  if (lines.empty()) return;
  std::string path = JoinPath(view_.Folder(), "list.txt");
  if (!Questions().ChooseSaveFile(path, "Text(*.txt)|*.txt", "txt")) return;
  ShowFileError(TWin32FileSystem::Instance().WriteAll(path, EncodeLines(lines, TAnsiCodePage::Instance())));
}

}  // namespace quill
