// Writes the synthetic sample image, for trying the editor without a game image of one's own.

#include <cstring>
#include <iostream>

#include "codec/File.h"
#include "codec/FileError.h"
#include "sample/SampleImage.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::cerr << "usage: thornvale-sample OUT.nes\n"
                 "Writes a synthetic Thornvale image with sample texts at every text place.\n";
    return argc == 2 ? 0 : 2;
  }
  const auto image = thornvale::buildSampleImage();
  try {
    thornvale::Replacement out(argv[1], thornvale::Replacement::Target::OutputFile);
    out.write(image);
    out.commit();
  } catch (const thornvale::FileError& e) {
    std::cerr << "thornvale-sample: " << e.what() << '\n';
    return 1;
  }
  std::cout << "Wrote " << argv[1] << " (" << image.size() << " bytes)\n";
  return 0;
}
