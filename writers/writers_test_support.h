// Helpers for the writers' tests: a scratch folder, file reading and small list fixtures.
// Test-only; not thread-safe.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <utility>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "crawler/crawl_state.h"

namespace tovren::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tovren-writers-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Names of the entries of `folder`, sorted.
inline std::set<std::string> FilesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

inline int CountOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
    ++count;
  }
  return count;
}

// Links "http://s.localhost/p1" ... with titles "t1" ..., root "http://s.localhost".
inline ListSnapshot NumberedLinks(int n) {
  ListSnapshot lists;
  lists.SiteRoot = "http://s.localhost";
  for (int i = 1; i <= n; ++i) {
    lists.UrlList.push_back("http://s.localhost/p" + std::to_string(i));
    lists.TitleList.push_back("t" + std::to_string(i));
    lists.EntryIds.push_back(static_cast<std::uint64_t>(i));
  }
  return lists;
}

inline ListSnapshot Links(const std::string& root, const std::vector<std::pair<std::string, std::string>>& entries) {
  ListSnapshot lists;
  lists.SiteRoot = root;
  std::uint64_t id = 1;
  for (const auto& [url, title] : entries) {
    lists.UrlList.push_back(url);
    lists.TitleList.push_back(title);
    lists.EntryIds.push_back(id++);
  }
  return lists;
}

// The texts between each `open` and the following `close`, in order.
inline std::vector<std::string> Between(const std::string& text, const std::string& open,
                                        const std::string& close) {
  std::vector<std::string> out;
  size_t at = 0;
  while ((at = text.find(open, at)) != std::string::npos) {
    at += open.size();
    const size_t end = text.find(close, at);
    if (end == std::string::npos) break;
    out.push_back(text.substr(at, end - at));
    at = end + close.size();
  }
  return out;
}

inline bool HaveXmllint() { return std::system("command -v xmllint >/dev/null 2>&1") == 0; }

// Runs xmllint on `file`; with `schema`, validates against it. Returns xmllint's exit status.
inline int Xmllint(const std::filesystem::path& file, const std::string& schema = "") {
  std::string command = "xmllint --noout ";
  if (!schema.empty()) command += "--schema '" + schema + "' ";
  command += "'" + file.string() + "' 2>&1";
  return std::system(command.c_str());
}

}  // namespace tovren::testing
