// Menu command identifiers of the main window.
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
  // Shift+F1 ... Shift+F12.
  cmFavoriteKey1 = 1100,
  cmFavoriteKey12 = 1111,
  // Favourites menu items, in file order.
  cmFavoriteItem = 1200,
  cmFavoriteItemLast = 1999,
  // Back and Forward drop-down items.
  cmHistoryItem = 2000,
  cmHistoryItemLast = 2099,
};

}  // namespace quill
