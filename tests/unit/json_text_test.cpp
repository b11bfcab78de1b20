// Texts for the JSON files: what is not UTF-8 is written so that its bytes
// come back.
#include <gtest/gtest.h>

#include <string>

#include "app/common/json_text.hpp"

namespace textdump {
namespace {

// UTF-8 stays a string; anything else becomes an object whose hex gives the
// bytes back, and the JSON text is made without an exception.
TEST(JsonText, TextsThatAreNotUtf8KeepTheirBytes) {
  const struct {
    std::string text;
    const char* json;
  } cases[] = {
      {"Pok\xC3\xA9mon \\x41", R"("Pok\u00e9mon \\x41")"},
      {"\x82\xA0\x82\xA2", R"({"hex":"82A082A2","shown":"\\x82\\xA0\\x82\\xA2"})"},
      {"Pok\xE9mon\n", R"({"hex":"506F6BE96D6F6E0A","shown":"Pok\\xE9mon\\x0A"})"},
      {"\xED\xA0\x80", R"({"hex":"EDA080","shown":"\\xED\\xA0\\x80"})"}, // a surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    const nlohmann::ordered_json value = json_text(c.text);
    EXPECT_EQ(value, nlohmann::ordered_json::parse(c.json));
    EXPECT_NO_THROW((void)(nlohmann::ordered_json{{"text", value}}.dump()));
  }
}

} // namespace
} // namespace textdump
