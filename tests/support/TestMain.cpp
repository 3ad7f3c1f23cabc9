#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>

int main(int argc, char** argv) {
  // Tests see the same locale as a tracker started from cron: the C locale.
  std::setlocale(LC_ALL, "C");
  // Files the tests make are not writable by group or others, whatever umask started them:
  // the tracker refuses machine files and configuration that others could change.
  ::umask(022);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
