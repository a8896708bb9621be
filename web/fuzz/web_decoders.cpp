// The web server's decoders of outside input on arbitrary bytes: Base64 and hex (with
// round trips), the request buffer's operations driven by the input, the JSON reader,
// URL decoding and HTTP dates. Byte 0 picks the decoder; the rest is its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "web/quorv_buffer.h"
#include "web/quorv_encoding.h"
#include "web/quorv_json.h"
#include "web/quorv_options.h"
#include "web/quorv_util.h"

namespace {

void Quiet(const char*) {}

void Check(bool ok) {
  if (!ok) std::abort();
}

void Base64(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out(size % 97 + 1);
  size_t room = out.size();
  if (quorv_base64_decode(reinterpret_cast<const char*>(data), size, out.data(), &room) != 0) return;
  Check(room <= out.size());
  // What decodes encodes to a text that decodes to the same bytes.
  std::string text((room + 2) / 3 * 4 + 1, '\0');
  size_t length = text.size();
  Check(quorv_base64_encode(out.data(), room, text.data(), &length) == 0);
  std::vector<uint8_t> again(room + 1);
  size_t again_room = again.size();
  Check(quorv_base64_decode(text.data(), length, again.data(), &again_room) == 0);
  Check(again_room == room && std::memcmp(again.data(), out.data(), room) == 0);
}

void Hex(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated
  std::vector<uint8_t> out(size / 2 + 1);
  size_t count = 0;
  if (quorv_util_hex_decode(text.c_str(), -1, out.data(), out.size(), &count) == 0) {
    std::string back(2 * count + 1, '\0');
    quorv_util_hex_encode(out.data(), count, back.data());
    Check(strncasecmp(back.c_str(), text.c_str(), 2 * count) == 0);
  }
  quorv_util_hex_decode(text.c_str(), static_cast<int64_t>(size), out.data(), out.size(), &count);
}

// Operations on a chain of buffers, each taking its arguments from the input.
void Buffers(const uint8_t* data, size_t size) {
  quorv_buffer* head = quorv_buffer_get(QUORV_BUFFER_HEAD_CHAINED, 0, 512, 0);
  quorv_buffer* form = quorv_buffer_get(QUORV_BUFFER_FORM, 0, 512, 0);
  if (!head || !form) std::abort();
  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  while (at < size) {
    const uint8_t op = next();
    const uint32_t n = std::min<uint32_t>(next(), static_cast<uint32_t>(size - at));
    const uint8_t* bytes = data + at;
    at += n;
    int error = 0;
    const uint8_t* piece = nullptr;
    uint8_t scratch[64];
    switch (op % 9) {
      case 0: quorv_buffer_put_data(head, bytes, n); break;
      case 1: quorv_buffer_add_header(head, reinterpret_cast<const char*>(bytes), n); break;
      case 2: {
        const std::string text(reinterpret_cast<const char*>(bytes), n);
        quorv_buffer_put_urlencoded(head, text.c_str(), n, op & 0x10, &error);
        break;
      }
      case 3: {
        const int32_t got = quorv_buffer_get_data(head, &piece, scratch, sizeof scratch, reinterpret_cast<const char*>(bytes), n);
        Check(got <= static_cast<int32_t>(quorv_buffer_available_data(head)));
        if (got > 0) quorv_buffer_get_advance(head, static_cast<uint32_t>(got));
        break;
      }
      case 4: {
        quorv_buffer* content = quorv_buffer_get(QUORV_BUFFER_CONTENT, n, 512, 0);
        if (content && quorv_buffer_put_data(content, bytes, n) == 0) {
          head->kind = QUORV_BUFFER_HEAD_CHAINED;
          quorv_buffer_put_chained_content(head, content);
        } else {
          quorv_buffer_return(content);
        }
        break;
      }
      case 5: {
        // Carried state as a parser might leave it, checked against the data.
        head->header_end = n ? bytes[0] : 0;
        head->carried_length = n > 1 ? bytes[1] : 0;
        head->carried = 1;
        head->kind = (op & 0x20) ? QUORV_BUFFER_HEAD_CHAINED : QUORV_BUFFER_REQUEST;
        quorv_buffer* rest = nullptr;
        if (quorv_buffer_split_content(head, &rest) == 0) quorv_buffer_return(rest);
        head->kind = QUORV_BUFFER_HEAD_CHAINED;
        break;
      }
      case 6: {
        // A form whose body and index are the input.
        form->used = 0;
        quorv_buffer_put_data(form, bytes, n);
        form->form_index_offset = n ? bytes[0] % (n + 1) : 0;
        const char *name = nullptr, *value = nullptr;
        uint32_t length = 0;
        for (uint32_t i = 0; quorv_buffer_get_dict_entry(form, i, &name, &value, &length) == 0; ++i) {
          Check(value + length <= reinterpret_cast<const char*>(form->data + form->used));
          Check(name < reinterpret_cast<const char*>(form->data + form->used));
        }
        break;
      }
      case 7: quorv_buffer_rewind(head); break;
      case 8: quorv_buffer_create_grow(&head, QUORV_BUFFER_CONTENT, n, 512); break;
    }
    Check(head->used <= head->capacity && head->capacity <= 512);
  }
  quorv_buffer_return(head);
  quorv_buffer_return(form);
}

void JsonReader(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* p = text.c_str();
  int32_t token = 0;
  const int32_t at = quorv_util_json_decode_next_token(p, &token);
  Check(at >= 0 && static_cast<size_t>(at) <= std::strlen(p));
  char buffer[32];
  int32_t length = 0;
  const int32_t used = quorv_util_json_decode_string(p, buffer, sizeof buffer, &length);
  if (used >= 0) Check(length < static_cast<int32_t>(sizeof buffer) && static_cast<size_t>(used) <= std::strlen(p));
  quorv_util_json_decode_string(p, nullptr, 0, &length);
  int64_t integer = 0;
  double real = 0;
  int is_real = 0;
  quorv_util_json_decode_number(p + at, &integer, &real, &is_real);
  const int32_t object = quorv_util_json_eat_object(p);
  if (object >= 0) Check(static_cast<size_t>(object) <= std::strlen(p));
}

void Http(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  char out[64];
  const size_t n = quorv_util_url_decode(text.data(), size, out, sizeof out, true, true);
  Check(n < sizeof out && out[n] == '\0');
  quorv_util_url_compare(text.c_str(), out, true);
  quorv_util_parse_http_time(text.c_str());
  uint32_t seconds = 0, nanoseconds = 0;
  quorv_util_split_jstime_to_seconds_nanoseconds(text.c_str(), &seconds, &nanoseconds);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    quorv_options_initialize();
    quorv_global_options.log = Quiet;
    return true;
  }();
  (void)ready;
  if (size == 0) return 0;
  switch (data[0] % 5) {
    case 0: Base64(data + 1, size - 1); break;
    case 1: Hex(data + 1, size - 1); break;
    case 2: Buffers(data + 1, size - 1); break;
    case 3: JsonReader(data + 1, size - 1); break;
    case 4: Http(data + 1, size - 1); break;
  }
  quorv_buffer_free_all();
  return 0;
}
