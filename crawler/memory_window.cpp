#include "crawler/memory_window.h"

namespace tovren {

void MemoryWindow::SetAddress(const Text& address) {
  std::scoped_lock lock(mutex_);
  address_ = address;
}

void MemoryWindow::SetCrawlScope(int scope) {
  std::scoped_lock lock(mutex_);
  crawl_scope_ = scope;
}

void MemoryWindow::SetLinksPerFile(int per_file) {
  std::scoped_lock lock(mutex_);
  links_per_file_ = per_file;
}

void MemoryWindow::SetSelectedRow(int row) {
  std::scoped_lock lock(mutex_);
  selected_row_ = row;
}

Text MemoryWindow::Status() const {
  std::scoped_lock lock(mutex_);
  return status_;
}

std::vector<Text> MemoryWindow::StatusHistory() const {
  std::scoped_lock lock(mutex_);
  return status_history_;
}

void MemoryWindow::KeepStatusHistory(bool keep) {
  std::scoped_lock lock(mutex_);
  keep_status_history_ = keep;
  if (!keep) std::vector<Text>().swap(status_history_);
}

std::vector<Text> MemoryWindow::Messages() const {
  std::scoped_lock lock(mutex_);
  return messages_;
}

std::vector<ResultRow> MemoryWindow::Rows() const {
  std::scoped_lock lock(mutex_);
  return std::vector<ResultRow>(rows_.begin(), rows_.end());
}

bool MemoryWindow::StartEnabled() const {
  std::scoped_lock lock(mutex_);
  return start_enabled_;
}

bool MemoryWindow::StopEnabled() const {
  std::scoped_lock lock(mutex_);
  return stop_enabled_;
}

void MemoryWindow::OnStatus(std::function<void(const Text&)> callback) {
  std::scoped_lock lock(mutex_);
  on_status_ = std::move(callback);
}

void MemoryWindow::OnInformation(std::function<void(const Text&)> callback) {
  std::scoped_lock lock(mutex_);
  on_information_ = std::move(callback);
}

Text MemoryWindow::ReadAddress() {
  std::scoped_lock lock(mutex_);
  return address_;
}

void MemoryWindow::SetStatus(const Text& text) {
  std::function<void(const Text&)> callback;
  {
    std::scoped_lock lock(mutex_);
    status_ = text;
    if (keep_status_history_) status_history_.push_back(text);
    callback = on_status_;
  }
  if (callback) callback(text);
}

void MemoryWindow::EnableStart(bool enabled) {
  std::scoped_lock lock(mutex_);
  start_enabled_ = enabled;
}

void MemoryWindow::EnableStop(bool enabled) {
  std::scoped_lock lock(mutex_);
  stop_enabled_ = enabled;
}

void MemoryWindow::ShowInformation(const Text& message) {
  std::function<void(const Text&)> callback;
  {
    std::scoped_lock lock(mutex_);
    messages_.push_back(message);
    callback = on_information_;
  }
  if (callback) callback(message);
}

int MemoryWindow::InsertRow(RowPlace where, const ResultRow& row) {
  std::scoped_lock lock(mutex_);
  if (where == RowPlace::kTop) {
    rows_.push_front(row);
    return 0;
  }
  rows_.push_back(row);
  return static_cast<int>(rows_.size()) - 1;
}

int MemoryWindow::RowCount() {
  std::scoped_lock lock(mutex_);
  return static_cast<int>(rows_.size());
}

void MemoryWindow::DeleteRow(int row) {
  std::scoped_lock lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  rows_.erase(rows_.begin() + row);
}

void MemoryWindow::DeleteAllRows() {
  std::scoped_lock lock(mutex_);
  rows_.clear();
}

void MemoryWindow::ReplaceAllRows(std::vector<ResultRow> rows) {
  std::scoped_lock lock(mutex_);
  rows_.assign(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
}

int MemoryWindow::SelectedRow() {
  std::scoped_lock lock(mutex_);
  return selected_row_;
}

int MemoryWindow::CrawlScope() {
  std::scoped_lock lock(mutex_);
  return crawl_scope_;
}

int MemoryWindow::LinksPerFile() {
  std::scoped_lock lock(mutex_);
  return links_per_file_;
}

}  // namespace tovren
