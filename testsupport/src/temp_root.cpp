#include "testsupport/temp_root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/root.h"

namespace ts {

TempRoot::TempRoot() : previous_(plat::DeviceRoot()) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "panel-root.XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
  plat::SetDeviceRoot(path_);
}

TempRoot::~TempRoot() {
  plat::SetDeviceRoot(previous_);
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempRoot::Host(std::string_view unit_path) const { return path_ + std::string(unit_path); }

bool TempRoot::Exists(std::string_view unit_path) const { return std::filesystem::exists(Host(unit_path)); }

void TempRoot::Write(std::string_view unit_path, const std::vector<uint8_t>& bytes) const {
  std::filesystem::path p = Host(unit_path);
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void TempRoot::Write(std::string_view unit_path, std::string_view text) const {
  Write(unit_path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> TempRoot::Read(std::string_view unit_path) const {
  std::ifstream in(Host(unit_path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace ts
