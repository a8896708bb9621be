#include "testsupport/ladder_asm.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace ts {

namespace {

[[noreturn]] void Fail(std::string_view statement, const std::string& why) {
  throw std::invalid_argument("ladder asm: " + why + " in \"" + std::string(statement) + "\"");
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Split(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (std::isspace(static_cast<unsigned char>(s[i])) || s[i] == ',')) ++i;
    std::size_t j = i;
    while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j])) && s[j] != ',') ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

bool IsNumber(std::string_view s) {
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0]));
}

bool IsReal(std::string_view s) {
  return IsNumber(s) && s.find("0x") == std::string_view::npos && s.find_first_of(".eE") != std::string_view::npos;
}

int64_t ParseInt(std::string_view s, std::string_view statement) {
  std::string t(s);
  bool neg = false;
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
  int base = 10;
  if (t.compare(i, 2, "0x") == 0 || t.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) Fail(statement, "bad number " + t);
  std::size_t used = 0;
  int64_t v = 0;
  try {
    v = std::stoll(t.substr(i), &used, base);
  } catch (const std::exception&) {
    Fail(statement, "bad number " + t);
  }
  if (i + used != t.size()) Fail(statement, "bad number " + t);
  return neg ? -v : v;
}

// The register areas of the image: token of register 1, count, bits per register.
struct Area {
  std::string_view name;
  uint32_t base;
  uint32_t count;
  bool word;
};
constexpr Area kAreas[] = {
    {"IG", 1024, 256, false},     {"QG", 1280, 256, false},   {"S", 1536, 256, false},
    {"K", 1792, 256, false},      {"AIG", 2048, 32, true},    {"AQG", 2560, 32, true},
    {"SR", 3072, 448, true},      {"F", 6144, 128, true},     {"I", 8192, 2048, false},
    {"Q", 10240, 2048, false},    {"T", 12288, 2048, false},  {"M", 14336, 2048, false},
    {"AI", 16384, 512, true},     {"AQ", 24576, 512, true},   {"R", 32768, 50240, true},
    {"ET", 0x10008000, 16384, false}, {"EM", 0x1001C000, 16384, false},
};
static_assert(std::size(kAreas) == 17);

bool TryRegisterToken(std::string_view name, uint32_t& token) {
  if (name.empty()) return false;
  if (name[0] == '@') {
    int64_t v = ParseInt(name.substr(1), name);
    if (v < 0 || v > 0xFFFFFFFFll) return false;
    token = uint32_t(v);
    return true;
  }
  std::size_t letters = 0;
  while (letters < name.size() && std::isupper(static_cast<unsigned char>(name[letters]))) ++letters;
  if (letters == 0 || letters == name.size() || !std::isdigit(static_cast<unsigned char>(name[letters]))) return false;
  const std::string_view prefix = name.substr(0, letters);
  std::string_view rest = name.substr(letters);
  std::string_view bit_part;
  if (auto dot = rest.find('.'); dot != std::string_view::npos) {
    bit_part = rest.substr(dot + 1);
    rest = rest.substr(0, dot);
  }
  for (const Area& a : kAreas) {
    if (a.name != prefix) continue;
    const int64_t n = ParseInt(rest, name);
    if (n < 1 || n > int64_t(a.count)) throw std::invalid_argument("ladder asm: no register " + std::string(name));
    if (!a.word) {
      if (!bit_part.empty()) return false;
      token = a.base + uint32_t(n) - 1;
      return true;
    }
    // SR193..SR448 continue in the ESR window.
    token = (prefix == "SR" && n > 192) ? 0x10030000u + 16 * uint32_t(n - 193) : a.base + 16 * uint32_t(n - 1);
    if (!bit_part.empty()) {
      const int64_t b = ParseInt(bit_part, name);
      if (b < 1 || b > 16) throw std::invalid_argument("ladder asm: no bit " + std::string(name));
      token += uint32_t(b) - 1;
    }
    return true;
  }
  return false;
}

// Image offsets of a token (after moving the ET, EM and ESR windows to their places).
uint64_t ImageBit(uint32_t t) {
  if (t >= 0x10008000 && t < 0x1000C000) return 104448ull * 8 + (t - 0x10008000);
  if (t >= 0x1001C000 && t < 0x10020000) return 106496ull * 8 + (t - 0x1001C000);
  if (t >= 0x10030000 && t < 0x10031000) return 108544ull * 8 + (t - 0x10030000);
  return uint64_t(t) - 1024;
}

const AsmRow* FindRow(const std::string& upper) {
  for (std::span<const AsmRow> family : AsmFamilies())
    for (const AsmRow& row : family)
      if (Upper(row.name) == upper) return &row;
  return nullptr;
}

// The bytes of a literal operand: its characters, with \xHH for any byte (a blank, a
// comma, a semicolon) and \\ for the backslash.
std::vector<uint8_t> LiteralBytes(std::string_view arg, std::string_view statement) {
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] != '\\') {
      bytes.push_back(uint8_t(arg[i]));
    } else if (i + 1 < arg.size() && arg[i + 1] == '\\') {
      bytes.push_back('\\');
      ++i;
    } else if (i + 3 < arg.size() && arg[i + 1] == 'x') {
      bytes.push_back(uint8_t(ParseInt("0x" + std::string(arg.substr(i + 2, 2)), statement)));
      i += 3;
    } else {
      Fail(statement, "bad escape in " + std::string(arg));
    }
  }
  return bytes;
}

void PutDword(std::vector<uint16_t>& out, uint32_t v) {
  out.push_back(uint16_t(v));
  out.push_back(uint16_t(v >> 16));
}

}  // namespace

uint32_t RegisterToken(std::string_view name) {
  uint32_t t = 0;
  if (!TryRegisterToken(name, t)) throw std::invalid_argument("ladder asm: not a register: " + std::string(name));
  return t;
}

std::vector<uint16_t> LadderAsm::Assemble(std::string_view text) {
  labels_.clear();
  std::vector<uint16_t> out;
  std::vector<Fixup> fixups;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    if (auto c = line.find("//"); c != std::string_view::npos) line = line.substr(0, c);
    std::size_t s = 0;
    while (s <= line.size()) {
      std::size_t e = line.find(';', s);
      if (e == std::string_view::npos) e = line.size();
      Statement(Trim(line.substr(s, e - s)), out, fixups);
      s = e + 1;
    }
    pos = eol + 1;
  }
  for (const Fixup& f : fixups) {
    auto it = labels_.find(f.label);
    if (it == labels_.end()) Fail(f.statement, "no label " + f.label);
    const int64_t off = int64_t(it->second) - int64_t(f.after);
    if (f.kind == 'J') {
      out[f.at] = uint16_t(uint32_t(int32_t(off)));
      out[f.at + 1] = uint16_t(uint32_t(int32_t(off)) >> 16);
    } else {
      if ((f.kind == 'j' && (off < -32768 || off > 32767)) || (f.kind == 'u' && (off < 0 || off > 65535)))
        Fail(f.statement, "offset out of range to " + f.label);
      out[f.at] = uint16_t(off);
    }
  }
  return out;
}

uint32_t LadderAsm::Label(const std::string& name) const {
  auto it = labels_.find(name);
  if (it == labels_.end()) throw std::invalid_argument("ladder asm: no label " + name);
  return it->second;
}

void LadderAsm::Statement(std::string_view text, std::vector<uint16_t>& out, std::vector<Fixup>& fixups) {
  std::vector<std::string_view> parts = Split(text);
  if (parts.empty()) return;
  if (parts[0].back() == ':') {
    std::string name(parts[0].substr(0, parts[0].size() - 1));
    if (name.empty() || labels_.count(name)) Fail(text, "bad or repeated label");
    labels_[name] = uint32_t(out.size());
    parts.erase(parts.begin());
    if (parts.empty()) return;
  }
  const std::string mnemonic = Upper(parts[0]);
  const std::span<const std::string_view> args(parts.data() + 1, parts.size() - 1);

  if (mnemonic == ".WORD") {
    for (std::string_view a : args) {
      const int64_t v = ParseInt(a, text);
      if (v < -32768 || v > 65535) Fail(text, "word out of range");
      out.push_back(uint16_t(v));
    }
    return;
  }
  if (mnemonic.rfind("OP", 0) == 0 && mnemonic.size() > 2 && IsNumber(mnemonic.substr(2))) {
    const int64_t v = ParseInt(mnemonic.substr(2), text);
    if (v < 0 || v > 1023 || !args.empty()) Fail(text, "OP<n> takes an opcode below 1024 and no operands");
    out.push_back(uint16_t(v));
    return;
  }
  if (mnemonic == "LD") {  // contact word: the bit's token itself
    if (args.size() != 1) Fail(text, "LD takes one bit");
    const uint32_t t = RegisterToken(args[0]);
    if (t < 1024 || t > 0xFFFF) Fail(text, "a contact word cannot hold this bit (use LDX)");
    out.push_back(uint16_t(t));
    return;
  }
  const AsmRow* row = FindRow(mnemonic);
  if (row == nullptr) Fail(text, "unknown mnemonic " + mnemonic);
  // "n|kinds": the word n (a sub-opcode) follows the opcode.
  std::string_view kinds = row->operands;
  const std::size_t bar = kinds.find('|');
  if (args.size() != kinds.size() - (bar == std::string_view::npos ? 0 : bar + 1))
    Fail(text, "expects " + std::to_string(kinds.size() - (bar == std::string_view::npos ? 0 : bar + 1)) + " operands");
  out.push_back(row->opcode);
  if (bar != std::string_view::npos) {
    out.push_back(uint16_t(ParseInt(kinds.substr(0, bar), text)));
    kinds.remove_prefix(bar + 1);
  }
  for (std::size_t i = 0; i < args.size(); ++i) Operand(kinds[i], args[i], out, fixups, text);
}

void LadderAsm::Operand(char kind, std::string_view arg, std::vector<uint16_t>& out, std::vector<Fixup>& fixups,
                        std::string_view statement) {
  const bool f16 = form_ == OperandForm::k16;
  switch (kind) {
    case 'b':
    case 't': {
      const uint32_t t = RegisterToken(arg);
      if (!f16) return PutDword(out, t);
      if (t > 0xFFFF) Fail(statement, "the 16-bit form cannot hold " + std::string(arg));
      out.push_back(uint16_t(t));
      return;
    }
    case 'w':
    case 'W': {
      const uint32_t t = RegisterToken(arg);
      if (!f16) return PutDword(out, t);
      const bool reserved = t == 1776 || t == 1777;
      if (t <= 0xFFFF && (kind == 'W' || !reserved)) {
        out.push_back(uint16_t(t));
        return;
      }
      const uint64_t word = ImageBit(t) / 16;
      if (kind == 'w' && word >= 4032 && word < 8128) {
        out.push_back(1776);
        out.push_back(uint16_t((word - 4032) * 16));
        return;
      }
      if (kind == 'w' && word >= 8128 && word < 12224) {
        out.push_back(1777);
        out.push_back(uint16_t((word - 8128) * 16));
        return;
      }
      Fail(statement, "the 16-bit form cannot reach word " + std::string(arg));
    }
    case 'y': {
      const uint32_t t = RegisterToken(arg);
      if (!f16) return PutDword(out, t);
      if (t <= 0xFFFF && t != 1776 && t != 1777) {
        out.push_back(uint16_t(t));
        return;
      }
      const uint64_t byte = ImageBit(t) / 8;
      if (byte >= 8064 && byte < 16256) {
        out.push_back(1776);
        out.push_back(uint16_t((byte - 8064) * 8));
        return;
      }
      if (byte >= 16256 && byte < 24448) {
        out.push_back(1777);
        out.push_back(uint16_t((byte - 16256) * 8));
        return;
      }
      Fail(statement, "the 16-bit form cannot reach byte " + std::string(arg));
    }
    case 'i': {
      const int64_t v = ParseInt(arg, statement);
      if (v < -32768 || v > 65535) Fail(statement, "immediate out of range");
      out.push_back(uint16_t(v));
      return;
    }
    case 'd': {
      if (IsReal(arg)) return PutDword(out, std::bit_cast<uint32_t>(std::stof(std::string(arg))));
      const int64_t v = ParseInt(arg, statement);
      if (v < INT32_MIN || v > UINT32_MAX) Fail(statement, "immediate out of range");
      return PutDword(out, uint32_t(v));
    }
    case 'q': {
      const uint64_t v = IsReal(arg) ? std::bit_cast<uint64_t>(std::stod(std::string(arg)))
                                     : uint64_t(ParseInt(arg, statement));
      for (int i = 0; i < 4; ++i) out.push_back(uint16_t(v >> (16 * i)));
      return;
    }
    case 'j':
    case 'u':
    case 'J': {
      const std::size_t words = kind == 'J' ? 2 : 1;
      if (IsNumber(arg)) {
        const int64_t v = ParseInt(arg, statement);
        if (kind == 'J') return PutDword(out, uint32_t(int32_t(v)));
        if ((kind == 'j' && (v < -32768 || v > 32767)) || (kind == 'u' && (v < 0 || v > 65535)))
          Fail(statement, "offset out of range");
        out.push_back(uint16_t(v));
        return;
      }
      fixups.push_back({out.size(), uint32_t(out.size() + words), std::string(arg), kind, std::string(statement)});
      out.insert(out.end(), words, 0);
      return;
    }
    case 's':
    case 'f': {
      std::vector<uint8_t> bytes = LiteralBytes(arg, statement);
      if (kind == 'f') {
        if (bytes.size() > 20) Fail(statement, "a format holds at most 20 bytes");
        bytes.resize(20, 0);
      }
      for (std::size_t i = 0; i < bytes.size(); i += 2)
        out.push_back(uint16_t(bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0)));
      return;
    }
    case 'k': {
      const uint32_t t = RegisterToken(arg);
      if (t > 0xFFFF) Fail(statement, "one word cannot hold " + std::string(arg));
      out.push_back(uint16_t(t));
      return;
    }
    case 'T': {
      uint32_t t = 0;
      if (IsNumber(arg)) {
        const int64_t v = ParseInt(arg, statement);
        if (v < INT32_MIN || v > UINT32_MAX) Fail(statement, "token out of range");
        t = uint32_t(v);
      } else {
        t = RegisterToken(arg);
      }
      return PutDword(out, t);
    }
    default:
      Fail(statement, std::string("unknown operand kind ") + kind);
  }
}

}  // namespace ts
