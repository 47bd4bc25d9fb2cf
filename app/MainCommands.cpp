// The command table and the small commands that live nowhere else: view toggles, arrangement,
// columns, filters, Open and Open with Parameters.
#include <windows.h>

#include <algorithm>
#include <array>

#include "app/AboutBox.h"
#include "app/CommandTable.h"
#include "app/Commands.h"
#include "app/FunctionKeys.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "platform/StringTable.h"

namespace quill {

namespace {
constexpr int kTextOpenWithParameters = 507;
constexpr int kTextFilterPrompt = 520;
constexpr int kTextFilter = 521;

constexpr std::array<const char*, 6> kFilterMasks = {
    "*.*",
    "*.exe;*.com;*.bat;*.lnk;*.pif",
    "*.doc;*.txt;*.cap;*.hwp;*.gul;*.xls;*.ppt;*.pdf",
    "*.jpg;*.jpeg;*.gif;*.bmp;*.psd;*.cdr;*.ai;*.tif;*.tiff;*.png",
    "*.wav;*.mp3;*.mpeg;*.mpg;*.avi;*.asf;*.ra;*.ram;*.mov;*.wma;*.wmv",
    "*.zip;*.rar;*.arj;*.ace;*.lzh;*.cab",
};

std::string KeyName(unsigned key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return Format("F%u", key - VK_F1 + 1);
  switch (key) {
    case VK_RETURN: return "Enter";
    case VK_BACK: return "Backspace";
    case VK_LEFT: return "Left";
    case VK_RIGHT: return "Right";
    case VK_DELETE: return "Del";
    case VK_INSERT: return "Ins";
    default: return "?";
  }
}
}  // namespace

TShortcut ShortcutOf(const TCommand& command, bool ctrlX) {
  switch (command.rule) {
    case srCut: return {kmCtrl, ctrlX ? unsigned{'T'} : unsigned{'X'}};
    case srExtract: return {kmCtrl, ctrlX ? unsigned{'X'} : unsigned{'E'}};
    case srFixed: break;
  }
  return command.shortcut;
}

std::string ShortcutText(const TShortcut& shortcut) {
  if (shortcut.key == 0) return {};
  std::string text;
  if (shortcut.modifiers & kmCtrl) text += "Ctrl+";
  if (shortcut.modifiers & kmShift) text += "Shift+";
  if (shortcut.modifiers & kmAlt) text += "Alt+";
  return text + KeyName(shortcut.key);
}

// ---- the table ----

std::span<const TCommand> TMainForm::Commands() {
  using F = TMainForm;
  constexpr unsigned A = kmAlt, C = kmCtrl, CS = kmCtrl | kmShift, CA = kmCtrl | kmAlt;
  static const TCommand table[] = {
      // File
      {.id = cmOpen, .place = "&File", .caption = "&Open", .hint = "Enter", .captionText = 504,
       .run = [](F& f) { f.OpenCommand(); }},
      {.id = cmOpenWithParameters, .place = "&File", .caption = "Open with &Parameters", .shortcut = {C, VK_RETURN},
       .run = [](F& f) { f.OpenWithParameters(); }},
      {.place = "&File"},
      {.id = cmCopy, .place = "&File", .caption = "&Copy", .shortcut = {A, 'C'}, .internal = icCopy,
       .run = [](F& f) { f.InArchive() ? f.ExtractCommand() : f.CopyCommand(false); }},
      {.id = cmMove, .place = "&File", .caption = "Mo&ve", .shortcut = {A, 'M'}, .internal = icMove,
       .run = [](F& f) {
         if (!f.InArchive()) f.CopyCommand(true);
       }},
      {.id = cmDelete, .place = "&File", .caption = "&Delete", .shortcut = {A, 'D'}, .internal = icDelete,
       .run = [](F& f) { f.DeleteCommand(); }},
      {.id = cmRename, .place = "&File", .caption = "&Rename", .shortcut = {A, 'R'}, .internal = icRename,
       .run = [](F& f) { f.RenameCommand(); }},
      {.id = cmAttributes, .place = "&File", .caption = "&Attributes/Time...", .shortcut = {C, 'Z'},
       .internal = icAttrib, .run = [](F& f) { f.AttributesCommand(); }},
      {.id = cmDescription, .place = "&File", .caption = "D&escription", .shortcut = {A, VK_RETURN},
       .run = [](F& f) { f.DescriptionCommand(); }},
      {.place = "&File"},
      {.id = cmProperties, .place = "&File", .caption = "Proper&ties", .shortcut = {0, VK_F9},
       .run = [](F& f) { f.PropertiesCommand(); }, .enabled = [](F& f) { return f.ShellItemsAvailable(); }},
      {.id = cmCreateNew, .place = "&File", .caption = "Create Ne&w", .shortcut = {C, 'N'},
       .run = [](F& f) { f.CreateNewCommand(); }, .enabled = [](F& f) { return !f.InArchive(); }},
      {.place = "&File"},
      {.id = cmExit, .place = "&File", .caption = "E&xit", .shortcut = {A, 'X'}, .run = [](F& f) { f.Close(); }},

      // Folder
      {.id = cmTree, .place = "F&older", .caption = "&Tree...", .shortcut = {0, VK_F10},
       .run = [](F& f) { f.ChooseTree(); }},
      {.id = cmFavorites, .place = "F&older", .caption = "&Favorites", .shortcut = {0, VK_F11},
       .run = [](F& f) { f.ShowDropDown(nbFavorites, {}); }},
      {.id = cmCreateFolder, .place = "F&older", .caption = "&Create New Folder", .shortcut = {A, 'K'},
       .internal = icNewFolder, .run = [](F& f) { f.CreateFolderCommand(); }},
      {.place = "F&older"},
      {.id = cmBack, .place = "F&older", .caption = "&Back", .shortcut = {A, VK_LEFT}, .run = [](F& f) { f.Back(); },
       .enabled = [](F& f) { return f.history_.CanBack(); }},
      {.id = cmForward, .place = "F&older", .caption = "&Foward", .shortcut = {A, VK_RIGHT},
       .run = [](F& f) { f.Forward(); }, .enabled = [](F& f) { return f.history_.CanForward(); }},
      {.id = cmUpOneLevel, .place = "F&older", .caption = "&Up One Level", .hint = ".", .captionText = 505,
       .run = [](F& f) { f.UpOneLevel(); }},
      {.id = cmRoot, .place = "F&older", .caption = "Roo&t", .hint = "\\", .captionText = 506,
       .run = [](F& f) { f.Root(); }},
      {.id = cmLastDestination, .place = "F&older", .caption = "Last &Destination", .shortcut = {C, VK_BACK},
       .run = [](F& f) { f.GoLastDestination(); }, .enabled = [](F& f) { return !f.lastDestination_.empty(); }},
      {.place = "F&older"},
      // The address box is where a path is typed: there is no go-to dialog.
      {.id = cmGoTo, .place = "F&older", .caption = "&Go to...", .hint = "Alt+G"},
      {.id = cmNetwork, .place = "F&older", .caption = "&Network...", .run = [](F& f) { f.BrowseNetwork(); }},
      {.place = "F&older"},
      {.id = cmSetWork1, .place = "F&older|&Set WorkFolder", .caption = "Work Folder &1", .shortcut = {C, '1'},
       .run = [](F& f) { f.SetWorkFolder(0); }},
      {.id = cmSetWork2, .place = "F&older|&Set WorkFolder", .caption = "Work Folder &2", .shortcut = {C, '2'},
       .run = [](F& f) { f.SetWorkFolder(1); }},
      {.id = cmSetWork3, .place = "F&older|&Set WorkFolder", .caption = "Work Folder &3", .shortcut = {C, '3'},
       .run = [](F& f) { f.SetWorkFolder(2); }},
      {.id = cmGoWork1, .place = "F&older|Go to &WorkFolder", .caption = "Work Folder &1", .shortcut = {A, VK_F1},
       .run = [](F& f) { f.GoWorkFolder(0); }},
      {.id = cmGoWork2, .place = "F&older|Go to &WorkFolder", .caption = "Work Folder &2", .shortcut = {A, VK_F2},
       .run = [](F& f) { f.GoWorkFolder(1); }},
      {.id = cmGoWork3, .place = "F&older|Go to &WorkFolder", .caption = "Work Folder &3", .shortcut = {A, VK_F3},
       .run = [](F& f) { f.GoWorkFolder(2); }},
      {.place = "F&older"},
      {.id = cmRefresh, .place = "F&older", .caption = "&Refresh", .shortcut = {C, 'R'}, .internal = icRefresh,
       .run = [](F& f) { f.RefreshCommand(); }},

      // Edit
      {.id = cmClipCopy, .place = "&Edit", .caption = "&Copy", .shortcut = {C, 'C'},
       .run = [](F& f) { f.ClipboardCopyCommand(false); }, .enabled = [](F& f) { return f.CanCopyToClipboard(); }},
      {.id = cmClipCut, .place = "&Edit", .caption = "Cu&t", .rule = srCut,
       .run = [](F& f) { f.ClipboardCopyCommand(true); }, .enabled = [](F& f) { return f.CanCopyToClipboard(); }},
      {.id = cmClipPaste, .place = "&Edit", .caption = "&Paste", .shortcut = {C, 'V'},
       .run = [](F& f) { f.PasteCommand(); }, .enabled = [](F& f) { return f.CanPaste(); }},
      {.id = cmPasteShortcut, .place = "&Edit", .caption = "Paste &Shortcut", .shortcut = {CA, 'V'},
       .run = [](F& f) { f.PasteShortcutCommand(); }, .enabled = [](F& f) { return f.CanPaste(); }},
      {.id = cmCopyPathName, .place = "&Edit", .caption = "Copy Pat&h Name", .shortcut = {CA, 'C'},
       .run = [](F& f) { f.CopyPathNameCommand(); }, .enabled = [](F& f) { return f.CanCopyPathName(); }},
      {.place = "&Edit"},
      {.id = cmSelectAll, .place = "&Edit", .caption = "Select &All", .shortcut = {A, 'U'}, .internal = icSelectAll,
       .run = [](F& f) { f.SelectAllCommand(); }},
      {.id = cmInvertSelection, .place = "&Edit", .caption = "&Invert Selection", .shortcut = {CS, 'I'},
       .captionText = 501, .run = [](F& f) { f.view_.InvertSelection(); }},
      {.id = cmRestoreSelection, .place = "&Edit", .caption = "&Restore Selection", .shortcut = {CS, 'R'},
       .run = [](F& f) { f.RestoreSelection(); }},
      {.id = cmSelectGroup, .place = "&Edit", .caption = "Select &Group", .hint = "+", .captionText = 502,
       .captionSuffix = "(&G)\t+", .run = [](F& f) { f.SelectGroupCommand(true); }},
      {.id = cmUnselectGroup, .place = "&Edit", .caption = "&Unselect Group", .hint = "-", .captionText = 503,
       .captionSuffix = "(&D)\t-", .run = [](F& f) { f.SelectGroupCommand(false); }},
      {.id = cmSelectSameExt, .place = "&Edit", .caption = "Select Same &Ext", .hint = "Num /",
       .run = [](F& f) { f.view_.SelectSameExt(); }},
      {.place = "&Edit"},
      {.id = cmFindNext, .place = "&Edit", .caption = "&Find Next", .shortcut = {C, 'L'}, .internal = icFindNext,
       .run = [](F& f) { f.view_.FindNext(); }},

      // View
      {.id = cmToolbar, .place = "&View", .caption = "&Toolbar", .run = [](F& f) { f.ShowToolbar(!f.ToolbarShown()); },
       .checked = [](F& f) { return f.ToolbarShown(); }},
      {.id = cmStatusBar, .place = "&View", .caption = "Status &Bar",
       .run = [](F& f) { f.ShowStatusArea(!f.StatusAreaShown()); }, .checked = [](F& f) { return f.StatusAreaShown(); }},
      {.place = "&View"},
      {.id = cmViewList, .place = "&View", .caption = "L&ist", .run = [](F& f) { f.pane_.SetViewStyle(vsList); },
       .checked = [](F& f) { return f.pane_.Settings().ViewStyle == vsList; }, .radio = true},
      {.id = cmViewIcons, .place = "&View", .caption = "Lar&ge Icons", .run = [](F& f) { f.pane_.SetViewStyle(vsIcon); },
       .checked = [](F& f) { return f.pane_.Settings().ViewStyle == vsIcon; }, .radio = true},
      {.place = "&View"},
      {.id = cmSortName, .place = "&View|A&rrange", .caption = "by &Name", .shortcut = {CA, 'N'},
       .run = [](F& f) { f.view_.SetSortType(fstName); },
       .checked = [](F& f) { return f.view_.SortType() == fstName; }, .radio = true},
      {.id = cmSortExt, .place = "&View|A&rrange", .caption = "by &Extension", .shortcut = {CA, 'E'},
       .run = [](F& f) { f.view_.SetSortType(fstExt); },
       .checked = [](F& f) { return f.view_.SortType() == fstExt; }, .radio = true},
      {.id = cmSortSize, .place = "&View|A&rrange", .caption = "by &Size", .shortcut = {CA, 'S'},
       .run = [](F& f) { f.view_.SetSortType(fstSize); },
       .checked = [](F& f) { return f.view_.SortType() == fstSize; }, .radio = true},
      {.id = cmSortTime, .place = "&View|A&rrange", .caption = "by &Time", .shortcut = {CA, 'T'},
       .run = [](F& f) { f.view_.SetSortType(fstTime); },
       .checked = [](F& f) { return f.view_.SortType() == fstTime; }, .radio = true},
      {.id = cmSortNone, .place = "&View|A&rrange", .caption = "None", .shortcut = {CA, 'O'},
       .run = [](F& f) { f.view_.SetSortType(fstNone); },
       .checked = [](F& f) { return f.view_.SortType() == fstNone; }, .radio = true},
      {.id = cmColumnAuto, .place = "&View|&Column", .caption = "&Auto", .shortcut = {A, '0'},
       .run = [](F& f) { f.pane_.SetAutoColumn(true); }, .checked = [](F& f) { return f.pane_.Settings().AutoColumn; },
       .radio = true},
      {.id = cmColumn1, .place = "&View|&Column", .caption = "&1 Col", .shortcut = {A, '1'},
       .run = [](F& f) { f.pane_.SetColumn(1); }, .checked = [](F& f) { return f.ColumnChecked(1); }, .radio = true},
      {.id = cmColumn2, .place = "&View|&Column", .caption = "&2 Col", .shortcut = {A, '2'},
       .run = [](F& f) { f.pane_.SetColumn(2); }, .checked = [](F& f) { return f.ColumnChecked(2); }, .radio = true},
      {.id = cmColumn3, .place = "&View|&Column", .caption = "&3 Col", .shortcut = {A, '3'},
       .run = [](F& f) { f.pane_.SetColumn(3); }, .checked = [](F& f) { return f.ColumnChecked(3); }, .radio = true},
      {.id = cmColumn4, .place = "&View|&Column", .caption = "&4 Col", .shortcut = {A, '4'},
       .run = [](F& f) { f.pane_.SetColumn(4); }, .checked = [](F& f) { return f.ColumnChecked(4); }, .radio = true},
      {.id = cmColumn5, .place = "&View|&Column", .caption = "&5 Col", .shortcut = {A, '5'},
       .run = [](F& f) { f.pane_.SetColumn(5); }, .checked = [](F& f) { return f.ColumnChecked(5); }, .radio = true},
      {.id = cmColumn6, .place = "&View|&Column", .caption = "&6 Col", .shortcut = {A, '6'},
       .run = [](F& f) { f.pane_.SetColumn(6); }, .checked = [](F& f) { return f.ColumnChecked(6); }, .radio = true},
      {.id = cmFilterAll, .place = "&View|&Filter", .caption = "&All Files", .run = [](F& f) { f.SetFilterMask(0); },
       .checked = [](F& f) { return f.FilterIndex() == 0; }, .radio = true},
      {.id = cmFilterPrograms, .place = "&View|&Filter", .caption = "Pro&gram Files",
       .run = [](F& f) { f.SetFilterMask(1); }, .checked = [](F& f) { return f.FilterIndex() == 1; }, .radio = true},
      {.id = cmFilterDocuments, .place = "&View|&Filter", .caption = "&Document files",
       .run = [](F& f) { f.SetFilterMask(2); }, .checked = [](F& f) { return f.FilterIndex() == 2; }, .radio = true},
      {.id = cmFilterImages, .place = "&View|&Filter", .caption = "&Image files", .run = [](F& f) { f.SetFilterMask(3); },
       .checked = [](F& f) { return f.FilterIndex() == 3; }, .radio = true},
      {.id = cmFilterMultimedia, .place = "&View|&Filter", .caption = "&Multimedia files",
       .run = [](F& f) { f.SetFilterMask(4); }, .checked = [](F& f) { return f.FilterIndex() == 4; }, .radio = true},
      {.id = cmFilterArchives, .place = "&View|&Filter", .caption = "A&rchive files",
       .run = [](F& f) { f.SetFilterMask(5); }, .checked = [](F& f) { return f.FilterIndex() == 5; }, .radio = true},
      {.place = "&View|&Filter"},
      {.id = cmCustomFilter, .place = "&View|&Filter", .caption = "Custom &Filter", .shortcut = {C, 'F'},
       .run = [](F& f) { f.CustomFilter(); }, .checked = [](F& f) { return f.FilterIndex() < 0; }, .radio = true},
      {.place = "&View"},
      {.id = cmLongFilename, .place = "&View", .caption = "&Long Filename", .shortcut = {A, 'L'},
       .run = [](F& f) { f.pane_.SetLongName(!f.pane_.Settings().LongName); },
       .checked = [](F& f) { return f.pane_.Settings().LongName; }},
      {.id = cmHiddenFile, .place = "&View", .caption = "&Hidden File", .shortcut = {A, 'Z'},
       .run = [](F& f) { f.ToggleHidden(); }, .checked = [](F& f) { return f.view_.ViewHidden(); }},
      {.place = "&View"},
      {.id = cmAutoRefresh, .place = "&View", .caption = "&Auto Refresh List", .run = [](F& f) { f.ToggleAutoRefresh(); },
       .checked = [](F& f) { return f.autoRefresh_; }},

      // System
      {.id = cmDesktop, .place = "&System", .caption = "&Desktop", .shortcut = {C, 'D'}, .internal = icDesktop,
       .run = [](F& f) { f.ShowShellFolder("Desktop"); }},
      {.id = cmStartMenu, .place = "&System", .caption = "&Start Menu", .shortcut = {C, 'S'},
       .run = [](F& f) { f.ShowShellFolder("Start Menu"); }},
      {.id = cmMyDocuments, .place = "&System", .caption = "&My Documents", .shortcut = {C, 'W'}, .internal = icMyDoc,
       .run = [](F& f) { f.ShowShellFolder("Personal"); }},
      {.place = "&System"},
      {.id = cmControlPanel, .place = "&System", .caption = "&Control Panel",
       .run = [](F&) { ShellOpen("control.exe", std::string(), std::string(), false); }},
      {.id = cmAddRemovePrograms, .place = "&System", .caption = "Add/Remo&ve Programs",
       .run = [](F&) { ShellOpen("rundll32.exe", "shell32.dll,Control_RunDLL appwiz.cpl", std::string(), false); }},
      {.place = "&System"},
      {.id = cmRecycleBin, .place = "&System", .caption = "&Recycle Bin", .shortcut = {C, 'B'},
       .run = [](F& f) { f.RecycleBinCommand(); }},
      {.id = cmEmptyRecycleBin, .place = "&System", .caption = "&Empty Recycle Bin",
       .run = [](F& f) { f.EmptyRecycleBinCommand(); }},
      {.place = "&System"},
      {.id = cmTempFolder, .place = "&System", .caption = "&Go to Temp Folder", .shortcut = {C, 'P'},
       .run = [](F& f) { f.GoTempFolder(); }},
      {.id = cmEmptyTempFolder, .place = "&System", .caption = "Empty &Temp Folder",
       .run = [](F& f) { f.EmptyTempFolderCommand(); }},
      {.place = "&System"},
      {.id = cmFormat, .place = "&System", .caption = "&Format...", .run = [](F& f) { f.FormatCommand(); }},
      {.place = "&System"},
      {.id = cmCommandLine, .place = "&System", .caption = "Comm&and Line", .hint = "/", .captionText = 500,
       .run = [](F& f) { f.OpenCommandBox(); }, .enabled = [](F& f) { return f.StatusAreaShown(); }},

      // Archive
      {.id = cmAddToArchive, .place = "&Archive", .caption = "&Add to Archive", .shortcut = {C, 'A'},
       .internal = icAddCopy, .run = [](F& f) { f.AddToArchiveCommand(false); },
       .enabled = [](F& f) { return !f.InArchive(); }},
      {.id = cmMoveToArchive, .place = "&Archive", .caption = "&Move to Archive", .shortcut = {C, 'M'},
       .internal = icAddMove, .run = [](F& f) { f.AddToArchiveCommand(true); },
       .enabled = [](F& f) { return !f.InArchive(); }},
      {.id = cmExtract, .place = "&Archive", .caption = "E&xtract", .rule = srExtract, .internal = icExtract,
       .run = [](F& f) { f.ExtractCommand(); }},
      {.place = "&Archive"},
      {.id = cmArchiveProperties, .place = "&Archive", .caption = "P&roperties",
       .run = [](F& f) { f.ArchivePropertiesCommand(); }, .enabled = [](F& f) { return f.InArchive(); }},
      {.id = cmInstall, .place = "&Archive", .caption = "In&stall", .shortcut = {C, 'I'},
       .run = [](F& f) { f.InstallCommand(); }},

      // Tools
      {.id = cmViewText, .place = "&Tools", .caption = "&View Text", .shortcut = {A, 'V'}, .internal = icTextView,
       .run = [](F& f) { f.TextCommand("View"); }},
      {.id = cmEditText, .place = "&Tools", .caption = "&Edit Text", .shortcut = {A, 'B'}, .internal = icTextEdit,
       .run = [](F& f) { f.TextCommand("Edit"); }},
      {.place = "&Tools"},
      {.id = cmDeleteAllDescriptions, .place = "&Tools", .caption = "&Delete All Descriptions",
       .run = [](F& f) { f.DeleteAllDescriptionsCommand(); }},
      {.id = cmSaveSelectedList, .place = "&Tools", .caption = "&Save Selected List",
       .run = [](F& f) { f.SaveSelectedListCommand(); }, .enabled = [](F& f) { return f.view_.SelCount() > 0; }},
      {.place = "&Tools"},
      {.id = cmSplitFile, .place = "&Tools", .caption = "Spli&t File...", .shortcut = {CS, 'S'},
       .run = [](F& f) { f.SplitFileCommand(); }},
      {.id = cmJoinFiles, .place = "&Tools", .caption = "&Join Files", .shortcut = {CS, 'A'},
       .run = [](F& f) { f.JoinFilesCommand(); }},
      {.place = "&Tools"},
      {.id = cmDiskCopy, .place = "&Tools", .caption = "Dis&k Copy", .run = [](F& f) { f.DiskCopyCommand(); }},
      {.id = cmMapNetworkDrive, .place = "&Tools", .caption = "&Map Network Drive...",
       .run = [](F& f) { f.NetworkDriveCommand(true); }},
      {.id = cmDisconnectNetworkDrive, .place = "&Tools", .caption = "Disconnect &Network Drive...",
       .run = [](F& f) { f.NetworkDriveCommand(false); }},
      {.place = "&Tools"},
      {.id = cmShortcutToDesktop, .place = "&Tools", .caption = "&Create Shortcut to Desktop", .shortcut = {C, 'K'},
       .run = [](F& f) { f.ShortcutToDesktopCommand(); }, .enabled = [](F& f) { return f.ShellItemsAvailable(); }},
      {.place = "&Tools"},
      {.id = cmOptions, .place = "&Tools", .caption = "&Options...", .shortcut = {C, VK_F12},
       .run = [](F& f) { f.OptionsCommand(); }},

      // Help
      {.id = cmHelpContents, .place = "&Help", .caption = "&Contents", .hint = "F1"},
      {.id = cmHelpShortcut, .place = "&Help", .caption = "&Shortcut"},
      {.place = "&Help"},
      {.id = cmHomepage, .place = "&Help", .caption = "&Homepage", .run = [](F& f) { f.HelpLinkCommand(false); }},
      {.id = cmSendMail, .place = "&Help", .caption = "Send &Mail", .run = [](F& f) { f.HelpLinkCommand(true); }},
      {.place = "&Help"},
      {.id = cmAbout, .place = "&Help", .caption = "&About...", .run = [](F& f) { f.AboutCommand(); }},

      // Reached from popup menus, the favourites drop-down and the pane only.
      {.id = cmAddFavorite, .run = [](F& f) { f.AddToFavorites(); }},
      {.id = cmOrganizeFavorites, .run = [](F& f) { f.OrganizeFavorites(); }},
      {.id = cmExplorerMenu, .run = [](F& f) { f.ExplorerMenuCommand(); },
       .enabled = [](F& f) { return f.ShellItemsAvailable(); }},
      {.id = cmOpenWith, .run = [](F& f) { f.OpenWithCommand(); }, .enabled = [](F& f) { return !f.InArchive(); }},
      {.id = cmExtractTo, .run = [](F& f) { f.ExtractToCommand(); }},
      {.id = cmLeaveArchive, .run = [](F& f) { f.LeaveArchive(); }},
      {.id = cmCreateShortcut, .run = [](F& f) { f.CreateShortcutCommand(); },
       .enabled = [](F& f) { return !f.InArchive(); }},
      {.id = cmFolderProperties, .run = [](F& f) { ShowProperties(f.view_.Folder()); }},
  };
  return table;
}

const TCommand* TMainForm::FindCommand(unsigned id) {
  static const std::vector<const TCommand*> byId = [] {
    std::vector<const TCommand*> rows;
    for (const TCommand& c : Commands())
      if (c.id != 0) rows.push_back(&c);
    std::sort(rows.begin(), rows.end(), [](const TCommand* a, const TCommand* b) { return a->id < b->id; });
    return rows;
  }();
  const auto at = std::lower_bound(byId.begin(), byId.end(), id,
                                   [](const TCommand* row, unsigned value) { return row->id < value; });
  return at != byId.end() && (*at)->id == id ? *at : nullptr;
}

bool TMainForm::CommandEnabled(const TCommand& command) {
  return command.run && (!command.enabled || command.enabled(*this));
}

bool TMainForm::RunInternalCommand(int index) {
  for (const TCommand& c : Commands())
    if (c.internal == index && c.id != 0) return RunCommand(c.id);
  return false;
}

bool TMainForm::RunCommand(UINT id) {
  if (id >= cmFavoriteKey1 && id <= cmFavoriteKey12) {
    ShowFavorite(static_cast<int>(id - cmFavoriteKey1) + 1);
    return true;
  }
  if (id >= cmFunctionKey && id <= cmFunctionKeyLast) {
    RunFunctionKey(static_cast<int>(id - cmFunctionKey));
    return true;
  }
  if (id >= cmFavoriteItem && id <= cmFavoriteItemLast) {
    const size_t index = id - cmFavoriteItem;
    const std::vector<TFavorite>& favorites = Favorites();
    if (index < favorites.size()) ShowFolder(favorites[index].target);
    return true;
  }
  const TCommand* command = FindCommand(id);
  if (!command) return false;
  // An unavailable command is consumed without doing anything: its shortcut must not fall
  // through to another handler.
  if (CommandEnabled(*command)) command->run(*this);
  return true;
}

// ---- the commands ----

void TMainForm::OpenCommand() { SendMessageW(pane_.Handle(), WM_KEYDOWN, VK_RETURN, 0); }

void TMainForm::RefreshCommand() {
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
  UpdateDiskInfo();
}

void TMainForm::OpenWithParameters() {
  const TFile* focused = view_.FocusedFile();
  if (!focused) return;
  if (focused->IsFolder() || focused->IsDrive()) {
    OpenCommand();
    return;
  }
  const std::string path = JoinPath(view_.Folder(), focused->FullName());
  std::string parameters;
  if (Questions().AskText(LoadText(kTextOpenWithParameters), focused->FullName(), parameters, true, 0) != mrOk) return;
  ShellOpen(path, ExpandMacros(parameters, MacroContext()), std::string(), false);
}

void TMainForm::TextCommand(const char* programKey) {
  const TFile* focused = view_.FocusedFile();
  if (!focused || focused->IsFolder() || focused->IsDrive() || focused->IsParent()) return;
  // An archive entry is extracted to the temporary folder first.
  const std::string path =
      InArchive() ? ExtractEntryToTemp(*focused) : JoinPath(view_.Folder(), focused->FullName());
  if (path.empty()) return;
  const std::string program = ini_.ReadString("Program", programKey, "notepad.exe");
  ShellOpen(program, "\"" + path + "\"", std::string(), false);
}

bool TMainForm::ColumnChecked(int count) {
  const TFileViewSettings& s = pane_.Settings();
  return !s.AutoColumn && s.Column == count;
}

int TMainForm::FilterIndex() {
  for (size_t i = 0; i < kFilterMasks.size(); ++i)
    if (SameTextAscii(view_.Filter(), kFilterMasks[i])) return static_cast<int>(i);
  return -1;
}

void TMainForm::SetFilterMask(int index) {
  if (index < 0 || index >= static_cast<int>(kFilterMasks.size())) return;
  view_.SetFilter(kFilterMasks[static_cast<size_t>(index)]);
}

std::string TMainForm::AskMasks(std::string masks) {
  std::string text = LoadText(kTextFilter);
  if (text.empty()) text = "Filter";
  if (Questions().AskText(text, LoadText(kTextFilterPrompt), masks, true, 0) != mrOk) return {};
  return Trim(masks);
}

void TMainForm::SelectGroupCommand(bool select) {
  const std::string masks = AskMasks({});
  if (!masks.empty()) view_.SelectGroup(masks, select);
}

void TMainForm::CustomFilter() {
  const std::string masks = AskMasks(view_.Filter());
  if (!masks.empty()) view_.SetFilter(masks);
}

void TMainForm::AboutCommand() { ShowAboutBox(Handle()); }

void TMainForm::ToggleHidden() { view_.SetViewHidden(!view_.ViewHidden()); }

void TMainForm::ToggleAutoRefresh() {
  autoRefresh_ = !autoRefresh_;
  // Switched off from the menu it stays off, whatever a later folder change would do.
  notify_.SetLock(false);
  notify_.SetActive(autoRefresh_);
  notify_.SetLock(!autoRefresh_);
}

}  // namespace quill
