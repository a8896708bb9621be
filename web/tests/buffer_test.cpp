// Request buffers: growth to the maximum, the pool and its free list, reading chains
// and file replies piece by piece, and the edits of heads and forms.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "web/quorv_buffer.h"
#include "web_fixture.h"

namespace {

using webtest::CountLog;
using webtest::WebTest;

std::string Text(const quorv_buffer* b) { return std::string(reinterpret_cast<const char*>(b->data), b->used); }

size_t FreeListLength() {
  size_t n = 0;
  for (quorv_buffer* b = quorv_global_context.free_buffers; b; b = b->free_next) ++n;
  return n;
}

quorv_buffer* WithText(int32_t kind, const std::string& text, uint32_t maximum = 65536) {
  quorv_buffer* b = quorv_buffer_get(kind, 16, maximum, 0);
  EXPECT_EQ(quorv_buffer_put_data(b, text.data(), static_cast<uint32_t>(text.size())), 0);
  return b;
}

class Buffers : public WebTest {};

TEST_F(Buffers, GrowthStopsAtTheMaximumAndOverflowIsLoggedOnce) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_CONTENT, 100, 3000, 0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->capacity, 128u);  // a power of two
  EXPECT_EQ(b->magic, QUORV_BUFFER_MAGIC_NEW);
  EXPECT_EQ(quorv_buffer_grow(b, 300), 0);
  EXPECT_EQ(b->capacity, 1024u);  // doubled ahead of the 512 needed
  EXPECT_EQ(quorv_buffer_grow(b, 3000), 0);
  EXPECT_EQ(b->capacity, 3000u);  // exactly the maximum
  EXPECT_EQ(quorv_buffer_is_overflowed(b), 0);

  EXPECT_EQ(quorv_buffer_grow(b, 3001), 1);
  EXPECT_EQ(b->overflow, 1);
  EXPECT_EQ(quorv_buffer_grow(b, 3002), 1);
  EXPECT_EQ(quorv_buffer_grow(b, 10), 1);
  EXPECT_EQ(CountLog("Buffer overflow - max size 3000, wants 3001"), 1u);
  EXPECT_EQ(webtest::Logs().size(), 1u);
  EXPECT_EQ(quorv_buffer_is_overflowed(b), -1);
  quorv_buffer_return(b);
}

TEST_F(Buffers, AppendingGrowsByPowersOfTwo) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_CONTENT, 0, 1 << 20, 0);
  std::string all;
  int reallocations = 0;
  uint32_t capacity = b->capacity;
  for (int i = 0; i < 5000; ++i) {
    const std::string entry = "{\"value\":" + std::to_string(i) + "},";
    ASSERT_EQ(quorv_buffer_put_data(b, entry.data(), static_cast<uint32_t>(entry.size())), 0);
    all += entry;
    if (b->capacity != capacity) ++reallocations;
    capacity = b->capacity;
  }
  EXPECT_EQ(Text(b), all);
  EXPECT_LE(reallocations, 12);
  EXPECT_EQ(quorv_buffer_available_space(b, 1), (1 << 20) - static_cast<int64_t>(all.size()));
  EXPECT_EQ(quorv_buffer_reach_max_size(b, (1 << 20) - b->used), 0);
  EXPECT_EQ(quorv_buffer_reach_max_size(b, (1 << 20) - b->used + 1), 2);
  EXPECT_EQ(quorv_buffer_reach_max_size(nullptr, 0), 1);
  EXPECT_EQ(quorv_buffer_call_overflow_error(b, (1 << 20) - b->used + 1), 1);
  EXPECT_EQ(webtest::Logs().size(), 1u);
  quorv_buffer_return(b);
}

TEST_F(Buffers, ThePoolKeepsSmallStorageZeroedAndDropsLargeStorage) {
  quorv_buffer* small = quorv_buffer_get(QUORV_BUFFER_DATA, 4096, 65536, 0);
  quorv_buffer* large = quorv_buffer_get(QUORV_BUFFER_DATA, 8192, 65536, 0);
  ASSERT_EQ(small->capacity, 4096u);
  ASSERT_EQ(large->capacity, 8192u);
  std::memset(small->data, 'x', 4096);
  small->used = 4096;
  quorv_buffer_return(small);
  quorv_buffer_return(large);
  EXPECT_EQ(FreeListLength(), 2u);
  EXPECT_EQ(large->magic, QUORV_BUFFER_MAGIC_FREE);
  EXPECT_EQ(large->data, nullptr);
  ASSERT_NE(small->data, nullptr);
  EXPECT_EQ(small->capacity, 4096u);
  for (uint32_t i = 0; i < small->capacity; ++i) ASSERT_EQ(small->data[i], 0);

  // The last returned comes back first, marked as taken from the pool.
  quorv_buffer* again = quorv_buffer_get(QUORV_BUFFER_CONTENT, 10, 100, 0);
  EXPECT_EQ(again, large);
  EXPECT_EQ(again->magic, QUORV_BUFFER_MAGIC_TAKEN);
  EXPECT_EQ(again->kind, QUORV_BUFFER_CONTENT);
  EXPECT_EQ(again->max_size, 100u);
  EXPECT_EQ(again->used, 0u);
  EXPECT_EQ(again->parse_length, -1);
  EXPECT_EQ(FreeListLength(), 1u);
  quorv_buffer_return(again);
}

TEST_F(Buffers, ReturningTwiceIsLoggedAndChangesNothing) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_DATA, 10, 100, 0);
  quorv_buffer_return(b);
  quorv_buffer_return(b);
  EXPECT_EQ(CountLog("DEBUG: Tried to free already freed buffer"), 1u);
  EXPECT_EQ(FreeListLength(), 1u);
}

TEST_F(Buffers, PrivateBuffersStayOffThePool) {
  quorv_buffer* pooled = quorv_buffer_get(QUORV_BUFFER_DATA, 10, 100, 0);
  quorv_buffer_return(pooled);
  quorv_buffer* mine = quorv_buffer_get(QUORV_BUFFER_CONTENT, 10, 100, 1);
  EXPECT_NE(mine, pooled);
  EXPECT_EQ(FreeListLength(), 1u);
  quorv_buffer_free(mine);
  EXPECT_EQ(FreeListLength(), 1u);
  // Once sent, a private buffer goes back to the pool like any other.
  mine = quorv_buffer_get(QUORV_BUFFER_CONTENT, 10, 100, 1);
  quorv_buffer_return(mine);
  EXPECT_EQ(FreeListLength(), 2u);
  // A storage larger than the maximum cannot be had.
  EXPECT_EQ(quorv_buffer_get(QUORV_BUFFER_CONTENT, 200, 100, 1), nullptr);
}

TEST_F(Buffers, ThreadsShareThePool) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 500; ++i) {
        quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_DATA, 64, 1024, 0);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(b->used, 0u);
        quorv_buffer_put_data(b, "abc", 3);
        quorv_buffer_return(b);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_LE(FreeListLength(), 4u);
  EXPECT_EQ(CountLog("DEBUG: Tried to free already freed buffer"), 0u);
}

TEST_F(Buffers, AFileReplyIsReadInScratchPieces) {
  std::vector<uint8_t> file(10000);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 31);
  root_.Write("/mnt/USB0/Quorv/wwwroot/big.bin", file);
  quorv_buffer* reply = WithText(QUORV_BUFFER_FILE, "HTTP/1.0 200 OK\r\n\r\n");
  ASSERT_EQ(quorv_buffer_put_file(reply, "/mnt/USB0/Quorv/wwwroot/big.bin"), 0);
  EXPECT_EQ(quorv_buffer_available_data(reply), 19u + 10000u);

  std::vector<uint8_t> scratch(4096);
  std::vector<int32_t> pieces;
  std::vector<uint8_t> body;
  const uint8_t* piece = nullptr;
  for (;;) {
    const int32_t n = quorv_buffer_get_data(reply, &piece, scratch.data(), 4096, nullptr, 0);
    ASSERT_GE(n, 0);
    pieces.push_back(n);
    if (n == 0) break;
    if (pieces.size() > 1) body.insert(body.end(), piece, piece + n);
    quorv_buffer_get_advance(reply, static_cast<uint32_t>(n));
  }
  EXPECT_EQ(pieces, (std::vector<int32_t>{19, 4096, 4096, 1808, 0}));
  EXPECT_EQ(body, file);
  EXPECT_EQ(quorv_buffer_available_data(reply), 0u);
  // No scratch: a file reply cannot be read.
  quorv_buffer_rewind(reply);
  EXPECT_EQ(quorv_buffer_get_data(reply, &piece, nullptr, 0, nullptr, 0), -1);
  // HEAD keeps only the head.
  EXPECT_EQ(quorv_buffer_discard_file_content(reply), 0);
  EXPECT_EQ(quorv_buffer_available_data(reply), 19u);
  EXPECT_EQ(quorv_buffer_put_file(reply, "/mnt/USB0/none.bin"), -1);
  quorv_buffer_return(reply);

  quorv_buffer* wrong = WithText(QUORV_BUFFER_HEAD, "x");
  EXPECT_EQ(quorv_buffer_put_file(wrong, "/mnt/USB0/Quorv/wwwroot/big.bin"), -1);
  quorv_buffer_return(wrong);
}

TEST_F(Buffers, APieceEndsAfterTheDelimiter) {
  quorv_buffer* b = WithText(QUORV_BUFFER_DATA, "abc\r\ndef");
  const uint8_t* piece = nullptr;
  EXPECT_EQ(quorv_buffer_get_data(b, &piece, nullptr, 0, "\r\n", 2), 5);
  quorv_buffer_get_advance(b, 5);
  EXPECT_EQ(quorv_buffer_get_data(b, &piece, nullptr, 0, "\r\n", 2), 3);  // no delimiter: the whole piece
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(piece), 3), "def");
  quorv_buffer_get_advance(b, 3);
  EXPECT_EQ(quorv_buffer_get_data(b, &piece, nullptr, 0, "\r\n", 2), 0);
  quorv_buffer_return(b);
  quorv_buffer* unset = quorv_buffer_get(QUORV_BUFFER_UNSET, 0, 10, 0);
  EXPECT_EQ(quorv_buffer_get_data(unset, &piece, nullptr, 0, nullptr, 0), -1);
  quorv_buffer_return(unset);
}

TEST_F(Buffers, UrlEncoding) {
  quorv_buffer* b = quorv_buffer_get(QUORV_BUFFER_CONTENT, 0, 64, 0);
  int error = 0;
  EXPECT_EQ(quorv_buffer_put_urlencoded(b, "a b/", 0, 1, &error), 6);
  EXPECT_EQ(Text(b), "a+b%2F");
  EXPECT_EQ(quorv_buffer_put_urlencoded(b, " \xC3\xA9", 3, 0, &error), 9);
  EXPECT_EQ(Text(b), "a+b%2F%20%C3%A9");
  EXPECT_EQ(error, 0);
  // Past the maximum the encoding stops and says why.
  std::string long_text(40, '/');
  EXPECT_LT(quorv_buffer_put_urlencoded(b, long_text.c_str(), 0, 0, &error), 120);
  EXPECT_EQ(error, 1);
  EXPECT_LE(b->used, 64u);
  quorv_buffer_return(b);
}

TEST_F(Buffers, AHeaderGoesBeforeTheEmptyLine) {
  quorv_buffer* head = WithText(QUORV_BUFFER_HEAD, "HTTP/1.0 200 OK\r\n\r\n", 40);
  const std::string line = "Server: x\r\n";
  EXPECT_EQ(quorv_buffer_add_header(head, line.data(), static_cast<uint32_t>(line.size())), 0);
  EXPECT_EQ(Text(head), "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n");
  EXPECT_EQ(quorv_buffer_add_header(head, line.data(), static_cast<uint32_t>(line.size())), 2);  // past 40 bytes
  quorv_buffer* open = WithText(QUORV_BUFFER_HEAD, "HTTP/1.0 200 OK\r\n");
  EXPECT_EQ(quorv_buffer_add_header(open, line.data(), static_cast<uint32_t>(line.size())), 1);
  EXPECT_EQ(quorv_buffer_add_header(nullptr, line.data(), 1), 1);
  quorv_buffer_return(head);
  quorv_buffer_return(open);
}

TEST_F(Buffers, ChainedContentIsReadAfterItsHeadAndSplitOffAgain) {
  quorv_buffer* head = WithText(QUORV_BUFFER_HEAD, "HEAD\r\n\r\n");
  quorv_buffer* body = WithText(QUORV_BUFFER_CONTENT, "{\"a\":1}");
  EXPECT_EQ(quorv_buffer_put_chained_content(head, body), -1);  // a plain head carries nothing
  head->kind = QUORV_BUFFER_HEAD_CHAINED;
  head->persistent = 1;
  ASSERT_EQ(quorv_buffer_put_chained_content(head, body), 0);
  EXPECT_EQ(body->persistent, 1);
  EXPECT_EQ(head->carried_length, 7u);
  EXPECT_EQ(head->header_end, 8u);
  EXPECT_EQ(quorv_buffer_available_data(head), 15u);

  std::string all;
  const uint8_t* piece = nullptr;
  for (int32_t n; (n = quorv_buffer_get_data(head, &piece, nullptr, 0, nullptr, 0)) > 0;) {
    all.append(reinterpret_cast<const char*>(piece), n);
    quorv_buffer_get_advance(head, static_cast<uint32_t>(n));
  }
  EXPECT_EQ(all, "HEAD\r\n\r\n{\"a\":1}");

  // A new content replaces the old one, which goes back to the pool.
  quorv_buffer* other = WithText(QUORV_BUFFER_CONTENT, "[]");
  ASSERT_EQ(quorv_buffer_put_chained_content(head, other), 0);
  EXPECT_EQ(body->magic, QUORV_BUFFER_MAGIC_FREE);

  quorv_buffer* rest = nullptr;
  ASSERT_EQ(quorv_buffer_split_content(head, &rest), 0);
  EXPECT_EQ(rest, other);
  EXPECT_EQ(head->kind, QUORV_BUFFER_CONTENT);
  EXPECT_EQ(head->chained, nullptr);
  EXPECT_EQ(quorv_buffer_available_data(head), 8u);
  EXPECT_EQ(quorv_buffer_available_data(rest), 2u);
  quorv_buffer_return(rest);
  quorv_buffer_return(head);
  EXPECT_EQ(CountLog("DEBUG: Tried to free already freed buffer"), 0u);
}

TEST_F(Buffers, CarriedBytesAreSplitIntoANewBuffer) {
  quorv_buffer* request = WithText(QUORV_BUFFER_REQUEST, "POST / HTTP/1.0\r\n\r\nGET /next");
  request->header_end = 19;
  request->carried = 1;
  request->carried_length = 9;
  quorv_buffer* rest = nullptr;
  ASSERT_EQ(quorv_buffer_split_content(request, &rest), 0);
  ASSERT_NE(rest, nullptr);
  EXPECT_EQ(Text(rest), "GET /next");
  EXPECT_EQ(rest->kind, QUORV_BUFFER_DATA);
  EXPECT_EQ(rest->max_size, quorv_global_options.max_request_size);
  EXPECT_EQ(Text(request), "POST / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(request->carried, 0);
  quorv_buffer_return(rest);

  // A carried length past the data is refused, not copied.
  request->carried = 1;
  request->carried_length = 100;
  EXPECT_EQ(quorv_buffer_split_content(request, &rest), -1);
  EXPECT_EQ(rest, nullptr);
  request->kind = QUORV_BUFFER_FILE;
  EXPECT_EQ(quorv_buffer_split_content(request, &rest), -1);
  quorv_buffer_return(request);
}

TEST_F(Buffers, CreateGrow) {
  quorv_buffer* b = nullptr;
  EXPECT_EQ(quorv_buffer_create_grow(nullptr, QUORV_BUFFER_CONTENT, 10, 100), 1);
  ASSERT_EQ(quorv_buffer_create_grow(&b, QUORV_BUFFER_CONTENT, 10, 100), 0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->kind, QUORV_BUFFER_CONTENT);
  b->used = 90;
  EXPECT_EQ(quorv_buffer_create_grow(&b, QUORV_BUFFER_CONTENT, 10, 100), 0);
  EXPECT_EQ(quorv_buffer_create_grow(&b, QUORV_BUFFER_CONTENT, 11, 100), 2);
  quorv_buffer_return(b);
}

// A form buffer: the decoded body, then the index of 12-byte entries.
quorv_buffer* Form(const std::string& body, const std::vector<std::array<uint32_t, 3>>& entries) {
  quorv_buffer* b = WithText(QUORV_BUFFER_FORM, body);
  b->form_index_offset = b->used;
  auto put24 = [&](uint32_t v) {
    const uint8_t bytes[3] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
    quorv_buffer_put_data(b, bytes, 3);
  };
  for (const auto& e : entries) {
    put24(e[0]);
    put24(e[1]);
    put24(e[2]);
    quorv_buffer_put_data(b, "\0\0\0", 3);
  }
  return b;
}

TEST_F(Buffers, FormEntriesPointIntoTheBody) {
  // "?address[]=a&address[]=bc" after decoding, NUL-separated.
  const std::string body = std::string("?address[]\0a\0address[]\0bc\0", 26);
  quorv_buffer* form = Form(body, {{1, 11, 1}, {13, 23, 2}, {0, 0, 0}});
  const char *name = nullptr, *value = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(quorv_buffer_get_dict_entry(form, 1, &name, &value, &length), 0);
  EXPECT_STREQ(name, "address[]");
  EXPECT_EQ(std::string(value, length), "bc");
  EXPECT_EQ(quorv_buffer_get_dict_entry(form, 2, &name, &value, &length), -1);  // the end
  EXPECT_EQ(quorv_buffer_get_dict_entry(form, 3, &name, &value, &length), -1);  // past the index
  quorv_buffer_return(form);

  // Entries that point outside the body are refused.
  for (const std::array<uint32_t, 3>& bad : {std::array<uint32_t, 3>{1, 11, 50}, {1, 60, 0}, {0x7FFFFF, 11, 1}}) {
    quorv_buffer* b = Form(body, {bad, {0, 0, 0}});
    EXPECT_EQ(quorv_buffer_get_dict_entry(b, 0, &name, &value, &length), -1) << bad[0] << " " << bad[1] << " " << bad[2];
    quorv_buffer_return(b);
  }
}

TEST_F(Buffers, ResetForgetsOrKeepsTheStorage) {
  quorv_buffer* b = WithText(QUORV_BUFFER_CONTENT, "abc");
  uint8_t* storage = b->data;
  quorv_buffer_reset_data(b);
  EXPECT_EQ(b->data, storage);
  EXPECT_EQ(b->used, 0u);
  EXPECT_EQ(b->kind, QUORV_BUFFER_UNSET);
  EXPECT_EQ(b->max_size, 0u);
  EXPECT_EQ(b->data[0], 0);
  quorv_buffer_free(b);
}

}  // namespace
