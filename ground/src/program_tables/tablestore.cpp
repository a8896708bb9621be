// Storage of the table store's blocks.
#include "ground/tablestore.h"

alignas(8) uint8_t ladder_bl[kLadderCap];
alignas(8) uint8_t io_config_bl[kIoConfigCap];
alignas(8) uint8_t net_config_bl[kNetConfigCap];
alignas(8) uint8_t vtn_pgm_bl[kVtnPgmCap];
alignas(8) uint8_t string_table_bl[kStringTableCap];
alignas(8) uint8_t bmp_table[kBmpTableCap];
alignas(8) uint8_t rom_map_tbl[kBmpMapCap];
alignas(8) uint8_t ram_map_tbl[kBmpMapCap];
alignas(8) uint8_t text_table_bl[kTextTableCap];
alignas(8) uint8_t font_table_bl[kFontTableCap];
alignas(8) uint8_t promgr_table_bl[kPromgrTableCap];
alignas(8) uint8_t sms_table_bl[kSmsTableCap];
alignas(8) uint8_t datalog_table[kDatalogTableCap];
alignas(8) uint8_t flash_parm_tbl[kFlashParmCap];
alignas(8) uint8_t copendnet_tbl[kCopendnetCap];
alignas(8) uint8_t report_table[kReportTableCap];
alignas(8) uint8_t recipe_tbl[kRecipeTableCap];
alignas(8) uint8_t ladder_olp[kLadderOlpCap];
alignas(8) uint8_t login_tbl[kLoginTableCap];
alignas(8) uint8_t mqtt_tbl[kMqttTableCap];
alignas(8) uint8_t tinyImage[kTinyImageCap];
alignas(8) uint8_t io_force[kIoForceCap];

uint8_t Cmd_SS_Info[kSsInfoSize];
uint16_t ss_info_crc;
uint32_t ss_info_size;

void SYS_BlockErase(void* block, uint32_t length) {
  std::memset(block, 0xFF, length < 1024 ? length : 1024);
}

void SYS_FlashWrite(const void* source, void* destination, uint32_t words) {
  std::memcpy(destination, source, std::size_t(words) * 2);
}

void nv_write(void* destination, const void* source, uint32_t length) {
  // The flash is written in 16-bit words. The pad byte goes straight into the
  // destination rather than past the end of the caller's source buffer.
  SYS_FlashWrite(source, destination, length / 2);
  if (length & 1) {
    auto* d = static_cast<uint8_t*>(destination) + (length - 1);
    d[0] = static_cast<const uint8_t*>(source)[length - 1];
    d[1] = 0xFF;
  }
}
