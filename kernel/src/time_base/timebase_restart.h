#pragma once
// Tests only: forget the time base, so that the next reading records a new base on the
// clock the test has installed.

void TimebaseRestart();
