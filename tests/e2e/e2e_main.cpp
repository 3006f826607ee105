// Driver entry: GoogleTest with plain line ends on stdout under Wine.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "gtest/gtest.h"

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
