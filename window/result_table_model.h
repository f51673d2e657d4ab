// ResultTableModel: the rows of the result table 超级列表框__主 ("序号", "链接", "标题") as
// plain structs in a deque, so rows inserted at the top cost constant time however long
// the table grows. GUI thread only; other threads reach it through QtWindowPort.
#pragma once

#include <deque>
#include <vector>

#include <QAbstractTableModel>

#include "crawler/window_port.h"

namespace tovren {

class ResultTableModel : public QAbstractTableModel {
 public:
  explicit ResultTableModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // Display texts of the GBK cells; nothing for other roles.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Puts `rows` at the top one after another, each above the earlier ones (as that many
  // single inserts at the top would), in one model change.
  void InsertTop(std::vector<ResultRow> rows);
  // Appends `rows` in order after the last row, in one model change.
  void InsertEnd(std::vector<ResultRow> rows);
  // Removes row `row`; false (and nothing changed) when it is out of range.
  bool RemoveRow(int row);
  void RemoveAll();
  void ReplaceAll(std::vector<ResultRow> rows);

  int size() const { return static_cast<int>(rows_.size()); }
  // Row `row` (0-based); must be in range.
  const ResultRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }

 private:
  std::deque<ResultRow> rows_;
};

}  // namespace tovren
