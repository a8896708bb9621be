#pragma once
// A register image fixture with a screen table that carries a page external-reference
// table: entries are given as {token, attributes} pairs for references 2, 3, ...

#include <cstring>
#include <utility>
#include <vector>

#include "ground/rcb.h"
#include "ground/tablestore.h"
#include "testsupport/reg_fixture.h"

namespace ts {

class RcbTest : public RegImageTest {
 protected:
  static constexpr uint32_t kHeaderLength = 56;
  static constexpr uint32_t kRefTableOffset = 64;

  void SetUp() override {
    RegImageTest::SetUp();
    std::memset(vtn_pgm_bl, 0, 4096);
    SYS_ResetRCBs(2);
  }

  // Writes a screen table whose header names the reference table and makes the fixed
  // pool current (which takes the table).
  void PageRefs(const std::vector<std::pair<uint32_t, uint32_t>>& entries) {
    std::memset(vtn_pgm_bl, 0, 4096);
    const uint32_t mark = 60;
    const uint16_t hdr = kHeaderLength;
    const uint32_t offset = kRefTableOffset;
    std::memcpy(vtn_pgm + 0, &mark, 4);
    std::memcpy(vtn_pgm + 8, &hdr, 2);
    std::memcpy(vtn_pgm + 44, &offset, 4);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      std::memcpy(vtn_pgm + offset + 8 * i, &entries[i].first, 4);
      std::memcpy(vtn_pgm + offset + 8 * i + 4, &entries[i].second, 4);
    }
    SetBlockSize(vtn_pgm_bl, uint32_t(offset + 8 * entries.size()));
    SYS_ResetRCBs(2);
  }
};

}  // namespace ts
