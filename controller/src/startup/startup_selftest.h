#pragma once
// The self-test report at the end of start-up.

struct DC;

// SR55 from SR4 (the network bits masked while SR31 is 0). When SR55 is not 0, every
// failure bit set in SR4 shows its two lines with a beep and a 300 ms wait; then the
// sign-on over "*** Self-Test FAILED ***" or "*** Self-Test Passed ***", and 300 ms.
void SelfTestReport(DC* dc, const char* signon);
