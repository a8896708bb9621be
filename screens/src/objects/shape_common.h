#pragma once
// What the drawing classes share of their records: the record's length and its gradient
// sub-record.

#include <cstdint>

// Gradient sub-record fields.
inline constexpr uint32_t kGradMode = 0;
inline constexpr uint32_t kGradLeadIn = 4;
inline constexpr uint32_t kGradLeadOut = 6;
inline constexpr uint32_t kGradEnd = 8;
inline constexpr uint32_t kGradStart = 10;
inline constexpr uint32_t kGradBytes = 12;

// The record's own length, or its class's.
uint32_t OBJ_RecordLength(const uint8_t* record);
// The gradient sub-record of a record with a gradient fill, or null when it has none or
// its offset does not leave the sub-record whole inside the record.
const uint8_t* OBJ_Gradient(const uint8_t* record);
