#pragma once
// A temporary device root for one test: created empty, installed as the device root,
// removed with everything in it when the test ends, when the root it replaced is put
// back (so that nothing after the test reaches into a removed directory).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ts {

class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::string& path() const { return path_; }
  // Host path of a unit path below this root.
  std::string Host(std::string_view unit_path) const;
  bool Exists(std::string_view unit_path) const;
  // Writes a file (creating its directories); reads one whole ("" when missing).
  void Write(std::string_view unit_path, const std::vector<uint8_t>& bytes) const;
  void Write(std::string_view unit_path, std::string_view text) const;
  std::vector<uint8_t> Read(std::string_view unit_path) const;

 private:
  std::string path_;
  std::string previous_;
};

}  // namespace ts
