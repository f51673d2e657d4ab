#include "window/result_table_model.h"

#include <iterator>

#include "window/display_text.h"

namespace tovren {

ResultTableModel::ResultTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : size();
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= size()) return QVariant();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  const ResultRow& row = Row(index.row());
  switch (index.column()) {
    case 0: return ToDisplay(row.number);
    case 1: return ToDisplay(row.link);
    case 2: return ToDisplay(row.title);
    default: return QVariant();
  }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation,
                                      int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  switch (section) {
    case 0: return QStringLiteral("序号");
    case 1: return QStringLiteral("链接");
    case 2: return QStringLiteral("标题");
    default: return QVariant();
  }
}

void ResultTableModel::InsertTop(std::vector<ResultRow> rows) {
  if (rows.empty()) return;
  beginInsertRows(QModelIndex(), 0, static_cast<int>(rows.size()) - 1);
  for (ResultRow& row : rows) rows_.push_front(std::move(row));
  endInsertRows();
}

void ResultTableModel::InsertEnd(std::vector<ResultRow> rows) {
  if (rows.empty()) return;
  const int first = size();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
               std::make_move_iterator(rows.end()));
  endInsertRows();
}

bool ResultTableModel::RemoveRow(int row) {
  if (row < 0 || row >= size()) return false;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
  return true;
}

void ResultTableModel::RemoveAll() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void ResultTableModel::ReplaceAll(std::vector<ResultRow> rows) {
  beginResetModel();
  rows_.assign(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  endResetModel();
}

}  // namespace tovren
