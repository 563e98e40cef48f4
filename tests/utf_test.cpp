#include "codec/Utf.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace thornvale
