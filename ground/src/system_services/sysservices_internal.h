#pragma once
// Private parts shared between the system services' files. Their power-on resets are in
// ground/power_on.h.

#include "ground/power_on.h"
