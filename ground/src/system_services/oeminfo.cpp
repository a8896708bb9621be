// The panel identity table: the sign-on text and the model name shown for a product code
// and the module found in I/O slot 0, by identity variant (the OEM byte of the program
// header) and product family.
#include <algorithm>
#include <array>
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/sysservices.h"
#include "sysservices_internal.h"

namespace {

constexpr int kVariants = 6;
constexpr int kFamilies = 2;
constexpr int kModulesPerProduct = 11;
constexpr int kTextChars = 20;
constexpr uint8_t kVariant128 = 128;  // this OEM byte selects variant 5
constexpr int kModelMax = 10;
constexpr char kUnknown[] = "*Unknown*";

struct OemModule {
  uint16_t module_id;
  char text[kTextChars];  // not NUL-terminated when 20 characters long
  uint8_t model_start;    // the model name inside the text
  uint8_t model_length;
};
struct OemProduct {
  uint16_t product_code;  // 0: no product
  std::array<OemModule, kModulesPerProduct> modules;
};
using OemVariant = std::array<OemProduct, kFamilies>;

constexpr uint16_t kPanel = kProductCode;
constexpr uint16_t kNoModule = 255;

// The unit's own panels: the base model without an I/O module, and one model per I/O
// module fitted in slot 0.
constexpr OemProduct kOwnPanels{
    .product_code = kPanel,
    .modules = {{
        {kNoModule, "OPC-700 Controller", 0, 7},
        {1, "OPC-701 Controller", 0, 7},
        {2, "OPC-702 Controller", 0, 7},
        {3, "OPC-703 Controller", 0, 7},
        {4, "OPC-704 Controller", 0, 7},
        {5, "OPC-705 Controller", 0, 7},
        {6, "OPC-706 Controller", 0, 7},
        {7, "OPC-707 Controller", 0, 7},
        {8, "OPC-708 Controller", 0, 7},
        {9, "OPC-709 Controller", 0, 7},
        {10, "OPC-710 Controller", 0, 7},
    }},
};
// A family of the same panels sold with an option board built in.
constexpr OemProduct kNetPanels{
    .product_code = 574,
    .modules = {{
        {kNoModule, "OPC-700 Net Panel", 0, 7},
        {1, "OPC-701 Net Panel", 0, 7},
        {2, "OPC-702 Net Panel", 0, 7},
        {3, "OPC-703 Net Panel", 0, 7},
        {4, "OPC-704 Net Panel", 0, 7},
        {5, "OPC-705 Net Panel", 0, 7},
        {6, "OPC-706 Net Panel", 0, 7},
        {7, "OPC-707 Net Panel", 0, 7},
        {8, "OPC-708 Net Panel", 0, 7},
        {9, "OPC-709 Net Panel", 0, 7},
        {10, "OPC-710 Net Panel", 0, 7},
    }},
};
// The private-label panel sold under variant 5: the model name stands after the brand.
constexpr OemProduct kLabelPanels{
    .product_code = kPanel,
    .modules = {{
        {kNoModule, "Brand-X HMI PX700", 12, 5},
        {1, "Brand-X HMI PX701", 12, 5},
        {2, "Brand-X HMI PX702", 12, 5},
        {3, "Brand-X HMI PX703", 12, 5},
        {4, "Brand-X HMI PX704", 12, 5},
        {5, "Brand-X HMI PX705", 12, 5},
        {6, "Brand-X HMI PX706", 12, 5},
        {7, "Brand-X HMI PX707", 12, 5},
        {8, "Brand-X HMI PX708", 12, 5},
        {9, "Brand-X HMI PX709", 12, 5},
        {10, "Brand-X HMI PX710", 12, 5},
    }},
};
constexpr OemProduct kNone{};

}  // namespace

// Variants 1..4 are reserved for other labels and hold no panel yet.
constexpr std::array<OemVariant, kVariants> OemInfo{{
    {kOwnPanels, kNetPanels},
    {kNone, kNone},
    {kNone, kNone},
    {kNone, kNone},
    {kNone, kNone},
    {kLabelPanels, kNone},
}};
static_assert(OemInfo.size() == 6 && OemInfo[0].size() == 2 && OemInfo[0][0].modules.size() == 11);

namespace {

struct Identity {
  char text[kTextChars + 1];
  uint8_t model_start;
  uint8_t model_length;
};

Identity Lookup(uint16_t product_code, uint16_t module_id) {
  Identity id{};
  std::memcpy(id.text, kUnknown, sizeof kUnknown);
  id.model_start = 0;
  id.model_length = 9;
  const uint8_t oem = OemIdentityByte();
  const int variant = oem == kVariant128 ? 5 : oem;
  if (variant >= kVariants) return id;
  for (const OemProduct& product : OemInfo[variant]) {
    if (id.text[0] != '*') break;
    if (product.product_code == 0 || product.product_code != product_code) continue;
    for (const OemModule& m : product.modules) {
      if (m.module_id != module_id) continue;
      std::memset(id.text, 0, sizeof id.text);
      std::memcpy(id.text, m.text, kTextChars);
      id.model_start = m.model_start;
      id.model_length = m.model_length;
      break;
    }
  }
  return id;
}

}  // namespace

// The byte that the boot installer leaves in /mnt/cfg/oeminfo (the program header keeps the
// same byte); 0, the unit's own identity, without it.
uint8_t OemIdentityByte() {
  uint8_t byte = 0;
  CfgReader file("/mnt/cfg/oeminfo");
  if (file.open() && file.Read(&byte, 1) != 1) byte = 0;
  return byte;
}

void Oem_GetSignon(char* text, uint16_t product_code, uint16_t module_id) {
  if (!text) return;
  const Identity id = Lookup(product_code, module_id);
  std::memcpy(text, id.text, sizeof id.text);
  static_assert(sizeof(Identity::text) <= kSignonBytes);
}

void Oem_GetModel(char* model, uint16_t product_code, uint16_t module_id) {
  if (!model) return;
  const Identity id = Lookup(product_code, module_id);
  const std::size_t start = std::min<std::size_t>(id.model_start, kTextChars);
  const std::size_t length = std::min<std::size_t>({id.model_length, kModelMax, std::strlen(id.text + start)});
  std::memcpy(model, id.text + start, length);
  if (length < kModelMax) model[length] = '\0';
}
