// The option record's defaults, the realm by the panel's identity, the MIME table from
// a file, and the callback slots.
#include <gtest/gtest.h>

#include <string>

#include "quorv_context.h"
#include "web/quorv_options.h"
#include "web_fixture.h"

namespace {

using webtest::WebTest;

class Options : public WebTest {};

std::string Mime(uint32_t i) {
  const quorv_mimetype& m = quorv_global_options.mimetypes[i];
  return std::string(m.extension) + "=" + m.type;
}

TEST_F(Options, Defaults) {
  const quorv_options& o = quorv_global_options;
  EXPECT_STREQ(o.prefix, "/Quorv/");
  EXPECT_EQ(o.prefix_length, 7);
  EXPECT_EQ(o.http_port, 80);
  EXPECT_EQ(o.https_port, 443);
  EXPECT_STREQ(o.web_root, "WEBROOT_NOT_SET");
  EXPECT_STREQ(o.index_files, "index.htm");
  EXPECT_EQ(o.level, 3);
  EXPECT_EQ(o.auth_mode, 5);
  EXPECT_STREQ(o.realm, "Quorv");
  EXPECT_EQ(o.max_request_size, 0x20000u);
  EXPECT_EQ(o.max_buffer_size, 0x800000u);
  EXPECT_EQ(o.session_timeout, 60u);
  EXPECT_STREQ(o.server_header, "Quorv SDK/0.9.0");
  EXPECT_EQ(o.publish_queue_size, 4608u);
  ASSERT_EQ(o.mimetype_count, 10u);
  EXPECT_EQ(Mime(0), "css=text/css");
  EXPECT_EQ(Mime(9), "xml=text/xml");
  for (uint32_t i = 1; i < o.mimetype_count; ++i)
    EXPECT_LT(quorv_util_compare_mimetype(&o.mimetypes[i - 1], &o.mimetypes[i]), 0);
}

TEST_F(Options, ThePartnerIdentityHasItsOwnRealm) {
  root_.Write("/mnt/cfg/oeminfo", std::vector<uint8_t>{128});
  quorv_options_free();
  quorv_options_initialize();
  EXPECT_STREQ(quorv_global_options.realm, "z7PNQ");
  root_.Write("/mnt/cfg/oeminfo", std::vector<uint8_t>{3});
  quorv_options_free();
  quorv_options_initialize();
  EXPECT_STREQ(quorv_global_options.realm, "Quorv");
}

TEST_F(Options, RealmsByAuthenticationMode) {
  quorv_options_set_auth_options(1, nullptr);
  EXPECT_STREQ(quorv_global_options.realm, "Quorv");
  quorv_options_set_auth_options(5, nullptr);
  EXPECT_EQ(quorv_global_options.realm, nullptr);
  EXPECT_EQ(quorv_global_options.auth_mode, 5);
  quorv_options_set_auth_options(2, "plant");
  EXPECT_STREQ(quorv_global_options.realm, "plant");
}

TEST_F(Options, SettersKeepTheirOwnCopies) {
  std::string name = "Quorv_server";
  quorv_options_set_server_name(name.c_str());
  name[0] = 'X';
  EXPECT_STREQ(quorv_global_options.server_name, "Quorv_server");
  EXPECT_EQ(quorv_global_options.server_name_length, 12);
  quorv_options_set_server_name(nullptr);  // keeps the name
  EXPECT_STREQ(quorv_global_options.server_name, "Quorv_server");
  quorv_options_set_https_options(nullptr, 443, "/mnt/USB0/server.pem", nullptr);
  EXPECT_STREQ(quorv_global_options.certificate_file, "/mnt/USB0/server.pem");
  EXPECT_EQ(quorv_global_options.pass_phrase, nullptr);
  quorv_options_set_web_root("/mnt/USB0/Quorv/wwwroot", "index.htm;index.html");
  EXPECT_STREQ(quorv_global_options.index_files, "index.htm;index.html");
  quorv_options_set_quorv_prefix("/api/");
  EXPECT_EQ(quorv_global_options.prefix_length, 5);
}

TEST_F(Options, MimeTypesFromAFile) {
  root_.Write("/mnt/USB0/mime.types",
              "# comment text/html htm\n"
              "\n"
              "text/plain txt text\n"
              "image/png\tPNG   # a comment ends the line\n"
              "application/json json");  // the last word has no whitespace after it
  ASSERT_EQ(quorv_options_set_mimetypes_from_file("/mnt/USB0/mime.types"), 0);
  ASSERT_EQ(quorv_global_options.mimetype_count, 3u);
  EXPECT_EQ(Mime(0), "PNG=image/png");
  EXPECT_EQ(Mime(1), "text=text/plain");
  EXPECT_EQ(Mime(2), "txt=text/plain");

  // A missing file leaves the table as it was.
  EXPECT_EQ(quorv_options_set_mimetypes_from_file("/mnt/USB0/none.types"), -1);
  EXPECT_EQ(quorv_global_options.mimetype_count, 3u);

  // More than 16 rows grow the table; a line of more than 255 characters is cut.
  std::string many = "a/b";
  for (int i = 0; i < 40; ++i) many += " e" + std::to_string(i);
  many += "\n" + std::string(300, 'x') + " tail\nc/d last\n";
  root_.Write("/mnt/USB0/many.types", many);
  ASSERT_EQ(quorv_options_set_mimetypes_from_file("/mnt/USB0/many.types"), 0);
  EXPECT_EQ(quorv_global_options.mimetype_count, 41u);
}

TEST_F(Options, CallbacksGoIntoTheirSlots) {
  auto read = +[](quorv_request_context*, void*, const char*) -> int32_t { return 0; };
  auto write = +[](quorv_request_context*, void*, const char*, const char*, int32_t) -> int32_t { return 0; };
  auto query = +[](quorv_request_context*, void*, const char*) -> int32_t { return 0; };
  auto accept = +[](void*, const char*, int32_t*) -> int32_t { return 0; };
  quorv_server_set_basic_callbacks_simple(read, write);
  quorv_server_set_alarm_callbacks(nullptr, nullptr, read, accept);
  quorv_server_set_scada_callbacks(nullptr, nullptr, query);
  const quorv_server_callbacks& cb = quorv_global_context.callbacks;
  EXPECT_EQ(cb.read_simple, read);
  EXPECT_EQ(cb.write_simple, write);
  EXPECT_EQ(cb.alarm_read, read);
  EXPECT_EQ(cb.accept_alarm, accept);
  EXPECT_EQ(cb.query_filter, query);
  EXPECT_EQ(cb.subscribe_filter, nullptr);
  EXPECT_EQ(cb.read_multi, nullptr);
  quorv_context_server_init();  // back to power-on: every slot empty
  EXPECT_EQ(quorv_global_context.callbacks.read_simple, nullptr);
}

TEST_F(Options, TheLogCallbackTakesEveryMessage) {
  quorv_log("Expiring %s", "x");
  EXPECT_EQ(webtest::CountLog("Expiring x"), 1u);
}

}  // namespace
