#pragma once
// A bounded cursor over a program-image record (or any stored or received bytes): every
// read first checks that the field fits in what remains. A read that does not fit
// returns false, yields 0, moves nothing, and marks the reader failed; every later read
// then fails as well, so a parser may read a run of fields and test ok() once.
//
// Multi-byte fields are little-endian. 32- and 64-bit fields are taken as 16-bit halves,
// the less significant half first (unaligned.h), as program-image records keep them.
// Header-only, allocates nothing.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ground/unaligned.h"

class RecordReader {
 public:
  RecordReader() = default;
  explicit RecordReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  RecordReader(const void* data, std::size_t size)
      : bytes_(static_cast<const uint8_t*>(data), data ? size : 0) {}

  bool ok() const { return ok_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t offset() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  // True when n more bytes can be read (and nothing has failed).
  bool Has(std::size_t n) const { return ok_ && n <= remaining(); }

  bool U8(uint8_t& out) {
    out = 0;
    if (!Take(1)) return false;
    out = bytes_[pos_ - 1];
    return true;
  }
  bool U16(uint16_t& out) {
    out = 0;
    if (!Take(2)) return false;
    out = uint16_t(bytes_[pos_ - 2] | (bytes_[pos_ - 1] << 8));
    return true;
  }
  bool I16(int16_t& out) {
    uint16_t v;
    bool r = U16(v);
    out = int16_t(v);
    return r;
  }
  bool U32(uint32_t& out) {
    out = 0;
    if (!Take(4)) return false;
    out = UTIL_GetDword(bytes_.data() + pos_ - 4);
    return true;
  }
  bool I32(int32_t& out) {
    uint32_t v;
    bool r = U32(v);
    out = int32_t(v);
    return r;
  }
  bool F32(float& out) {
    out = 0;
    if (!Take(4)) return false;
    out = UTIL_GetFloat(bytes_.data() + pos_ - 4);
    return true;
  }
  bool F64(double& out) {
    out = 0;
    if (!Take(8)) return false;
    out = UTIL_GetDouble(bytes_.data() + pos_ - 8);
    return true;
  }
  // The next n bytes as a view (empty on failure).
  bool Bytes(std::size_t n, std::span<const uint8_t>& out) {
    out = {};
    if (!Take(n)) return false;
    out = bytes_.subspan(pos_ - n, n);
    return true;
  }
  // A reader over the next n bytes, which this reader steps over.
  bool Sub(std::size_t n, RecordReader& out) {
    std::span<const uint8_t> s;
    bool r = Bytes(n, s);
    out = RecordReader(s);
    out.ok_ = r;
    return r;
  }
  bool Skip(std::size_t n) { return Take(n); }
  // Moves to an absolute offset (at most the end).
  bool Seek(std::size_t off) {
    if (!ok_ || off > bytes_.size()) return Fail();
    pos_ = off;
    return true;
  }

 private:
  bool Take(std::size_t n) {
    if (!Has(n)) return Fail();
    pos_ += n;
    return true;
  }
  bool Fail() {
    ok_ = false;
    return false;
  }

  std::span<const uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};
