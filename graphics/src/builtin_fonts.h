#pragma once
// The built-in font records (generated tables, see graphics/tools/gen_fonts.py).
#include <cstddef>
#include <cstdint>

extern const uint8_t fix5x7Font[];
extern const uint8_t arial16Font[];
extern const uint8_t arial24Font[];
extern const uint8_t arial34Font[];
extern const uint8_t arial47Font[];
extern const uint8_t arial66Font[];
extern const uint8_t sysfontFont[];
extern const std::size_t fix5x7FontSize;
extern const std::size_t arial16FontSize;
extern const std::size_t arial24FontSize;
extern const std::size_t arial34FontSize;
extern const std::size_t arial47FontSize;
extern const std::size_t arial66FontSize;
extern const std::size_t sysfontFontSize;
