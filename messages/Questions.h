// IQuestions: every modal question the program asks goes through this one service. The real
// one (TWin32Questions) shows the dialogs over the main window; tests install a scripted one,
// so the commands and operations that ask are tested without any window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quill {

// Modal results, with the values the Windows dialogs use.
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
};

enum TMessageButtons { mbOk, mbOkCancel, mbYesNo, mbYesNoCancel };
enum TMessageIcon { miNone, miStop, miWarning, miQuestion, miInformation };

// A font as the settings keep it: face name, size in points, bold or not.
struct TFontChoice {
  std::string name;
  int points = 9;
  bool bold = false;
};

// Where the drive window opens: centred on the main window unless a position is given.
struct TDialogPlace {
  bool centred = true;
  int left = 0;
  int top = 0;
};

class IQuestions {
public:
  virtual ~IQuestions() = default;

  // The error box for a Windows error code, stop icon. With stopOnly it has OK and returns
  // false; otherwise it asks whether to go on with the remaining items (Yes returns true).
  virtual bool ShowError(uint32_t code, const std::string& caption, bool stopOnly) = 0;

  // A plain message box; returns the button's modal result.
  virtual int Message(const std::string& text, const std::string& caption, TMessageButtons buttons,
                      TMessageIcon icon) = 0;

  // The one-line input dialog. `text` is the initial text and, after OK, the answer; charCase is
  // the edit box's letter case (0 as typed, 1 upper, 2 lower). Returns mrOk or mrCancel.
  virtual int AskText(const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
                      int charCase) = 0;

  // The input dialog for a secret: every typed character shows as `passwordChar`, the initial
  // text is empty. A service that cannot mask asks through AskText.
  virtual int AskMaskedText(const std::string& caption, const std::string& prompt, std::string& text,
                            char passwordChar) {
    (void)passwordChar;
    text.clear();
    return AskText(caption, prompt, text, false, 0);
  }

  // The drive window as a chooser: `value` in (preselection) and out (a drive letter, a
  // work-folder path or a share root). `hidden` lists drive letters to leave out, "/" the
  // network row. Returns mrOk or mrCancel.
  virtual int ChooseDrive(std::string& value, const std::array<std::string, 3>& workFolders, const TDialogPlace& place,
                          const std::string& hidden) = 0;

  // The folder chooser: the chosen folder, or "" when the user cancels. `driveMemory` holds the
  // pane's "C:\=C:\Work" lines.
  virtual std::string ChooseFolder(const std::string& drive, const std::string& startFolder,
                                   const std::vector<std::string>& driveMemory, const std::string& caption) = 0;

  // The network browser: a share root "\\server\share", or "" when cancelled.
  virtual std::string BrowseNetwork(const std::string& start) = 0;

  // The replace confirmation for a name conflict: `destination` is the existing target's path
  // and, after a rename, the new one. `archiveEntry` disables Rename. Returns the answer flags
  // (feOverwrite, feSkip, feCancel, feRenamed, feAll; operations/Progress.h); closing it is Cancel.
  // `writtenByThisRun`: the destination is what the same operation wrote from another item; it
  // is not offered for replacing.
  virtual uint32_t AskFileExists(const std::string& source, std::string& destination, bool archiveEntry,
                                 bool writtenByThisRun = false) = 0;

  // The delete confirmation: focused button 0 (Delete/All), 1 (Yes) or 2 (No); withAll captions
  // the first button "All". Returns mrAll (first button), mrYes, mrNo or mrCancel.
  virtual int AskDelete(const std::string& text, int focusedButton, bool withAll) = 0;

  // The save-file dialog: `path` is the proposed file and, after Save, the chosen one; choosing
  // an existing file is confirmed in the dialog. False when cancelled. A service that cannot
  // show one declines, so nothing is written.
  // `filter` is the dialog's file types as "Name(*.ext)|*.ext|..." pairs (empty: none) and
  // `defaultExt` the extension added to a name typed without one.
  virtual bool ChooseSaveFile(std::string& path, const std::string& filter = {}, const std::string& defaultExt = {}) {
    (void)path, (void)filter, (void)defaultExt;
    return false;
  }

  // The open-file dialog for an existing file: `path` is where it starts (its folder, and its
  // name when it has one) and, after Open, the chosen file. False when cancelled.
  virtual bool ChooseOpenFile(std::string& path, const std::string& filter, const std::string& defaultExt = {}) {
    (void)path, (void)filter, (void)defaultExt;
    return false;
  }

  // The colour dialog, fully open, preset with `color` (0x00BBGGRR) and, after OK, the choice.
  virtual bool PickColor(uint32_t& color) {
    (void)color;
    return false;
  }

  // The font dialog preset with `font`: sizes from minPoints to maxPoints, fonts of the ANSI
  // character set that exist. False when cancelled.
  virtual bool PickFont(TFontChoice& font, int minPoints, int maxPoints) {
    (void)font, (void)minPoints, (void)maxPoints;
    return false;
  }
};

}  // namespace quill
