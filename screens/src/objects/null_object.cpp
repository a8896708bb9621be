// The null class: codes without an object. Its record is skipped by its row's length,
// it takes no instance bytes, answers no signal and draws nothing.
#include "screens/objm.h"

int16_t NULL_Create(const uint8_t*, void*) { return 0; }
void NULL_Paint(const uint8_t*, void*, int) {}
uint16_t NULL_Signal(const uint8_t*, void*, int, int) { return 0; }
void NULL_Destroy(const uint8_t*, void*) {}
