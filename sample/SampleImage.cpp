#include "sample/SampleImage.h"

#include <array>
#include <stdexcept>

#include "catalogue/Catalogue.h"
#include "catalogue/EntryText.h"
#include "catalogue/MiscData.h"
#include "codec/CharacterTables.h"
#include "codec/TextCodec.h"

namespace thornvale {
namespace {

// In catalogue order. Entry 64's last byte is entry 65's first: both are a space here.
constexpr std::array<std::u16string_view, kCatalogueSize> kWords = {
    u"MAPLE",
    u"TIGER",
    u"CLOUD",
    u"PRIZE",
    u"GRAIN",
    u"WANDERER",
    u"OAT",
    u"A COLD PLAIN TO ROAM",
    u"VILLAGE",
    u"RIVERBANKS",
    u"LANTERN",
    u"SHIELD",
    u"BOOK",
    u"MAGIC",
    u"X",
    u"STAR CHART",
    u"WHEAT",
    u"7",
    u"AXE",
    u"BRIDGE",
    u"FEATHER",
    u"COMPASS",
    u"LEVEL 1",
    u"GOLD 0250",
    u"BLUE OX",
    u"IRON GATE",
    u"FROST",
    u"Q2",
    u"CASTLE",
    u"NO",
    u"HONEY",
    u"GREAT SUCCESS!",
    u"COLD OLD ROADS",
    u"Welcome, traveler",
    u"The mill wheel turns by the lake",
    u"Bring three apples to the miller's wife.",
    u"Thank you kindly",
    u"The north road is closed until the snow melts. Take the river path.",
    u"Rest a while by the fire, friend.",
    u"My goats have wandered into the hills.",
    u"If you find a blue feather, bring it to the tower.",
    u"The bridge keeper asks a riddle of every stranger.",
    u"What has roots nobody sees, yet towers over trees?",
    u"A mountain, of course. You may pass. Mind the loose stones on the far side.",
    u"Our well ran dry the summer the comet appeared.",
    u"The old lighthouse keeper writes letters to the sea, and the sea writes back.",
    u"Buy something or move along!",
    u"Seven lanterns hang in the square, one for each lost sailor.",
    u"Do not wake the bear that sleeps under the oak.",
    u"Well done!",
    u"Long ago the valley was a lake and the hills were islands where the first people lived.",
    u"Hush. The owls are counting the stars tonight.",
    u"Take this map. It shows the way, but not the dangers.",
    u"The baker says her bread is best when the wind blows west.",
    u"You hear a song in the distance, and your feet begin to follow it.",
    u"Thornvale was founded by a shepherd who followed one lamb.",
    u"Fog rolls in every evening at the same hour.",
    u"Come back when ready.",
    u"The gate opens at dawn and closes when bells ring.",
    u"Press the lever, then cross before the gate falls again.",
    u"Six stones mark the path. Step only on the grey ones.",
    u"The river remembers every boat that has ever crossed it.",
    u"A merchant from the south sells maps of unseen places.",
    u"Good night, sleep well.",
    u"The blacksmith hums while she works, and the anvil hums right along.",
    u" Turn around and look again.",
    u"At the edge of the forest stands a door with no house behind it. Knock, if you dare.",
    u"Hello! Is anybody out there? I have waited for so long.",
    u"The children chase fireflies in the meadow until the moon rises.",
    u"Your journey ends here, for now. Thank you for playing Thornvale!",
};

}  // namespace

std::u16string sampleText(int position) {
  const CatalogueEntry* entry = catalogueEntry(position);
  if (entry == nullptr) return {};
  std::u16string text(kWords[static_cast<std::size_t>(position)]);
  text.resize(static_cast<std::size_t>(entry->length), u' ');
  return text;
}

std::vector<std::uint8_t> buildSampleImage() {
  std::vector<std::uint8_t> image(kSampleImageSize);
  constexpr std::array<std::uint8_t, 16> header = {'N', 'E', 'S', 0x1A, 16, 0, 0x10, 0};
  std::copy(header.begin(), header.end(), image.begin());

  // Filler that no real game has, and that no stray write of 0x00 or a space would leave.
  std::uint32_t state = 0x7456u;
  for (std::size_t i = header.size(); i < image.size(); ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    image[i] = static_cast<std::uint8_t>(state >> 24);
  }

  image[kDebugMenuOffset] = kSampleDebugMenu;
  image[kHitCountOffset] = kSampleHitCount;

  std::vector<bool> placed(image.size());
  for (const CatalogueEntry& entry : catalogue()) {
    const std::u16string text = sampleText(entry.position);
    if (text.size() != static_cast<std::size_t>(entry.length)) {
      throw std::logic_error("sample text does not fit entry " + std::to_string(entry.position));
    }
    const auto encoded = encodeEntry(entry, text, entry.length);
    for (std::size_t k = 0; k < encoded.size(); ++k) {
      const std::size_t at = static_cast<std::size_t>(entry.offset) + k;
      if (!encoded[k] || (placed[at] && image[at] != *encoded[k])) {
        throw std::logic_error("sample text cannot be stored at entry " + std::to_string(entry.position));
      }
      placed[at] = true;
    }
    applyEncoded(encoded, std::span(image).subspan(static_cast<std::size_t>(entry.offset), encoded.size()));
  }
  return image;
}

}  // namespace thornvale
