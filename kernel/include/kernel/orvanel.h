#pragma once
// The panel side of an IEC application carried in the logic table.

#include <cstdint>

void LoadOrvanel(const uint8_t* logic_data);
void OrvanelStart();
void OrvanelStop();
