// Small helpers of the benchmark programs: percentiles and timing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

inline double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())));
  return values[index];
}

// One figure for bench/run's table: "= <key> <value>".
inline void Result(const char* key, double value) {
  printf("= %s %.3f\n", key, value);
  fflush(stdout);
}

// A sample's median and 99th percentile as key.p50 and key.p99, and a readable line.
inline void Report(const char* key, const char* what, const std::vector<double>& ms) {
  fprintf(stderr, "%-48s n=%zu  p50=%.3f ms  p99=%.3f ms  max=%.3f ms\n", what, ms.size(),
          Percentile(ms, 50), Percentile(ms, 99), Percentile(ms, 100));
  Result((std::string(key) + ".p50").c_str(), Percentile(ms, 50));
  Result((std::string(key) + ".p99").c_str(), Percentile(ms, 99));
}
