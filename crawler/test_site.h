// TestSite: a small generated web site served by a loopback TestHttpServer, for the crawler
// tests. Pages are added by path; every other path answers 404 with the title "404". A page
// can be held: requests for it wait until the test releases it. Thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/test_http_server.h"

namespace tovren::testing {

struct SitePage {
  std::string title;               // written between <title> and </title> as given
  std::vector<std::string> links;  // each written as <a href="LINK">
  bool gbk = true;                 // declare charset=gb2312 (else no charset: UTF-8 bytes)
  std::string raw_body;            // when not empty, served instead of the generated page
};

class TestSite {
 public:
  // tls: serve HTTPS for "localhost" (the fetcher must be told to trust server().CaFile()).
  explicit TestSite(bool tls = false);
  // Releases every held page, then stops the server.
  ~TestSite();

  // "http://127.0.0.1:PORT", or "https://localhost:PORT" with tls.
  std::string Base() const;
  void Add(const std::string& path, SitePage page);
  // Requests for `path` wait until Release(path) (or the site's end).
  void Hold(const std::string& path);
  // Waits until a request for a held `path` is waiting; returns whether one came in time.
  bool WaitHeld(const std::string& path, std::chrono::milliseconds limit);
  void Release(const std::string& path);

  // Number of requests received for `target`, and for all targets.
  int RequestsFor(const std::string& target) const;
  int RequestCount() const;
  std::vector<std::string> Targets() const;

  TestHttpServer& server() { return server_; }

 private:
  Response Serve(const CapturedRequest& request);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, SitePage> pages_;  // guarded by mutex_
  std::set<std::string> held_;             // guarded by mutex_
  std::map<std::string, int> waiting_;     // guarded by mutex_
  bool closing_ = false;                   // guarded by mutex_
  TestHttpServer server_;
};

// A generated GBK page, a generated page without charset (UTF-8 bytes), a page given whole.
SitePage Page(std::string title, std::vector<std::string> links = {});
SitePage Utf8Page(std::string title, std::vector<std::string> links = {});
SitePage RawPage(std::string body);

// The HTML of a page: head with optional charset and the title, then one anchor per link.
std::string PageHtml(const SitePage& page);

}  // namespace tovren::testing
