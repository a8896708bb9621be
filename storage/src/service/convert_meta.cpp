// Name codes of file names: the clock, the page and the capture counters.
#include <cstdio>
#include <cstring>
#include <string>

#include "cfm_internal.h"
#include "ground/rcb.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "screens/services.h"

namespace {

struct CounterLink {
  uint32_t token;  // 0 when not linked
  uint32_t limit;
  uint32_t flags;
};
CounterLink g_counters[4];

constexpr uint32_t kAdvance = 0x1;
constexpr uint32_t kWrap = 0x2;
constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

std::string Two(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

int WeekOfYear() {
  const int day = SrGet(47);
  const int month = SrGet(48);
  const int year = SrGet(49);
  const int leap = (month > 2 && year % 4 == 0) ? 1 : 0;
  const int before = month >= 1 && month <= 12 ? kDaysBefore[month - 1] : 0;
  // The weekday of 1 January (0 = Sunday), Zeller's rule.
  const int y = year - 1;
  const int jan1 = (1 + 5 * (y % 4) + 4 * (y % 100) + 6 * (y % 400)) % 7;
  return (day + leap + before + jan1) / 7 + 1;
}

// Reads counter n (0..3) and advances it as its flags say; false when not linked.
bool UseCounter(int n, uint32_t* value) {
  CounterLink& c = g_counters[n];
  if (c.token == 0 || PlcReg_Get(value, c.token, 32) != 1) return false;
  if (c.flags & kAdvance) {
    uint32_t next = *value;
    if (*value < c.limit) {
      next = *value + 1;
    } else if (c.flags & kWrap) {
      next = 0;
    }
    PlcReg_Set(c.token, &next, 32);
  }
  return true;
}

}  // namespace

void CfmLinkCounters(const CfmProgramLinks& links) {
  for (int i = 0; i < 4; ++i) {
    g_counters[i] = {};
    const CfmCounterConfig& c = links.counters[i];
    if (c.reference == 0) continue;
    SYS_InitRogueRCB(&g_counters[i].token, c.reference);
    g_counters[i].limit = c.limit;
    g_counters[i].flags = c.flags;
  }
}

void ConvertMeta(char* text) {
  std::string out;
  for (const char* p = text; *p;) {
    if (p[0] != '$' || p[1] == '\0') {
      out += *p++;
      continue;
    }
    const char code = p[1];
    switch (code) {
      case 's': out += Two(SrGet(44)); break;
      case 'm': out += Two(SrGet(45)); break;
      case 'h': out += Two(SrGet(46)); break;
      case 'D': out += Two(SrGet(47)); break;
      case 'M': out += Two(SrGet(48)); break;
      case 'Y': out += Two(SrGet(49) % 100); break;
      case 'W': out += Two(WeekOfYear()); break;
      case 'p': {
        char b[16];
        std::snprintf(b, sizeof b, "%04d", int(PAGE_current));
        out += b;
        break;
      }
      case '1': case '2': case '3': case '4': {
        uint32_t value = 0;
        const bool linked = UseCounter(code - '1', &value);
        if (linked && p[2] == 'u' && p[3] >= '1' && p[3] <= '8') {
          char digits[16];
          std::snprintf(digits, sizeof digits, "%.10lu", static_cast<unsigned long>(value));
          out += digits + 10 - (p[3] - '0');
          p += 4;
          continue;
        }
        out.append(p, 2);
        break;
      }
      default:
        out.append(p, 2);
    }
    p += 2;
  }
  std::snprintf(text, 512, "%.511s", out.c_str());
}
