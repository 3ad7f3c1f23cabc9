#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
  // Tests see the same locale as a tracker started from cron: the C locale.
  std::setlocale(LC_ALL, "C");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
