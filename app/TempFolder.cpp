#include "app/TempFolder.h"

#include "base/Path.h"

namespace quill {

namespace {

// Plans the entries of `folder`; true when every one of them can go, so that the caller may
// replace them by the folder itself.
bool PlanEntries(IFileSystem& fs, const std::string& folder, const std::function<bool(const std::string&)>& inUse,
                 TTempPlan& plan) {
  std::vector<TFindData> entries;
  const bool read = fs.Enumerate(JoinPath(folder, "*.*"), [&](const TFindData& entry) {
    if (entry.name != "." && entry.name != "..") entries.push_back(entry);
  });
  if (!read) {
    plan.kept.push_back(folder);
    return false;
  }
  bool everything = true;
  for (const TFindData& entry : entries) {
    const std::string path = JoinPath(folder, entry.name);
    if (entry.attributes & faReparsePoint) {
      // Removing a link removes the link only; what it points to is not ours to empty.
      plan.deletions.push_back(path);
    } else if (entry.attributes & faDirectory) {
      const size_t mark = plan.deletions.size();
      if (PlanEntries(fs, path, inUse, plan)) {
        plan.deletions.resize(mark);
        plan.deletions.push_back(path);
      } else {
        everything = false;
      }
    } else if (inUse(path)) {
      plan.kept.push_back(path);
      everything = false;
    } else {
      plan.deletions.push_back(path);
    }
  }
  return everything;
}

}  // namespace

TTempPlan PlanTempFolderDeletion(IFileSystem& fs, const std::string& folder,
                                 const std::function<bool(const std::string&)>& inUse) {
  TTempPlan plan;
  if (!folder.empty()) PlanEntries(fs, folder, inUse, plan);
  return plan;
}

}  // namespace quill
