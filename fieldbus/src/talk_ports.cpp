// Who holds serial ports 0..3: the claims of system users and the talk records of the
// logic's open, close and Modbus blocks.
#include "talk_state.h"

#include <cstring>

#include "drivers/serial.h"
#include "fieldbus/services.h"
#include "ground/regimage.h"
#include "platform/trace.h"

namespace talk {

uint8_t TalkOverride[kPorts] = {};
}  // namespace talk
uint8_t TalkOpenedStandIn[4] = {};
namespace talk {
Record Talk[kPorts] = {};
uint8_t TalkModemProtect = 0;

bool FirstScan() { return plc_reg[reg::kOffS] & 1; }

uint8_t Framing(int port) {
  const VcommDriver& row = Vcomm_Drv[port];
  return row.mode ? row.mode[5] & 0x0F : 0;
}

bool UserFraming(int port) { return Framing(port) >= (TalkOpenedStandIn[port] ? 1 : 2); }

}  // namespace talk

using namespace talk;

int Talk_Override(int port) {
  plat::TraceCall("Talk_Override", port);
  if (port < 0 || port >= kPorts || TalkOverride[port]) return 0;
  TalkOverride[port] = 1;
  return 1;
}

void Talk_Release(int port) {
  plat::TraceCall("Talk_Release", port);
  if (port >= 0 && port < kPorts) TalkOverride[port] = 0;
}

int TalkOpened(int port) { return port >= 0 && port < kPorts ? TalkOpenedStandIn[port] : 0; }

void TalkClosed(int port) {
  plat::TraceCall("TalkClosed", port);
  if (port >= 0 && port < kPorts) TalkOpenedStandIn[port] = 0;
}

int TalkInit() {
  plat::TraceCall("TalkInit");
  // A modem connection on the programming port, made before this program start, lives
  // on: its function states are kept so that the first scan sees no enable edge.
  uint8_t modem[4] = {};
  const int pp = ProgrammingPort;
  const bool keep = pp >= 0 && pp < kPorts && SrGet(34) == kFramingProgram && Talk[pp].modem[3] &&
                    (Talk[pp].modem[1] || Talk[pp].modem[2]);
  if (keep) std::memcpy(modem, Talk[pp].modem, sizeof modem);
  for (Record& r : Talk) r = Record{};
  for (uint8_t& opened : TalkOpenedStandIn) opened = 0;
  TalkModemProtect = keep;
  if (keep) std::memcpy(Talk[pp].modem, modem, sizeof modem);
  return 0;
}

void Talk_ReopenNetwork(int port) {
  plat::TraceCall("Talk_ReopenNetwork", port);
  if (port >= 0 && port < kPorts && Vcomm_Drv[port].open) Vcomm_Drv[port].open(velan_mode);
}
