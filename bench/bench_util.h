// Small helpers of the benchmark programs: percentiles and timing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
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

inline void Report(const char* what, const std::vector<double>& ms) {
  printf("%-48s n=%zu  p50=%.3f ms  p99=%.3f ms  max=%.3f ms\n", what, ms.size(), Percentile(ms, 50),
         Percentile(ms, 99), Percentile(ms, 100));
}
