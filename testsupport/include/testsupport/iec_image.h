#pragma once
// IEC code images for tests, built from the image's published layout and its format
// addendum (docs/iec-code-image.md) with an emitter of its own: nothing here shares a
// struct or an accessor with the runtime. Place an image in a panel program with
// ts::IecLogic(image.Build()).
//
//   ts::IecImage img;                 // a small valid application
//   img.d32_max = 8;                  // 32-bit indexes 1..8
//   img.init32 = {{3, 1234}};
//   img.retain.n32 = 2; img.retain.first32 = 3;
//   ts::IecImageLayout where;
//   std::vector<uint8_t> bytes = img.Build(&where);
//   bytes[where.sizing + 24] = 0xFF;   // damage on purpose

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ts {

// Where the builder put each section (byte offsets from the image start; 0 = absent).
struct IecImageLayout {
  uint32_t signature = 0, app_header = 0, custom_funcs = 0, classes = 0, tasks = 0, ext_vars = 0,
           instances = 0, sizing = 0, init = 0, extension = 0, program_count = 0, program_list = 0,
           published = 0, retain = 0, string_caps = 0, var_types = 0, ct_seg = 0, string_table = 0,
           bytecode = 0, init_lists[6] = {};
  uint32_t size = 0;
};

struct IecRetainRuns {
  uint16_t n8 = 0, first8 = 0, n32 = 0, first32 = 0, ntime = 0, firsttime = 0, nstr = 0, firststr = 0,
           n16 = 0, first16 = 0, n64 = 0, first64 = 0;
  uint32_t crc = 0x5EED1234;
  bool present = true;
};

// A published variable (a record of the variable map).
struct IecMapVar {
  uint16_t type = 2, index = 1, dim = 1, string_max = 0, tag = 0;
  std::string name;  // empty: no symbol
  bool has_tag = false, vsi = false;
  uint32_t ct_offset = 0, type_def = 0;  // type 127: CT offset and type-definition offset
  std::string profile;                   // 16-byte profile name when not empty
  std::vector<uint8_t> props;
};

// An entry of the class or custom-function list; id 0 takes the entry's position (from 1).
struct IecNamed {
  std::string name;
  uint16_t required = 1;
  uint16_t id = 0;
};

// A function-block instance: its class id in the class list (built-in: the block's id).
struct IecInstance {
  bool built_in = false;
  uint16_t class_id = 1;
  uint32_t word = 0;
};

struct IecImage {
  std::string app_name = "APP";
  std::string version = "1.00";
  uint32_t format = 1;
  uint32_t build_stamp = 0x00C0FFEE, sfc_crc = 0x5FC;
  uint32_t cycle_us = 0;
  uint16_t start_mode = 0;
  uint32_t status_word = 0x15;  // header word 15
  // Max indexes (counts are one more) and used counts.
  uint16_t d8_max = 4, d16_max = 4, d32_max = 4, d64_max = 2, time_max = 2, active_timers_max = 4,
           steps_max = 0, trans_max = 0, xv_max = 0;
  int used_delta = 0;  // used = max + used_delta (a positive value is refused by the build)
  std::vector<uint8_t> string_caps = {10, 20};  // capacities of strings 1..n
  uint32_t min_string_buffer = 0;
  std::vector<std::pair<uint16_t, uint8_t>> init8;
  std::vector<std::pair<uint16_t, int16_t>> init16;
  std::vector<std::pair<uint16_t, uint32_t>> init32;
  std::vector<std::pair<uint16_t, uint64_t>> init64;
  std::vector<std::pair<uint16_t, uint32_t>> init_time;
  std::vector<std::pair<uint16_t, std::string>> init_str;
  std::vector<std::string> tasks;            // task names (empty: no tasks)
  uint16_t programs = 1;                     // programs, each a lone return (without code)
  std::vector<std::vector<uint16_t>> code;   // the programs' bytecode (sets their number)
  std::vector<uint16_t> program_kinds;       // kind per program (default 0)
  std::vector<IecNamed> classes, custom_funcs;
  std::vector<IecInstance> instances;
  uint32_t wished_instance_data = 0;
  std::vector<std::string> instance_names;   // extension slot 22 (version 22 on)
  // The variable map (published-variable list): records, capacity (0: the record count)
  // and whether items carry extended status.
  std::vector<IecMapVar> map;
  uint16_t map_capacity = 0;
  bool map_vsi = false;
  uint32_t map_stamp = 0x3A9;
  std::vector<uint8_t> ct_types;             // CT type definitions (version 8 on)
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> ct_init;  // {offset, bytes}
  uint16_t call_depth = 0;                   // 0 means 16
  std::vector<std::pair<uint16_t, uint16_t>> ext_vars;  // {type code, index}
  IecRetainRuns retain;
  uint32_t ext_version = 18;
  int32_t heap_size = 0;
  uint32_t password = 0;
  uint32_t program_slots = 0;                // extension slot 19
  std::vector<std::string> strings;          // string table (version 14 on)
  uint32_t ct_alloc = 0, ct_used = 0;        // CT segment (version 7 on; 0: none)
  bool var_types = true;
  uint32_t init_flags = 0;

  std::vector<uint8_t> Build(IecImageLayout* where = nullptr) const;
};

}  // namespace ts
