#include "kernel/tablestore.h"

alignas(4) uint8_t tinyImage[kTinyImageCap];
