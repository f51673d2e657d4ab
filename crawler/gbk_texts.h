// The crawler's own texts, as GBK bytes (source files are UTF-8, so they are spelled as
// escapes; the UTF-8 form is given beside each). Constants; safe from any thread.
#pragma once

#include <string_view>

namespace tovren::gbk {

inline constexpr std::string_view kReading = "\xB6\xC1\xC8\xA1\xA3\xBA";  // 读取：
inline constexpr std::string_view kEnterValidAddress =
    "...\xC7\xEB\xCA\xE4\xC8\xEB\xD5\xFD\xC8\xB7\xCD\xF8\xD6\xB7";  // ...请输入正确网址
inline constexpr std::string_view kBusyReading =
    "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xD6\xD0...";  // 正在读取中...
inline constexpr std::string_view kFetched = "\xD2\xD1\xBB\xF1\xC8\xA1";  // 已获取
inline constexpr std::string_view kItemsRead = "\xCC\xF5 \xD2\xD1\xB6\xC1\xC8\xA1";  // 条 已读取
inline constexpr std::string_view kValidLinks =
    "\xCC\xF5\xD3\xD0\xD0\xA7\xC1\xB4\xBD\xD3";  // 条有效链接
inline constexpr std::string_view kReadSuccessfully =
    "\xD2\xD1\xB3\xC9\xB9\xA6\xB6\xC1\xC8\xA1";  // 已成功读取
inline constexpr std::string_view kPageNotFound =
    "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xB8\xC3\xD2\xB3";  // 无法找到该页

}  // namespace tovren::gbk
