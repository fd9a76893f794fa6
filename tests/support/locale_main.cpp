// The tests' entry: the C library takes the system's locale, as the programs do (Qt sets
// it on start-up), so a number text that follows LC_NUMERIC shows here as it would there.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (std::setlocale(LC_ALL, "") == nullptr) {
    const char* lang = std::getenv("LANG");
    std::fprintf(stderr, "the locale %s is not installed (scripts/install-deps.sh generates it)\n",
                 lang != nullptr ? lang : "of LANG");
    return EXIT_FAILURE;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
