#include "window/qt_window_port.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

#include "window/display_text.h"
#include "window/result_table_model.h"

namespace tovren {

namespace {

// How often a caller waiting for the window thread looks whether the window is closing.
constexpr std::chrono::milliseconds kWaitStep{50};

template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

}  // namespace

QtWindowPort::QtWindowPort(const WindowControls& controls) : controls_(controls) {
  address_ = FromDisplay(controls_.address->text());
  scope_ = controls_.scope->currentIndex();
  ReadLinksPerFile(controls_.links_per_file->currentIndex());
  row_mirror_ = controls_.model->size();

  // The mirrors follow the widgets; the handlers run on the window thread.
  QObject::connect(controls_.address, &QLineEdit::textChanged, &context_,
                   [this](const QString& text) {
                     Text gbk = FromDisplay(text);
                     std::scoped_lock lock(address_mutex_);
                     address_ = std::move(gbk);
                   });
  QObject::connect(controls_.scope, &QComboBox::currentIndexChanged, &context_,
                   [this](int index) { scope_ = index; });
  QObject::connect(controls_.links_per_file, &QComboBox::currentIndexChanged, &context_,
                   [this](int index) { ReadLinksPerFile(index); });
}

QtWindowPort::~QtWindowPort() { closing_ = true; }

void QtWindowPort::ReadLinksPerFile(int index) {
  links_per_file_ = index < 0 ? 0 : controls_.links_per_file->itemData(index).toInt();
}

bool QtWindowPort::OnWindowThread() const {
  return QThread::currentThread() == context_.thread();
}

void QtWindowPort::BeginClosing() {
  closing_ = true;
  {
    std::scoped_lock lock(mutex_);
    pending_ops_.clear();
    pending_status_.reset();
  }
  for (const QPointer<QMessageBox>& box : open_messages_) {
    if (box) box->reject();
  }
}

// ---- mirrors -----------------------------------------------------------------------------

Text QtWindowPort::ReadAddress() {
  std::scoped_lock lock(address_mutex_);
  return address_;
}

int QtWindowPort::CrawlScope() { return scope_.load(); }

int QtWindowPort::LinksPerFile() { return links_per_file_.load(); }

int QtWindowPort::RowCount() { return row_mirror_.load(); }

// ---- queued changes ------------------------------------------------------------------------

void QtWindowPort::RequestDrainLocked() {
  if (drain_requested_) return;
  drain_requested_ = true;
  QMetaObject::invokeMethod(&context_, [this] { Drain(); }, Qt::QueuedConnection);
}

void QtWindowPort::Enqueue(Op op, int predicted) {
  if (closing_) return;
  std::scoped_lock lock(mutex_);
  row_mirror_ += predicted;
  pending_ops_.push_back(std::move(op));
  RequestDrainLocked();
}

void QtWindowPort::SetStatus(const Text& text) {
  if (closing_) return;
  std::scoped_lock lock(mutex_);
  pending_status_ = text;
  RequestDrainLocked();
}

void QtWindowPort::EnableStart(bool enabled) { Enqueue(EnableOp{true, enabled}, 0); }

void QtWindowPort::EnableStop(bool enabled) { Enqueue(EnableOp{false, enabled}, 0); }

int QtWindowPort::InsertRow(RowPlace where, const ResultRow& row) {
  if (closing_) return 0;
  std::scoped_lock lock(mutex_);
  // The index the row will have once the queue up to it is applied.
  const int index = where == RowPlace::kTop ? 0 : row_mirror_.load();
  row_mirror_ += 1;
  pending_ops_.push_back(InsertOp{where, row});
  RequestDrainLocked();
  return index;
}

void QtWindowPort::DeleteRow(int row) {
  if (closing_) return;
  std::scoped_lock lock(mutex_);
  const int predicted = (row >= 0 && row < row_mirror_.load()) ? -1 : 0;
  row_mirror_ += predicted;
  pending_ops_.push_back(DeleteOp{row, predicted});
  RequestDrainLocked();
}

void QtWindowPort::DeleteAllRows() {
  if (closing_) return;
  std::scoped_lock lock(mutex_);
  const int predicted = -row_mirror_.load();
  row_mirror_ = 0;
  pending_ops_.push_back(DeleteAllOp{predicted});
  RequestDrainLocked();
}

void QtWindowPort::ReplaceAllRows(std::vector<ResultRow> rows) {
  if (closing_) return;
  std::scoped_lock lock(mutex_);
  const int count = static_cast<int>(rows.size());
  const int predicted = count - row_mirror_.load();
  row_mirror_ = count;
  pending_ops_.push_back(ReplaceOp{std::move(rows), predicted});
  RequestDrainLocked();
}

void QtWindowPort::CorrectMirror(int actual, int predicted) {
  if (actual == predicted) return;
  std::scoped_lock lock(mutex_);
  row_mirror_ += actual - predicted;
}

void QtWindowPort::Drain() {
  std::vector<Op> ops;
  std::optional<Text> status;
  {
    std::scoped_lock lock(mutex_);
    ops.swap(pending_ops_);
    status.swap(pending_status_);
    drain_requested_ = false;
  }
  if (closing_) return;
  Apply(ops);
  if (status) controls_.status->setText(ToDisplay(*status));
}

void QtWindowPort::Apply(std::vector<Op>& ops) {
  ResultTableModel& model = *controls_.model;
  size_t i = 0;
  while (i < ops.size()) {
    // A run of inserts at the same place becomes one model change, so a fast crawl costs
    // the view one update per drain rather than one per row.
    if (auto* first = std::get_if<InsertOp>(&ops[i])) {
      const RowPlace where = first->where;
      std::vector<ResultRow> batch;
      while (i < ops.size()) {
        auto* insert = std::get_if<InsertOp>(&ops[i]);
        if (insert == nullptr || insert->where != where) break;
        batch.push_back(std::move(insert->row));
        ++i;
      }
      if (where == RowPlace::kTop) {
        model.InsertTop(std::move(batch));
      } else {
        model.InsertEnd(std::move(batch));
      }
      continue;
    }
    std::visit(Overloaded{
                   [](InsertOp&) {},
                   [&](DeleteOp& op) {
                     CorrectMirror(model.RemoveRow(op.row) ? -1 : 0, op.predicted);
                   },
                   [&](DeleteAllOp& op) {
                     const int actual = -model.size();
                     model.RemoveAll();
                     CorrectMirror(actual, op.predicted);
                   },
                   [&](ReplaceOp& op) {
                     const int actual = static_cast<int>(op.rows.size()) - model.size();
                     model.ReplaceAll(std::move(op.rows));
                     CorrectMirror(actual, op.predicted);
                   },
                   [&](EnableOp& op) {
                     (op.start ? controls_.start : controls_.stop)->setEnabled(op.enabled);
                   },
               },
               ops[i]);
    ++i;
  }
}

std::optional<ResultRow> QtWindowPort::TakeRowNow(int row) {
  ResultTableModel& model = *controls_.model;
  if (row < 0 || row >= model.size()) return std::nullopt;
  ResultRow taken = model.Row(row);
  model.RemoveRow(row);
  // The row left the table now, ahead of whatever is still queued.
  CorrectMirror(-1, 0);
  return taken;
}

// ---- operations that answer ----------------------------------------------------------------

void QtWindowPort::ExecInformation(const Text& message) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("信息："), ToDisplay(message),
                  QMessageBox::Ok, controls_.window);
  open_messages_.emplace_back(&box);
  box.exec();
  std::erase_if(open_messages_, [&box](const QPointer<QMessageBox>& p) {
    return p.isNull() || p.data() == &box;
  });
}

void QtWindowPort::ShowInformation(const Text& message) {
  if (closing_) return;
  if (OnWindowThread()) {
    ExecInformation(message);
    return;
  }
  // Never a blocking queued call: during close the window thread waits for the crawl
  // threads, so a caller must be able to give up instead.
  auto dismissed = std::make_shared<std::promise<void>>();
  std::future<void> done = dismissed->get_future();
  QMetaObject::invokeMethod(
      &context_,
      [this, message, dismissed] {
        if (!closing_) ExecInformation(message);
        dismissed->set_value();
      },
      Qt::QueuedConnection);
  while (done.wait_for(kWaitStep) != std::future_status::ready) {
    if (closing_) return;
  }
}

int QtWindowPort::SelectedRowNow() const {
  const QItemSelectionModel* selection = controls_.table->selectionModel();
  if (selection == nullptr) return -1;
  int first = -1;
  for (const QModelIndex& index : selection->selectedRows()) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  return first;
}

int QtWindowPort::SelectedRow() {
  if (closing_) return -1;
  if (OnWindowThread()) return SelectedRowNow();
  auto answer = std::make_shared<std::promise<int>>();
  std::future<int> row = answer->get_future();
  QMetaObject::invokeMethod(
      &context_, [this, answer] { answer->set_value(SelectedRowNow()); },
      Qt::QueuedConnection);
  while (row.wait_for(kWaitStep) != std::future_status::ready) {
    if (closing_) return -1;
  }
  try {
    return row.get();
  } catch (const std::future_error&) {
    return -1;  // the request was dropped with the window
  }
}

}  // namespace tovren
