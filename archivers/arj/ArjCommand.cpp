#include "ArjCommand.h"

#include <algorithm>
#include <cctype>

#include "ZipFormat.h"

namespace arjexe {
namespace {

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string NameKey(std::string name) {
  for (auto& c : name) c = c == '/' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

bool ParseNumber(const std::string& text, uint64_t& value) {
  if (text.empty() || text.size() > 15) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// Extraction's null target for `t`: decodes and checks, keeps nothing.
class DiscardOutput final : public arjformat::IByteOutput {
 public:
  bool Write(const uint8_t*, size_t) override { return true; }
};

}  // namespace

bool ParseVolumeSize(const std::string& text, uint64_t& bytes) {
  std::string digits = text;
  uint64_t scale = 1;
  if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) {
    digits.pop_back();
    scale = 1000;
  }
  uint64_t value = 0;
  if (!ParseNumber(digits, value) || value == 0) return false;
  if (scale == 1) {
    switch (value) {
      case 360: value = 362000; break;
      case 720: value = 730000; break;
      case 1200: value = 1213000; break;
      case 1440: value = 1457000; break;
      default: break;
    }
  }
  bytes = value * scale;
  return true;
}

bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error) {
  command = Command{};
  if (args.empty()) {
    error = "no command given";
    return false;
  }
  const std::string letter = Lower(args[0]);
  if (letter.size() != 1 || std::string("amfuxetl").find(letter[0]) == std::string::npos) {
    error = "unknown command " + args[0];
    return false;
  }
  command.letter = letter[0];
  bool switches = true;
  std::vector<std::string> names;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (switches && word == "--") {
      switches = false;
    } else if (switches && word.size() >= 2 && word[0] == '-') {
      const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(word[1])));
      const std::string rest = word.substr(2);
      if (key == 'y' && (rest.empty() || rest == "+")) {
        command.yes = true;
      } else if (key == 'r' && (rest.empty() || rest == "+")) {
        command.recurse = true;
      } else if (key == 'v') {
        command.volumes = true;
        if (!rest.empty() && !ParseVolumeSize(rest, command.volumeSize)) {
          error = "bad volume size " + word;
          return false;
        }
      } else if (key == 'm' && rest.size() == 1 && rest[0] >= '0' && rest[0] <= '4') {
        command.method = rest[0] - '0';
      } else {
        error = "unknown switch " + word;
        return false;
      }
    } else if (word.size() > 1 && word[0] == '!') {
      command.listFiles.push_back(word.substr(1));
    } else {
      names.push_back(word);
    }
  }
  if (names.empty()) {
    error = "no archive named";
    return false;
  }
  command.archive = names[0];
  size_t first = 1;
  if ((command.letter == 'x' || command.letter == 'e') && names.size() > 1) {
    command.destination = names[1];
    first = 2;
  }
  command.items.assign(names.begin() + static_cast<std::ptrdiff_t>(first), names.end());
  return true;
}

std::vector<std::string> ListFileItems(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    size_t lead = 0;
    while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t')) ++lead;
    if (lead < line.size()) items.push_back(line.substr(lead));
    start = end + 1;
  }
  return items;
}

std::string EntryPath(const arjformat::ArjHeader& header) { return arjformat::NativeName(header); }

FileStamp StampOf(const arjformat::ArjHeader& header) {
  constexpr uint8_t kUnixHost = 2;
  constexpr uint16_t kOwnerWrite = 0200, kReadOnly = 0x01;
  if (header.hostOs == kUnixHost)
    return {true, header.dosTime, static_cast<uint16_t>((header.accessMode & kOwnerWrite) ? 0 : kReadOnly)};
  return {false, header.dosTime, header.accessMode};
}

bool Selected(const std::string& path, const std::vector<std::string>& items) {
  if (items.empty()) return true;
  for (const auto& item : items)
    if (zipformat::MatchSpec(item, path)) return true;
  return false;
}

bool TargetPath(const std::string& entryPath, bool withPaths, std::string& target) {
  target.clear();
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    // A drive letter (or any text up to a colon) is dropped with its colon.
    const size_t colon = part.find_last_of(':');
    if (colon != std::string::npos) part = part.substr(colon + 1);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : entryPath) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  if (parts.empty()) return false;
  std::string joined;
  if (withPaths) {
    for (const auto& p : parts) joined += (joined.empty() ? "" : "\\") + p;
  } else {
    joined = parts.back();
  }
  return zipformat::SafeRelativePath(joined, target);
}

ExtractSummary ExtractEntries(arjformat::ArjArchive& archive, bool withPaths,
                              const std::vector<std::string>& items, IExtractTarget& target,
                              bool testOnly) {
  ExtractSummary summary;
  auto worse = [&](int code) { summary.exitCode = std::max(summary.exitCode, code); };
  for (const auto& entry : archive.Entries()) {
    const std::string path = EntryPath(entry.header);
    if (!Selected(path, items)) continue;
    if (entry.header.flags & arjformat::kFlagGarbled) {
      target.Report(path + ": encrypted entries are not supported, skipped");
      ++summary.skipped;
      worse(kWarning);
      continue;
    }
    if (testOnly) {
      if (entry.IsFolder()) continue;
      DiscardOutput discard;
      const auto result = archive.Extract(entry, discard);
      if (result == arjformat::ArjArchive::Result::Ok) {
        ++summary.files;
      } else {
        target.Report(path + (result == arjformat::ArjArchive::Result::CrcError ? ": CRC error" : ": bad data"));
        ++summary.failed;
        worse(kCrcError);
      }
      continue;
    }
    std::string relative;
    if (!TargetPath(path, withPaths, relative)) {
      if (entry.IsFolder() && !withPaths) continue;
      target.Report(path + ": the name cannot be used here, skipped");
      ++summary.skipped;
      worse(kWarning);
      continue;
    }
    if (entry.IsFolder()) {
      if (!withPaths) continue;
      if (!target.MakeFolder(relative)) {
        target.Report(path + ": cannot create the folder");
        worse(kCannotOpen);
        ++summary.failed;
      } else {
        ++summary.folders;
      }
      continue;
    }
    const size_t slash = relative.find_last_of('\\');
    if (slash != std::string::npos && !target.MakeFolder(relative.substr(0, slash))) {
      target.Report(path + ": cannot create the folder " + relative.substr(0, slash));
      worse(kCannotOpen);
      ++summary.failed;
      continue;
    }
    arjformat::IByteOutput* out = target.BeginFile(relative);
    if (!out) {
      target.Report(path + ": cannot create " + relative);
      worse(kCannotOpen);
      ++summary.failed;
      continue;
    }
    const auto result = archive.Extract(entry, *out);
    const bool ok = result == arjformat::ArjArchive::Result::Ok;
    const bool closed = target.EndFile(ok, StampOf(entry.header));
    if (ok && closed) {
      ++summary.files;
      continue;
    }
    ++summary.failed;
    switch (result) {
      case arjformat::ArjArchive::Result::Ok:
      case arjformat::ArjArchive::Result::WriteFailed:
        target.Report(path + ": cannot write " + relative);
        worse(kWriteError);
        break;
      case arjformat::ArjArchive::Result::CrcError:
        target.Report(path + ": CRC error, nothing kept");
        worse(kCrcError);
        break;
      case arjformat::ArjArchive::Result::ReadFailed:
        target.Report(path + ": the archive ends inside this entry (a volume missing?), nothing kept");
        worse(kCrcError);
        break;
      case arjformat::ArjArchive::Result::BadData:
        target.Report(path + ": bad data (method " + std::to_string(entry.header.method) + "), nothing kept");
        worse(kCrcError);
        break;
    }
  }
  return summary;
}

std::vector<PlanStep> PlanUpdate(char letter, const std::vector<arjformat::ArjEntry>& existing,
                                 const std::vector<NewItem>& items) {
  std::vector<PlanStep> plan;
  std::vector<bool> used(items.size(), false);
  const bool always = letter == 'a' || letter == 'm';
  for (size_t e = 0; e < existing.size(); ++e) {
    const std::string key = NameKey(EntryPath(existing[e].header));
    size_t replacement = items.size();
    for (size_t i = 0; i < items.size(); ++i) {
      if (used[i] || NameKey(items[i].name) != key) continue;
      used[i] = true;  // the item is settled by its entry either way
      if (always || items[i].dosTime > existing[e].header.dosTime) replacement = i;
      break;
    }
    if (replacement < items.size()) {
      plan.push_back({false, replacement});
    } else {
      plan.push_back({true, e});
    }
  }
  if (letter != 'f') {
    for (size_t i = 0; i < items.size(); ++i)
      if (!used[i]) plan.push_back({false, i});
  }
  return plan;
}

}  // namespace arjexe
