// Hot start from the saved database image: the image is a file, so a damaged or doctored
// one is refused before anything is relinked or written through its descriptors, and
// the application can still be started cold.
#include <cstring>
#include <functional>

#include "iec_runtime/heap.h"
#include "controller/orvanel.h"
#include "runtime_fixture.h"

namespace {

constexpr const char* kHotFile = "/mnt/cfg/iec/n4.hot";

class HotImage : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ts::IecImage img;
    img.heap_size = 256;
    img.init32 = {{1, 5}};
    ts::ProgramImage p;
    p.logic = ts::Table::Of(ts::IecLogic(img.Build()));
    p.Install();
    OrvanelStart();
    ASSERT_NE(pDB, nullptr);
    N4Heap heap = N4VM_GetHeap(static_cast<uint8_t*>(pDB));
    ASSERT_NE(heap, nullptr);
    handle_ = N4Heap_Alloc(heap, 16);
    ASSERT_NE(handle_, 0u);
    ASSERT_EQ(n4::_ServeKind(5, nullptr, 0), 0);  // stop: the database image is saved
    n4::_VMThread();
    saved_ = root_.Read(kHotFile);
    ASSERT_GT(saved_.size(), kDbHead);
  }
  static uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
  }
  static void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
  static void Put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) { std::memcpy(b.data() + at, &v, 2); }
  static std::size_t Desc(int area) { return std::size_t(area) * 16; }
  // The heap's control record inside the saved image.
  std::size_t HeapControl() const { return Get32(saved_, Desc(kArPrivate)) + kPrivateSize + 256 - 24; }

  std::vector<uint8_t> saved_;
  uint32_t handle_ = 0;
};

TEST_F(HotImage, TheUntouchedImageStartsHot) {
  EXPECT_EQ(n4::_ServeKind(7, (const uint8_t*)"\0\0", 2), 0);
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(Dint(static_cast<uint8_t*>(pDB), 1), 5u);
  EXPECT_NE(N4Heap_Lock(N4VM_GetHeap(static_cast<uint8_t*>(pDB)), handle_), nullptr);  // the block came back
}

TEST_F(HotImage, ADamagedImageIsRefusedAndTheApplicationStillStartsCold) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const std::size_t ctl = HeapControl();
  const Case cases[] = {
      // The descriptors still add up to the file's size, but the work area (cleared
      // whole by the hot build) is made small and the file cut to match.
      {"work area shrunk",
       [](std::vector<uint8_t>& b) {
         Put16(b, Desc(kArWork) + 14, 1);
         b.resize(b.size() - 64 * 1023);
       }},
      {"status record shrunk",
       [](std::vector<uint8_t>& b) {
         Put16(b, Desc(kArStatus) + 8, 8);
         Put32(b, Desc(kArDriverKit) + 4, Get32(b, Desc(kArDriverKit) + 4) + 240);
       }},
      {"32-bit items as bytes",
       [](std::vector<uint8_t>& b) {
         uint16_t n;
         std::memcpy(&n, b.data() + Desc(kArData32) + 14, 2);
         Put16(b, Desc(kArData32) + 8, 1);
         Put16(b, Desc(kArData32) + 14, uint16_t(n * 4));
       }},
      {"raw size below its items",
       [](std::vector<uint8_t>& b) {
         uint16_t n;
         std::memcpy(&n, b.data() + Desc(kArTimers) + 14, 2);
         Put32(b, Desc(kArTimers) + 4, 8u * n);
         Put16(b, Desc(kArTimers) + 14, 500);
       }},
      {"used beyond allocated", [](std::vector<uint8_t>& b) { Put16(b, Desc(kArPrograms) + 12, 0xFFFF); }},
      {"sizes that wrap", [](std::vector<uint8_t>& b) { Put32(b, Desc(kArCt) + 4, 0xFFFFFFF8u); }},
      {"cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() - 8); }},
      {"head only", [](std::vector<uint8_t>& b) { b.resize(100); }},
      {"heap slots beyond the heap", [ctl](std::vector<uint8_t>& b) { Put32(b, ctl + 16, 0x10000); }},
      {"heap block beyond its top", [ctl](std::vector<uint8_t>& b) { Put32(b, ctl - 8 + 4, 200); }},
      {"heap freed count wrong", [ctl](std::vector<uint8_t>& b) { Put32(b, ctl + 20, 1); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = saved_;
    c.damage(bytes);
    root_.Write(kHotFile, bytes);
    EXPECT_NE(n4::_ServeKind(7, (const uint8_t*)"\0\0", 2), 0) << c.what;
    EXPECT_EQ(pDB, nullptr) << c.what;
    EXPECT_EQ(pCode, nullptr) << c.what;
    EXPECT_EQ(iVmAlive, 0) << c.what;
    EXPECT_EQ(n4::MemoryManager().db.flags, 0) << c.what;
    EXPECT_EQ(n4::MemoryManager().code.flags, 0) << c.what;
  }
  EXPECT_EQ(n4::_ServeKind(6, (const uint8_t*)"\0\0", 2), 0);  // a cold start
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(iVmAlive, 1);
}

}  // namespace
