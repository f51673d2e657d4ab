// MainWindow: the program's one window. It builds the controls at their design places,
// keeps the result table and the credit line placed on resize, and hands every command to
// the core: Start/Stop to the Crawler, the four worker buttons to threads it owns, the
// delete command to the crawl state and the table. GUI thread only.
#pragma once

#include <QMainWindow>

#include <filesystem>
#include <memory>

#include "crawler/crawler.h"
#include "text/owned_threads.h"
#include "window/qt_window_port.h"
#include "writers/output_rules.h"

class QMenu;

namespace tovren {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The sitemap files go to `sitemap_folder` (created by Start), which 地图目录 opens.
  explicit MainWindow(std::filesystem::path sitemap_folder = SitemapFolder(),
                      QWidget* parent = nullptr);
  // Shuts down like a close request if none came.
  ~MainWindow() override;

  Crawler& crawler() { return *crawler_; }
  QtWindowPort& port() { return *port_; }
  // Waits for every task started by the four worker buttons.
  void JoinWorkers() { workers_.JoinAll(); }

 protected:
  // Stops the crawl (aborting fetches, waiting a bounded time), waits for the worker
  // buttons' tasks, and lets the window close. Window operations asked for from then on
  // are dropped.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ConnectCommands();
  void ApplyLayoutRule();
  void ShowRowMenu(const QModelIndex& index);
  void DeleteSelectedRow();
  void StartTask(std::function<void()> task);
  void ShutDown();

  std::filesystem::path sitemap_folder_;
  WindowControls controls_;
  QWidget* central_ = nullptr;
  QWidget* by_label_ = nullptr;      // 标签_by
  QWidget* credit_link_ = nullptr;   // 超级链接框4
  QMenu* row_menu_ = nullptr;
  bool shut_down_ = false;

  // Declared in this order so that the worker tasks are joined first, then the crawl's
  // threads, and the port they all report to goes last.
  std::unique_ptr<QtWindowPort> port_;
  std::unique_ptr<Crawler> crawler_;
  ThreadGroup workers_;
};

}  // namespace tovren
