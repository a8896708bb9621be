// Installed before main runs, so that every test of this program starts from power-on.
#include "testsupport/power_on_state.h"

[[maybe_unused]] static const bool kPowerOnBeforeEachTest = ts::ResetBeforeEachTest();
