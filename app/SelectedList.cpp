#include "app/SelectedList.h"

#include <algorithm>

#include "base/Text.h"
#include "fileview/FileViewLayout.h"

namespace quill {

std::vector<std::string> SelectedListLines(const std::string& folder, const TFiles& files,
                                           const TLocalTimeOf& localTime) {
  std::vector<const TFile*> selected;
  size_t longest = 0;
  for (int i = 0; i < files.Count(); ++i) {
    const TFile* file = files.Items(i);
    if (!file->Selected) continue;
    selected.push_back(file);
    longest = std::max(longest, CodePointCount(file->FullName()));
  }
  if (selected.empty()) return {};

  std::vector<std::string> lines{folder, std::string()};
  const size_t width = longest + 2;
  int folders = 0, plainFiles = 0;
  uint64_t total = 0;
  for (const TFile* file : selected) {
    std::string line = file->FullName();
    line.append(width - CodePointCount(line), ' ');
    line += ' ';
    if (const std::optional<TCalendarTime> time = localTime(file->Time)) line += FileTimeText(*time, kTimeTextDateTime);
    line += ' ';
    line += AttrText(file->Attributes);
    lines.push_back(std::move(line));
    if (file->IsFolder()) {
      ++folders;
    } else {
      ++plainFiles;
      total += file->Size;
    }
  }
  lines.emplace_back();
  lines.push_back(Format("%d Folders, %d Files", folders, plainFiles));
  lines.push_back(Format("%s bytes", GroupThousands(total).c_str()));
  return lines;
}

}  // namespace quill
