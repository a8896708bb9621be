// The text of an error code in a reply: the server's table below 10000, the
// application's error-text callbacks from 10000 on.
#include <cstdlib>

#include "quorv_context.h"
#include "web/quorv_errors.h"
#include "web/quorv_json.h"

namespace {

constexpr int32_t kFirstApplicationCode = 10000;
constexpr int32_t kErrorCallbackNotSet = 506;

void FreeList(quorv_localized_string* list) {
  if (!list) return;
  quorv_localized_string* s = list;
  for (; s->language && s->text; ++s) {
    std::free(const_cast<char*>(s->language));
    std::free(const_cast<char*>(s->text));
  }
  // The closing pair (or a plain text's single pair) may still hold one member.
  std::free(const_cast<char*>(s->language));
  std::free(const_cast<char*>(s->text));
  std::free(list);
}

}  // namespace

int32_t quorv_util_write_errstrings(char* dst, int32_t room, int32_t code) {
  const char* table_text = nullptr;
  if (code < kFirstApplicationCode) {
    quorv_get_error_strings(code, &table_text, nullptr);
    return quorv_json_put_string(dst, room, table_text, -1);
  }
  const quorv_server_callbacks& cb = quorv_global_context.callbacks;
  char* text = nullptr;
  quorv_localized_string* list = nullptr;
  int32_t must_free = 0;
  if (cb.error_ex) {
    cb.error_ex(code, &text, &list, &must_free);
  } else if (cb.error_simple) {
    text = cb.error_simple(code, &must_free);
  } else {
    quorv_get_error_strings(kErrorCallbackNotSet, &table_text, nullptr);
    return quorv_json_put_string(dst, room, table_text, -1);
  }
  int32_t n;
  if (list)
    n = quorv_json_put_localized_strings(dst, room, list);
  else
    n = quorv_json_put_string(dst, room, text ? text : "Cannot convert error code to an error string", -1);
  if (must_free) {
    std::free(text);
    FreeList(list);
  }
  return n;
}
