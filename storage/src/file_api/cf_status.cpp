// The file layer's status numbers as the file API's codes.
#include <cstdio>

#include "cf_internal.h"
#include "fxe.h"
#include "storage/cf_status.h"

int CfResult = kCfDriveAbsent;
int CfState = kCfDriveAbsent;

namespace {
// The last drive a call worked on: an I/O error checks it again.
int g_last_drive = 0;
}  // namespace

int CfResultDecode(int fxe_status) {
  if (fxe_status >= 0 && fxe_status < int(kCfStatusTable.size())) return kCfStatusTable[std::size_t(fxe_status)];
  if (fxe_status == 137) return kCfInvalid;
  if (fxe_status == kFxeTooManyOpen) return MountDrive(g_last_drive, nullptr) ? kCfMediumError : kCfDriveAbsent;
  return kCfRefused;
}

int CfDecode(int fxe_status) {
  CfResult = fxe_status;
  return CfResultDecode(fxe_status);
}

int CfStateDecode(int state) {
  switch (state) {
    case 0: return kCfDriveAbsent;
    case 1: return 4;
    case 2: return 1;
    case kCfDriveBusy: return kCfDriveBusy;
    default: return kCfOk;
  }
}

CfMedia* CfDriveChk(int drive, const char* path, char* out) {
  int d = drive == 1 || drive == 2 ? drive : 0;
  const int letter = CfLetterLength(path);
  if (letter) {
    const char c = path[0];
    d = (c == 'B' || c == 'b') ? 1 : (c == 'Z' || c == 'z') ? 2 : 0;
    std::snprintf(out, kCfPathBytes, "%s", path);
  } else {
    static constexpr char kLetters[kCfDrives] = {'A', 'B', 'Z'};
    std::snprintf(out, kCfPathBytes, "%c:%s", kLetters[d], path);
  }
  g_last_drive = d;
  return CfMediaOf(d);
}
