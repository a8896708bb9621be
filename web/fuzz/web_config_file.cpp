// The web server's configuration file on the card (Quorv/config/QuorvGlobal.cfg) read and
// applied as the server's start does: "key:value" lines, cut at the server's buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "panel_server.h"
#include "testsupport/temp_root.h"

namespace {
// The server's start reads the file into a buffer of this many bytes.
constexpr std::size_t kConfigRoom = 250;
constexpr char kPath[] = "/mnt/USB0/Quorv/config/QuorvGlobal.cfg";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ts::TempRoot root;
  if (size > 4096) return 0;
  root.Write(kPath, std::string_view(reinterpret_cast<const char*>(data), size));
  char config[kConfigRoom] = {};
  Quorv_global_config_file_size = 0;
  quorv_read_file(config, sizeof config, kPath, 2);
  if (Quorv_global_config_file_size) quorv_update_global_config_parameters(config);
  Quorv_global_config_file_size = 0;
  return 0;
}
