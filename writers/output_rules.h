// Rules shared by the three sitemap writers: the output folder, the split into files, file
// names and the whole-file write. Pure functions except SitemapFolder and WriteWholeFile; any
// thread.
#pragma once

#include <filesystem>
#include <string>

#include "text/text.h"

namespace tovren {

// The folder "sitemap" beside the running program (the folder of /proc/self/exe); when the
// program's path cannot be read, "sitemap" in the current folder.
std::filesystem::path SitemapFolder();

// F = ceil(n / per_file); 0 for n <= 0 or per_file <= 0.
int FileCount(int n, int per_file);
// 1-based list position of the first link of file k, and the number of links it takes
// (0 for a k outside 1..file_count).
int ShareFirst(int k, int per_file);
int ShareSize(int k, int file_count, int n, int per_file);

// File k's name: stem + extension for k = 1, else stem + (k - 1) + extension
// (e.g. FileName("sitemap", ".xml", 3) == "sitemap2.xml").
std::string FileName(const std::string& stem, const std::string& extension, int k);

// Writes `bytes` to `path` through a temporary file in the same folder that is renamed over
// the old one, so a failed write never leaves a truncated file and never touches an existing
// one. A new file gets mode 0644, a replaced file keeps its mode. Returns "" on success, else
// the reason (e.g. "No such file or directory"); no temporary file is left behind.
std::string WriteWholeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace tovren
