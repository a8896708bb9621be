// The main thread steps the state machine without the web server's mutex: the loop must
// never wait on the web-server thread, and each state field is a single byte that one
// side writes per transition.
#include "webstart.h"

#include "iec_runtime/services.h"
#include "controller/download.h"
#include "controller/screenloop.h"
#include "net/services.h"
#include "web/services.h"

uint8_t WebStartPasses = 0;
uint8_t WebRestartAfterDownload = 0;

namespace {

constexpr uint8_t kPassesBeforeStart = 100;

enum : uint8_t { kStopRequested = 0, kStopped = 1, kStartRequested = 2, kCreated = 3, kRunning = 4 };

// An IEC application with enumerated variables coming in stops the server while its
// variables change under it.
bool IecVariablesDownloading() { return Cmd_Downloading && orvanel_variables_enumerateded; }

void StepStartStateMachine() {
  quorv_check_ftp_state();
  if (IecVariablesDownloading()) {
    // Only a thread can honour a stop; the start follows the download.
    if (QuorvServerState == kCreated || QuorvServerState == kRunning) {
      QuorvServerState = kStopRequested;
      WebRestartAfterDownload = 1;
    }
    return;
  }
  // A stop asked for while no thread runs (by the upload watcher or the network side) is
  // already done: the server is stopped, and a later start is not barred.
  if (QuorvServerState == kStopRequested && !QuorvThreadCreated) QuorvServerState = kStopped;
  if (QuorvServerState == kStopped && WebRestartAfterDownload) {
    WebRestartAfterDownload = 0;
    QuorvServerState = kStartRequested;
  }
  switch (QuorvServerState) {
    case kRunning:
      if (QuorvUpdateNewIp == 1) QuorvServerState = kStopRequested;
      break;
    case kStopped:
      // A new address waits while an upload replaces the web root: the end of the upload
      // starts the server, and the address is taken up after that.
      if (QuorvUpdateNewIp == 1 && !QuorvFtping) {
        QuorvUpdateNewIp = 0;
        QuorvServerState = kStartRequested;
      }
      break;
    case kStartRequested:
      // The call marks the thread created and the state 3 itself, before the thread can
      // move the state on.
      if (!QuorvFtping && !QuorvThreadCreated) quorv_thread_create();
      break;
    default:
      break;
  }
}

}  // namespace

void WebStartAfterPass() {
  if (PGM_state == 1) QuorvHttp = 1;  // a fault screen: the web server serves HTTP
  if (WebStartPasses <= kPassesBeforeStart) {
    if (!Cmd_Downloading) ++WebStartPasses;
    return;
  }
  if (QuorvHttp) StepStartStateMachine();
}
