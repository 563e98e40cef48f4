// The XLIFF export writes its XML itself, in the form pugixml's save gives; every export before it
// was pugixml's. So pugixml, reading any export and saving it again with the same indentation,
// must give back the same bytes: a wrong escape, indentation or end of an element shows here.

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Catalogue.h"
#include "exchange/Exchange.h"
#include "sample/SampleImage.h"

namespace thornvale::exchange {
namespace {

struct SavedAgain : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
};

// The elements that hold a text held a text node even when it was empty, and so were saved as
// <target></target>; read back, such an element has no node, and gets it again here.
void giveTextElementsTheirText(pugi::xml_node node) {
  const std::string_view name = node.name();
  if (node.type() == pugi::node_element && !node.first_child() &&
      (name == "source" || name == "target" || name == "context" || name == "note"))
    node.append_child(pugi::node_pcdata);
  for (pugi::xml_node child : node.children()) giveTextElementsTheirText(child);
}

std::string asPugixmlSavesIt(const std::string& file) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(
      file.data(), file.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
  if (!parsed) return std::string("not well-formed: ") + parsed.description();
  giveTextElementsTheirText(doc);
  SavedAgain saved;
  doc.save(saved, "  ", pugi::format_indent, pugi::encoding_utf8);
  return saved.out;
}

struct WriterCase {
  const char* name;
  bool weblateFlags;
  bool translated;
  bool targetLanguage;
  const char* original;  // the image's file name: the user's bytes, escapes and all
  bool noTexts;
};

class XliffWriter : public testing::TestWithParam<WriterCase> {};

TEST_P(XliffWriter, WritesWhatPugixmlWouldSave) {
  const WriterCase& c = GetParam();
  std::vector<TextRow> rows, translated;
  for (const CatalogueEntry& e : catalogue()) {
    rows.push_back({&e, sampleText(e.position).substr(0, static_cast<std::size_t>(e.saveLength)), {}});
    translated.push_back(rows.back());
  }
  translated[3].source = u"";                                          // an empty target
  translated[40].source = u" <&'\">\t" + translated[40].source.substr(7);  // what must be escaped
  std::vector<TextRow> texts = exportRows(rows, c.translated ? translated : rows);
  if (c.noTexts) texts.clear();
  ExportSettings settings;
  settings.original = c.original;
  settings.version = "1.6.1";
  settings.weblateFlags = c.weblateFlags;
  if (c.targetLanguage) settings.targetLanguage = "pt-BR";

  const std::string file = writeXliff(texts, settings);
  EXPECT_EQ(file, asPugixmlSavesIt(file));
}

INSTANTIATE_TEST_SUITE_P(
    Exports, XliffWriter,
    testing::Values(WriterCase{"Template", false, false, false, "game.nes", false},
                    WriterCase{"TranslatedWithFlags", true, true, true, "game.nes", false},
                    WriterCase{"OddFileName", true, true, true, "a&b<c>\"d'e\tf\x01g\x7Fh\xC3\xA9.nes", false},
                    WriterCase{"NoTexts", false, false, true, "game.nes", true}),
    [](const testing::TestParamInfo<WriterCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace thornvale::exchange
