// The JSON writer checked by Python's json module, the serialisers' entries and their
// refusals, error texts, notifications and the reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "notification.h"
#include "platform/trace.h"
#include "testsupport/child_process.h"
#include "web/quorv_encoding.h"
#include "web/quorv_json.h"
#include "web_fixture.h"

namespace {

using webtest::WebTest;

// Measures, then writes into exactly the room measured.
template <typename F>
std::string Written(F put) {
  const int32_t size = put(nullptr, 0);
  std::string out(static_cast<size_t>(size), '\0');
  EXPECT_EQ(put(out.data(), size), size);
  return out;
}

std::string String(const std::string& text) {
  return Written([&](char* d, int32_t r) { return quorv_json_put_string(d, r, text.data(), static_cast<int32_t>(text.size())); });
}

quorv_data_value Int(int32_t v) {
  quorv_data_value d{};
  d.type = QUORV_TYPE_INT32;
  d.value.i32 = v;
  return d;
}

quorv_data_value Real(double v) {
  quorv_data_value d{};
  d.type = QUORV_TYPE_DOUBLE;
  d.value.f64 = v;
  return d;
}

quorv_data_value Text(const char* v) {
  quorv_data_value d{};
  d.type = QUORV_TYPE_STRING;
  d.value.text = v;
  return d;
}

std::string Value(const quorv_data_value& v) {
  return Written([&](char* d, int32_t r) { return quorv_json_put_data_value(d, r, &v); });
}

std::string Hex(const std::string& s) {
  std::string text(2 * s.size() + 1, '\0');
  quorv_util_hex_encode(reinterpret_cast<const uint8_t*>(s.data()), s.size(), text.data());
  text.pop_back();
  return text;
}

class Json : public WebTest {
 protected:
  void SetUp() override {
    WebTest::SetUp();
    result_ = quorv_buffer_get(QUORV_BUFFER_CONTENT, 512, quorv_global_options.max_buffer_size, 0);
    context_ = {QUORV_REQUEST_READ, result_, 0, nullptr, nullptr, 500};
  }
  void TearDown() override {
    quorv_buffer_return(result_);
    WebTest::TearDown();
  }
  // The entries written so far, as the reply's array.
  std::string Reply() const { return "[" + std::string(reinterpret_cast<char*>(result_->data), result_->used) + "]"; }

  quorv_buffer* result_ = nullptr;
  quorv_request_context context_{};
};

TEST_F(Json, PrimitivesByTheirEdgeCases) {
  const std::string tab_string = String(std::string("a\t\x01/", 4));
  EXPECT_EQ(tab_string, "\"a\\t\\u0001\\/\"");
  EXPECT_EQ(tab_string.size(), 13u);
  quorv_timestamp ts{1'500'000'000, 123'456'789};
  auto stamp = [&] { return Written([&](char* d, int32_t r) { return quorv_json_put_timestamp(d, r, &ts); }); };
  EXPECT_EQ(stamp(), "1500000000123.456789");
  ts = {1'500'000'000, 0};
  EXPECT_EQ(stamp(), "1500000000000");
  ts = {0, 5'000'000};
  EXPECT_EQ(stamp(), "5.000000");
  ts = {0, 0};
  EXPECT_EQ(stamp(), "0");  // valid JSON, not "0000"
  EXPECT_EQ(Value(Real(std::nan(""))), "null");
  EXPECT_EQ(Value(Real(0.5)), "0.5");
  EXPECT_EQ(Value(Real(1e300)), "1e+300");
  EXPECT_EQ(Value(Real(std::numeric_limits<double>::infinity())), "null");
  EXPECT_EQ(Value(Int(-5)), "-5");
  quorv_data_value u{};
  u.type = QUORV_TYPE_UINT32;
  u.value.u32 = 4'000'000'000u;
  EXPECT_EQ(Value(u), "4000000000");
  u.type = QUORV_TYPE_INT64;
  u.value.i64 = -3;
  EXPECT_EQ(Value(u), "-3");
  u.type = QUORV_TYPE_BOOLEAN;
  u.value.u64 = 0;
  u.value.boolean = 1;
  EXPECT_EQ(Value(u), "true");
  u.type = 99;
  EXPECT_EQ(Value(u), "null");
  const uint8_t bytes[] = {0x00, 0xAB, 0x10, 0x00};
  EXPECT_EQ(Written([&](char* d, int32_t r) { return quorv_json_put_hex_data(d, r, bytes, 3, 0); }), "\"00ab10\"");
  EXPECT_EQ(Written([&](char* d, int32_t r) { return quorv_json_put_hex_data(d, r, bytes + 1, -1, 1); }), "\"AB10\"");
}

TEST_F(Json, TooLittleRoomWritesNothingAndIsLogged) {
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(quorv_json_put_string(out, 4, "abcdef", -1), 0);
  EXPECT_EQ(std::string(out, 4), "xxxx");
  EXPECT_EQ(webtest::CountLog("Internal JSON builder error: Buffer is too small! 8 bytes needed! Please verify function: "
                              "\"quorv_json_put_string\"!"),
            1u);
  EXPECT_EQ(quorv_json_put_string(out, 4, nullptr, -1), 0);
  EXPECT_EQ(webtest::CountLog("Internal JSON builder error: Parameter of function are invalid! Please verify parameters for "
                              "function: \"quorv_json_put_string\"!"),
            1u);
  EXPECT_EQ(quorv_json_put_delimiter(out, 4, 6), 0);
}

TEST_F(Json, EveryTextTheWriterMakesIsJsonForPython) {
  const std::string path = root_.path() + "/json.tsv";
  std::ofstream lines(path);
  // Strings: every byte below 0x80, quotes, slashes, and UTF-8 passed through.
  std::vector<std::string> strings = {"", "plain", "quote \" and \\ and /", "\b\f\n\r\t", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"};
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii += static_cast<char>(c);
  strings.push_back(ascii);
  strings.push_back(std::string("nul\0inside", 10));
  for (const std::string& s : strings) lines << "string\t" << Hex(s) << '\t' << Hex(String(s)) << '\n';

  // Values of every type, and the serialisers' entries.
  quorv_timestamp ts{1'700'000'000, 250'000'000};
  for (const quorv_data_value& v : {Int(INT32_MIN), Real(-1.25e-300), Real(123456789.123), Text("x\"y")})
    lines << "doc\t\t" << Hex(Value(v)) << '\n';
  const quorv_localized_string texts[] = {{"en", "Motor \"A\" hot"}, {"de", "Motor heiss\n"}, {nullptr, nullptr}};
  const quorv_localized_string plain[] = {{"only one", nullptr}};
  const quorv_localized_string empty[] = {{nullptr, nullptr}};
  const quorv_data_value hot = Real(98.5);
  quorv_data_read_return(&context_, &hot, &ts, 0x40, texts, "op\\1", 0);
  quorv_data_read_return(&context_, nullptr, nullptr, 0, nullptr, nullptr, 301);
  const quorv_data_value label = Text("tab\there");
  quorv_data_read_return(&context_, &label, nullptr, 0, plain, nullptr, 0);
  quorv_data_read_return(&context_, &label, nullptr, 0, empty, nullptr, 0);
  const std::string expected =
      R"([{"value":98.5,"timestamp":1700000000250.0,"status":64,"description":{"en":"Motor \"A\" hot","de":"Motor heiss\n"},)"
      R"("username":"op\\1","error":0},{"value":null,"error":301,"errorstring":"Address not found"},)"
      R"({"value":"tab\there","description":"only one","error":0},{"value":"tab\there","description":{},"error":0}])";
  lines << "doc\t" << Hex(expected) << '\t' << Hex(Reply()) << '\n';
  lines.close();
  ts::ChildProcess python("python3", {webtest::PeerScript("check_json.py"), path});
  EXPECT_EQ(python.Wait(std::chrono::seconds(30)), 0) << python.output();
}

TEST_F(Json, EntriesAreSeparatedAndCheckedAgainstTheirKind) {
  EXPECT_EQ(quorv_data_write_return(&context_, 0), QUORV_SERIALIZE_WRONG_KIND);
  EXPECT_EQ(context_.result_code, 500);
  context_.kind = QUORV_REQUEST_WRITE;
  EXPECT_EQ(quorv_data_write_return(&context_, 0), QUORV_SERIALIZE_DONE);
  EXPECT_EQ(quorv_data_write_return(&context_, 301), QUORV_SERIALIZE_DONE);
  EXPECT_EQ(Reply(), R"([{"error":0},{"error":301,"errorstring":"Address not found"}])");
  EXPECT_EQ(context_.entries, 2u);
  EXPECT_EQ(context_.result_code, 0);
  EXPECT_EQ(quorv_data_write_return(nullptr, 0), QUORV_SERIALIZE_NO_CONTEXT);
  quorv_request_context no_buffer{QUORV_REQUEST_WRITE, nullptr, 0, nullptr, nullptr, 500};
  EXPECT_EQ(quorv_data_write_return(&no_buffer, 0), QUORV_SERIALIZE_NO_CONTEXT);
}

TEST_F(Json, FilterHistoryAndProcessImageEntries) {
  const quorv_timestamp ts{1'500'000'000, 0};
  const quorv_data_value one = Int(1);
  const quorv_localized_string text[] = {{"Overheat", nullptr}};
  context_.kind = QUORV_REQUEST_FILTER_QUERY;
  quorv_alarm_filter_read_return(&context_, "ALM1", &ts, 3, 7, &one, text, "Panel", nullptr);
  quorv_event_filter_read_return(&context_, "EV", &ts, nullptr, nullptr, "op");
  quorv_data_filter_read_return(&context_, "R1", &one, nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(Reply(), R"([{"type":2,"timestamp":1500000000000,"state":3,"priority":7,"address":"ALM1","value":1,)"
                     R"("eventtext":"Overheat","display":"Panel"},{"type":99,"timestamp":1500000000000,"address":"EV",)"
                     R"("username":"op"},{"type":1,"address":"R1","value":1}])");
  result_->used = 0;
  context_.entries = 0;
  context_.kind = QUORV_REQUEST_HISTORY_READ;
  EXPECT_EQ(quorv_read_history_return(&context_, "R1", nullptr, &ts, 0, nullptr, nullptr), QUORV_SERIALIZE_NO_CONTEXT);
  EXPECT_EQ(quorv_read_history_return(&context_, "R1", &one, &ts, 2, nullptr, nullptr), QUORV_SERIALIZE_DONE);
  context_.kind = QUORV_REQUEST_PROCESSIMAGE_LIST;
  EXPECT_EQ(quorv_list_processimage_return(&context_, "R2"), QUORV_SERIALIZE_DONE);
  EXPECT_EQ(Reply(), R"([{"address":"R1","value":1,"timestamp":1500000000000,"status":2},{"address":"R2"}])");
}

TEST_F(Json, AnEntryPastTheMaximumIsRefusedWhole) {
  quorv_buffer_return(result_);
  result_ = quorv_buffer_get(QUORV_BUFFER_CONTENT, 16, 40, 0);
  context_.result = result_;
  context_.kind = QUORV_REQUEST_WRITE;
  // {"error":0} is 11 bytes, each later entry 12 with its comma: 35 bytes and the
  // footer's 2 fit 40; a fourth entry would leave no room to close the reply.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(quorv_data_write_return(&context_, 0), QUORV_SERIALIZE_DONE);
  EXPECT_EQ(result_->used, 35u);
  EXPECT_EQ(quorv_data_write_return(&context_, 0), QUORV_SERIALIZE_OVERFLOW);
  EXPECT_EQ(context_.result_code, 304);
  EXPECT_EQ(result_->used, 35u);
  EXPECT_EQ(context_.entries, 3u);
  EXPECT_EQ(webtest::CountLog("Buffer overflow - max size 40, wants 49"), 1u);
}

TEST_F(Json, ApplicationErrorTexts) {
  auto text = [](int32_t code) { return Written([&](char* d, int32_t r) { return quorv_util_write_errstrings(d, r, code); }); };
  EXPECT_EQ(text(301), "\"Address not found\"");
  EXPECT_EQ(text(999), "\"Cannot convert error code to an error string\"");
  EXPECT_EQ(text(10000), "\"Error fetching callback not set\"");
  static int frees = 0;
  quorv_server_set_error_callback_simple(+[](int32_t code, int32_t* must_free) -> char* {
    *must_free = 1;
    ++frees;
    return strdup(code == 10001 ? "Valve stuck" : "Other");
  });
  EXPECT_EQ(text(10001), "\"Valve stuck\"");
  // The extended callback is asked first; its list becomes an object.
  quorv_server_set_error_callback_ex(+[](int32_t, char** t, quorv_localized_string** list, int32_t* must_free) -> int32_t {
    *t = nullptr;
    *list = static_cast<quorv_localized_string*>(calloc(3, sizeof(quorv_localized_string)));
    (*list)[0] = {strdup("en"), strdup("Valve stuck")};
    (*list)[1] = {strdup("it"), strdup("Valvola bloccata")};
    *must_free = 1;
    return 0;
  });
  EXPECT_EQ(text(10001), R"({"en":"Valve stuck","it":"Valvola bloccata"})");
  EXPECT_EQ(text(0), "\"OK\"");
}

// Sessions stand for themselves by address; the frames of one session lie together.
struct Subscriptions {
  quorv_subscription_frame frames[4] = {};
  quorv_subscription_frame* order[4];
  quorv_subscription_item item{};
  Subscriptions() {
    const uintptr_t sessions[4] = {0x100, 0x100, 0x200, 0x300};
    for (int i = 0; i < 4; ++i) {
      std::snprintf(frames[i].id, sizeof frames[i].id, "%x", 0xa0 + i);
      frames[i].session = reinterpret_cast<quorv_session*>(sessions[i]);
      order[i] = &frames[i];
    }
    item.name = const_cast<char*>("R100");
    item.frames = order;
    item.frame_count = 4;
  }
};

std::vector<std::string> Ids(const quorv_notification* n) {
  std::vector<std::string> ids;
  for (const char* p = n->packed + n->ids; *p; p += std::strlen(p) + 1) ids.emplace_back(p);
  return ids;
}

TEST_F(Json, ANotificationPacksItsTexts) {
  Subscriptions s;
  const quorv_data_value value = Text("on");
  const quorv_timestamp ts{10, 20};
  const quorv_localized_string text[] = {{"en", "Pump"}, {"fr", "Pompe"}, {nullptr, nullptr}};
  const quorv_notification_fields fields{QUORV_NOTIFY_ALARM, "ALM7", &value, &ts, 0, 2, 9, text, "Screen 3", "op"};
  quorv_notification* n = quorv_notification_build(fields, s.order, 2);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->kind, QUORV_NOTIFY_ALARM);
  EXPECT_STREQ(n->value.value.text, "on");
  EXPECT_GE(n->value.value.text, n->packed);  // the string value lives in the notification
  EXPECT_STREQ(n->packed + n->address, "ALM7");
  EXPECT_STREQ(n->packed + n->display, "Screen 3");
  EXPECT_STREQ(n->packed + n->user, "op");
  EXPECT_EQ(n->state, 2u);
  EXPECT_EQ(n->priority, 9u);
  EXPECT_EQ(Ids(n), (std::vector<std::string>{"a0", "a1"}));
  EXPECT_EQ(Written([&](char* d, int32_t r) { return quorv_json_serialize_localized_strings(d, r, n->packed + n->text); }),
            R"({"en":"Pump","fr":"Pompe"})");
  quorv_notification_free(n);

  const quorv_localized_string plain[] = {{"Pump", nullptr}};
  const quorv_notification_fields data{QUORV_NOTIFY_DATA, "R1", nullptr, nullptr, 5, 0, 0, plain, nullptr, nullptr};
  n = quorv_notification_build(data, s.order + 2, 1);
  EXPECT_EQ(n->value.type, QUORV_TYPE_NULL);
  EXPECT_EQ(n->user, -1);
  EXPECT_EQ(n->display, -1);
  EXPECT_EQ(Written([&](char* d, int32_t r) { return quorv_json_serialize_localized_strings(d, r, n->packed + n->text); }),
            "\"Pump\"");
  EXPECT_EQ(Ids(n), (std::vector<std::string>{"a2"}));
  quorv_notification_free(n);
}

TEST_F(Json, AUserInfoNotificationPacksGroupsAndNamedValues) {
  const char* groups[] = {"Right0", "Right3", nullptr};
  const char* names[] = {"level", "fullname", nullptr};
  const quorv_data_value values[] = {Int(3), Text("Ann Smith")};
  quorv_notification* n = quorv_notification_build_user_info("ann", groups, names, values);
  ASSERT_NE(n, nullptr);
  EXPECT_STREQ(n->packed + n->user, "ann");
  const char* g = n->packed + n->groups;
  EXPECT_STREQ(g, "Right0");
  EXPECT_STREQ(g + 7, "Right3");
  EXPECT_EQ(g[14], '\0');
  const char* e = n->packed + n->entries;
  EXPECT_STREQ(e, "level");
  quorv_data_value v;
  std::memcpy(&v, e + 6, sizeof v);
  EXPECT_EQ(v.value.i32, 3);
  e += 6 + sizeof v;
  EXPECT_STREQ(e, "fullname");
  std::memcpy(&v, e + 9, sizeof v);
  ASSERT_EQ(v.type, QUORV_TYPE_STRING);
  EXPECT_STREQ(v.value.text, "Ann Smith");
  EXPECT_EQ(e[9 + sizeof v], '\0');
  quorv_notification_free(n);
}

TEST_F(Json, NotifyQueuesOneNotificationPerSession) {
  Subscriptions s;
  plat::TraceEnable(true);
  plat::TraceClear();
  const quorv_data_value v = Int(5);
  quorv_data_notify(&s.item, &v, nullptr, 0, nullptr, nullptr);
  std::vector<int64_t> sessions;
  for (const plat::TraceEntry& e : plat::TraceSnapshot())
    if (std::strcmp(e.name, "quorv_engine_session_insert_notification") == 0) sessions.push_back(e.a);
  EXPECT_EQ(sessions, (std::vector<int64_t>{0x100, 0x200, 0x300}));
  EXPECT_EQ(plat::TraceCountOf("quorv_engine_session_table_read_lock"), 1u);
  EXPECT_EQ(plat::TraceCountOf("quorv_engine_session_table_read_unlock"), 1u);

  // Nothing for an item without subscribers.
  plat::TraceClear();
  s.item.frame_count = 0;
  quorv_alarm_notify(&s.item, nullptr, 1, 1, &v, nullptr, nullptr, nullptr);
  quorv_data_notify(nullptr, &v, nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(plat::TraceCountOf("quorv_engine_session_insert_notification"), 0u);
  plat::TraceEnable(false);
}

TEST_F(Json, ASubscriptionReadBecomesANotification) {
  Subscriptions s;
  context_.kind = QUORV_REQUEST_SUBSCRIPTION_READ;
  context_.item = &s.item;
  context_.frame = &s.frames[1];
  plat::TraceEnable(true);
  plat::TraceClear();
  const quorv_data_value v = Int(5);
  EXPECT_EQ(quorv_data_read_return(&context_, &v, nullptr, 0, nullptr, nullptr, 0), QUORV_SERIALIZE_DONE);
  EXPECT_EQ(context_.result_code, 0);
  EXPECT_EQ(result_->used, 0u);  // nothing in the reply
  EXPECT_EQ(plat::TraceCountOf("quorv_engine_session_insert_notification"), 1u);
  EXPECT_EQ(quorv_data_read_return(&context_, &v, nullptr, 0, nullptr, nullptr, 301), QUORV_SERIALIZE_NO_CONTEXT);
  EXPECT_EQ(context_.result_code, 301);
  EXPECT_EQ(plat::TraceCountOf("quorv_engine_session_insert_notification"), 1u);
  context_.kind = QUORV_REQUEST_READ;
  EXPECT_EQ(quorv_alarm_read_return(&context_, nullptr, 0, 0, &v, nullptr, nullptr, nullptr, 0), QUORV_SERIALIZE_WRONG_KIND);
  plat::TraceEnable(false);
}

TEST_F(Json, Reader) {
  int32_t token = -1;
  struct Case {
    const char* text;
    int32_t token;
    int32_t offset;
  };
  for (const Case& c : {Case{"  {", 0, 3}, Case{":", 1, 1}, Case{"\r\n,", 2, 3}, Case{"}", 3, 1}, Case{"[", 4, 1}, Case{"]", 5, 1},
                        Case{" \"a\"", 6, 2}, Case{" -12", 7, 1}, Case{"TRUE", 8, 4}, Case{"false", 9, 5}, Case{"Null", 10, 4},
                        Case{"   ", 11, 3}, Case{"x", 12, 1}}) {
    EXPECT_EQ(quorv_util_json_decode_next_token(c.text, &token), c.offset) << c.text;
    EXPECT_EQ(token, c.token) << c.text;
  }
  int64_t integer = 0;
  double real = 0;
  int is_real = 0;
  EXPECT_EQ(quorv_util_json_decode_number("-42,", &integer, &real, &is_real), 3);
  EXPECT_EQ(integer, -42);
  EXPECT_EQ(is_real, 0);
  EXPECT_EQ(quorv_util_json_decode_number("2.75e1}", &integer, &real, &is_real), 6);
  EXPECT_EQ(integer, 27);
  EXPECT_DOUBLE_EQ(real, 27.5);
  EXPECT_EQ(is_real, 1);
  EXPECT_EQ(quorv_util_json_decode_number("4294967295", &integer, &real, &is_real), 10);
  EXPECT_EQ(integer, 4294967295LL);
  EXPECT_EQ(quorv_util_json_decode_number("x", &integer, &real, &is_real), -1);

  char buffer[16];
  int32_t length = 0;
  EXPECT_EQ(quorv_util_json_decode_string(R"(a\"b\u0041\/c" rest)", buffer, sizeof buffer, &length), 14);
  EXPECT_STREQ(buffer, "a\"bA/c");
  EXPECT_EQ(length, 6);
  EXPECT_EQ(quorv_util_json_decode_string(R"(plain")", nullptr, 0, &length), 6);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(quorv_util_json_decode_string(R"(a\nb")", nullptr, 0, &length), -1);  // measuring cannot unescape
  EXPECT_EQ(quorv_util_json_decode_string(R"(a\qb")", buffer, sizeof buffer, &length), -1);
  EXPECT_EQ(quorv_util_json_decode_string("no end", buffer, sizeof buffer, &length), -1);
  EXPECT_EQ(quorv_util_json_decode_string("0123456789abcdefgh\"", buffer, sizeof buffer, &length), -1);  // too long

  EXPECT_EQ(quorv_util_json_eat_object(R"({"a":{"b":"}"},"c":[1]} tail)"), 23);
  EXPECT_EQ(quorv_util_json_eat_object(R"({"a":{"b":1})"), -1);
  EXPECT_EQ(quorv_util_json_eat_object("[1]"), -1);
}

}  // namespace
