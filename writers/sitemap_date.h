// The date written into the XML sitemap's <lastmod>. Any thread.
#pragma once

#include <functional>
#include <string>

namespace tovren {

// Gives the date to write, as "YYYY-MM-DD". Called once per file.
using DateSource = std::function<std::string()>;

// year-month-day with month and day in two digits: DateText(2024, 3, 5) == "2024-03-05".
std::string DateText(int year, int month, int day);

// Today's local date as DateText gives it.
std::string LocalDateText();

}  // namespace tovren
