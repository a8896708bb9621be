// The identity table: sign-on and model name by product code and slot-0 module.
#include <gtest/gtest.h>

#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "ground/sysservices.h"
#include "testsupport/temp_root.h"

namespace {

TEST(OemInfo, SignOnAndModelByProductAndModule) {
  ts::TempRoot root;  // no oeminfo: the unit's own identity
  struct Case {
    uint16_t product;
    uint16_t module;
    const char* signon;
    const char* model;
  };
  const Case kCases[] = {
      {573, 255, "OPC-700 Controller", "OPC-700"},
      {573, 4, "OPC-704 Controller", "OPC-704"},
      {574, 10, "OPC-710 Net Panel", "OPC-710"},  // found in the second family
      {573, 11, "*Unknown*", "*Unknown*"},        // no such module
      {999, 255, "*Unknown*", "*Unknown*"},       // no such product
      {0, 0, "*Unknown*", "*Unknown*"},           // empty rows never match
  };
  for (const Case& c : kCases) {
    char signon[kSignonBytes];
    std::memset(signon, 'x', sizeof signon);
    Oem_GetSignon(signon, c.product, c.module);
    EXPECT_STREQ(signon, c.signon) << c.product << "/" << c.module;
    char model[11];
    std::memset(model, 'x', sizeof model);
    Oem_GetModel(model, c.product, c.module);
    EXPECT_STREQ(model, c.model) << c.product << "/" << c.module;
  }
}

TEST(OemInfo, VariantFromTheOemByte) {
  ts::TempRoot root;
  struct Case {
    std::vector<uint8_t> oeminfo;  // empty: no file
    const char* signon;
    const char* model;
  };
  const Case kCases[] = {
      {{}, "OPC-700 Controller", "OPC-700"},
      {{0}, "OPC-700 Controller", "OPC-700"},
      {{128}, "Brand-X HMI PX700", "PX700"},  // variant 5, the model after the brand
      {{5}, "Brand-X HMI PX700", "PX700"},
      {{2}, "*Unknown*", "*Unknown*"},        // a variant without panels
      {{6}, "*Unknown*", "*Unknown*"},        // beyond the table
      {{129}, "*Unknown*", "*Unknown*"},
  };
  for (const Case& c : kCases) {
    if (c.oeminfo.empty()) {
      std::remove(root.Host("/mnt/cfg/oeminfo").c_str());
    } else {
      root.Write("/mnt/cfg/oeminfo", c.oeminfo);
    }
    char signon[kSignonBytes];
    Oem_GetSignon(signon, 573, 255);
    EXPECT_STREQ(signon, c.signon) << (c.oeminfo.empty() ? -1 : c.oeminfo[0]);
    char model[11] = {};
    Oem_GetModel(model, 573, 255);
    EXPECT_STREQ(model, c.model);
  }
}

TEST(OemInfo, ModelNameIsAtMostTenCharactersWithoutRoomForANul) {
  // "*Unknown*" is 9 characters: NUL-terminated. The caller's 10 bytes are never passed.
  ts::TempRoot root;
  char model[12];
  std::memset(model, 'x', sizeof model);
  Oem_GetModel(model, 1, 1);
  EXPECT_EQ(std::string(model, 10), std::string("*Unknown*\0", 10));
  EXPECT_EQ(model[10], 'x');
}

}  // namespace
