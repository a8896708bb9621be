// The instruction table of docs/iec-code-image.md, transcribed by mnemonic.
#include "testsupport/iec_asm.h"

#include <cstdlib>
#include <map>
#include <sstream>

namespace ts {
namespace {

struct Op {
  const char* name;
  uint16_t plain, locked;  // locked 0: no lock-respecting form
  const char* operands;
};

constexpr Op kOps[] = {
    {"NEG.D", 1, 110, "dd"}, {"NEG.R", 2, 111, "dd"}, {"NOT", 3, 112, "bb"},
    {"MUL.D", 4, 113, "ddd"}, {"MUL.R", 5, 114, "ddd"}, {"DIV.D", 6, 115, "ddd"}, {"DIV.R", 7, 116, "ddd"},
    {"ADD.D", 8, 117, "ddd"}, {"ADD.R", 9, 118, "ddd"}, {"ADD.T", 10, 283, "ttt"},
    {"SUB.D", 12, 120, "ddd"}, {"SUB.R", 13, 121, "ddd"}, {"SUB.T", 14, 284, "ttt"}, {"CAT", 11, 119, "sss"},
    {"GT.D", 19, 126, "bdd"}, {"GT.R", 20, 127, "bdd"}, {"GT.T", 21, 129, "btt"}, {"GT.S", 22, 128, "bss"},
    {"GE.D", 27, 134, "bdd"}, {"GE.R", 28, 135, "bdd"}, {"GE.T", 29, 137, "btt"}, {"GE.S", 30, 136, "bss"},
    {"EQ.D", 31, 138, "bdd"}, {"EQ.R", 32, 139, "bdd"}, {"EQ.T", 33, 142, "btt"}, {"EQ.S", 34, 140, "bss"},
    {"EQ.B", 35, 141, "bbb"},
    {"NE.D", 36, 143, "bdd"}, {"NE.R", 37, 144, "bdd"}, {"NE.T", 38, 147, "btt"}, {"NE.S", 39, 145, "bss"},
    {"NE.B", 40, 146, "bbb"},
    {"OR", 41, 148, "bbb"}, {"AND", 42, 149, "bbb"}, {"XOR", 43, 150, "bbb"},
    {"MOV.B", 44, 151, "bb"}, {"MOV.D", 45, 152, "dd"}, {"MOV.R", 46, 153, "dd"}, {"MOV.T", 47, 155, "tt"},
    {"MOV.S", 48, 154, "ss"},
    {"LDX.B", 55, 161, "bbd"}, {"LDX.D", 56, 162, "ddd"}, {"LDX.R", 57, 163, "ddd"}, {"LDX.T", 58, 164, "ttd"},
    {"LDX.S", 59, 165, "ssd"},
    {"STX.B", 60, 166, "bdb"}, {"STX.D", 61, 167, "ddd"}, {"STX.R", 62, 168, "ddd"}, {"STX.T", 63, 169, "tdt"},
    {"STX.S", 64, 256, "sds"},
    {"JT", 65, 0, "bj"}, {"JF", 66, 0, "bj"}, {"JMP", 67, 0, "j"}, {"JA", 528, 0, "a"}, {"JAF", 529, 0, "ba"},
    {"JAT", 530, 0, "ba"}, {"JEQ", 544, 0, "dda"}, {"JTAB", 543, 0, "dn:a"}, {"RET", 68, 0, ""}, {"RET2", 234, 0, ""},
    {"NEG.L", 289, 288, "ll"}, {"MUL.L", 291, 290, "lll"}, {"DIV.L", 293, 292, "lll"}, {"ADD.L", 295, 294, "lll"},
    {"SUB.L", 297, 296, "lll"}, {"GT.L", 301, 300, "bll"}, {"GE.L", 305, 304, "bll"}, {"EQ.L", 307, 306, "bll"},
    {"NE.L", 309, 308, "bll"}, {"MOV.L", 311, 310, "ll"}, {"LDX.L", 313, 312, "lld"}, {"STX.L", 315, 314, "ldl"},
    {"IMM.L", 317, 316, "lQ"},
    {"NEG.LR", 321, 320, "ll"}, {"MUL.LR", 323, 322, "lll"}, {"DIV.LR", 325, 324, "lll"}, {"ADD.LR", 327, 326, "lll"},
    {"SUB.LR", 329, 328, "lll"}, {"GT.LR", 333, 332, "bll"}, {"GE.LR", 337, 336, "bll"}, {"EQ.LR", 339, 338, "bll"},
    {"NE.LR", 341, 340, "bll"}, {"MOV.LR", 343, 342, "ll"}, {"LDX.LR", 345, 344, "lld"}, {"STX.LR", 347, 346, "ldl"},
    {"NEG.I", 349, 348, "ww"}, {"MUL.I", 351, 350, "www"}, {"DIV.I", 353, 352, "www"}, {"ADD.I", 355, 354, "www"},
    {"SUB.I", 357, 356, "www"}, {"GT.I", 361, 360, "bww"}, {"GE.I", 365, 364, "bww"}, {"EQ.I", 367, 366, "bww"},
    {"NE.I", 369, 368, "bww"}, {"MOV.I", 371, 370, "ww"}, {"LDX.I", 373, 372, "wwd"}, {"STX.I", 375, 374, "wdw"},
    {"NEG.SI", 377, 376, "bb"}, {"MUL.SI", 379, 378, "bbb"}, {"DIV.SI", 381, 380, "bbb"}, {"ADD.SI", 383, 382, "bbb"},
    {"SUB.SI", 385, 384, "bbb"}, {"GT.SI", 389, 388, "bbb"}, {"GE.SI", 393, 392, "bbb"}, {"EQ.SI", 395, 394, "bbb"},
    {"NE.SI", 397, 396, "bbb"}, {"MOV.SI", 399, 398, "bb"}, {"LDX.SI", 401, 400, "bbd"}, {"STX.SI", 403, 402, "bdb"},
    {"GT.UB", 482, 486, "bbb"}, {"GE.UB", 483, 487, "bbb"}, {"MUL.UB", 484, 488, "bbb"}, {"DIV.UB", 485, 489, "bbb"},
    {"GT.UW", 490, 494, "bww"}, {"GE.UW", 491, 495, "bww"}, {"MUL.UW", 492, 496, "www"}, {"DIV.UW", 493, 497, "www"},
    {"GT.UD", 498, 502, "bdd"}, {"GE.UD", 499, 503, "bdd"}, {"MUL.UD", 500, 504, "ddd"}, {"DIV.UD", 501, 505, "ddd"},
    {"GT.UL", 556, 560, "bll"}, {"GE.UL", 557, 561, "bll"}, {"MUL.UL", 558, 562, "lll"}, {"DIV.UL", 559, 563, "lll"},
    {"TEST.B", 509, 517, "bbb"}, {"TEST.W", 510, 518, "bww"}, {"TEST.D", 511, 519, "bdd"},
    {"BITS.B", 513, 521, "bbb"}, {"BITS.W", 514, 522, "wbw"}, {"BITS.D", 515, 523, "dbd"},
    {"SET1", 261, 263, "b"}, {"SET0", 262, 264, "b"}, {"IMM.B", 404, 405, "bk"}, {"IMM.W", 267, 268, "wk"},
    {"IMM.D", 271, 272, "dK"}, {"IMM.T", 279, 280, "tK"}, {"IMM.S", 408, 409, "sT"},
    {"LOCK.B", 265, 0, "b"}, {"LOCK.B2", 406, 0, "b"}, {"UNLOCK.B", 266, 0, "b"}, {"UNLOCK.B2", 407, 0, "b"},
    {"LOCK.W", 269, 0, "w"}, {"UNLOCK.W", 270, 0, "w"}, {"LOCK.D", 273, 0, "d"}, {"UNLOCK.D", 274, 0, "d"},
    {"LOCK.T", 281, 0, "t"}, {"UNLOCK.T", 282, 0, "t"}, {"LOCK.L", 318, 0, "l"}, {"UNLOCK.L", 319, 0, "l"},
    {"LOCK.S", 410, 0, "s"}, {"UNLOCK.S", 411, 0, "s"}, {"UNLOCKALL", 554, 0, ""},
    {"PAUSE", 257, 0, ""}, {"RUN", 258, 0, ""}, {"CYCLE1", 259, 0, ""}, {"STEP", 525, 0, ""},
    {"SETCYCLE", 260, 0, "kk"}, {"TSTART", 275, 277, "t"}, {"TSTOP", 276, 278, "t"}, {"CTTSTART", 538, 0, "d"},
    {"CTTSTOP", 539, 0, "d"}, {"FTRIG", 196, 203, "bbb"}, {"RTRIG", 197, 204, "bbb"}, {"CONV", 205, 207, "vvyy"},
    {"CALLF", 285, 0, "kn*"}, {"CALLC", 286, 0, "fn*"}, {"CHKC", 536, 0, "fn*"}, {"CALLB", 287, 0, "in*"},
    {"CHKB", 537, 0, "in*"}, {"CALLBCT", 535, 0, "dn*"}, {"CALLP", 423, 0, "p"},
    {"PSTART", 187, 0, "p"}, {"PSUSPEND", 188, 0, "p"}, {"PKILL", 189, 0, "p"}, {"PRESUME", 190, 0, "p"},
    {"PSTATE", 193, 0, "dp"}, {"PSTATEV", 200, 0, "dd"},
    {"SFCSTEP", 412, 0, "eaaa"}, {"SFCTRANS", 413, 0, "rjn:e"}, {"SFCTRANS1", 417, 0, "rje"},
    {"SFCOFF", 414, 0, "rn:e"}, {"SFCON", 415, 0, "rn:e"}, {"SFCFIRE1", 418, 0, "ree"}, {"SFCINIT", 416, 0, "n:e"},
    {"SFCINIT1", 419, 0, "e"}, {"SFCEND", 420, 0, "n:p"}, {"SETTRANS", 107, 0, "rb"}, {"STEPX", 208, 0, "be"},
    {"STEPT", 209, 0, "te"}, {"BRKSTEP", 540, 0, "ek"}, {"BRKTRANS", 541, 0, "rk"}, {"PFSET", 545, 0, "k"},
    {"PFCLR", 546, 0, "k"}, {"PFTEST", 551, 0, "bk"}, {"STEPSET", 547, 0, "ek"}, {"STEPTIME", 548, 0, "et"},
    {"TRANSBRK", 549, 0, "r"}, {"JTRANSOFF", 550, 0, "rj"}, {"EVERY", 421, 0, "kk"}, {"BOUND", 422, 0, "dkk"},
    {"WAITPT", 506, 0, ""}, {"WAIT", 507, 0, "b"}, {"BRK", 508, 0, ""},
    {"XLD.B", 424, 442, "bx"}, {"XLD.W", 425, 443, "wx"}, {"XLD.D", 426, 444, "dx"}, {"XLD.L", 427, 445, "lx"},
    {"XLD.T", 428, 446, "tx"}, {"XLD.S", 429, 447, "sx"},
    {"XST.B", 430, 448, "xb"}, {"XST.W", 431, 449, "xw"}, {"XST.D", 432, 450, "xd"}, {"XST.L", 433, 451, "xl"},
    {"XST.T", 434, 452, "xt"}, {"XST.S", 435, 453, "xs"},
    {"XIMM.B", 436, 0, "xk"}, {"XIMM.W", 437, 0, "xk"}, {"XIMM.D", 438, 0, "xK"}, {"XIMM.L", 439, 0, "xQ"},
    {"XIMM.T", 440, 0, "xK"}, {"XIMM.S", 441, 0, "xT"}, {"XPROT", 454, 0, "x"}, {"XUNPROT", 455, 0, "x"},
    {"XLDX.B", 456, 468, "bxd"}, {"XLDX.W", 457, 469, "wxd"}, {"XLDX.D", 458, 470, "dxd"},
    {"XLDX.L", 459, 471, "lxd"}, {"XLDX.T", 460, 472, "txd"}, {"XLDX.S", 461, 473, "sxd"},
    {"XSTX.B", 462, 474, "xdb"}, {"XSTX.W", 463, 475, "xdw"}, {"XSTX.D", 464, 476, "xdd"},
    {"XSTX.L", 465, 477, "xdl"}, {"XSTX.T", 466, 478, "xdt"}, {"XSTX.S", 467, 479, "xds"},
    {"SAMPLER", 480, 0, "kn:k"}, {"SAMPLERCTL", 481, 0, "kk"},
    {"CTGET", 531, 0, "yvd"}, {"CTSET", 532, 0, "yvd"}, {"CTGETO", 566, 0, "yvdk"}, {"CTSETO", 567, 0, "yvdk"},
    {"CTADDR", 533, 0, "d"}, {"CTCOPY", 555, 0, "ddd"}, {"PARAMADDR", 552, 0, "dyv"}, {"CTPTR", 553, 0, "dd"},
    {"LOOP", 564, 0, ""}, {"ENDLOOP", 565, 0, "d"}, {"VSISTAMP", 568, 0, "yv"}, {"VSIRESET", 569, 0, "yv"},
    {"NOP", 526, 0, ""}, {"NOP2", 527, 0, ""}, {"NOP3", 534, 0, ""}, {"NOP4", 542, 0, ""},
};

const Op* Find(const std::string& name) {
  for (const Op& op : kOps)
    if (name == op.name) return &op;
  return nullptr;
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// Splits operands at commas outside string literals.
std::vector<std::string> Operands(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.push_back(Trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!Trim(cur).empty()) out.push_back(Trim(cur));
  return out;
}

bool IsNumber(const std::string& s) {
  if (s.empty()) return false;
  char* end = nullptr;
  std::strtoll(s.c_str(), &end, 0);
  return *end == 0;
}

struct Line {
  const Op* op;
  uint16_t opcode;
  std::vector<std::string> operands;
  uint32_t at = 0;    // byte offset of the instruction
  uint32_t size = 0;  // words
};

uint32_t TextWords(const std::string& literal) {
  uint32_t bytes = uint32_t(literal.size()) - 2 + 1;  // without the quotes, with the length byte
  return (bytes + 1) / 2;
}

}  // namespace

uint16_t IecOpcode(const std::string& mnemonic) {
  bool locked = !mnemonic.empty() && mnemonic.back() == '!';
  const Op* op = Find(locked ? mnemonic.substr(0, mnemonic.size() - 1) : mnemonic);
  if (op == nullptr) return 0;
  return locked ? op->locked : op->plain;
}

std::vector<uint16_t> IecAllOpcodes() {
  std::vector<uint16_t> all;
  for (const Op& op : kOps) {
    all.push_back(op.plain);
    if (op.locked) all.push_back(op.locked);
  }
  return all;
}

std::vector<uint16_t> IecAssemble(const std::string& source) {
  std::vector<Line> lines;
  std::map<std::string, uint32_t> labels;
  uint32_t at = 0;
  std::string all = source;
  for (char& c : all)
    if (c == '|') c = '\n';
  std::istringstream in(all);
  std::string raw;
  while (std::getline(in, raw)) {
    std::string text = raw;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '"') quoted = !quoted;
      if (text[i] == ';' && !quoted) {
        text.resize(i);
        break;
      }
    }
    text = Trim(text);
    while (!text.empty()) {
      size_t colon = text.find(':');
      size_t space = text.find_first_of(" \t\"");
      if (colon == std::string::npos || (space != std::string::npos && space < colon)) break;
      labels[Trim(text.substr(0, colon))] = at;
      text = Trim(text.substr(colon + 1));
    }
    if (text.empty()) continue;
    size_t sp = text.find_first_of(" \t");
    std::string name = text.substr(0, sp);
    Line l;
    l.opcode = IecOpcode(name);
    bool locked = name.back() == '!';
    l.op = Find(locked ? name.substr(0, name.size() - 1) : name);
    if (l.op == nullptr || l.opcode == 0) throw IecAsmError{"unknown mnemonic: " + name};
    l.operands = sp == std::string::npos ? std::vector<std::string>{} : Operands(text.substr(sp));
    // Words: each letter one word, K two, Q four, a list its count word and its items,
    // a text its count word and its words.
    uint32_t words = 1, fixed = 0;
    std::string layout = l.op->operands;
    size_t list = layout.find('n');
    for (size_t i = 0; i < layout.size() && (list == std::string::npos || i < list); ++i) {
      char c = layout[i];
      if (c == 'T') {
        if (fixed >= l.operands.size() || l.operands[fixed].size() < 2 || l.operands[fixed][0] != '"')
          throw IecAsmError{name + ": a text operand"};
        words += 1 + TextWords(l.operands[fixed]);
      } else {
        words += c == 'K' ? 2 : c == 'Q' ? 4 : 1;
      }
      ++fixed;
    }
    if (list != std::string::npos) {
      if (l.operands.size() < fixed) throw IecAsmError{name + ": too few operands"};
      words += 1 + uint32_t(l.operands.size() - fixed);
    } else if (l.operands.size() != fixed) {
      throw IecAsmError{name + ": expected " + std::to_string(fixed) + " operands"};
    }
    l.at = at;
    l.size = words;
    at += 2 * words;
    lines.push_back(l);
  }
  std::vector<uint16_t> out;
  auto value = [&](const std::string& s, const Line& l, char kind) -> int64_t {
    if (IsNumber(s)) return std::strtoll(s.c_str(), nullptr, 0);
    auto it = labels.find(s);
    if (it == labels.end()) throw IecAsmError{"unknown label: " + s};
    if (kind == 'j') return int64_t(it->second) - int64_t(l.at + 2 * l.size);
    return it->second;
  };
  for (const Line& l : lines) {
    out.push_back(l.opcode);
    std::string layout = l.op->operands;
    size_t k = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
      char c = layout[i];
      if (c == 'n') {
        char kind = i + 2 < layout.size() ? layout[i + 2] : '*';
        out.push_back(uint16_t(l.operands.size() - k));
        for (; k < l.operands.size(); ++k) out.push_back(uint16_t(value(l.operands[k], l, kind)));
        break;
      }
      const std::string& s = l.operands[k++];
      if (c == 'T') {
        std::string t = s.substr(1, s.size() - 2);
        std::vector<uint8_t> bytes{uint8_t(t.size())};
        bytes.insert(bytes.end(), t.begin(), t.end());
        if (bytes.size() % 2) bytes.push_back(0);
        out.push_back(uint16_t(bytes.size() / 2));
        for (size_t b = 0; b < bytes.size(); b += 2) out.push_back(uint16_t(bytes[b] | bytes[b + 1] << 8));
      } else if (c == 'K' || c == 'Q') {
        uint64_t v = uint64_t(value(s, l, c));
        for (int w = 0; w < (c == 'K' ? 2 : 4); ++w) out.push_back(uint16_t(v >> (16 * w)));
      } else {
        out.push_back(uint16_t(value(s, l, c)));
      }
    }
  }
  return out;
}

}  // namespace ts
