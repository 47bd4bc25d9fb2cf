// TIniFile over any file bytes and any script of writes, deletes, erases, flushes, failing writes
// and rewrites of the file by another program. Checked:
//  - reads see every change at once;
//  - after a flush that writes, a fresh reader of the stored bytes sees exactly what the writer
//    holds, and every key the script wrote, deleted or erased reads as the script left it;
//  - keys the script did not touch keep the values the file had just before the flush, also when
//    another program rewrote it in between;
//  - a failed write leaves the stored file alone and keeps the changes for the next flush.
// Written names and values are the kind the program writes: keys are names that cannot be taken
// for a comment or a section, and values are on one line without surrounding blanks (the reader
// trims them).
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "base/IniFile.h"
#include "fuzz/FuzzInput.h"
#include "tests/native/MemoryFileStore.h"

namespace quill::fuzz {
namespace {

const std::string kPath = "C:\\Quill\\quill.ini";
constexpr const char* kAbsent = "\x01(absent)";

std::string Unquoted(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) return v.substr(1, v.size() - 2);
  return v;
}

class TIniScript {
public:
  explicit TIniScript(TFuzzInput& input) : ops_(input.Ops()) {
    store_.files[kPath] = input.File();
    Open();
  }

  void Run() {
    for (int step = 0; step < 48 && ops_.remaining_bytes() > 0; ++step) {
      switch (ops_.ConsumeIntegralInRange(0, 9)) {
        case 0: case 1: Write(); break;
        case 2: WriteNumber(); break;
        case 3: Delete(); break;
        case 4: Erase(); break;
        case 5: FlushAndCheck(); break;
        case 6: FailingFlush(); break;
        case 7: OtherProgramWrites(); break;
        case 8: Open(); break;  // a new start; unflushed changes are lost, as on a crash
        case 9: CheckMemory(); break;
      }
    }
    FlushAndCheck();
  }

private:
  // What the script left a key as, since the last flush that wrote. `sure` when the change showed
  // in the reads: a write of the value the reader already had may not count as a change, and then
  // the file's own value wins when another program changed the file meanwhile.
  struct TKeyState {
    std::string section, key;
    std::optional<std::string> value;
    bool sure = false;
  };
  using TKeyName = std::pair<std::string, std::string>;  // upper-cased section and key

  void Open() {
    ini_ = std::make_unique<TIniFile>(store_, codePage_, kPath);
    touched_.clear();
    erased_.clear();
    otherWrote_ = false;
  }

  std::string Section() {
    std::string name;
    if (ops_.ConsumeBool()) name = Pick(ops_, ini_->Sections());
    else name = Trim(OneLineText(ops_.ConsumeRandomLengthString(24)));
    if (ops_.ConsumeBool()) name = LowerAscii(name);
    return name;
  }

  std::string Key(const std::string& section) {
    std::string key;
    if (ops_.ConsumeBool()) {
      key = Pick(ops_, ini_->ReadSection(section));
    } else {
      key = OneLineText(ops_.ConsumeRandomLengthString(16));
      std::erase(key, '=');
      key = Trim(key);
    }
    if (ops_.ConsumeBool()) key = UpperAscii(key);
    if (key.empty() || key.front() == ';' || key.front() == '[') key.insert(0, "K");
    return key;
  }

  void Note(const std::string& section, const std::string& key, std::optional<std::string> value, bool changed) {
    const TKeyName name{UpperAscii(section), UpperAscii(key)};
    auto it = touched_.find(name);
    if (it == touched_.end()) {
      touched_[name] = {section, key, std::move(value), changed};
    } else {
      it->second.value = std::move(value);
      it->second.sure = it->second.sure || changed;
    }
  }

  bool Changes(const std::string& section, const std::string& key, const std::function<void()>& op) {
    const bool existed = ini_->ValueExists(section, key);
    const std::string before = ini_->ReadString(section, key, kAbsent);
    op();
    return existed != ini_->ValueExists(section, key) || before != ini_->ReadString(section, key, kAbsent);
  }

  void Write() {
    const std::string section = Section(), key = Key(section);
    const std::string value = Trim(OneLineText(ops_.ConsumeRandomLengthString(64)));
    const bool changed = Changes(section, key, [&] { ini_->WriteString(section, key, value); });
    Require(ini_->ValueExists(section, key), "a written key exists", key);
    Require(ini_->ReadString(section, key, kAbsent) == Unquoted(value), "a write reads back at once", value);
    Note(section, key, value, changed);
  }

  void WriteNumber() {
    const std::string section = Section(), key = Key(section);
    const int32_t number = ops_.ConsumeIntegral<int32_t>();
    const bool asBool = ops_.ConsumeBool();
    const bool changed = Changes(section, key, [&] {
      if (asBool) ini_->WriteBool(section, key, number & 1);
      else ini_->WriteInteger(section, key, number);
    });
    if (asBool) Require(ini_->ReadBool(section, key, !(number & 1)) == bool(number & 1), "a Boolean reads back");
    else Require(ini_->ReadInteger(section, key, ~number) == number, "an integer reads back", key);
    Note(section, key, ini_->ReadString(section, key, kAbsent), changed);
  }

  void Delete() {
    const std::string section = Section(), key = Key(section);
    const bool changed = Changes(section, key, [&] { ini_->DeleteKey(section, key); });
    Require(!ini_->ValueExists(section, key), "a deleted key is gone", key);
    Note(section, key, std::nullopt, changed);
  }

  void Erase() {
    const std::string section = Section();
    const bool existed = !ini_->ReadSection(section).empty() || HasSection(*ini_, section);
    ini_->EraseSection(section);
    Require(!HasSection(*ini_, section) && ini_->ReadSection(section).empty(), "an erased section is gone", section);
    bool& sure = erased_[UpperAscii(section)];
    sure = sure || existed;
    for (auto& [name, state] : touched_)
      if (name.first == UpperAscii(section)) state.value.reset();
  }

  static bool HasSection(const TIniFile& ini, const std::string& section) {
    for (const std::string& s : ini.Sections())
      if (SameTextAscii(s, section)) return true;
    return false;
  }

  void OtherProgramWrites() {
    if (ops_.ConsumeIntegralInRange(0, 7) == 0) store_.files.erase(kPath);
    else store_.files[kPath] = ops_.ConsumeRandomLengthString(256);
    otherWrote_ = true;
  }

  void FailingFlush() {
    const bool modified = ini_->Modified();
    const auto before = store_.files;
    store_.failWrites = 112;
    const uint32_t error = ini_->Flush();
    store_.failWrites = 0;
    Require(error == (modified ? 112u : 0u), "a failed write reports the store's error");
    Require(store_.files == before, "a failed write leaves the file alone");
    Require(ini_->Modified() == modified, "a failed write keeps the changes for the next flush");
    CheckMemory();
  }

  // Every touched key reads in memory as the script left it.
  void CheckMemory() {
    for (const auto& [name, state] : touched_) {
      if (!state.sure && otherWrote_) continue;  // a failed flush may have taken the file's value
      if (state.value) {
        Require(ini_->ReadString(state.section, state.key, kAbsent) == Unquoted(*state.value), "reads see the latest write",
                state.key);
      } else {
        Require(!ini_->ValueExists(state.section, state.key), "reads see the latest delete", state.key);
      }
    }
  }

  void FlushAndCheck() {
    std::unique_ptr<TIniFile> before;  // the file as another program left it, if it is there
    TMemoryFileStore snapshot;
    snapshot.files = store_.files;
    if (store_.files.count(kPath)) before = std::make_unique<TIniFile>(snapshot, codePage_, kPath);
    const bool modified = ini_->Modified();
    const auto bytesBefore = store_.files;
    Require(ini_->Flush() == 0, "a flush into a working store succeeds");
    Require(!ini_->Modified(), "nothing is left to flush");
    if (!modified) {
      Require(store_.files == bytesBefore, "a flush without changes writes nothing");
      return;
    }
    const TIniFile fresh(store_, codePage_, kPath);
    SameContents(*ini_, fresh);
    for (const auto& [name, state] : touched_) {
      if (!state.sure && otherWrote_) continue;
      if (state.value) {
        Require(fresh.ReadString(state.section, state.key, kAbsent) == Unquoted(*state.value), "a written key survives the flush",
                state.key);
      } else {
        Require(!fresh.ValueExists(state.section, state.key), "a deleted key stays deleted after the flush", state.key);
      }
    }
    for (const auto& [section, sure] : erased_) {
      if (!sure && otherWrote_) continue;
      for (const std::string& key : fresh.ReadSection(section)) {
        auto it = touched_.find({section, UpperAscii(key)});
        Require(it != touched_.end() && it->second.value, "an erased section holds only keys written after", key);
      }
    }
    if (before) {
      for (const std::string& section : before->Sections()) {
        if (erased_.count(UpperAscii(section))) continue;
        for (const std::string& key : before->ReadSection(section)) {
          if (touched_.count({UpperAscii(section), UpperAscii(key)})) continue;
          Require(fresh.ReadString(section, key, kAbsent) == before->ReadString(section, key, kAbsent),
                  "a key nobody touched keeps the file's value", key);
        }
      }
    }
    touched_.clear();
    erased_.clear();
    otherWrote_ = false;
  }

  static void SameContents(const TIniFile& a, const TIniFile& b) {
    Require(a.Sections() == b.Sections(), "the flushed file has the writer's sections");
    for (const std::string& section : a.Sections()) {
      const std::vector<std::string> keys = a.ReadSection(section);
      Require(keys == b.ReadSection(section), "the flushed file has the writer's keys", section);
      for (const std::string& key : keys)
        Require(a.ReadString(section, key, kAbsent) == b.ReadString(section, key, kAbsent),
                "the flushed file has the writer's values", key);
    }
  }

  FuzzedDataProvider& ops_;
  TMemoryFileStore store_;
  TLatin1CodePage codePage_;
  std::unique_ptr<TIniFile> ini_;
  std::map<TKeyName, TKeyState> touched_;
  std::map<std::string, bool> erased_;  // upper-cased section -> the erase showed in the reads
  bool otherWrote_ = false;             // another program changed the file since the last write
};

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::TIniScript script(input);
  script.Run();
  return 0;
}
