#include "writers/sitemap_date.h"

#include <cstdio>
#include <ctime>

namespace tovren {

std::string DateText(int year, int month, int day) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d", year, month, day);
  return buffer;
}

std::string LocalDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);  // localtime would share one buffer between the writer threads
  return DateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace tovren
