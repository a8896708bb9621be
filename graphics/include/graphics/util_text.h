#pragma once
// Utilities of the screen objects: a register value scaled onto a pixel span and back,
// and program strings in the program's character width (8-bit, or 16-bit when the
// program uses Unicode): lengths, appending, line counts, widths and fitting into a box.
// Only a size code of 16 is scaled; any other gives 0.

#include <cstddef>
#include <cstdint>

struct DC;

// 0..span for value (signed 16 bits) between low and high; 0 below low or for an empty
// range, span at or above high.
uint16_t UTIL_U16Scale(int32_t value, int bits, int32_t high, int32_t low, int32_t span);
// The same for a signed range; a range across zero is scaled from zero (the sign kept).
uint16_t UTIL_S16Scale(int32_t value, int bits, int32_t high, int32_t low, int32_t span);
// The value of a position 0..span (low for a span of 0).
uint16_t UTIL_U16Unscale(int32_t position, int bits, int32_t high, int32_t low, int32_t span);
float UTIL_F32Scale(float value, int bits, float high, float low, float scale);

// Lengths up to the terminating 0; 16-bit strings count at most 1024 characters.
std::size_t UTIL_WordStrLen(const uint16_t* text);
std::size_t UTIL_StrLen(const void* text);  // in the program's character width
// Appends at most n characters of src to dst and terminates it.
void UTIL_WordStrNCat(uint16_t* dst, const uint16_t* src, std::size_t n);
void UTIL_StrNCat(void* dst, const void* src, std::size_t n);

// Program strings: the line count is stored just before the text (a byte, or a u16 for
// 16-bit strings); lines end at codes 1..3, the text at 0.
int UTIL_StringLines(const void* text);
// Width in pixels of the widest line in dc's font.
int UTIL_StringWidth(DC* dc, const void* text);
// Fits a program string into at most max_lines lines of max_chars characters: out
// receives the line count (in front, as a program string) and the lines, each ended by
// 0. A line too long breaks at its last space; the last allowed line ends in " ..." when
// the text goes on. out must hold 2 + max_lines * (max_chars + 2) characters.
void UTIL_ByteLimitMultiStr(uint8_t* out, const char* text, int max_lines, int max_chars);
void UTIL_WordLimitMultiStr(uint16_t* out, const uint16_t* text, int max_lines, int max_chars);
void UTIL_LimitMultiStr(void* out, const void* text, int max_lines, int max_chars);
