#pragma once
// The server's error table: the text every error reply quotes for a code below 10000.

#include <cstdint>

#include "web/quorv_types.h"

struct quorv_error_entry {
  int32_t code;
  const char* text;
};

// The table, ended by the code -1.
extern const quorv_error_entry quorv_error_table[];

// The text of code ("Cannot convert error code to an error string" when the table does
// not hold it); *list is always null. 0, or -1 for an unknown code.
int quorv_get_error_strings(int32_t code, const char** text, quorv_localized_string** list);
