#include "archivers/rar/RarCommand.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace rarexe {

namespace {

bool Digits(const std::string& text) {
  return !text.empty() && text.size() <= 12 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An item's time against its entry's, at the entry's precision.
bool Newer(const NewEntry& item, const ExistingEntry& entry) {
  if (!entry.wholeSeconds) return item.modified > entry.modified;
  return item.modified / 10000000ull > entry.modified / 10000000ull;
}

}  // namespace

bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error) {
  command = Command{};
  bool haveMode = false, switchesEnded = false;
  for (const std::string& arg : args) {
    if (!switchesEnded && arg == "--") {
      switchesEnded = true;
      continue;
    }
    if (!switchesEnded && arg.size() > 1 && arg[0] == '-') {
      const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(arg[1])));
      const std::string value = arg.substr(2);
      if (letter == 'r' && value.empty()) {
        command.recurse = true;
      } else if (letter == 'y' && value.empty()) {
        command.yes = true;
      } else if (letter == 'v' && Digits(value) && std::stoull(value) > 0) {
        command.volumeSize = std::stoull(value) * 1000;
      } else if (letter == 'p' && !value.empty()) {
        command.password = value;
      } else if (letter == 'm' && value.size() == 1 && value[0] >= '0' && value[0] <= '5') {
        command.level = value[0] - '0';
      } else {
        error = "unknown or incomplete switch " + arg;
        return false;
      }
      continue;
    }
    if (!haveMode) {
      const std::string word = arg.size() == 1 ? std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(arg[0])))) : arg;
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

std::string VolumeName(const std::string& archive, unsigned index, unsigned count) {
  std::string base = archive;
  const size_t slash = base.find_last_of("\\/");
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
  const std::string number = std::to_string(index + 1);
  const size_t width = std::to_string(std::max(count, 1u)).size();
  return base + ".part" + std::string(width > number.size() ? width - number.size() : 0, '0') + number + ".rar";
}

std::vector<PlanStep> PlanUpdate(Mode mode, const std::vector<ExistingEntry>& existing,
                                 const std::vector<NewEntry>& items, const NameKey& key) {
  std::unordered_map<std::string, size_t> byName;
  for (size_t i = 0; i < items.size(); ++i) byName.emplace(key(items[i].name), i);
  std::vector<PlanStep> steps;
  std::vector<bool> placed(items.size(), false);
  for (size_t e = 0; e < existing.size(); ++e) {
    const auto found = byName.find(key(existing[e].name));
    if (found == byName.end() || placed[found->second]) {
      steps.push_back({true, e});
      continue;
    }
    const size_t match = found->second;
    placed[match] = true;
    const bool replace = mode == Mode::Add || mode == Mode::Move || Newer(items[match], existing[e]);
    steps.push_back({!replace, replace ? match : e});
  }
  if (mode == Mode::Freshen) return steps;
  for (size_t i = 0; i < items.size(); ++i)
    if (!placed[i]) steps.push_back({false, i});
  return steps;
}

}  // namespace rarexe
