// A scripted IQuestions for tests: each kind of question takes its answers from a queue the test
// fills beforehand, and every question asked is recorded for the test to look at. A question
// with no answer queued is a test failure; it is answered as if cancelled, so the code under test
// takes its cautious path rather than going on.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "messages/Questions.h"
#include "operations/Progress.h"

namespace quill::test {

enum class TQuestionKind {
  ShowError,
  Message,
  AskText,
  ChooseDrive,
  ChooseFolder,
  BrowseNetwork,
  FileExists,
  Delete,
  SaveFile,
  OpenFile,
  Color,
  Font,
};

inline const char* KindName(TQuestionKind kind) {
  switch (kind) {
    case TQuestionKind::ShowError: return "ShowError";
    case TQuestionKind::Message: return "Message";
    case TQuestionKind::AskText: return "AskText";
    case TQuestionKind::ChooseDrive: return "ChooseDrive";
    case TQuestionKind::ChooseFolder: return "ChooseFolder";
    case TQuestionKind::BrowseNetwork: return "BrowseNetwork";
    case TQuestionKind::FileExists: return "FileExists";
    case TQuestionKind::Delete: return "Delete";
    case TQuestionKind::SaveFile: return "SaveFile";
    case TQuestionKind::OpenFile: return "OpenFile";
    case TQuestionKind::Color: return "Color";
    case TQuestionKind::Font: return "Font";
  }
  return "?";
}

struct TAskedQuestion {
  TQuestionKind kind = TQuestionKind::Message;
  std::string caption;
  // The message or prompt; for ShowError the error code in decimal, for ChooseDrive and
  // BrowseNetwork the start value, for ChooseFolder the start folder.
  std::string text;
  // What the question offered as an answer: AskText's initial text, ChooseDrive's hidden drives,
  // ChooseFolder's drive.
  std::string initial;
  uint32_t code = 0;  // ShowError
  bool stopOnly = false;
  TMessageButtons buttons = mbOk;
  TMessageIcon icon = miNone;
  bool selectAll = false;
  int charCase = 0;
  char passwordChar = 0;  // AskMaskedText's mask
  bool answered = false;  // false: nothing was queued for it
};

class TScriptedQuestions : public IQuestions {
public:
  // Queuing answers; each is used once, in order, by the next question of its kind.
  void AnswerError(bool goOn) { errors_.push_back(goOn); }
  void AnswerMessage(int modalResult) { messages_.push_back(modalResult); }
  void AnswerText(const std::string& text) { texts_.push_back({mrOk, text}); }
  void CancelText() { texts_.push_back({mrCancel, {}}); }
  void AnswerDrive(const std::string& value) { drives_.push_back({mrOk, value}); }
  void CancelDrive() { drives_.push_back({mrCancel, {}}); }
  // "" answers as the user cancelling does.
  void AnswerFolder(const std::string& folder) { folders_.push_back(folder); }
  void AnswerNetwork(const std::string& share) { shares_.push_back(share); }
  // The replace confirmation's flags; with feRenamed, `renamedTo` becomes the destination.
  void AnswerFileExists(uint32_t flags, const std::string& renamedTo = {}) { conflicts_.push_back({flags, renamedTo}); }
  void AnswerDelete(int modalResult) { deletes_.push_back(modalResult); }
  // The save and open dialogs share one queue: "" answers as Cancel does.
  void AnswerFile(const std::string& path) { files_.push_back(path); }
  // The colour dialog: a negative value cancels.
  void AnswerColor(int64_t color) { colors_.push_back(color); }
  // The font dialog: an empty name cancels.
  void AnswerFont(const TFontChoice& font) { fonts_.push_back(font); }

  // Runs as each question comes, before it is answered: what a user does while it is open.
  std::function<void(const TAskedQuestion&)> OnAsked;

  const std::vector<TAskedQuestion>& Asked() const { return asked_; }
  size_t CountAsked(TQuestionKind kind) const {
    size_t n = 0;
    for (const TAskedQuestion& q : asked_) n += q.kind == kind;
    return n;
  }
  size_t Unused() const {
    return errors_.size() + messages_.size() + texts_.size() + drives_.size() + folders_.size() + shares_.size() +
           conflicts_.size() + deletes_.size() + files_.size() + colors_.size() + fonts_.size();
  }
  // Answers prepared for questions that never came are a failure too: the code under test asked
  // less than the test expected.
  void ExpectAllAnswered() const { EXPECT_EQ(Unused(), 0u) << "answers left unused"; }

  bool ShowError(uint32_t code, const std::string& caption, bool stopOnly) override {
    TAskedQuestion& q = Record(TQuestionKind::ShowError, caption, std::to_string(code));
    q.code = code;
    q.stopOnly = stopOnly;
    bool goOn = false;
    if (!Take(errors_, goOn, q)) return false;
    // An OK-only box has nothing to go on with, whatever the script says.
    return !stopOnly && goOn;
  }

  int Message(const std::string& text, const std::string& caption, TMessageButtons buttons,
              TMessageIcon icon) override {
    TAskedQuestion& q = Record(TQuestionKind::Message, caption, text);
    q.buttons = buttons;
    q.icon = icon;
    int result = mrCancel;
    if (Take(messages_, result, q)) return result;
    // What Esc would answer, or the box's only button.
    if (buttons == mbOk) return mrOk;
    return buttons == mbYesNo ? mrNo : mrCancel;
  }

  int AskText(const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
              int charCase) override {
    TAskedQuestion& q = Record(TQuestionKind::AskText, caption, prompt);
    q.initial = text;
    q.selectAll = selectAll;
    q.charCase = charCase;
    TTextAnswer answer;
    if (!Take(texts_, answer, q)) return mrCancel;
    if (answer.result == mrOk) text = answer.text;
    return answer.result;
  }

  // Recorded as AskText with its mask; answered from the same queue.
  int AskMaskedText(const std::string& caption, const std::string& prompt, std::string& text,
                    char passwordChar) override {
    text.clear();
    const int result = AskText(caption, prompt, text, false, 0);
    asked_.back().passwordChar = passwordChar;
    return result;
  }

  int ChooseDrive(std::string& value, const std::array<std::string, 3>&, const TDialogPlace&,
                  const std::string& hidden) override {
    TAskedQuestion& q = Record(TQuestionKind::ChooseDrive, {}, value);
    q.initial = hidden;
    TTextAnswer answer;
    if (!Take(drives_, answer, q)) return mrCancel;
    if (answer.result == mrOk) value = answer.text;
    return answer.result;
  }

  std::string ChooseFolder(const std::string& drive, const std::string& startFolder, const std::vector<std::string>&,
                           const std::string& caption) override {
    TAskedQuestion& q = Record(TQuestionKind::ChooseFolder, caption, startFolder);
    q.initial = drive;
    std::string folder;
    Take(folders_, folder, q);
    return folder;
  }

  std::string BrowseNetwork(const std::string& start) override {
    TAskedQuestion& q = Record(TQuestionKind::BrowseNetwork, {}, start);
    std::string share;
    Take(shares_, share, q);
    return share;
  }

  // text = the source, initial = the destination offered; code = the archive flag, plus 2 when
  // the destination was written by the same run.
  uint32_t AskFileExists(const std::string& source, std::string& destination, bool archiveEntry,
                         bool writtenByThisRun = false) override {
    TAskedQuestion& q = Record(TQuestionKind::FileExists, {}, source);
    q.initial = destination;
    q.code = (archiveEntry ? 1 : 0) | (writtenByThisRun ? 2 : 0);
    TConflictAnswer answer;
    if (!Take(conflicts_, answer, q)) return feCancel;
    if (answer.flags & feRenamed) destination = answer.renamedTo;
    return answer.flags;
  }

  // text = the question; code = the focused button; selectAll = the All caption.
  int AskDelete(const std::string& text, int focusedButton, bool withAll) override {
    TAskedQuestion& q = Record(TQuestionKind::Delete, {}, text);
    q.code = static_cast<uint32_t>(focusedButton);
    q.selectAll = withAll;
    int result = mrCancel;
    if (!Take(deletes_, result, q)) return mrCancel;
    return result;
  }

  // text = the path offered, initial = the filter, caption = the default extension.
  bool ChooseSaveFile(std::string& path, const std::string& filter = {}, const std::string& defaultExt = {}) override {
    return AnswerFileQuestion(TQuestionKind::SaveFile, path, filter, defaultExt);
  }
  bool ChooseOpenFile(std::string& path, const std::string& filter, const std::string& defaultExt = {}) override {
    return AnswerFileQuestion(TQuestionKind::OpenFile, path, filter, defaultExt);
  }

  // code = the preset colour.
  bool PickColor(uint32_t& color) override {
    TAskedQuestion& q = Record(TQuestionKind::Color, {}, {});
    q.code = color;
    int64_t answer = -1;
    if (!Take(colors_, answer, q) || answer < 0) return false;
    color = static_cast<uint32_t>(answer);
    return true;
  }

  // text = the preset face, code = its size, selectAll = bold; initial = "min-max".
  bool PickFont(TFontChoice& font, int minPoints, int maxPoints) override {
    TAskedQuestion& q = Record(TQuestionKind::Font, {}, font.name);
    q.code = static_cast<uint32_t>(font.points);
    q.selectAll = font.bold;
    q.initial = std::to_string(minPoints) + "-" + std::to_string(maxPoints);
    TFontChoice answer;
    if (!Take(fonts_, answer, q) || answer.name.empty()) return false;
    font = answer;
    return true;
  }

private:
  bool AnswerFileQuestion(TQuestionKind kind, std::string& path, const std::string& filter,
                          const std::string& defaultExt) {
    TAskedQuestion& q = Record(kind, defaultExt, path);
    q.initial = filter;
    std::string answer;
    if (!Take(files_, answer, q) || answer.empty()) return false;
    path = answer;
    return true;
  }

  struct TConflictAnswer {
    uint32_t flags = 0;
    std::string renamedTo;
  };
  struct TTextAnswer {
    int result = mrCancel;
    std::string text;
  };

  TAskedQuestion& Record(TQuestionKind kind, const std::string& caption, const std::string& text) {
    TAskedQuestion q;
    q.kind = kind;
    q.caption = caption;
    q.text = text;
    asked_.push_back(q);
    if (OnAsked) OnAsked(asked_.back());
    return asked_.back();
  }

  template <typename T>
  static bool Take(std::deque<T>& queue, T& answer, TAskedQuestion& q) {
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << KindName(q.kind) << " question, no answer queued: caption \"" << q.caption
                    << "\", text \"" << q.text << "\"";
      return false;
    }
    answer = queue.front();
    queue.pop_front();
    q.answered = true;
    return true;
  }

  std::vector<TAskedQuestion> asked_;
  std::deque<bool> errors_;
  std::deque<int> messages_;
  std::deque<TTextAnswer> texts_;
  std::deque<TTextAnswer> drives_;
  std::deque<std::string> folders_;
  std::deque<std::string> shares_;
  std::deque<TConflictAnswer> conflicts_;
  std::deque<int> deletes_;
  std::deque<std::string> files_;
  std::deque<int64_t> colors_;
  std::deque<TFontChoice> fonts_;
};

}  // namespace quill::test
