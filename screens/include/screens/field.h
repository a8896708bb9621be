#pragma once
// Data fields: the formatter turns a register value into the fixed-width text a field
// shows, the editor turns the operator's key codes into a new value. Both work on the
// field context, which the owning object embeds and fills (kind, format flags, width,
// decimals, minimum, maximum, the two extra words, the text and table pointers) before
// the first call. Neither reads nor writes a register: the caller reads the register,
// formats, and on an accepted edit writes the value the editor hands back.
//
// Main thread only (the screen loop); a time-slice pass never edits. Nothing allocates.
//
// Text buffers: a text kind's buffer holds width bytes (its width counts the NUL); every
// other kind writes at most kFldTextMax characters and a NUL (16-bit characters for a
// wide enumeration).

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kFldTextMax = 40;

enum FldKind : uint8_t {
  kFldBinary = 0,
  kFldUnsigned = 1,
  kFldSigned = 2,
  kFldHex = 3,
  kFldReal = 4,
  kFldRealExp = 5,
  kFldText = 6,
  kFldEnum = 7,
  kFldMasked = 8,
  kFldTime = 9,
  kFldIp = 10,
  kFldSecTimer = 11,
  kFldBar = 13,
  kFldRecipe = 14,
  kFldLreal = 15,
  kFldText2 = 16,
  kFldText3 = 17,
};

// Format flags: leading zeros shown.
inline constexpr uint8_t kFldLeadingZeros = 0x80;

// Edit states.
enum FldState : uint8_t { kFldDisplay = 0, kFldEntered = 1, kFldTyping = 2, kFldCursor = 3, kFldSelecting = 4 };

// Editor results.
enum FldResult : uint16_t { kFldUnused = 0, kFldAccept = 1, kFldCancel = 2, kFldChanged = 3, kFldRefused = 4 };

// An enumeration table as the program carries it (at the field's extra 1 in the text
// tables): i16 mode, u16 count, then count entries {i32 value, u32 string}. Mode -1: the
// string words index the firmware's own strings; otherwise they are byte offsets into the
// program's strings. Every offset and count is checked against the sizes given here.
struct FldEnumTable {
  const uint8_t* table = nullptr;
  std::size_t table_size = 0;
  const uint8_t* strings = nullptr;
  std::size_t strings_size = 0;
};

struct FldContext {
  uint8_t kind = 0;
  uint8_t flags = 0;
  uint8_t width = 0;
  uint8_t decimals = 0;
  uint32_t minimum = 0;  // i32, u32 or f32 bits by kind
  uint32_t maximum = 0;
  uint32_t extra1 = 0;
  uint32_t extra2 = 0;
  char* text = nullptr;          // a wide enumeration writes uint16_t characters here
  const void* table = nullptr;   // weights; enumeration: FldEnumTable; date/time: unused
  int32_t weight = 0;            // edit: the weight of the digit under the cursor
  uint32_t value = 0;            // REAL: f32 bits; date/time: first two words
  uint32_t start = 0;            // date/time: third word
  uint8_t count_a = 0;
  uint8_t count_b = 0;
  uint8_t cursor = 0;            // 1-based
  uint8_t length = 0;
  uint8_t state = kFldDisplay;
  uint8_t point = 0;
  uint8_t last_key = 0;
  uint8_t tap = 0;               // 255 start afresh, 254 shift and caps ignored
  uint8_t wide = 0;
  uint8_t spare = 0;
  uint8_t no_data = 0;           // bit 0: the register has no valid data
  double lminimum = 0, lmaximum = 0, lvalue = 0, lstart = 0;
};

// Shown in every position of a field without data when set by the program (the screen
// loop sets it from the program).
extern uint8_t PGM_bShowAsterixForNodata;
// The time-zone sign of "sA:M" fields and its edit state, shared by all fields.
extern uint8_t timezoneAdvance;
extern uint8_t timezoneModField;
extern uint8_t timezonechanged;
extern uint8_t negativeValues;

// The digit weight tables: the count, then the weights from the units digit up.
extern const uint32_t power_2[33];
extern const uint32_t power_10[11];
extern const uint32_t power_16[9];
// The table of a kind (0, 1, 2, 3, 8, 10, 11), else nullptr.
const uint32_t* power_fld(uint8_t kind);

// Maps key in place by kind; 1 when it is a new key, 0 when it repeats the last one.
uint8_t KeyFilter(uint8_t& last_key, uint8_t& tap, uint8_t& key, uint8_t kind);

void FLD_NumUpdate(FldContext& f, uint32_t value, bool start_edit);
uint16_t FLD_NumEdit(FldContext& f, uint32_t* out, uint8_t key);
void FLD_FloatUpdate(FldContext& f, float value, bool start_edit);
uint16_t FLD_FloatEdit(FldContext& f, float* out, uint8_t key);
void FLD_LrealUpdate(FldContext& f, double value, bool start_edit);
uint16_t FLD_LrealEdit(FldContext& f, double* out, uint8_t key);
// The LREAL text of value into f.text (also the web server's variable formatter).
void LrealToStr(FldContext& f, double value, bool leading_zeros);
void FLD_TimeUpdate(FldContext& f, const uint16_t value[3], bool start_edit);
uint16_t FLD_TimeEdit(FldContext& f, uint16_t out[3], uint8_t key);
void FLD_SecTimeUpdate(FldContext& f, uint32_t value, bool start_edit);
uint16_t FLD_SecTimeEdit(FldContext& f, uint32_t* out, uint8_t key);
// Parses the edited text back into f.value.
void FLD_TimeConvert(FldContext& f);
void FLD_EnumUpdate(FldContext& f, uint32_t value, bool start_edit);
uint16_t FLD_EnumEdit(FldContext& f, uint32_t* out, uint8_t key);
void FLD_IPUpdate(FldContext& f, uint32_t value, bool start_edit);
uint16_t FLD_IPEdit(FldContext& f, uint32_t* out, uint8_t key);
void FLD_LitUpdate(FldContext& f, bool start_edit);
uint16_t FLD_LitEdit(FldContext& f, uint8_t key);
void FLD_BarUpdate(FldContext& f, uint32_t value, bool start_edit);
uint16_t FLD_BarEdit(FldContext& f, uint32_t* out, uint8_t key);

// The firmware strings that enumerations of mode -1 index (the system screens own them).
void FLD_SetFirmwareStrings(const char* const* strings, std::size_t count);

// The key filter's shift and caps and the time-zone edit flags back to power-on.
void FieldsReset();
