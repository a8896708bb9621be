// Commands of the panel's identity: firmware version (8), node id (9, 10).
#include "cmd_handlers.h"
#include "cmd_server.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"

void get_version() {
  const uint16_t model = SrGet(37);
  const uint16_t version = SrGet(38);
  if (model <= 254) {
    const uint8_t reply[3] = {uint8_t(model), uint8_t(version / 100), uint8_t(version % 100)};
    put_packet(kDataFrame, sizeof reply, reply);
  } else {
    const uint8_t reply[5] = {0xFF, uint8_t(version / 100), uint8_t(version % 100), uint8_t(model),
                              uint8_t(model >> 8)};
    put_packet(kDataFrame, sizeof reply, reply);
  }
  CmdDone();
}

void get_local_id() {
  const uint8_t id = CmdLocalId();
  put_packet(kDataFrame, 1, &id);
  CmdDone();
}

void set_local_id() {
  const uint8_t id = uint8_t(CmdField(0, 1));
  if (id >= 1 && id <= 127 && id != CmdLocalId()) {
    if (Vcomm_Mode == 0) Vcomm_ModeSet(1, CmdHost, 0, id);
    const uint16_t value = id;
    PlcReg_Set(reg::SrToken(29), &value, 16);
  }
  cmdio::putbyte(kAck);
  CmdDone();
}
