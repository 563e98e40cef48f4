#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestFiles.h"

namespace thornvale::test {

// A fresh folder holding the sample image, for every test that works on an image file; `image`
// is what the file held when the test began.
class SampleImageFixture : public ::testing::Test {
 protected:
  TempDir dir;
  std::string imagePath = dir.file("thornvale.nes");
  Bytes image = writeSampleImage(imagePath);
};

}  // namespace thornvale::test
