// The pane's icons and type names from the shell, and the free space of fixed drives.
#include "fileview/FileViewWindow.h"

#include <shellapi.h>
#include <shlobj.h>

#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {

constexpr size_t kFolderCacheLimit = 4096;

bool HasOwnIcon(std::string_view ext) {
  static constexpr std::string_view kOwn[] = {"EXE", "LNK", "ICO", "CUR", "ANI", "SCR"};
  const std::string upper = UpperAscii(ext);
  for (std::string_view e : kOwn)
    if (upper == e) return true;
  return false;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

}  // namespace

int TSysImageList::Ask(const std::wstring& path, DWORD attributes, UINT flags) {
  ++lookups_;
  SHFILEINFOW info{};
  flags |= SHGFI_SYSICONINDEX | (large_ ? SHGFI_LARGEICON : SHGFI_SMALLICON);
  const DWORD_PTR result = SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, flags);
  if (!result) return -1;
  if (!list_) list_ = reinterpret_cast<HIMAGELIST>(result);
  return info.iIcon;
}

HIMAGELIST TSysImageList::Handle() {
  if (!list_) FolderIcon();
  return list_;
}

int TSysImageList::ExtIcon(std::string_view ext) {
  const std::string key = "." + UpperAscii(ext);
  auto found = byExt_.find(key);
  if (found != byExt_.end()) return found->second;
  const int index = Ask(Widen("file" + key), FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES);
  byExt_.emplace(key, index);
  return index;
}

int TSysImageList::FolderIcon() {
  if (folder_ == -2) folder_ = Ask(L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES);
  return folder_;
}

int TSysImageList::FolderPathIcon(const std::string& path) {
  auto found = byFolder_.find(path);
  if (found != byFolder_.end()) return found->second;
  // A pane that visits folder after folder must not keep every path it ever showed.
  if (byFolder_.size() >= kFolderCacheLimit) byFolder_.clear();
  int index = Ask(Widen(path), 0, 0);
  if (index < 0) index = FolderIcon();
  byFolder_.emplace(path, index);
  return index;
}

int TSysImageList::PathIcon(const std::string& path) { return Ask(Widen(path), 0, 0); }

int TSysImageList::NetworkIcon() {
  if (network_ != -2) return network_;
  network_ = -1;
  LPITEMIDLIST pidl = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &pidl)) && pidl) {
    ++lookups_;
    SHFILEINFOW info{};
    const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | (large_ ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    const DWORD_PTR result =
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info, flags);
    if (result) {
      if (!list_) list_ = reinterpret_cast<HIMAGELIST>(result);
      network_ = info.iIcon;
    }
    CoTaskMemFree(pidl);
  }
  return network_;
}

int TFileViewWindow::ImageIndexOf(const TFile& file, TSysImageList& images) {
  if (file.IsParent()) return kParentImage;
  if (file.IsDrive()) {
    if (file.Name() == "/") return images.NetworkIcon();
    return images.PathIcon(file.Name().substr(0, 1) + ":\\");
  }
  // A folder's own path gives special and customised folders their icons; the bare names of an
  // archive's folders do not exist.
  if (file.IsFolder()) {
    if (view_.OwnerData()) return images.FolderIcon();
    const std::string path = JoinPath(view_.Folder(), file.Name());
    return FolderHasOwnLook(file, path) ? images.FolderPathIcon(path) : images.FolderIcon();
  }
  // Programs, shortcuts and cursors carry their own pictures; they are few enough to ask for.
  if (!view_.OwnerData() && HasOwnIcon(file.Ext())) {
    const std::string path = JoinPath(view_.Folder(), file.FullName());
    if (GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
      const int own = images.PathIcon(path);
      if (own >= 0) return own;
    }
  }
  return images.ExtIcon(file.Ext());
}

const std::string& TFileViewWindow::TypeNameOf(TFile& file) {
  if (!file.TypeName().empty()) return file.TypeName();
  if (file.IsParent()) {
    file.SetTypeName("Parent Folder");
    return file.TypeName();
  }
  if (file.IsFolder()) {
    if (view_.OwnerData()) {
      file.SetTypeName("File Folder");
      return file.TypeName();
    }
    // Special and customised folders have type names of their own: asked per path, once.
    const std::string path = JoinPath(view_.Folder(), file.Name());
    if (!FolderHasOwnLook(file, path)) {
      if (!plainFolderTypeAsked_) {
        plainFolderTypeAsked_ = true;
        SHFILEINFOW info{};
        if (SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                           SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES))
          plainFolderType_ = Narrow(info.szTypeName);
      }
      file.SetTypeName(plainFolderType_);
      return file.TypeName();
    }
    auto found = typeByFolder_.find(path);
    if (found == typeByFolder_.end()) {
      if (typeByFolder_.size() >= kFolderCacheLimit) typeByFolder_.clear();
      SHFILEINFOW info{};
      std::string name;
      if (SHGetFileInfoW(Widen(path).c_str(), 0, &info, sizeof info, SHGFI_TYPENAME)) name = Narrow(info.szTypeName);
      found = typeByFolder_.emplace(path, name).first;
    }
    file.SetTypeName(found->second);
    return file.TypeName();
  }
  std::string key;
  std::wstring path;
  DWORD attributes = 0;
  UINT flags = SHGFI_TYPENAME;
  if (file.IsDrive()) {
    key = file.Name() == "/" ? std::string("/") : file.Name().substr(0, 1) + ":\\";
    path = Widen(key == "/" ? std::string() : key);
  } else {
    key = "." + UpperAscii(file.Ext());
    path = Widen("file" + key);
    attributes = FILE_ATTRIBUTE_NORMAL;
    flags |= SHGFI_USEFILEATTRIBUTES;
  }
  auto found = typeByExt_.find(key);
  if (found == typeByExt_.end()) {
    SHFILEINFOW info{};
    std::string name;
    if (!path.empty() && SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, flags))
      name = Narrow(info.szTypeName);
    found = typeByExt_.emplace(key, name).first;
  }
  file.SetTypeName(found->second);
  return file.TypeName();
}

// Asking the shell by path is slow where it matters most: Wine's shell scans the parent folder
// for it, about 200 ms per folder in a folder of 100,000 entries. A plain folder looks like
// every other plain folder, so only folders the shell may dress differently are asked by path.
bool TFileViewWindow::FolderHasOwnLook(const TFile& file, const std::string& path) {
  if (file.Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  if (!specialFoldersKnown_) {
    specialFoldersKnown_ = true;
    static constexpr int kSpecial[] = {
        CSIDL_DESKTOPDIRECTORY,  CSIDL_PERSONAL,          CSIDL_MYPICTURES,
        CSIDL_MYMUSIC,           CSIDL_MYVIDEO,           CSIDL_FAVORITES,
        CSIDL_FONTS,             CSIDL_WINDOWS,           CSIDL_SYSTEM,
        CSIDL_PROGRAM_FILES,     CSIDL_PROFILE,           CSIDL_STARTMENU,
        CSIDL_PROGRAMS,          CSIDL_STARTUP,           CSIDL_RECENT,
        CSIDL_SENDTO,            CSIDL_TEMPLATES,         CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,     CSIDL_NETHOOD,           CSIDL_PRINTHOOD,
        CSIDL_COOKIES,           CSIDL_HISTORY,           CSIDL_INTERNET_CACHE,
        CSIDL_ADMINTOOLS,        CSIDL_COMMON_DOCUMENTS,  CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_COMMON_PICTURES,   CSIDL_COMMON_MUSIC,      CSIDL_COMMON_VIDEO,
        CSIDL_COMMON_STARTMENU,  CSIDL_COMMON_PROGRAMS,
    };
    for (const int csidl : kSpecial) {
      wchar_t buffer[MAX_PATH] = {};
      if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) && buffer[0])
        specialFolders_.insert(TWin32Collator::Instance().FoldName(Narrow(buffer)));
    }
  }
  return specialFolders_.count(TWin32Collator::Instance().FoldName(path)) != 0;
}

const TFileViewWindow::TDriveSpace& TFileViewWindow::DriveSpace(const TFile& file) {
  const char letter = file.Name().empty() ? ' ' : UpperAscii(file.Name()[0]);
  auto found = driveSpace_.find(letter);
  if (found != driveSpace_.end()) return found->second;
  TDriveSpace space;
  if (file.Name() != "/") {
    const std::string root = std::string(1, letter) + ":\\";
    space.fixed = DriveType(root) == DRIVE_FIXED;
    if (space.fixed) {
      space.free = DiskFree(root);
      space.total = DiskSize(root);
    }
  }
  return driveSpace_.emplace(letter, space).first->second;
}

}  // namespace quill
