// The main window's description commands: Add/Modify Description for the collected entries and
// Delete All Descriptions for the current folder.
#include "app/MainForm.h"
#include "base/Text.h"
#include "messages/Messages.h"
#include "platform/StringTable.h"

namespace quill {

namespace {
constexpr int kTextDescriptionPrompt = 509;
constexpr const char* kDescriptionCaption = "Add/Modify Description";
constexpr const char* kDeleteAllQuestion = "Are you sure you want to delete all description?";
constexpr const char* kDeleteAllCaption = "Delete All Description";

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}
}  // namespace

void TMainForm::DescriptionCommand() {
  if (view_.OwnerData()) return;
  const std::vector<int> items = CollectedEntries();
  TFiles& files = view_.Files();
  for (size_t k = 0; k < items.size(); ++k) {
    TFile* file = files.Items(items[k]);
    std::string text = file->Description();
    const std::string prompt = FillText(LoadText(kTextDescriptionPrompt), {file->FullName()});
    if (Questions().AskText(kDescriptionCaption, prompt, text, true, 0) == mrOk) {
      file->SetDescription(WithoutTrailingBlanks(std::move(text)));
      if (file->Selected) view_.Deselect(items[k]);
    } else if (k + 1 < items.size() &&
               Questions().Message(LoadText(kTextProcessRest), LoadText(kTextError), mbYesNo, miQuestion) != mrYes) {
      break;
    }
  }
  if (items.empty()) return;
  ShowFileError(view_.SaveDescript());
  view_.Invalidate();
  UpdateFileInfo();
}

void TMainForm::DeleteAllDescriptionsCommand() {
  if (!view_.DescriptExists()) return;
  if (Questions().Message(kDeleteAllQuestion, kDeleteAllCaption, mbYesNo, miQuestion) != mrYes) return;
  notify_.SetActive(false);
  ShowFileError(view_.DeleteDescript());
  notify_.SetActive(autoRefresh_);
  UpdateFileInfo();
}

}  // namespace quill
