#pragma once
// The fuzz targets' assertion: a broken property prints what broke and aborts, which libFuzzer
// reports as a crash and saves the input.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                    \
  do {                                                                                           \
    if (!(condition)) {                                                                          \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);     \
      std::abort();                                                                              \
    }                                                                                            \
  } while (false)
