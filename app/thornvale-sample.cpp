// Writes the synthetic sample image, for trying the editor without a game image of one's own.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "sample/SampleImage.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::cerr << "usage: thornvale-sample OUT.nes\n"
                 "Writes a synthetic Thornvale image with sample texts at every text place.\n";
    return argc == 2 ? 0 : 2;
  }
  const auto image = thornvale::buildSampleImage();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::cerr << "thornvale-sample: cannot write " << argv[1] << ": " << std::strerror(errno) << '\n';
    return 1;
  }
  std::cout << "Wrote " << argv[1] << " (" << image.size() << " bytes)\n";
  return 0;
}
