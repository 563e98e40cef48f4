#include "codec/Utf.h"

#include <gtest/gtest.h>

#include "codec/Format.h"

namespace thornvale {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::u16string texts[] = {u"", u"Hello, world!", u"caf\u00e9 \u20ac", u"\U0001F600 ok", u"\uFFFD"};
  for (const std::u16string& text : texts) EXPECT_EQ(fromUtf8(toUtf8(text)), text);
  EXPECT_EQ(toUtf8(u"\u00e9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(Utf, ReplacesLoneSurrogatesAndRefusesBrokenUtf8) {
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t{0xD800}) + u"A"),
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t{0xDC00})), "\xEF\xBF\xBD");
  for (const char* broken : {"\xC3", "\xC3(", "\xE2\x82", "\xF0\x9F\x98", "\xFF", "\xC0\xAF", "\xED\xA0\x80",
                             "\xF4\x90\x80\x80", "\x80"}) {
    EXPECT_EQ(fromUtf8(broken), std::nullopt) << broken;
  }
}

// Every control and format character is shown as an escape, at the edges of each run of format
// characters too; the characters beside them, and other letters, stay as they are.
TEST(EscapeControls, ShowsControlAndFormatCharactersAsEscapes) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"\t\u001B\u007F\u0085", "\\t\\x1B\\x7F\\u0085"},
      {u"\uFEFF15", "\\uFEFF15"},
      {u"Table1\u200B", "Table1\\u200B"},
      {u"\u202A\u202E\u2066\u2069", "\\u202A\\u202E\\u2066\\u2069"},
      {u"\u00AD\u0600\u0605\u061C\u180E\u2060\u2064\u206F\uFFF9\uFFFB",
       "\\u00AD\\u0600\\u0605\\u061C\\u180E\\u2060\\u2064\\u206F\\uFFF9\\uFFFB"},
      {u"\U000E0001\U000E007F\U0001D173", "\\U000E0001\\U000E007F\\U0001D173"},
      {u"\u00AC\u00AE\u0606\u200A\u2010\u2065\uFEFE\uFFFC\U000E0080 caf\u00E9 \u65E5",
       "\u00AC\u00AE\u0606\u200A\u2010\u2065\uFEFE\uFFFC\U000E0080 caf\u00E9 \u65E5"},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(escapeControls(toUtf8(text)), shown);
  }
}

}  // namespace
}  // namespace thornvale
