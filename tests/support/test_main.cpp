// The main() of every test executable.
#include <gtest/gtest.h>

#include "support/local_name_service.h"

int main(int argc, char** argv) {
  testing_support::isolate_name_service();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
