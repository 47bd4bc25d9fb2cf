// TWin32Questions: the question service that shows the real dialogs, owned by the main window
// and centred on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "messages/Questions.h"

namespace quill {

class TWin32Questions : public IQuestions {
public:
  // The owner is asked for each question: the main window's handle can change (or not yet
  // exist) over the service's life.
  // `programFolder` holds the settings the folder tree reads (its placement, font, caches).
  explicit TWin32Questions(std::function<HWND()> owner, std::string programFolder = {})
      : owner_(std::move(owner)), programFolder_(std::move(programFolder)) {}

  bool ShowError(uint32_t code, const std::string& caption, bool stopOnly) override;
  int Message(const std::string& text, const std::string& caption, TMessageButtons buttons, TMessageIcon icon) override;
  int AskText(const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
              int charCase) override;
  int AskMaskedText(const std::string& caption, const std::string& prompt, std::string& text,
                    char passwordChar) override;
  int ChooseDrive(std::string& value, const std::array<std::string, 3>& workFolders, const TDialogPlace& place,
                  const std::string& hidden) override;
  std::string ChooseFolder(const std::string& drive, const std::string& startFolder,
                           const std::vector<std::string>& driveMemory, const std::string& caption) override;
  std::string BrowseNetwork(const std::string& start) override;
  uint32_t AskFileExists(const std::string& source, std::string& destination, bool archiveEntry,
                         bool writtenByThisRun = false) override;
  int AskDelete(const std::string& text, int focusedButton, bool withAll) override;
  bool ChooseSaveFile(std::string& path, const std::string& filter = {}, const std::string& defaultExt = {}) override;
  bool ChooseOpenFile(std::string& path, const std::string& filter, const std::string& defaultExt = {}) override;
  bool PickColor(uint32_t& color) override;
  bool PickFont(TFontChoice& font, int minPoints, int maxPoints) override;

private:
  HWND Owner() const { return owner_ ? owner_() : nullptr; }
  std::function<HWND()> owner_;
  std::string programFolder_;
};

}  // namespace quill
