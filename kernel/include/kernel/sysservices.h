#pragma once
// Small system services of the panel: menu options, contrast, system-register writes.

#include <cstdint>

void SYS_MenuOption(int which, int on);
void SYS_MenuOption2(uint16_t value);
void SYS_Contrast(uint8_t value);
