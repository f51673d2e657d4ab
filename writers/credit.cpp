#include "writers/sitemap_writers.h"

namespace tovren {

// A reserved domain: the credit never points at anybody's real site.
const char* const kCreditAddress = "http://www.tovren.example";
// "Tovren网站地图生成工具" in GBK.
const char* const kCreditText =
    "Tovren\xCD\xF8\xD5\xBE\xB5\xD8\xCD\xBC\xC9\xFA\xB3\xC9\xB9\xA4\xBE\xDF";

}  // namespace tovren
