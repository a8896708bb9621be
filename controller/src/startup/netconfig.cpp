// The network set-up: SR31, SR61 and the network parameters from the network
// configuration, and the start of the network layer.
#include <algorithm>
#include <array>
#include <cstring>

#include "fieldbus/services.h"
#include "graphics/record_reader.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
#include "platform/trace.h"
#include "runctl_internal.h"

uint8_t NodeId_Flag = 0;

namespace {

constexpr uint32_t kSrNodeId = 29;
constexpr uint32_t kSrBaud = 30;
constexpr uint32_t kSrOptions = 31;
constexpr uint32_t kSrNetSize = 19;  // SR19-SR20: size of the network configuration
constexpr uint32_t kSrNodeSpan = 61;
constexpr uint8_t kParametersGiven = 0x80;
constexpr uint16_t kOptionBit = 0x02;

// The network parameters: ten bytes of the network configuration, the first of which
// is the baud entry. Without them the baud entry is 3 and the others 0.
constexpr std::size_t kParameterBytes = 10;
constexpr std::array<uint8_t, kParameterBytes> kDefaultParameters = {3};
// Everything this file keeps; the power-on reset puts back a fresh one.
struct NetState {
  std::array<uint8_t, kParameterBytes> parameters = kDefaultParameters;
  CanNetSetup setup;  // the network layer keeps the record it is handed
};
NetState net;

std::span<const uint8_t> NetworkTable() {
  const uint32_t size = std::min<uint32_t>(SrGet32(kSrNetSize), kNetConfigCap - kTableHeader);
  return {net_config_bl + kTableHeader, size};
}

}  // namespace

void runctl::ResetNetConfig() {
  net = NetState{};
  NodeId_Flag = 0;
}

void NetConfig() {
  plat::TraceCall("NetConfig");
  RecordReader rd(NetworkTable());
  uint8_t first = 0, second = 0;
  if (!rd.U8(first)) {
    SrSet(kSrNodeSpan, 1);
    SrSet(kSrOptions, 0);
  } else {
    rd.U8(second);
    SrSet(kSrNodeSpan, second != 0 ? second : 1);  // the first u16 is 256 or more
    SrSet(kSrOptions, first & ~kParametersGiven);
    std::span<const uint8_t> given;
    // A table too short for the parameters it announces counts as one without them.
    if ((first & kParametersGiven) && rd.Bytes(kParameterBytes, given)) {
      std::copy(given.begin(), given.end(), net.parameters.begin());
      if (net.parameters[0] != 0) Plc_NetInit();
      return;
    }
  }
  net.parameters = kDefaultParameters;
  Plc_NetInit();
}

void Plc_NetInit() {
  plat::TraceCall("Plc_NetInit");
  NodeId_Flag = 0;
  net.setup = CanNetSetup{
      .tick = &fpga_port,
      .tick_rate = 100,
      .baud = uint8_t(SrGet(kSrBaud)),
      .fixed_2 = 2,
      .fixed_3 = 3,
      .config_baud = net.parameters[0],
      .node_id = uint8_t(SrGet(kSrNodeId)),
      .node_span = uint8_t(SrGet(kSrNodeSpan)),
      .option = uint8_t((SrGet(kSrOptions) & kOptionBit) ? 1 : 0),
  };
  CANOpenInit(&net.setup);
  CANOpen_ClearStats = 1;
  candrv::_Can_SetEvent(0, 0, 0);
}
