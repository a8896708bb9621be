// The master script's command lines and files built from a downloaded network
// configuration: the configuration (the wired block in the network table, the input) is
// parsed as a configuration change does, the daemon's files are written and the DNS
// command is sent. Whatever the configuration holds, each line must stay one line of its
// form: a user text that could split a line or add a field must never reach the files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "controller/poweron.h"
#include "enet_internal.h"
#include "ground/tablestore.h"
#include "net/dpr.h"
#include "testsupport/eth_config.h"
#include "testsupport/fake_master_script.h"
#include "testsupport/temp_root.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Printable(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

// Each line of a user list: "<text>:<text>" with one colon, printable, nothing empty.
void CheckUserList(const std::string& text, bool numeric_second) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    Check(end != std::string::npos);  // every line ends
    const std::string line = text.substr(at, end - at);
    const std::size_t colon = line.find(':');
    Check(colon != std::string::npos && colon > 0 && line.find(':', colon + 1) == std::string::npos);
    Check(Printable(line));
    if (numeric_second) Check(line.substr(colon + 1) == "0" || line.substr(colon + 1) == "1");
    at = end + 1;
  }
}

std::string ReadText(const ts::TempRoot& root, const char* unit_path) {
  const auto bytes = root.Read(unit_path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static ts::TempRoot root;
  if (size > kNetConfigCap - kTableHeader) return 0;
  KernelPowerOnReset();
  ts::InstallWiredConfig(std::vector<uint8_t>(data, data + size));
  ts::FakeMasterScript script;
  Dpr_Config();
  enet::WriteMasterFiles();
  enet::DnsCommand(0, Dpr_Configuration[0].dns);
  for (const char* number : {"1", "3", "4"}) {
    CheckUserList(ReadText(root, (std::string("/opt/dravek/ftp/newpwdfile") + number).c_str()), false);
    CheckUserList(ReadText(root, (std::string("/opt/dravek/ftp/newvsftpd.chroot_list") + number).c_str()), true);
  }
  for (const std::string& line : script.Lines()) Check(Printable(line) && line.rfind("dnsSet_4_0_", 0) == 0);
  const std::string conf = ReadText(root, "/opt/dravek/main_conf");
  for (std::size_t at = 0; at < conf.size();) {
    const std::size_t end = conf.find('\n', at);
    Check(end != std::string::npos);
    const std::string line = conf.substr(at, end - at);
    Check(line == "ftp0" || line == "ftp2" || line == "ftp3" || line == "ntp0" || line == "ntp2" || line == "ntp3");
    at = end + 1;
  }
  KernelPowerOnReset();
  return 0;
}
