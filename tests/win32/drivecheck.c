/* Reports whether Wine's mount manager already serves the test drives the way the tests expect.
 *
 * run-under-wine starts this before the real program: right after a prefix comes up, the mount
 * manager may not have applied the drive types from the registry yet, and every drive then reads
 * as a fixed disk. Asking the same APIs the program will ask is the only reliable readiness test.
 *
 * Usage: drivecheck X:TYPE[:LABEL[:SERIAL]]...   TYPE is fixed, cdrom or removable; SERIAL is hex.
 * Prints one line per drive and exits 0 when every drive matches, 1 when one does not yet, 2 on a
 * usage error. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static UINT TypeOf(const char* name) {
  if (strcmp(name, "fixed") == 0) return DRIVE_FIXED;
  if (strcmp(name, "cdrom") == 0) return DRIVE_CDROM;
  if (strcmp(name, "removable") == 0) return DRIVE_REMOVABLE;
  return DRIVE_UNKNOWN;
}

static const char* NameOf(UINT type) {
  switch (type) {
    case DRIVE_FIXED: return "fixed";
    case DRIVE_CDROM: return "cdrom";
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_REMOTE: return "remote";
    case DRIVE_RAMDISK: return "ramdisk";
    case DRIVE_NO_ROOT_DIR: return "none";
    default: return "unknown";
  }
}

/* Returns 1 when the drive matches "X:TYPE[:LABEL[:SERIAL]]", 0 when not, -1 on a malformed argument. */
static int CheckDrive(const char* wanted) {
  char buffer[256];
  if (strlen(wanted) >= sizeof buffer || strlen(wanted) < 3 || wanted[1] != ':') return -1;
  strcpy(buffer, wanted);
  char* wantType = buffer + 2;
  char* wantLabel = strchr(wantType, ':');
  if (wantLabel) *wantLabel++ = '\0';
  char* wantSerial = wantLabel ? strchr(wantLabel, ':') : NULL;
  if (wantSerial) *wantSerial++ = '\0';
  const UINT expectedType = TypeOf(wantType);
  if (expectedType == DRIVE_UNKNOWN) return -1;

  char root[4] = {buffer[0], ':', '\\', '\0'};
  const UINT type = GetDriveTypeA(root);
  char label[MAX_PATH + 1] = "";
  DWORD serial = 0;
  /* Keep a missing medium from raising a dialog. */
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const BOOL haveVolume = GetVolumeInformationA(root, label, sizeof label, &serial, NULL, NULL, NULL, 0);
  SetErrorMode(oldMode);

  int ok = type == expectedType;
  if (wantLabel && (!haveVolume || strcmp(label, wantLabel) != 0)) ok = 0;
  if (wantSerial && (!haveVolume || serial != strtoul(wantSerial, NULL, 16))) ok = 0;
  printf("%c: type=%s label=%s serial=%08lX %s\n", buffer[0], NameOf(type), haveVolume ? label : "(none)",
         (unsigned long)serial, ok ? "ok" : "not yet");
  return ok;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: drivecheck X:TYPE[:LABEL[:SERIAL]]...\n");
    return 2;
  }
  int allMatch = 1;
  for (int i = 1; i < argc; ++i) {
    const int result = CheckDrive(argv[i]);
    if (result < 0) {
      fprintf(stderr, "drivecheck: bad drive argument %s\n", argv[i]);
      return 2;
    }
    if (!result) allMatch = 0;
  }
  fflush(stdout);
  return allMatch ? 0 : 1;
}
