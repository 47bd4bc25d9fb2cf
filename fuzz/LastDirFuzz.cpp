// last.dir over any bytes (per-drive "C:\=C:\Work" lines, then the current drive), read at start
// and written at close over an in-memory volume with ready, removable and unready drives:
// the pane always ends in a folder that exists, on its own drive, remembered under that drive;
// a second start from what the first close wrote opens the same folder with the same drive
// memory; and its close writes the same bytes again.
#include "app/Startup.h"
#include "fuzz/FuzzInput.h"
#include "tests/native/FakeVolume.h"

namespace quill::fuzz {
namespace {

using test::TFakeVolume;

const TProgramFiles kFiles{"C:\\Quill\\"};
const TLatin1CodePage kCodePage;

void MakeVolume(TFakeVolume& fs) {
  fs.AddDrive('D', kDriveCdRom, "DISC");
  fs.AddDrive('E', kDriveRemovable, "STICK");
  fs.AddDrive('F', kDriveFixed, "DATA");
  fs.AddDrive('G', kDriveCdRom, "", false);
  fs.MakeFolder("C:\\Quill");
  fs.MakeFolder("C:\\Work");
  fs.MakeFolder("C:\\Work\\Src");
  fs.MakeFolder("C:\\Caf\xC3\xA9");
  fs.MakeFolder("C:\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0");
  fs.MakeFolder("D:\\Disc");
  fs.MakeFolder("E:\\Photos");
  fs.MakeFolder("F:\\Remembered");
  fs.MakeFile("C:\\Work\\a.txt");
}

struct TRun {
  std::string folder, drive;
  std::vector<std::string> memory;
  std::string lastDir;  // the bytes its close wrote
};

TRun StartAndClose(TFakeVolume& fs, TIniFile& ini, bool startDir, std::string_view argument) {
  TQuillView view(fs, kCodePage);
  RestoreFolder(view, ini, fs, kCodePage, kFiles, argument);
  const std::string folder = view.Folder();
  Require(fs.DirectoryExists(folder), "the pane opens a folder that exists", folder);
  Require(view.Drive() == DrivePart(folder), "the drive is the folder's", folder);
  // The start folder is shown before last.dir is loaded, so only a folder reached otherwise is
  // sure to be in the drive memory.
  if (!startDir || (!argument.empty() && fs.DirectoryExists(std::string(argument))))
    Require(TQuillView::LineValue(view.DriveMemory(), view.Drive() + "\\") == folder,
            "the folder is remembered for its drive", folder);
  SaveOnClose(ini, {}, view, {}, fs, kCodePage, kFiles);
  std::string bytes;
  Require(fs.ReadAll(kFiles.LastDir(), bytes), "close writes last.dir");
  return {folder, view.Drive(), view.DriveMemory(), bytes};
}

void Check(TFuzzInput& input) {
  TFakeVolume fs;
  MakeVolume(fs);
  FuzzedDataProvider& ops = input.Ops();
  // The settings that decide whether last.dir is used, and a folder argument, from the script.
  const bool startDir = ops.ConsumeIntegralInRange(0, 3) == 0;
  const char* const folders[] = {"C:\\Work\\Src", "E:\\Photos", "C:\\Missing", "F:\\Remembered"};
  const std::string start = folders[ops.ConsumeIntegralInRange(0, 3)];
  const std::string argument = ops.ConsumeIntegralInRange(0, 3) == 0 ? folders[ops.ConsumeIntegralInRange(0, 3)] : "";
  fs.WriteText(kFiles.Settings(), "[Option]\r\nStartDir=" + std::string(startDir ? "1" : "0") + "\r\nStart=" + start + "\r\n");
  fs.WriteText(kFiles.LastDir(), input.File());
  TIniFile ini(fs, kCodePage, kFiles.Settings());

  const TRun first = StartAndClose(fs, ini, startDir, argument);
  const TRun second = StartAndClose(fs, ini, startDir, "");
  // With StartDir a run started with a folder argument is followed by one in the start folder
  // (or at C:\ when that is gone, which the drive memory then records).
  if (startDir && !argument.empty() && fs.DirectoryExists(argument)) return;
  Require(second.memory == first.memory, "a second start has the same drive memory", first.lastDir + "|" + second.lastDir);
  Require(second.folder == first.folder, "a second start opens the folder the first closed in", second.folder);
  Require(second.lastDir == first.lastDir, "a second close writes the same last.dir", second.lastDir);
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}
