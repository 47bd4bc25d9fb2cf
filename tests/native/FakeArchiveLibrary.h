// A scripted archive library and a fixture around the reader that drives it, for the readers
// that list and extract through an archiver's library.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "archive/LibraryArchive.h"
#include "operations/Progress.h"
#include "tests/native/FakeVolume.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/native/StringTableFile.h"

namespace quill::test {

// 2024-02-29 13:14:16 as a DOS date and time.
constexpr uint32_t kDosTime = (((44u << 9) | (2u << 5) | 29u) << 16) | ((13u << 11) | (14u << 5) | 8u);

// An archive library (UnRAR.dll, UnACE.dll) as a script: headers handed out in order, each ProcessFile recorded and answered
// from `results` (0 when none is left), the callbacks driven as the library would drive them.
class TFakeArchiveLibrary : public IArchiveLibrary {
public:
  bool Load() override {
    ++loads;
    loaded = !missing;
    return loaded;
  }
  void Free() override {
    ++frees;
    loaded = false;
  }
  int Open(const std::string& archive, int mode) override {
    opened = archive;
    openMode = mode;
    next = 0;
    return openResult;
  }
  int ReadHeader(TLibraryHeader& header) override {
    if (next >= headers.size()) return endCode;
    header = headers[next++];
    return 0;
  }
  int ProcessFile(int operation, const std::string& destination) override {
    calls.push_back(headers[next - 1].fileName + "=" + std::to_string(operation));
    lastDestination = destination;
    if (operation == kLibraryExtract && rar) {
      std::string volume = nextVolume;
      volumeAnswers.push_back(volumeCallback ? rar->ChangeVolume(volume, 0) : -1);
      dataAnswers.push_back(dataCallback ? rar->ProcessData(1000) : -1);
    }
    if (results.empty()) return 0;
    const int result = results.front();
    results.erase(results.begin());
    return result;
  }
  void SetCallbacks(TLibraryArchive& r, bool volume, bool data) override {
    rar = &r;
    volumeCallback = volume;
    dataCallback = data;
  }
  void SetPassword(const std::string& password) override { passwords.push_back(password); }
  void Close() override { ++closes; }

  static TLibraryHeader Header(std::string name, uint64_t size = 10, uint32_t flags = 0, uint32_t attributes = 0x20) {
    TLibraryHeader h;
    h.fileName = std::move(name);
    h.unpSize = size;
    h.packSize = size / 2;
    h.flags = flags;
    h.fileAttr = attributes;
    h.fileTime = kDosTime;
    return h;
  }

  bool missing = false, loaded = false, volumeCallback = false, dataCallback = false;
  int openResult = 0, endCode = 10, openMode = -1;
  int loads = 0, frees = 0, closes = 0;
  size_t next = 0;
  std::string opened, lastDestination;
  std::string nextVolume = "b.part2.rar";  // what the volume callback is asked for
  std::vector<TLibraryHeader> headers;
  std::vector<int> results;
  std::vector<std::string> calls, passwords;
  std::vector<int> volumeAnswers, dataAnswers;
  TLibraryArchive* rar = nullptr;
};

// A reader over the fake library on a fake volume, its questions, progress and archiver runs
// recorded.
template <typename TReader>
struct TLibraryFixture {
  TScriptedQuestions questions;
  TFakeVolume volume;
  TFakeArchiveLibrary library;
  TLatin1CodePage codePage;
  std::vector<std::string> progress;
  std::vector<std::pair<std::string, std::string>> runs;
  TReader rar{Services(), &library};

  TLibraryFixture() {
    volume.MakeFolder("C:\\Out");
    volume.MakeFolder("C:\\Temp");
    volume.MakeFile("C:\\a.rar");
    rar.OnProgress = [this](TArchive&, TProgressKind kind, uint64_t value, const std::string& name) {
      progress.push_back(std::to_string(kind) + ":" + std::to_string(value) + (name.empty() ? "" : ":" + name));
    };
  }
  TArchiveServices Services() {
    TArchiveServices s;
    s.questions = &questions;
    s.texts = TableText;
    s.fileSystem = &volume;
    s.codePage = &codePage;
    s.shortTempFolder = [] { return std::string("C:\\Temp\\"); };
    s.runAndWait = [this](const std::string& program, const std::string& parameters) {
      std::string list;
      volume.ReadAll("C:\\Temp\\quillTempFile.$$$", list);
      runs.push_back({program + parameters, list});
      return true;
    };
    return s;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const TAskedQuestion& q : questions.Asked())
      if (q.kind == TQuestionKind::Message) texts.push_back(q.caption + "|" + q.text);
    return texts;
  }
};

}  // namespace quill::test
