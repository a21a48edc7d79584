// The fuzz targets' oracle: a property that fails prints what was expected and aborts, which
// libFuzzer reports as a crash and saves the input.
#pragma once
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                       \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "%s:%d: property failed: %s (%s)\n", __FILE__, __LINE__, what, \
                   #condition);                                                           \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)
