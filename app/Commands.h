// Command identifiers of the main window: menu items, shortcuts, pane keys, popup menus,
// function keys and the command box all name commands by these.
#pragma once

namespace quill {

enum TCommandId : unsigned {
  cmTree = 1000,
  cmFavorites,
  cmCreateFolder,
  cmBack,
  cmForward,
  cmUpOneLevel,
  cmRoot,
  cmLastDestination,
  cmGoTo,
  cmNetwork,
  cmSetWork1,
  cmSetWork2,
  cmSetWork3,
  cmGoWork1,
  cmGoWork2,
  cmGoWork3,
  cmRefresh,
  cmAddFavorite,
  cmOrganizeFavorites,
  cmDesktop,
  cmStartMenu,
  cmMyDocuments,
  cmTempFolder,
  cmSelectAll,
  cmInvertSelection,
  cmFindNext,
  cmExit,
  cmSelectGroup,
  cmUnselectGroup,
  cmSelectSameExt,
  cmCopy,
  cmMove,
  cmDelete,
  cmRestoreSelection,
  cmDescription,
  cmDeleteAllDescriptions,
  // File
  cmOpen,
  cmOpenWithParameters,
  cmRename,
  cmAttributes,
  cmProperties,
  cmCreateNew,
  // Edit: the clipboard
  cmClipCopy,
  cmClipCut,
  cmClipPaste,
  cmPasteShortcut,
  cmCopyPathName,
  // View
  cmToolbar,
  cmStatusBar,
  cmViewList,
  cmViewIcons,
  cmSortName,  // ... cmSortNone in sort-type order
  cmSortExt,
  cmSortSize,
  cmSortTime,
  cmSortNone,
  cmColumnAuto,
  cmColumn1,  // ... cmColumn6
  cmColumn2,
  cmColumn3,
  cmColumn4,
  cmColumn5,
  cmColumn6,
  cmFilterAll,  // ... cmFilterArchives in menu order
  cmFilterPrograms,
  cmFilterDocuments,
  cmFilterImages,
  cmFilterMultimedia,
  cmFilterArchives,
  cmCustomFilter,
  cmLongFilename,
  cmHiddenFile,
  cmAutoRefresh,
  // System
  cmControlPanel,
  cmAddRemovePrograms,
  cmRecycleBin,
  cmEmptyRecycleBin,
  cmEmptyTempFolder,
  cmFormat,
  cmCommandLine,
  // Archive
  cmAddToArchive,
  cmMoveToArchive,
  cmExtract,
  cmArchiveProperties,
  cmInstall,
  // Tools
  cmViewText,
  cmEditText,
  cmSaveSelectedList,
  cmSplitFile,
  cmJoinFiles,
  cmDiskCopy,
  cmMapNetworkDrive,
  cmDisconnectNetworkDrive,
  cmShortcutToDesktop,
  cmOptions,
  // Help
  cmHelpContents,
  cmHelpShortcut,
  cmHomepage,
  cmSendMail,
  cmAbout,
  // Only in popup menus
  cmExplorerMenu,
  cmOpenWith,
  cmExtractTo,
  cmCreateShortcut,
  cmFolderProperties,
  cmLeaveArchive,  // the archive menu's Exit
  cmLastPlainCommand,
  // Shift+F1 ... Shift+F12.
  cmFavoriteKey1 = 1150,
  cmFavoriteKey12 = 1161,
  // Function keys by index: 0-6 F2-F8, 7-17 Ctrl+F1-Ctrl+F11.
  cmFunctionKey = 1170,
  cmFunctionKeyLast = 1187,
  // Favourites menu items, in file order.
  cmFavoriteItem = 1200,
  cmFavoriteItemLast = 1999,
  // Back and Forward drop-down items.
  cmHistoryItem = 2000,
  cmHistoryItemLast = 2099,
};

// The ranges are told apart by their numbers: a plain command inside one would run the range's
// action instead of its own.
static_assert(cmLastPlainCommand <= cmFavoriteKey1);

}  // namespace quill
