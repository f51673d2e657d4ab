// The headless mode's stdout: the result table as tab-separated UTF-8 lines. Pure; any thread.
#pragma once

#include <string>
#include <vector>

#include "crawler/window_port.h"

namespace tovren {

// One line per row, in the given order: 序号 TAB 链接 TAB 标题, each converted from GBK to
// UTF-8 and ended by "\n". Tabs, carriage returns and line feeds inside a cell (a title may
// keep the line breaks of its <title> element) become single spaces, so that every row stays
// one line of exactly three fields.
std::string FormatResultTable(const std::vector<ResultRow>& rows);

}  // namespace tovren
