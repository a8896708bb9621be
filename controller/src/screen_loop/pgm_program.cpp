// A new screen program: the screen table's check, its header and optional tables, and
// the page index.
#include <cstring>

#include "graphics/stills.h"
#include "graphics/text.h"
#include "ground/bbram.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/sr4.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "screenloop_internal.h"
#include "screens/services.h"
#include "storage/services.h"

const uint8_t* tPage[kPageTableEntries];
uint8_t PGM_UnicodePresent = 0;
uint8_t PGM_bShowAsterixForNodata = 0;
const uint8_t* pPGM_Strings = nullptr;
const uint8_t* pPGM_TextTbls = nullptr;
const uint8_t* pPGM_Bitmaps = nullptr;
const uint8_t* pPGM_Alarms = nullptr;
const uint8_t* pPGM_Video = nullptr;
const uint8_t* pPGM_Scap = nullptr;
const uint8_t* pPGM_Storage = nullptr;
const uint8_t* pPGM_Menu = nullptr;

namespace pgm {
namespace {

// Screen-table header fields.
constexpr uint32_t kOptionalMark = 0;  // must exceed 55 for the optional entries
constexpr uint32_t kHeaderLength = 8;
constexpr uint32_t kPageCount = 10;
constexpr uint32_t kFirstScreen = 12;
constexpr uint32_t kFlags = 14;
constexpr uint32_t kAlarmTable = 16;
constexpr uint32_t kFontIdentity = 20;
constexpr uint32_t kStringSetup = 24;
constexpr uint32_t kVideoTable = 32;
constexpr uint32_t kCaptureTable = 36;
constexpr uint32_t kStorageTable = 40;
constexpr uint32_t kSensitivity = 48;
constexpr uint32_t kMenuTable = 52;
constexpr uint16_t kFlagUnicode = 0x100;
constexpr uint16_t kFlagAsterisks = 0x200;
constexpr uint32_t kMinimumTable = 9;
constexpr uint32_t kPageHeaderBytes = 14;
constexpr uint16_t kLastPageIndex = kPageTableEntries - 2;  // stored at 1023
constexpr int kSystemPool = 1;

// The screen table's data as the block holds it, bounded by the block.
struct Table {
  const uint8_t* data;
  uint32_t size;
  uint32_t header;  // header length, bounded by the size

  uint16_t U16(uint32_t at) const {
    if (at + 2 > size) return 0;
    uint16_t v;
    std::memcpy(&v, data + at, 2);
    return v;
  }
  uint32_t U32(uint32_t at) const { return U16(at) | (uint32_t(U16(at + 2)) << 16); }
  // An optional header entry of four bytes at byte at, when the header covers it.
  bool HasOptional(uint32_t at) const { return U32(kOptionalMark) > 55 && header > at + 3; }
  // A table inside the screen table at the offset held at byte at, or null.
  const uint8_t* Sub(uint32_t at) const {
    if (!HasOptional(at)) return nullptr;
    const uint32_t offset = U32(at);
    return offset != 0 && offset < size ? data + offset : nullptr;
  }
};

Table ScreenTable() {
  const uint32_t cap = uint32_t(kVtnPgmCap - kTableHeader);
  const uint32_t size = BlockSize(vtn_pgm_bl) < cap ? BlockSize(vtn_pgm_bl) : cap;
  Table t{vtn_pgm, size, 0};
  t.header = t.U16(kHeaderLength);
  return t;
}

const uint8_t* DataOf(const uint8_t* block, std::size_t cap) {
  const uint32_t size = BlockSize(block);
  return size > 0 && size <= cap - kTableHeader ? block + kTableHeader : nullptr;
}

void LocateTables(const Table& t) {
  const uint16_t flags = t.U16(kFlags);
  PGM_UnicodePresent = (flags & kFlagUnicode) ? 1 : 0;
  PGM_bShowAsterixForNodata = (flags & kFlagAsterisks) ? 1 : 0;
  // The strings' first language segment begins behind the table's two leading words.
  const uint8_t* strings = DataOf(string_table_bl, kStringTableCap);
  pPGM_Strings = strings && BlockSize(string_table_bl) > 8 ? strings + 8 : nullptr;
  pPGM_TextTbls = DataOf(text_table_bl, kTextTableCap);
  pPGM_Bitmaps = DataOf(bmp_table, kBmpSlotCap);
  pPGM_Alarms = t.header > 19 ? t.Sub(kAlarmTable) : nullptr;
  pPGM_Video = t.Sub(kVideoTable);
  pPGM_Scap = t.Sub(kCaptureTable);
  pPGM_Storage = t.Sub(kStorageTable);
  pPGM_Menu = t.Sub(kMenuTable);

  // The downloaded fonts only when the screens were made for them.
  const uint8_t* fonts = DataOf(font_table_bl, kFontTableCap);
  uint32_t font_identity = 0;
  if (fonts && BlockSize(font_table_bl) >= 4) std::memcpy(&font_identity, fonts, 4);
  const bool fonts_match = fonts && t.header > 23 && t.U32(kFontIdentity) == font_identity;
  GDI_SetProgramFonts(fonts_match ? fonts : nullptr, fonts_match ? BlockSize(font_table_bl) : 0, PGM_UnicodePresent);
}

void StartServices(const Table& t) {
  SYS_InitBBR();
  SYS_ExpandBBR(OBJM_Init());
  SYS_ResetRCBs(kSystemPool);
  ALRM_Init();
  USRMGR_Init();
  if (t.header > 31)
    STR_Init(t.U32(kStringSetup), t.U32(kStringSetup + 4));
  else
    STR_Init(0, 1);
  SYS_InitTchSen(t.header > 51 ? t.U32(kSensitivity) : 0);
  VIDM_Init();
  CFM_Init();
}

// Every page in order, entered in the page table and scanned by the object manager.
// A page index past the table's end is skipped; a page scan that does not move forward
// inside the table ends the walk.
void IndexPages(const Table& t) {
  const uint8_t* end = t.data + t.size;
  const uint8_t* page = t.data + t.header;
  for (uint16_t i = 0, n = t.U16(kPageCount); i < n; ++i) {
    if (page < t.data || page + kPageHeaderBytes > end) break;
    uint16_t index;
    std::memcpy(&index, page, 2);
    if (index <= kLastPageIndex) tPage[index + 1] = page;
    const uint8_t* next = OBJM_ScanPage(pDisplayDC, page);
    if (next == nullptr || next <= page || next > end) break;
    page = next;
  }
}

// State 4: the set-up of a checked program.
void SetUp() {
  const Table t = ScreenTable();
  if (t.size < kMinimumTable) {
    Fault(kFaultNoUserScreens);
    return;
  }
  for (const uint8_t*& entry : tPage) entry = PGM_InvalidPage;
  LocateTables(t);
  StartServices(t);
  IndexPages(t);
  g.first_screen = uint16_t(t.U16(kFirstScreen) + 1);
  SYS_WriteSys(1, g.first_screen);
  if (g.first_screen == 0) {
    Fault(kFaultNoUserScreens);
    return;
  }
  PGM_state = kPgmRunning;
}

}  // namespace

void StartProgram() {
  if (PGM_state == kPgmAborted) {
    if (SrGet(4) & kSr4UserGraphics) {
      Fault(kFaultGraphicsInvalid);
    } else {
      PGM_state = kPgmNew;
    }
  } else if (PGM_state != kPgmNew && PGM_state != kPgmChecked) {
    Fault(kFaultGraphicsInvalid);
  }
  if (PGM_state == kPgmNew) {
    SYS_ClearCmd();
    if (BlockSize(vtn_pgm_bl) == 0) {
      SrSet(4, SrGet(4) | kSr4UserGraphics);
      Fault(kFaultGraphicsInvalid);
    } else {
      SrSet(4, SrGet(4) & uint16_t(~kSr4UserGraphics));
      PGM_state = kPgmChecked;
    }
  }
  if (PGM_state == kPgmChecked) SetUp();
  SYS_InitGFX();
  PAGE_mode = kModeReopen;
  KEY_Flush();
  KEY_FlushTouch();
}

}  // namespace pgm

const uint8_t* PGM_PageOf(uint32_t screen) {
  return screen < uint32_t(kPageTableEntries) && tPage[screen] ? tPage[screen] : PGM_InvalidPage;
}
