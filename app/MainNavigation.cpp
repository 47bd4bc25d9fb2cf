// The main window's ways of moving the pane between folders: the address box, history, work
// folders, favourites, shell folders, the network browser and the destination prompt, and what
// follows every folder change.
#include <shlobj.h>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "app/StatusPanels.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileUtils.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "messages/ShellFolders.h"
#include "navigation/Destination.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "settings/OrganizeFavDialog.h"

namespace quill {

namespace {
constexpr int kTextSelectFolder = 517;
constexpr int kTextDisplayName = 533;
constexpr int kTextNetwork = 570;
constexpr int kTextAddFavorites = 572;

TTextLoader StringTable() {
  return [](int id) { return LoadText(static_cast<unsigned>(id)); };
}
}  // namespace

void TMainForm::FolderChanged() {
  const std::string& folder = view_.Folder();
  const bool archiveMode = view_.OwnerData();
  UpdateCaption();
  if (!archiveMode) lastRealFolder_ = folder;
  bar_.SetAddress(folder, archiveMode ? RGB(0, 0, 255) : GetSysColor(COLOR_WINDOWTEXT));
  if (!suppressHistory_ && !archiveMode) history_.Add(folder);
  suppressHistory_ = false;
  bar_.EnableButton(nbBack, history_.CanBack());
  bar_.EnableButton(nbForward, history_.CanForward());
  UpdateDiskInfo();
  UpdateFileInfo();
  UpdateSelectionInfo();
  if (archiveMode) return;  // no watcher and no work-folder colours inside an archive
  UpdateWorkButtons();
  notify_.SetFolder(folder);
  // A watcher ends by itself when its folder goes away; every new folder starts it again.
  notify_.SetActive(autoRefresh_);
}

void TMainForm::ShowFolder(const std::string& path) {
  if (path.empty()) return;
  if (view_.OwnerData()) {
    // Inside an archive only a real folder is somewhere to go: it ends the archive's showing.
    if (!IsFolder(path)) return;
    TFiles& files = view_.Files();
    files.BeginUpdate();
    view_.SetOwnerData(false);
    archive_.reset();
    view_.SetFolder(path);
    files.EndUpdate();
    if (!IsFolder(view_.Folder())) view_.SetFolder(lastRealFolder_);
    return;
  }
  view_.SetFolder(path);
}

// ---- status panels ----

void TMainForm::UpdateFileInfo() {
  const TFile* file = view_.FocusedFile();
  if (!file) {
    status_.SetFileInfo(-1, {}, false);
    return;
  }
  // An entry without a time (the ".." of an archive listing) shows none rather than 1601.
  const std::optional<TCalendarTime> local =
      file->IsDrive() || file->Time == 0 ? std::nullopt : FileTimeToCalendar(file->Time);
  const uint32_t type = file->IsDrive() ? DriveType(file->Name()) : 0;
  const TFileInfoText info = FileInfoText(*file, type, local, StringTable());
  const int icon = file->IsParent() ? -1 : pane_.SmallIconOf(*file);
  status_.SetFileInfo(icon, info.text, info.opensAttributes);
}

void TMainForm::UpdateSelectionInfo() {
  status_.SetSelection(SelectionText(view_.SelCount(), view_.SelSize(), StringTable()));
  status_.SetDisk(view_.Drive(), driveTotal_, driveFree_);
}

void TMainForm::UpdateDiskInfo() {
  const std::string& drive = view_.Drive();
  driveTotal_ = DiskSize(drive);
  driveFree_ = DiskFree(drive);
  status_.SetDisk(drive, driveTotal_, driveFree_);
}

// ---- address box ----

void TMainForm::AddressEnter(const std::string& text) {
  ShowFolder(Trim(text));
  SetFocus(pane_.Handle());
}

std::vector<std::string> TMainForm::AddressLines() {
  std::vector<std::string> lines;
  for (const char letter : DriveLetters())
    lines.push_back(DriveLabel(std::string(1, letter)) + Format(" (%c:)", letter));
  lines.push_back(LoadText(kTextNetwork));
  return lines;
}

void TMainForm::AddressPick(int index) {
  const std::string letters = DriveLetters();
  if (index >= 0 && index < static_cast<int>(letters.size())) view_.SetDrive(std::string(1, letters[index]) + ":");
  else if (index == static_cast<int>(letters.size())) BrowseNetwork();
  bar_.SetAddress(view_.Folder(), GetSysColor(COLOR_WINDOWTEXT));
  SetFocus(pane_.Handle());
}

// ---- history ----

void TMainForm::Back() {
  if (!history_.CanBack()) return;
  suppressHistory_ = true;
  ShowFolder(history_.Back());
  suppressHistory_ = false;
  bar_.EnableButton(nbBack, history_.CanBack());
  bar_.EnableButton(nbForward, history_.CanForward());
}

void TMainForm::Forward() {
  if (!history_.CanForward()) return;
  suppressHistory_ = true;
  ShowFolder(history_.Forward());
  suppressHistory_ = false;
  bar_.EnableButton(nbBack, history_.CanBack());
  bar_.EnableButton(nbForward, history_.CanForward());
}

void TMainForm::ShowFromHistoryMenu(const std::string& path) { ShowFolder(path); }

void TMainForm::UpOneLevel() {
  if (InArchive()) ArchiveChangeFolder("..");
  else ShowFolder("..");
}

void TMainForm::Root() {
  if (InArchive()) ArchiveChangeFolder("\\");
  else ShowFolder("\\");
}

void TMainForm::GoLastDestination() {
  if (!lastDestination_.empty()) ShowFolder(lastDestination_);
}

// ---- work folders ----

void TMainForm::UpdateWorkButtons() {
  for (int slot = 0; slot < TWorkFolders::kCount; ++slot)
    bar_.SetWorkFolder(slot, work_.Color(slot + 1, view_.Folder(), GetSysColor(COLOR_WINDOWTEXT)), work_.Hint(slot + 1));
}

void TMainForm::WorkFolderClick(int slot) {
  const std::optional<std::string> folder = work_.Click(slot + 1, view_.Folder());
  if (folder) ShowFolder(*folder);
  UpdateWorkButtons();
}

void TMainForm::WorkFolderRightClick(int slot) {
  work_.Clear(slot + 1);
  UpdateWorkButtons();
}

void TMainForm::SetWorkFolder(int slot) {
  work_.Set(slot + 1, view_.Folder());
  UpdateWorkButtons();
}

void TMainForm::GoWorkFolder(int slot) {
  if (work_.IsSet(slot + 1)) ShowFolder(work_.Folder(slot + 1));
}

// ---- favourites ----

const std::vector<TFavorite>& TMainForm::Favorites() {
  if (!favoritesLoaded_) {
    favorites_ = LoadFavorites(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), files_.folder + "favorite.dat");
    favoritesLoaded_ = true;
  }
  return favorites_;
}

void TMainForm::ShowFavorite(int number) {
  const std::optional<std::string> target = FavoriteForKey(Favorites(), number);
  if (target) ShowFolder(*target);
}

void TMainForm::AddToFavorites() {
  const std::string folder = view_.Folder();
  std::string name = ProposedFavoriteName(folder);
  const std::string prompt = FillText("\"%s\"\n\n%s", {folder, LoadText(kTextDisplayName)});
  if (Questions().AskText(LoadText(kTextAddFavorites), prompt, name, true, 0) != mrOk) return;
  const uint32_t error =
      AppendFavorite(TWin32FileSystem::Instance(), TAnsiCodePage::Instance(), files_.folder + "favorite.dat", name, folder);
  if (error) Questions().ShowError(error, LoadText(kTextError), true);
  favoritesLoaded_ = false;
}

void TMainForm::OrganizeFavorites() {
  TfOrganizeFav dialog(Handle(), Questions(), TWin32FileSystem::Instance(), TAnsiCodePage::Instance(),
                       files_.folder + "favorite.dat", view_.DriveMemory());
  if (dialog.ShowModal() == mrOk) favoritesLoaded_ = false;
}

// ---- shell places ----

void TMainForm::ShowShellFolder(const char* valueName) {
  const std::string folder = ShellFolder(valueName);
  if (!folder.empty()) ShowFolder(folder);
}

void TMainForm::GoTempFolder() { ShowFolder(TempFolder()); }

void TMainForm::BrowseNetwork() {
  const std::string chosen = Questions().BrowseNetwork(view_.Drive());
  if (chosen.empty()) return;
  if (chosen.size() <= 3 && chosen.size() >= 2 && chosen[1] == ':') view_.SetDrive(chosen);
  else ShowFolder(chosen);
}

void TMainForm::ChooseTree() {
  const std::string folder =
      Questions().ChooseFolder(view_.Drive(), std::string(), view_.DriveMemory(), LoadText(kTextSelectFolder));
  ShowFolder(folder);
}

bool TMainForm::OpenShortcutFolder() {
  const TFile* file = view_.FocusedFile();
  if (!file) return false;
  if (file->IsDrive() && StartsWith(file->Name(), "/")) {
    BrowseNetwork();
    return true;
  }
  if (!file->IsFile() || !SameTextAscii(file->Ext(), "lnk")) return false;
  const std::string target = ShortcutTarget(JoinPath(view_.Folder(), file->FullName()), Handle());
  if (target.empty() || !IsFolder(target)) return false;
  ShowFolder(target);
  return true;
}

std::string TMainForm::AskDestination(const std::string& proposal) {
  std::string entered = proposal.empty() ? lastDestination_ : proposal;
  if (Questions().ChooseDrive(entered, {work_.Folder(1), work_.Folder(2), work_.Folder(3)}, TDialogPlace{}, {}) != mrOk)
    return {};
  const char current = view_.Drive().empty() ? 'C' : UpperAscii(view_.Drive()[0]);
  const char drive = DestinationDrive(entered, current);
  const uint32_t type = DriveType(std::string(1, drive) + ":");
  const bool noTreeA = ini_.ReadBool("Option", "NoTreeA", false);
  const TDestinationDecision decision = DecideDestination(entered, type, noTreeA, current);
  std::string destination;
  switch (decision.action) {
    case daUsePath:
    case daUseDriveRoot: destination = decision.path; break;
    case daChooseFolder:
      destination = Questions().ChooseFolder(std::string(1, decision.drive) + ":", std::string(), view_.DriveMemory(),
                                             LoadText(kTextSelectFolder));
      break;
  }
  if (!destination.empty()) lastDestination_ = destination;
  return destination;
}

}  // namespace quill
