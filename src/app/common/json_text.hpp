// Texts as the JSON files write them.
//
// A JSON string is UTF-8, and a text decoded through a table or a file's name
// need not be. json_text gives a text that is UTF-8 as its string, unchanged,
// and any other text as the object {"hex": its bytes, "shown": the text with
// each byte that is not UTF-8, and each control character, as \xHH}: "hex"
// gives the bytes back exactly, and every JSON reader accepts both forms.
// Every string a JSON file holds goes through json_text.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace textdump {

nlohmann::ordered_json json_text(std::string_view text);

} // namespace textdump
