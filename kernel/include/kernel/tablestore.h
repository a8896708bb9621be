#pragma once
// The table store: the program image's tables, each in a fixed-size memory block of its
// own (u16 CRC, u16 unused, u32 size, then the data at +8).

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kTableHeader = 8;

// Hardware information block (download type 19: MAC ids and board data).
inline constexpr std::size_t kTinyImageCap = 124;
alignas(4) extern uint8_t tinyImage[kTinyImageCap];
