// The text of Save Selected List: the pane's folder, one line per selected entry with its date,
// time and attributes, and the totals. Portable: the caller turns the entries' file times into
// local time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fileview/File.h"
#include "fileview/FileUtils.h"

namespace quill {

// Local calendar time of a UTC file time; nothing when it cannot be converted.
using TLocalTimeOf = std::function<std::optional<TCalendarTime>(uint64_t fileTime)>;

// The lines of the list for the selected entries of `files`, in list order; no lines when
// nothing is selected. Names are padded to the longest name + 2 characters (counted in
// characters, not bytes, so names in any script line up alike); the last line gives the total
// size of the selected files.
std::vector<std::string> SelectedListLines(const std::string& folder, const TFiles& files,
                                           const TLocalTimeOf& localTime);

}  // namespace quill
