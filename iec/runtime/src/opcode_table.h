#pragma once
// The opcode operand table: for every opcode, the operand words that follow it and, for
// instructions with a counted list, which operand holds the count. The careful path
// decodes every instruction's extent from it before executing it; the check of the hot
// forms (hot_forms.h) takes their lengths and operand kinds from it.
#include <cstdint>

namespace n4vm {

inline constexpr uint16_t kOpMax = 569;

struct OpForm {
  uint8_t fixed;     // operand words before the counted list (kInvalid: not an opcode)
  int8_t count_at;   // operand index of the list's count word, -1 for none
  const char* layout;
};
inline constexpr uint8_t kInvalid = 0xFF;

// Operand layouts, one letter per kind (see docs/iec-code-image.md): b w d l t s x are
// indexes of the 8-bit, 16-bit, 32-bit, 64-bit, TIME, string and external-variable
// areas; v an index in the area of a type operand y; k a constant word; K and Q 32- and
// 64-bit constants (2 and 4 words); j a relative and a an absolute byte offset; p a
// program, e a step, r a transition, i an instance, f a custom function; n the count of
// the list that follows (its element kind after it); T a counted text (count, words).
namespace table {

struct Entry {
  uint16_t op;
  const char* layout;
};

// Families whose lock-respecting twins share a layout are listed by pairs.
inline constexpr Entry kEntries[] = {
    {1, "dd"}, {110, "dd"}, {2, "dd"}, {111, "dd"}, {3, "bb"}, {112, "bb"},
    {4, "ddd"}, {113, "ddd"}, {5, "ddd"}, {114, "ddd"}, {6, "ddd"}, {115, "ddd"}, {7, "ddd"}, {116, "ddd"},
    {8, "ddd"}, {117, "ddd"}, {9, "ddd"}, {118, "ddd"}, {10, "ttt"}, {283, "ttt"}, {11, "sss"}, {119, "sss"},
    {12, "ddd"}, {120, "ddd"}, {13, "ddd"}, {121, "ddd"}, {14, "ttt"}, {284, "ttt"},
    {19, "bdd"}, {126, "bdd"}, {20, "bdd"}, {127, "bdd"}, {21, "btt"}, {129, "btt"}, {22, "bss"}, {128, "bss"},
    {27, "bdd"}, {134, "bdd"}, {28, "bdd"}, {135, "bdd"}, {29, "btt"}, {137, "btt"}, {30, "bss"}, {136, "bss"},
    {31, "bdd"}, {138, "bdd"}, {32, "bdd"}, {139, "bdd"}, {33, "btt"}, {142, "btt"}, {34, "bss"}, {140, "bss"},
    {35, "bbb"}, {141, "bbb"},
    {36, "bdd"}, {143, "bdd"}, {37, "bdd"}, {144, "bdd"}, {38, "btt"}, {147, "btt"}, {39, "bss"}, {145, "bss"},
    {40, "bbb"}, {146, "bbb"},
    {41, "bbb"}, {148, "bbb"}, {42, "bbb"}, {149, "bbb"}, {43, "bbb"}, {150, "bbb"},
    {44, "bb"}, {151, "bb"}, {45, "dd"}, {152, "dd"}, {46, "dd"}, {153, "dd"}, {47, "tt"}, {155, "tt"},
    {48, "ss"}, {154, "ss"},
    {55, "bbd"}, {161, "bbd"}, {56, "ddd"}, {162, "ddd"}, {57, "ddd"}, {163, "ddd"}, {58, "ttd"}, {164, "ttd"},
    {59, "ssd"}, {165, "ssd"},
    {60, "bdb"}, {166, "bdb"}, {61, "ddd"}, {167, "ddd"}, {62, "ddd"}, {168, "ddd"}, {63, "tdt"}, {169, "tdt"},
    {64, "sds"}, {256, "sds"},
    {65, "bj"}, {66, "bj"}, {67, "j"}, {68, ""}, {234, ""}, {107, "rb"},
    {187, "p"}, {188, "p"}, {189, "p"}, {190, "p"}, {193, "dp"}, {200, "dd"},
    {196, "bbb"}, {203, "bbb"}, {197, "bbb"}, {204, "bbb"}, {205, "vvyy"}, {207, "vvyy"}, {208, "be"}, {209, "te"},
    {257, ""}, {258, ""}, {259, ""}, {260, "kk"}, {261, "b"}, {262, "b"}, {263, "b"}, {264, "b"},
    {265, "b"}, {266, "b"}, {267, "wk"}, {268, "wk"}, {269, "w"}, {270, "w"}, {271, "dK"}, {272, "dK"},
    {273, "d"}, {274, "d"}, {275, "t"}, {276, "t"}, {277, "t"}, {278, "t"}, {279, "tK"}, {280, "tK"},
    {281, "t"}, {282, "t"},
    {285, "kn*"}, {286, "fn*"}, {287, "in*"},
    // 64-bit integers and LREAL: even = lock-respecting, odd = plain.
    {288, "ll"}, {289, "ll"}, {290, "lll"}, {291, "lll"}, {292, "lll"}, {293, "lll"}, {294, "lll"}, {295, "lll"},
    {296, "lll"}, {297, "lll"}, {300, "bll"}, {301, "bll"}, {304, "bll"}, {305, "bll"}, {306, "bll"}, {307, "bll"},
    {308, "bll"}, {309, "bll"}, {310, "ll"}, {311, "ll"}, {312, "lld"}, {313, "lld"}, {314, "ldl"}, {315, "ldl"},
    {316, "lQ"}, {317, "lQ"}, {318, "l"}, {319, "l"},
    {320, "ll"}, {321, "ll"}, {322, "lll"}, {323, "lll"}, {324, "lll"}, {325, "lll"}, {326, "lll"}, {327, "lll"},
    {328, "lll"}, {329, "lll"}, {332, "bll"}, {333, "bll"}, {336, "bll"}, {337, "bll"}, {338, "bll"}, {339, "bll"},
    {340, "bll"}, {341, "bll"}, {342, "ll"}, {343, "ll"}, {344, "lld"}, {345, "lld"}, {346, "ldl"}, {347, "ldl"},
    {348, "ww"}, {349, "ww"}, {350, "www"}, {351, "www"}, {352, "www"}, {353, "www"}, {354, "www"}, {355, "www"},
    {356, "www"}, {357, "www"}, {360, "bww"}, {361, "bww"}, {364, "bww"}, {365, "bww"}, {366, "bww"}, {367, "bww"},
    {368, "bww"}, {369, "bww"}, {370, "ww"}, {371, "ww"}, {372, "wwd"}, {373, "wwd"}, {374, "wdw"}, {375, "wdw"},
    {376, "bb"}, {377, "bb"}, {378, "bbb"}, {379, "bbb"}, {380, "bbb"}, {381, "bbb"}, {382, "bbb"}, {383, "bbb"},
    {384, "bbb"}, {385, "bbb"}, {388, "bbb"}, {389, "bbb"}, {392, "bbb"}, {393, "bbb"}, {394, "bbb"}, {395, "bbb"},
    {396, "bbb"}, {397, "bbb"}, {398, "bb"}, {399, "bb"}, {400, "bbd"}, {401, "bbd"}, {402, "bdb"}, {403, "bdb"},
    {404, "bk"}, {405, "bk"}, {406, "b"}, {407, "b"}, {408, "sT"}, {409, "sT"}, {410, "s"}, {411, "s"},
    {412, "eaaa"}, {413, "rjn:e"}, {414, "rn:e"}, {415, "rn:e"}, {416, "n:e"}, {417, "rje"}, {418, "ree"},
    {419, "e"}, {420, "n:p"}, {421, "kk"}, {422, "dkk"}, {423, "p"},
    {424, "bx"}, {425, "wx"}, {426, "dx"}, {427, "lx"}, {428, "tx"}, {429, "sx"},
    {430, "xb"}, {431, "xw"}, {432, "xd"}, {433, "xl"}, {434, "xt"}, {435, "xs"},
    {436, "xk"}, {437, "xk"}, {438, "xK"}, {439, "xQ"}, {440, "xK"}, {441, "xT"},
    {442, "bx"}, {443, "wx"}, {444, "dx"}, {445, "lx"}, {446, "tx"}, {447, "sx"},
    {448, "xb"}, {449, "xw"}, {450, "xd"}, {451, "xl"}, {452, "xt"}, {453, "xs"},
    {454, "x"}, {455, "x"},
    {456, "bxd"}, {457, "wxd"}, {458, "dxd"}, {459, "lxd"}, {460, "txd"}, {461, "sxd"},
    {462, "xdb"}, {463, "xdw"}, {464, "xdd"}, {465, "xdl"}, {466, "xdt"}, {467, "xds"},
    {468, "bxd"}, {469, "wxd"}, {470, "dxd"}, {471, "lxd"}, {472, "txd"}, {473, "sxd"},
    {474, "xdb"}, {475, "xdw"}, {476, "xdd"}, {477, "xdl"}, {478, "xdt"}, {479, "xds"},
    {480, "kn*"}, {481, "kk"},
    {482, "bbb"}, {483, "bbb"}, {484, "bbb"}, {485, "bbb"}, {486, "bbb"}, {487, "bbb"}, {488, "bbb"}, {489, "bbb"},
    {490, "bww"}, {491, "bww"}, {492, "www"}, {493, "www"}, {494, "bww"}, {495, "bww"}, {496, "www"}, {497, "www"},
    {498, "bdd"}, {499, "bdd"}, {500, "ddd"}, {501, "ddd"}, {502, "bdd"}, {503, "bdd"}, {504, "ddd"}, {505, "ddd"},
    {506, ""}, {507, "b"}, {508, ""},
    {509, "bbb"}, {510, "bww"}, {511, "bdd"}, {517, "bbb"}, {518, "bww"}, {519, "bdd"},
    {513, "bbb"}, {514, "wbw"}, {515, "dbd"}, {521, "bbb"}, {522, "wbw"}, {523, "dbd"},
    {525, ""}, {526, ""}, {527, ""}, {528, "a"}, {529, "ba"}, {530, "ba"}, {531, "yvd"}, {532, "yvd"},
    {533, "d"}, {534, ""}, {535, "dn*"}, {536, "fn*"}, {537, "in*"}, {538, "d"}, {539, "d"}, {540, "ek"},
    {541, "rk"}, {542, ""}, {543, "dn:a"}, {544, "dda"},
    {545, "k"}, {546, "k"}, {547, "ek"}, {548, "et"}, {549, "r"}, {550, "rj"}, {551, "bk"}, {552, "dyv"},
    {553, "dd"}, {554, ""}, {555, "ddd"},
    {556, "bll"}, {557, "bll"}, {558, "lll"}, {559, "lll"}, {560, "bll"}, {561, "bll"}, {562, "lll"}, {563, "lll"},
    {564, ""}, {565, "d"}, {566, "yvdk"}, {567, "yvdk"}, {568, "yv"}, {569, "yv"},
};

constexpr OpForm Parse(const char* layout) {
  uint8_t fixed = 0;
  for (const char* c = layout; *c; ++c) {
    if (*c == 'n' || *c == 'T') return {uint8_t(fixed + 1), int8_t(fixed), layout};
    fixed = uint8_t(fixed + (*c == 'K' ? 2 : *c == 'Q' ? 4 : 1));
  }
  return {fixed, -1, layout};
}

struct Table {
  OpForm form[kOpMax + 1] = {};
  constexpr Table() {
    for (auto& f : form) f = {kInvalid, -1, nullptr};
    for (const Entry& e : kEntries) form[e.op] = Parse(e.layout);
  }
};
inline constexpr Table kTable;

constexpr unsigned CountValid() {
  unsigned n = 0;
  for (const auto& f : kTable.form) n += f.fixed != kInvalid;
  return n;
}
static_assert(CountValid() == 411, "every assigned opcode has one layout");

}  // namespace table

constexpr const OpForm& Form(uint16_t opcode) { return table::kTable.form[opcode <= kOpMax ? opcode : 0]; }
constexpr bool IsValid(uint16_t opcode) { return opcode <= kOpMax && table::kTable.form[opcode].fixed != kInvalid; }

}  // namespace n4vm
