// MemoryWindow: a WindowPort kept in memory, for the headless mode and the tests.
// Thread-safe: every operation takes the object's own mutex (never a crawl lock).
#pragma once

#include <functional>
#include <mutex>
#include <deque>
#include <string>
#include <vector>

#include "crawler/window_port.h"

namespace tovren {

class MemoryWindow : public WindowPort {
 public:
  MemoryWindow() = default;

  // Set-up and inspection (any thread).
  void SetAddress(const Text& address);
  void SetCrawlScope(int scope);
  void SetLinksPerFile(int per_file);
  void SetSelectedRow(int row);
  Text Status() const;
  std::vector<Text> StatusHistory() const;  // every text passed to SetStatus, in order
  // Whether SetStatus adds to StatusHistory (default true). A long headless crawl turns it
  // off so the history does not grow without bound; turning it off also empties it.
  void KeepStatusHistory(bool keep);
  std::vector<Text> Messages() const;       // every information message, in order
  std::vector<ResultRow> Rows() const;      // display order
  bool StartEnabled() const;
  bool StopEnabled() const;
  // Called (outside the window's mutex) after each SetStatus / ShowInformation.
  void OnStatus(std::function<void(const Text&)> callback);
  void OnInformation(std::function<void(const Text&)> callback);

  // WindowPort
  Text ReadAddress() override;
  void SetStatus(const Text& text) override;
  void EnableStart(bool enabled) override;
  void EnableStop(bool enabled) override;
  void ShowInformation(const Text& message) override;
  int InsertRow(RowPlace where, const ResultRow& row) override;
  int RowCount() override;
  void DeleteRow(int row) override;
  void DeleteAllRows() override;
  void ReplaceAllRows(std::vector<ResultRow> rows) override;
  int SelectedRow() override;
  int CrawlScope() override;
  int LinksPerFile() override;

 private:
  mutable std::mutex mutex_;
  Text address_;                     // guarded by mutex_
  Text status_;                      // guarded by mutex_
  std::vector<Text> status_history_; // guarded by mutex_
  bool keep_status_history_ = true;  // guarded by mutex_
  std::vector<Text> messages_;       // guarded by mutex_
  std::deque<ResultRow> rows_;       // guarded by mutex_
  bool start_enabled_ = true;        // guarded by mutex_
  bool stop_enabled_ = true;         // guarded by mutex_
  int selected_row_ = -1;            // guarded by mutex_
  int crawl_scope_ = 0;              // guarded by mutex_
  int links_per_file_ = 500;         // guarded by mutex_
  std::function<void(const Text&)> on_status_;       // set before use
  std::function<void(const Text&)> on_information_;  // set before use
};

}  // namespace tovren
