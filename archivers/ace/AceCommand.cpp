#include "archivers/ace/AceCommand.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace acexe {

namespace {

bool Digits(const std::string& text) {
  return !text.empty() && text.size() <= 12 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error) {
  command = Command{};
  bool haveMode = false;
  for (const std::string& arg : args) {
    if (arg.size() > 1 && arg[0] == '-') {
      const char letter = Lower(arg[1]);
      const std::string value = arg.substr(2);
      if (letter == 'r' && value.empty()) {
        command.recurse = true;
      } else if (letter == 'y' && value.empty()) {
        command.yes = true;
      } else if (letter == 'v' && Digits(value) && std::stoull(value) > 0) {
        command.volumeSize = std::stoull(value) * 1000;
      } else if (letter == 'p' && !value.empty()) {
        command.password = true;
      } else if (letter == 'm' && value.size() == 1 && value[0] >= '0' && value[0] <= '5') {
        command.level = value[0] - '0';
      } else {
        error = "unknown or incomplete switch " + arg;
        return false;
      }
      continue;
    }
    if (!haveMode) {
      const std::string word = arg.size() == 1 ? std::string(1, Lower(arg[0])) : arg;
      if (word == "a") command.mode = Mode::Add;
      else if (word == "m") command.mode = Mode::Move;
      else if (word == "f") command.mode = Mode::Freshen;
      else if (word == "u") command.mode = Mode::Update;
      else {
        error = "unknown command " + arg;
        return false;
      }
      haveMode = true;
    } else if (command.archive.empty()) {
      command.archive = arg;
    } else if (arg.size() > 1 && arg[0] == '@') {
      command.listFiles.push_back(arg.substr(1));
    } else {
      command.items.push_back(arg);
    }
  }
  if (!haveMode) {
    error = "no command given";
    return false;
  }
  if (command.archive.empty()) {
    error = "no archive name given";
    return false;
  }
  return true;
}

std::vector<std::string> ListFileItems(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

ExistingArchive ReadExisting(zipformat::IByteSource& source) {
  ExistingArchive archive;
  aceformat::AceReader reader(source);
  const aceformat::AceStatus opened = reader.Open();
  if (opened != aceformat::AceStatus::Ok) {
    archive.state = opened == aceformat::AceStatus::NotAce ? ExistingState::NotAce : ExistingState::Damaged;
    return archive;
  }
  if (reader.Main().MultiVolume()) {
    archive.state = ExistingState::MultiVolume;
    return archive;
  }
  if (reader.Main().flags & aceformat::kMainLocked) {
    archive.state = ExistingState::Locked;
    return archive;
  }
  aceformat::FileEntry entry;
  aceformat::AceStatus status;
  while ((status = reader.Next(entry)) == aceformat::AceStatus::Ok) {
    if (entry.ContinuedFrom() || entry.ContinuedIn()) {
      archive.state = ExistingState::MultiVolume;
      return archive;
    }
    ExistingEntry existing;
    existing.rawHeader.resize(static_cast<size_t>(entry.dataOffset - entry.headerOffset));
    if (source.ReadAt(entry.headerOffset, existing.rawHeader.data(), existing.rawHeader.size()) !=
        existing.rawHeader.size()) {
      archive.state = ExistingState::Damaged;
      return archive;
    }
    existing.header = entry;
    archive.entries.push_back(std::move(existing));
  }
  if (status != aceformat::AceStatus::End) archive.state = ExistingState::Damaged;
  return archive;
}

std::vector<PlanStep> PlanUpdate(Mode mode, const std::vector<ExistingEntry>& existing,
                                 const std::vector<NewItem>& items, const NameKey& key) {
  std::unordered_map<std::string, size_t> byName;
  for (size_t i = 0; i < items.size(); ++i) byName.emplace(key(items[i].name), i);
  std::vector<PlanStep> steps;
  std::vector<bool> placed(items.size(), false);
  for (size_t e = 0; e < existing.size(); ++e) {
    const auto found = byName.find(key(existing[e].header.name));
    if (found == byName.end() || placed[found->second]) {
      steps.push_back({true, e});
      continue;
    }
    const size_t match = found->second;
    placed[match] = true;
    const bool replace =
        mode == Mode::Add || mode == Mode::Move || items[match].dosTime > existing[e].header.dosTime;
    steps.push_back({!replace, replace ? match : e});
  }
  if (mode == Mode::Freshen) return steps;
  for (size_t i = 0; i < items.size(); ++i)
    if (!placed[i] && byName[key(items[i].name)] == i) steps.push_back({false, i});
  return steps;
}

}  // namespace acexe
