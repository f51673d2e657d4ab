#include "crawler/test_site.h"

namespace tovren::testing {

SitePage Page(std::string title, std::vector<std::string> links) {
  SitePage page;
  page.title = std::move(title);
  page.links = std::move(links);
  return page;
}

SitePage Utf8Page(std::string title, std::vector<std::string> links) {
  SitePage page = Page(std::move(title), std::move(links));
  page.gbk = false;
  return page;
}

SitePage RawPage(std::string body) {
  SitePage page;
  page.raw_body = std::move(body);
  return page;
}

std::string PageHtml(const SitePage& page) {
  std::string html = "<html><head>";
  if (page.gbk) html += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
  html += "<title>" + page.title + "</title></head><body>\n";
  for (const std::string& link : page.links) html += "<a href=\"" + link + "\">link</a>\n";
  html += "</body></html>";
  return html;
}

TestSite::TestSite(bool tls) : server_(tls) {
  server_.SetFallback([this](const CapturedRequest& request) { return Serve(request); });
}

TestSite::~TestSite() {
  {
    std::scoped_lock lock(mutex_);
    closing_ = true;
    held_.clear();
  }
  changed_.notify_all();
}

std::string TestSite::Base() const { return server_.BaseUrl(); }

void TestSite::Add(const std::string& path, SitePage page) {
  std::scoped_lock lock(mutex_);
  pages_[path] = std::move(page);
}

void TestSite::Hold(const std::string& path) {
  std::scoped_lock lock(mutex_);
  held_.insert(path);
}

bool TestSite::WaitHeld(const std::string& path, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return waiting_[path] > 0; });
}

void TestSite::Release(const std::string& path) {
  {
    std::scoped_lock lock(mutex_);
    held_.erase(path);
  }
  changed_.notify_all();
}

int TestSite::RequestsFor(const std::string& target) const {
  int n = 0;
  for (const CapturedRequest& r : server_.Requests()) n += r.target == target ? 1 : 0;
  return n;
}

int TestSite::RequestCount() const { return static_cast<int>(server_.Requests().size()); }

std::vector<std::string> TestSite::Targets() const {
  std::vector<std::string> targets;
  for (const CapturedRequest& r : server_.Requests()) targets.push_back(r.target);
  return targets;
}

Response TestSite::Serve(const CapturedRequest& request) {
  std::unique_lock lock(mutex_);
  if (held_.count(request.target) != 0) {
    ++waiting_[request.target];
    changed_.notify_all();
    changed_.wait(lock, [&] { return closing_ || held_.count(request.target) == 0; });
    --waiting_[request.target];
  }
  Response response;
  auto it = pages_.find(request.target);
  if (it == pages_.end()) {
    response.status = 404;
    response.body = "<html><head><title>404</title></head><body>not found</body></html>";
    return response;
  }
  response.body = it->second.raw_body.empty() ? PageHtml(it->second) : it->second.raw_body;
  return response;
}

}  // namespace tovren::testing
