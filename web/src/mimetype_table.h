#pragma once
// The MIME table of the options: the built-in one and tables read from a file.

#include "web/quorv_options.h"

// The built-in table (never freed) and its row count.
quorv_mimetype* quorv_mimetypes_default(uint32_t* count);
// Frees a table read from a file; the built-in one is left alone.
void quorv_mimetypes_free_table(quorv_mimetype* table, uint32_t count);
