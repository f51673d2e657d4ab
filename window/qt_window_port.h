// QtWindowPort: the window operations of the core (WindowPort) carried out on the main
// window's widgets. Every WindowPort operation may be called from any thread and none of
// them waits for the window thread, except ShowInformation and SelectedRow, which wait in
// short steps and give up once the window is closing. Changes are queued as values and
// applied in order on the window thread; the address, the two choices and the row count
// are read from mirrors kept by this object.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "crawler/window_port.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QTableView;
class QWidget;

namespace tovren {

class ResultTableModel;

// The widgets the port drives. All must outlive the port and live on the window thread.
struct WindowControls {
  QWidget* window = nullptr;          // parent of the information message
  QLabel* status = nullptr;           // 标签_显示
  QPushButton* start = nullptr;       // 按钮_开始
  QPushButton* stop = nullptr;        // 按钮_停止
  QLineEdit* address = nullptr;       // 编辑框_网址
  QComboBox* scope = nullptr;         // 组合框2
  QComboBox* links_per_file = nullptr;  // 组合框1
  QTableView* table = nullptr;        // 超级列表框__主
  ResultTableModel* model = nullptr;  // the table's model
};

class QtWindowPort : public WindowPort {
 public:
  // Must be made on the window thread; reads the widgets' current state.
  explicit QtWindowPort(const WindowControls& controls);
  ~QtWindowPort() override;
  QtWindowPort(const QtWindowPort&) = delete;
  QtWindowPort& operator=(const QtWindowPort&) = delete;

  // Window thread. From now on every queued change is dropped, callers waiting in
  // ShowInformation or SelectedRow return, and open information messages are closed.
  void BeginClosing();
  bool IsClosing() const { return closing_.load(); }

  // Window thread. Removes display row `row` at once (the delete command, which acts on the
  // row the user sees now) and returns it; nothing when out of range.
  std::optional<ResultRow> TakeRowNow(int row);

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
  // Queued changes. `predicted` is the change of the row count assumed when the operation
  // was queued; the window thread corrects the mirror when the real change differs.
  struct InsertOp { RowPlace where; ResultRow row; };
  struct DeleteOp { int row; int predicted; };
  struct DeleteAllOp { int predicted; };
  struct ReplaceOp { std::vector<ResultRow> rows; int predicted; };
  struct EnableOp { bool start; bool enabled; };
  using Op = std::variant<InsertOp, DeleteOp, DeleteAllOp, ReplaceOp, EnableOp>;

  bool OnWindowThread() const;
  // Queues `op` after changing the row mirror by `predicted`. Never blocks on the window.
  void Enqueue(Op op, int predicted);
  // Caller holds mutex_: asks the window thread to drain once, unless already asked.
  void RequestDrainLocked();
  // Window thread: applies every queued change and the latest status text.
  void Drain();
  void Apply(std::vector<Op>& ops);
  void CorrectMirror(int actual, int predicted);
  void ExecInformation(const Text& message);
  int SelectedRowNow() const;
  void ReadLinksPerFile(int index);

  WindowControls controls_;
  // Lives on the window thread; queued calls run there and are dropped with it.
  QObject context_;
  std::atomic<bool> closing_{false};

  std::mutex mutex_;
  std::vector<Op> pending_ops_;         // guarded by mutex_
  std::optional<Text> pending_status_;  // guarded by mutex_; only the latest text is kept
  bool drain_requested_ = false;        // guarded by mutex_
  // Rows once every queued change is applied. Written under mutex_, read without it.
  std::atomic<int> row_mirror_{0};

  std::mutex address_mutex_;
  Text address_;  // guarded by address_mutex_; GBK copy of 编辑框_网址
  std::atomic<int> scope_{0};
  std::atomic<int> links_per_file_{0};

  std::vector<QPointer<QMessageBox>> open_messages_;  // window thread only
};

}  // namespace tovren
