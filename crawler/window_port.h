// WindowPort: the window operations that the crawler, the list tool and the writers call.
// The Qt window implements it by running each operation on the window thread; the headless
// mode and the tests use MemoryWindow (crawler/memory_window.h).
// Every operation may be called from any thread. Callers never hold a crawl lock while they
// call one, and an implementation never takes a crawl lock inside one.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

namespace tovren {

// Where InsertRow puts a new row of the result table.
enum class RowPlace { kTop, kEnd };

// One row of the result table: 序号, 链接, 标题 (GBK), and the identity of the UrlList entry it
// shows (0 for none), which the delete command uses to remove the row's own entry.
struct ResultRow {
  Text number;
  Text link;
  Text title;
  std::uint64_t entry_id = 0;
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // The content of the address box 编辑框_网址, in GBK.
  virtual Text ReadAddress() = 0;
  // The caption of the status label 标签_显示. May be coalesced: only the latest text of a
  // quick series needs to be shown.
  virtual void SetStatus(const Text& text) = 0;
  virtual void EnableStart(bool enabled) = 0;
  virtual void EnableStop(bool enabled) = 0;
  // A modal information message (caption "信息："); returns once it is dismissed.
  virtual void ShowInformation(const Text& message) = 0;

  // Result table. InsertRow puts a new row with its three cells in place as one step and
  // returns the row's 0-based index at that moment.
  virtual int InsertRow(RowPlace where, const ResultRow& row) = 0;
  virtual int RowCount() = 0;
  // Removes row `row` (0-based); nothing for an index out of range.
  virtual void DeleteRow(int row) = 0;
  virtual void DeleteAllRows() = 0;
  // Replaces every row by `rows`, in order, as one step (DeleteAllRows and InsertRow at the
  // end for each).
  virtual void ReplaceAllRows(std::vector<ResultRow> rows) = 0;
  // The first selected row, -1 for none.
  virtual int SelectedRow() = 0;

  // Selected index of 组合框2: 0 = "首页及二级目录", 1 = "网站全部链接".
  virtual int CrawlScope() = 0;
  // Item value of the selected entry of 组合框1: 500 or 1000 (0 when nothing is selected).
  virtual int LinksPerFile() = 0;
};

}  // namespace tovren
