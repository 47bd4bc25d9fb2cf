// The Preferences dialog's colour set over any bytes, edited by a script of its buttons (Add,
// Edit, Delete, a double-click on an extension row or on a basic row) with the questions
// answered from the script: what the dialog writes reads back the same, so writing that again
// gives the same bytes, and every extension keeps the colour its first row gave it.
#include <map>

#include "base/Text.h"
#include "fuzz/FuzzInput.h"
#include "settings/PreferencesModel.h"
#include "tests/native/MemoryFileStore.h"

namespace quill::fuzz {
namespace {

const std::string kPath = "C:\\Quill\\quill.col";

// Answers every question from the script; a cancel is one of the answers.
class TFuzzQuestions : public IQuestions {
public:
  explicit TFuzzQuestions(FuzzedDataProvider& ops) : ops_(ops) {}
  bool ShowError(uint32_t, const std::string&, bool) override { return false; }
  int Message(const std::string&, const std::string&, TMessageButtons buttons, TMessageIcon) override {
    if (buttons == mbOk) return mrOk;
    return ops_.ConsumeBool() ? mrYes : mrNo;
  }
  int AskText(const std::string&, const std::string&, std::string& text, bool, int) override {
    if (ops_.ConsumeIntegralInRange<int>(0, 7) == 0) return mrCancel;
    text = OneLineText(ops_.ConsumeRandomLengthString(40));
    return mrOk;
  }
  int ChooseDrive(std::string&, const std::array<std::string, 3>&, const TDialogPlace&, const std::string&) override {
    return mrCancel;
  }
  std::string ChooseFolder(const std::string&, const std::string&, const std::vector<std::string>&,
                           const std::string&) override {
    return {};
  }
  std::string BrowseNetwork(const std::string&) override { return {}; }
  uint32_t AskFileExists(const std::string&, std::string&, bool, bool) override { return 0; }
  int AskDelete(const std::string&, int, bool) override { return mrNo; }
  bool PickColor(uint32_t& color) override {
    // A bounded number of picks, so a script that keeps choosing colours in use still ends.
    if (picks_++ > 64 || ops_.remaining_bytes() == 0 || ops_.ConsumeIntegralInRange<int>(0, 9) == 0) return false;
    color = ops_.ConsumeBool() ? ops_.ConsumeIntegralInRange<uint32_t>(0, 8) : ops_.ConsumeIntegral<uint32_t>();
    return true;
  }

private:
  FuzzedDataProvider& ops_;
  int picks_ = 0;
};

// Upper-cased extension -> colour, the first row naming an extension winning, as written.
std::map<std::string, TColor> Colours(const TColorSetForm& form) {
  std::map<std::string, TColor> colours;
  for (const std::string& row : form.extRows) {
    TColor color = 0;
    std::string exts;
    if (!ParseExtRow(row, color, exts)) continue;
    for (const std::string& part : Split(exts, ';')) {
      const std::string ext = Trim(part);
      if (!ext.empty() && ext.find('=') == std::string::npos) colours.try_emplace(UpperAscii(ext), color);
    }
  }
  return colours;
}

void Check(TFuzzInput& input) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  store.files[kPath] = input.File();
  TColorSetForm form = LoadColorSet(store, codePage, kPath);

  FuzzedDataProvider& ops = input.Ops();
  TFuzzQuestions questions(ops);
  for (int step = 0; step < 32 && ops.remaining_bytes() > 0; ++step) {
    const int rows = static_cast<int>(form.extRows.size());
    const int row = rows == 0 ? 0 : ops.ConsumeIntegralInRange<int>(-1, rows);
    switch (ops.ConsumeIntegralInRange<int>(0, 4)) {
      case 0: {
        const size_t before = form.extRows.size();
        if (AddExtensions(form, questions)) {
          Require(form.extRows.size() == before + 1, "Add adds one row");
          TColor color = 0;
          std::string exts;
          Require(ParseExtRow(form.extRows.back(), color, exts), "an added row has a colour", form.extRows.back());
          Require(FindExtRow(form, color) == static_cast<int>(before), "an added colour was in no other row");
        }
        break;
      }
      case 1: EditExtensions(form, row, questions); break;
      case 2: DeleteExtensions(form, row, questions); break;
      case 3: RecolorExtensions(form, row, questions); break;
      default: {
        const TBasicColorRow& basic = kBasicColorRowTable[ops.ConsumeIntegralInRange<int>(0, kBasicColorRows - 1)];
        if (basic.key) PickBasicColor(form, basic.key, questions);
        break;
      }
    }
  }

  Require(SaveColorSet(store, codePage, kPath, form) == 0, "the set is written");
  const std::string written = store.files[kPath];
  const TColorSetForm reread = LoadColorSet(store, codePage, kPath);
  Require(Colours(reread) == Colours(form), "every extension keeps its first row's colour", written);
  Require(SaveColorSet(store, codePage, kPath, reread) == 0, "the set is written again");
  Require(store.files[kPath] == written, "what is written reads back the same", written);
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}
