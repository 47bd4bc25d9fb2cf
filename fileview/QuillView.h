// TQuillView: the concrete pane model. It knows the current folder, scans it into its list with
// the filter, hidden-file and sort settings, appends the drive entries, keeps the last folder
// per drive, opens entries and keeps the folder's descript.dat. Portable: everything system
// related goes through IFileSystem.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/FileSystem.h"
#include "fileview/ColorList.h"
#include "fileview/FileView.h"

namespace quill {

class TQuillView : public TCustomFileView {
public:
  TQuillView(IFileSystem& fileSystem, const ICodePage& codePage);

  const std::string& Folder() const { return folder_; }
  const std::string& Drive() const { return drive_; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string_view masks);
  bool ViewHidden() const { return viewHidden_; }
  void SetViewHidden(bool value);
  TFileSortType SortType() const { return sortType_; }
  void SetSortType(TFileSortType value);
  bool OwnerData() const { return ownerData_; }
  void SetOwnerData(bool value) { ownerData_ = value; }
  bool HasDescriptions() const { return hasDescriptions_; }

  // Last folder per drive as "C:\=C:\Work" lines; the main window loads and saves it with
  // last.dir, whose final line (the current drive) it handles itself.
  std::vector<std::string>& DriveMemory() { return driveMemory_; }
  static std::string LineValue(const std::vector<std::string>& lines, std::string_view name);
  static void SetLineValue(std::vector<std::string>& lines, std::string_view name, std::string_view value);

  // The colour set the pane draws with; starts at the defaults.
  const TColorList& Colors() const { return colors_; }
  // Loads the colour file and repaints; a missing file keeps the current colours.
  void SetColorFile(const std::string& path);

  // The Ext text of the Network entry; the window sets it from the string table.
  void SetNetworkText(std::string text) { networkText_ = std::move(text); }

  void ScanFiles();
  void ScanDrives();
  void SetFolder(std::string_view path);
  void SetDrive(std::string_view drive);
  void Refresh(std::string_view nameToFocus, bool keepSelection);
  std::string GetFileName() const;
  void Open();
  void LoadDescript();
  // Returns 0 or the error code of the failed write; a failed write keeps the old file.
  uint32_t SaveDescript();
  // Whether the folder has a descript.dat (not in owner-data mode).
  bool DescriptExists();
  // Deletes the folder's descript.dat and clears the listed entries' descriptions; 0 or the
  // error code, with the descriptions kept when the file stays.
  uint32_t DeleteDescript();
  // Adds "name=description" lines to another folder's descript.dat (kept when present, written
  // hidden), as a copy or move carries descriptions along. 0 or the write's error code.
  uint32_t AppendDescript(const std::string& folder, const std::vector<std::string>& lines);
  // "Floppy" for removable drives, else the volume label, else "Local"/"CDROM" by type.
  std::string DriveLabel(const std::string& root);

  std::function<void(bool& handled)> OnOpen;
  std::function<void()> OnChangeDir;
  std::function<void(bool& handled)> OnOwnerData;
  std::function<void(std::string& title)> OnGetTitle;
  std::function<void()> OnChangeSelected;

protected:
  virtual void DoChangeDir();
  virtual void GetOwnerData();
  void FilesChange() override;
  void SelectionChanged() override;

private:
  bool Visible(uint32_t attributes) const { return viewHidden_ || !(attributes & faHidden); }
  std::string DescriptPath() const;

  IFileSystem& fs_;
  const ICodePage& codePage_;
  std::string folder_, drive_;
  std::string filter_ = "*.*";
  bool viewHidden_ = false;
  TFileSortType sortType_ = fstName;
  bool ownerData_ = false;
  bool hasDescriptions_ = false;
  std::vector<std::string> driveMemory_;
  std::string networkText_ = "Network";
  TColorList colors_;
};

}  // namespace quill
