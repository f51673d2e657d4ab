// Tests of the main window on Qt's offscreen platform: controls and layout, the delete
// command, the window operations seen from other threads, the worker buttons, a crawl of a
// loopback site driven from the window, and closing during a crawl.
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fetch/page_decoding.h"
#include "tests/support/test_http_server.h"
#include "window/hyperlink_button.h"
#include "window/main_window.h"
#include "window/result_table_model.h"
#include "writers/sitemap_writers.h"

namespace tovren {
namespace {

using namespace std::chrono_literals;
using testing::CapturedRequest;
using testing::Response;
using testing::TestHttpServer;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
Text Gbk(const char* utf8) { return Utf8ToLocal(utf8); }

template <class T>
T* Find(MainWindow& window, const char* name) {
  return window.findChild<T*>(U(name));
}

ResultTableModel* ModelOf(MainWindow& window) {
  return static_cast<ResultTableModel*>(Find<QTableView>(window, "超级列表框__主")->model());
}

QStringList Column(MainWindow& window, int column) {
  ResultTableModel* model = ModelOf(window);
  QStringList shown;
  for (int row = 0; row < model->rowCount(); ++row) {
    shown << model->data(model->index(row, column), Qt::DisplayRole).toString();
  }
  return shown;
}

Text PageLink(int k) { return "http://site.localhost/page" + NumberToText(k) + ".html"; }
Text PageTitle(int k) { return Gbk("标题") + NumberToText(k); }

// Lists pages first..last the way the crawl does: the list entries as one step, then the
// row that names them.
void ListPages(MainWindow& window, RowPlace place, int first, int last) {
  CrawlState& state = window.crawler().state();
  for (int k = first; k <= last; ++k) {
    std::uint64_t id = 0;
    {
      std::scoped_lock lock(state.mutex);
      id = state.AppendListedLocked(PageTitle(k), PageLink(k));
    }
    window.port().InsertRow(place, ResultRow{NumberToText(k), PageLink(k), PageTitle(k), id});
  }
}

std::vector<Text> Links(const std::vector<int>& pages) {
  std::vector<Text> links;
  for (int k : pages) links.push_back(PageLink(k));
  return links;
}

std::vector<Text> Titles(const std::vector<int>& pages) {
  std::vector<Text> titles;
  for (int k : pages) titles.push_back(PageTitle(k));
  return titles;
}

// Records the addresses the window asks the desktop to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

// Counts the queued calls delivered to the window thread's non-widget objects (widgets
// queue small calls of their own).
class MetaCallCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MetaCall && !watched->isWidgetType()) ++count;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;

  std::filesystem::path Folder() const { return folder_->path().toStdString(); }

  std::unique_ptr<MainWindow> OpenWindow() {
    auto window = std::make_unique<MainWindow>(Folder());
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
    return window;
  }

  // Clicks display row `row` with the left button, as the user does before "删除".
  static bool ClickRow(MainWindow& window, int row) {
    auto* table = Find<QTableView>(window, "超级列表框__主");
    const QRect cell = table->visualRect(table->model()->index(row, 1));
    if (!cell.isValid()) return false;
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    return true;
  }

  static QAction* DeleteAction(MainWindow& window) {
    auto* menu = Find<QMenu>(window, "弹出菜单");
    return menu != nullptr && menu->actions().size() == 1 ? menu->actions().first() : nullptr;
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
  }

  void cleanup() { folder_.reset(); }

  void startUpState() {
    auto window = OpenWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), U("Tovren Sitemap"));
    QCOMPARE(window->centralWidget()->size(), QSize(543, 368));
    QCOMPARE(Find<QLabel>(*window, "标签_显示")->text(), U("Tovren：网站地图生成工具"));
    QCOMPARE(Find<QLineEdit>(*window, "编辑框_网址")->text(), QString());

    auto* per_file = Find<QComboBox>(*window, "组合框1");
    QVERIFY(!per_file->isEditable());
    QCOMPARE(per_file->count(), 2);
    QCOMPARE(per_file->itemText(0), U("500"));
    QCOMPARE(per_file->itemData(0).toInt(), 500);
    QCOMPARE(per_file->itemText(1), U("1000"));
    QCOMPARE(per_file->itemData(1).toInt(), 1000);
    QCOMPARE(per_file->currentText(), U("500"));
    auto* scope = Find<QComboBox>(*window, "组合框2");
    QVERIFY(!scope->isEditable());
    QCOMPARE(scope->count(), 2);
    QCOMPARE(scope->itemText(0), U("首页及二级目录"));
    QCOMPARE(scope->itemText(1), U("网站全部链接"));
    QCOMPARE(scope->currentText(), U("首页及二级目录"));

    QtWindowPort& port = window->port();
    QCOMPARE(port.LinksPerFile(), 500);
    QCOMPARE(port.CrawlScope(), 0);
    QCOMPARE(port.RowCount(), 0);
    QCOMPARE(port.ReadAddress(), Text());
    QCOMPARE(port.SelectedRow(), -1);

    auto* table = Find<QTableView>(*window, "超级列表框__主");
    QCOMPARE(table->model()->rowCount(), 0);
    const char* headers[] = {"序号", "链接", "标题"};
    const int widths[] = {50, 300, 260};
    QCOMPARE(table->model()->columnCount(), 3);
    for (int c = 0; c < 3; ++c) {
      QCOMPARE(table->model()->headerData(c, Qt::Horizontal).toString(), U(headers[c]));
      QCOMPARE(table->columnWidth(c), widths[c]);
    }

    for (QWidget* control : window->centralWidget()->findChildren<QWidget*>()) {
      QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }
    for (QPushButton* button : window->centralWidget()->findChildren<QPushButton*>()) {
      QVERIFY2(button->cursor().shape() == Qt::PointingHandCursor,
               qPrintable(button->objectName()));
    }
  }

  // Every control at its design place, and where the layout rule puts the table, "By:" and
  // the credit link at the initial size and after enlarging the window by 100 x 100.
  void controlsAtDesignPlacesAndLayoutRule() {
    enum Kind { kLabel, kButton, kLink, kEdit, kCombo, kTable };
    struct Case {
      const char* name;
      Kind kind;
      const char* text;
      QRect at_start;
      QRect enlarged;
    } cases[] = {
        {"标签2", kLabel, "信息:", {3, 4, 29, 22}, {3, 4, 29, 22}},
        {"标签_显示", kLabel, "Tovren：网站地图生成工具", {37, 1, 194, 24}, {37, 1, 194, 24}},
        {"按钮_开始", kButton, "开始", {234, 1, 64, 24}, {234, 1, 64, 24}},
        {"按钮_开始1", kButton, "Google生成", {308, 1, 70, 24}, {308, 1, 70, 24}},
        {"按钮_开始2", kButton, "Baidu生成", {388, 1, 70, 24}, {388, 1, 70, 24}},
        {"按钮_开始3", kButton, "Yahoo生成", {469, 1, 70, 24}, {469, 1, 70, 24}},
        {"标签1", kLabel, "网址:", {3, 32, 29, 22}, {3, 32, 29, 22}},
        {"编辑框_网址", kEdit, "", {38, 30, 193, 24}, {38, 30, 193, 24}},
        {"按钮_停止", kButton, "停止", {233, 31, 64, 24}, {233, 31, 64, 24}},
        {"按钮_开始4", kButton, "去重复排序", {307, 31, 70, 24}, {307, 31, 70, 24}},
        {"按钮_目录", kButton, "地图目录", {386, 31, 70, 24}, {386, 31, 70, 24}},
        {"超级链接框5", kLink, "使用帮助", {469, 31, 70, 24}, {469, 31, 70, 24}},
        {"标签_生成数1", kLabel, "选择读取：", {5, 61, 61, 24}, {5, 61, 61, 24}},
        {"组合框2", kCombo, "首页及二级目录", {69, 61, 112, 20}, {69, 61, 112, 20}},
        {"标签_生成数", kLabel, "生成数：", {193, 61, 46, 24}, {193, 61, 46, 24}},
        {"组合框1", kCombo, "500", {247, 61, 51, 20}, {247, 61, 51, 20}},
        {"超级链接框2", kLink, "Goole提交", {307, 60, 70, 24}, {307, 60, 70, 24}},
        {"超级链接框1", kLink, "Baidu提交", {387, 60, 70, 24}, {387, 60, 70, 24}},
        {"超级链接框3", kLink, "Yahoo提交", {469, 60, 70, 24}, {469, 60, 70, 24}},
        // Client 543 x 368: width W, height H - 16 - 88; "By:" under the table; the link's
        // right edge at W - 2 and "By:" ending 2 pixels left of it.
        {"超级列表框__主", kTable, "", {1, 88, 543, 264}, {1, 88, 643, 364}},
        {"标签_by", kLabel, "By:", {475, 352, 16, 16}, {575, 452, 16, 16}},
        {"超级链接框4", kLink, "Tovren出品", {493, 349, 48, 24}, {593, 449, 48, 24}},
    };
    auto window = OpenWindow();
    QVERIFY(window);
    QCOMPARE(window->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
             static_cast<qsizetype>(std::size(cases)));
    auto check = [&](bool enlarged) {
      for (const Case& c : cases) {
        QWidget* control = Find<QWidget>(*window, c.name);
        QVERIFY2(control != nullptr, c.name);
        QCOMPARE(control->parentWidget(), window->centralWidget());
        const QRect want = enlarged ? c.enlarged : c.at_start;
        QVERIFY2(control->geometry() == want,
                 qPrintable(U(c.name) + (enlarged ? U(" enlarged") : U(" at start"))));
        QString text;
        switch (c.kind) {
          case kLabel: text = qobject_cast<QLabel*>(control)->text(); break;
          case kButton: text = qobject_cast<QPushButton*>(control)->text(); break;
          case kLink:
            QVERIFY2(dynamic_cast<HyperlinkButton*>(control) != nullptr, c.name);
            text = qobject_cast<QPushButton*>(control)->text();
            break;
          case kEdit: text = qobject_cast<QLineEdit*>(control)->text(); break;
          case kCombo: text = qobject_cast<QComboBox*>(control)->currentText(); break;
          case kTable: QVERIFY2(qobject_cast<QTableView*>(control) != nullptr, c.name); break;
        }
        QVERIFY2(text == U(c.text), c.name);
      }
    };
    check(false);
    window->resize(window->size() + QSize(100, 100));
    QTRY_COMPARE(window->centralWidget()->size(), QSize(643, 468));
    check(true);
  }

  void hyperlinksAndFolderOpenTheirAddresses() {
    const QString credit = QString::fromLatin1(kCreditAddress);
    struct Case {
      const char* control;
      QUrl want;
    } cases[] = {
        {"超级链接框2", QUrl("https://search.google.com/search-console/sitemaps")},
        {"超级链接框1", QUrl("https://ziyuan.baidu.com/linksubmit/index")},
        {"超级链接框3", QUrl("https://www.bing.com/webmasters/sitemaps")},
        {"超级链接框5", QUrl(credit)},
        {"超级链接框4", QUrl(credit + "/")},
        {"按钮_目录", QUrl::fromLocalFile(folder_->path())},
    };
    QVERIFY(!credit.endsWith('/'));
    UrlRecorder recorder;
    for (const char* scheme : {"http", "https", "file"}) {
      QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    }
    auto window = OpenWindow();
    QVERIFY(window);
    for (const Case& c : cases) {
      recorder.opened.clear();
      auto* control = Find<QPushButton>(*window, c.control);
      QVERIFY2(control != nullptr, c.control);
      QTest::mouseClick(control, Qt::LeftButton);
      QVERIFY2(recorder.opened == QList<QUrl>{c.want},
               qPrintable(U(c.control) + " opened " +
                          (recorder.opened.isEmpty() ? QString("nothing")
                                                     : recorder.opened.first().toString())));
    }
    for (const char* scheme : {"http", "https", "file"}) {
      QDesktopServices::unsetUrlHandler(scheme);
    }
  }

  // "删除" removes the clicked row and the list entries of that row's own link, whatever
  // the order of the rows; the other rows keep their numbers.
  void deleteRemovesTheRowsOwnEntry() {
    struct Case {
      const char* name;
      RowPlace place;
      int clicked_row;
      std::vector<int> pages_left;  // list order
      QStringList numbers_left;     // display order
    } cases[] = {
        {"rows in list order, third row", RowPlace::kEnd, 2, {1, 2, 4, 5}, {"1", "2", "4", "5"}},
        {"rows at the top, top row", RowPlace::kTop, 0, {1, 2, 3, 4}, {"4", "3", "2", "1"}},
        {"rows at the top, second row", RowPlace::kTop, 1, {1, 2, 3, 5}, {"5", "3", "2", "1"}},
        {"rows at the top, last row", RowPlace::kTop, 4, {2, 3, 4, 5}, {"5", "4", "3", "2"}},
    };
    for (const Case& c : cases) {
      auto window = OpenWindow();
      QVERIFY(window);
      ListPages(*window, c.place, 1, 5);
      QTRY_COMPARE(ModelOf(*window)->rowCount(), 5);
      QVERIFY2(ClickRow(*window, c.clicked_row), c.name);
      auto* menu = Find<QMenu>(*window, "弹出菜单");
      QTRY_VERIFY2(menu->isVisible(), c.name);
      QCOMPARE(window->port().SelectedRow(), c.clicked_row);
      QAction* remove = DeleteAction(*window);
      QVERIFY2(remove != nullptr && remove->text() == U("删除"), c.name);
      remove->trigger();
      menu->hide();

      const ListSnapshot lists = window->crawler().state().Snapshot();
      QVERIFY2(lists.UrlList == Links(c.pages_left), c.name);
      QVERIFY2(lists.TitleList == Titles(c.pages_left), c.name);
      QVERIFY2(Column(*window, 0) == c.numbers_left, c.name);
      QVERIFY2(window->port().RowCount() == 4, c.name);
    }
  }

  void deleteIgnoresRightClickAndEmptySelection() {
    auto window = OpenWindow();
    QVERIFY(window);
    ListPages(*window, RowPlace::kEnd, 1, 3);
    QTRY_COMPARE(ModelOf(*window)->rowCount(), 3);
    auto* table = Find<QTableView>(*window, "超级列表框__主");
    auto* menu = Find<QMenu>(*window, "弹出菜单");
    QTest::mouseClick(table->viewport(), Qt::RightButton, {},
                      table->visualRect(table->model()->index(1, 1)).center());
    QTest::qWait(100);
    QVERIFY(!menu->isVisible());

    table->clearSelection();
    QCOMPARE(window->port().SelectedRow(), -1);
    DeleteAction(*window)->trigger();
    QVERIFY(window->crawler().state().Snapshot().UrlList == Links({1, 2, 3}));
    QCOMPARE(Column(*window, 0), QStringList({"1", "2", "3"}));
  }

  // A worker keeps putting rows at the top while the user deletes rows: each delete takes
  // the row the user picked and that row's own entries, and rows and lists stay in step.
  void deleteWhileWorkersAppend() {
    auto window = OpenWindow();
    QVERIFY(window);
    ListPages(*window, RowPlace::kTop, 1, 20);
    std::atomic<bool> worker_done{false};
    std::thread worker([&] {
      for (int k = 21; k <= 400; ++k) {
        ListPages(*window, RowPlace::kTop, k, k);
        if (k % 10 == 0) std::this_thread::sleep_for(1ms);
      }
      worker_done = true;
    });
    auto* table = Find<QTableView>(*window, "超级列表框__主");
    ResultTableModel* model = ModelOf(*window);
    auto shown = [model](const Text& link) {
      for (int row = 0; row < model->rowCount(); ++row) {
        if (model->Row(row).link == link) return true;
      }
      return false;
    };
    std::set<Text> deleted;
    int deletes = 0;
    while (!worker_done || deletes < 30) {
      QApplication::processEvents();
      if (model->rowCount() < 3) continue;
      const int row = model->rowCount() / 2;
      table->selectRow(row);
      const Text picked = model->Row(row).link;
      // Rows that arrive now, while the command waits its turn, move the picked row down.
      QApplication::processEvents();
      DeleteAction(*window)->trigger();
      ++deletes;
      deleted.insert(picked);
      QVERIFY(!shown(picked));
    }
    worker.join();
    QTRY_COMPARE(window->port().RowCount(), model->rowCount());
    QCOMPARE(model->rowCount(), 400 - deletes);

    const ListSnapshot lists = window->crawler().state().Snapshot();
    QCOMPARE(static_cast<int>(lists.UrlList.size()), model->rowCount());
    std::set<std::uint64_t> row_ids;
    for (int row = 0; row < model->rowCount(); ++row) {
      const ResultRow& shown = model->Row(row);
      QVERIFY(deleted.count(shown.link) == 0);
      row_ids.insert(shown.entry_id);
      const auto at = std::find(lists.EntryIds.begin(), lists.EntryIds.end(), shown.entry_id);
      QVERIFY(at != lists.EntryIds.end());
      const size_t index = static_cast<size_t>(at - lists.EntryIds.begin());
      QCOMPARE(lists.UrlList[index], shown.link);
      QCOMPARE(lists.TitleList[index], shown.title);
    }
    QCOMPARE(row_ids.size(), lists.EntryIds.size());
    for (const Text& link : deleted) {
      QVERIFY(std::find(lists.UrlList.begin(), lists.UrlList.end(), link) == lists.UrlList.end());
    }
  }

  // A crawl thread reads the address box and the choices and makes changes while the
  // window thread is busy: none of these calls may wait for the window thread.
  void portReadsNeverWaitForTheWindowThread() {
    auto window = OpenWindow();
    QVERIFY(window);
    // Typed in three steps: key events carry Latin-1 characters only.
    auto* address = Find<QLineEdit>(*window, "编辑框_网址");
    QTest::keyClicks(address, " ");
    address->insert(U("例子"));
    QTest::keyClicks(address, ".com");
    Find<QComboBox>(*window, "组合框2")->setCurrentIndex(1);
    Find<QComboBox>(*window, "组合框1")->setCurrentIndex(1);
    QtWindowPort& port = window->port();
    struct Seen {
      Text address;
      int scope = -1;
      int per_file = -1;
      int rows = -1;
    };
    std::future<Seen> seen = std::async(std::launch::async, [&port] {
      Seen s;
      s.address = port.ReadAddress();
      s.scope = port.CrawlScope();
      s.per_file = port.LinksPerFile();
      port.SetStatus(Gbk("读取：例子.com"));
      port.EnableStop(false);
      port.InsertRow(RowPlace::kTop, ResultRow{"1", "http://x.localhost/", "t", 0});
      s.rows = port.RowCount();
      return s;
    });
    // This thread does not run its event loop while it waits.
    QVERIFY(seen.wait_for(5s) == std::future_status::ready);
    const Seen s = seen.get();
    QCOMPARE(s.address, Gbk(" 例子.com"));
    QCOMPARE(s.scope, 1);
    QCOMPARE(s.per_file, 1000);
    QCOMPARE(s.rows, 1);
    QTRY_COMPARE(Find<QLabel>(*window, "标签_显示")->text(), U("读取：例子.com"));
    QVERIFY(!Find<QPushButton>(*window, "按钮_停止")->isEnabled());
    QCOMPARE(Column(*window, 1), QStringList({"http://x.localhost/"}));
  }

  // Thousands of changes from a worker reach the window in order, through a handful of
  // queued calls; the status label shows the latest text only.
  void changesArriveInOrderAndCoalesced() {
    auto window = OpenWindow();
    QVERIFY(window);
    QtWindowPort& port = window->port();
    constexpr int kRows = 3000;
    std::vector<int> end_indexes;
    std::thread worker([&] {
      for (int i = 1; i <= kRows; ++i) {
        port.SetStatus(NumberToText(i));
        port.InsertRow(RowPlace::kTop, ResultRow{NumberToText(i), PageLink(i), "t", 0});
      }
      port.EnableStop(false);
      port.EnableStop(true);
      port.EnableStart(false);
      port.EnableStop(false);
      for (int i = 1; i <= 3; ++i) {
        end_indexes.push_back(port.InsertRow(RowPlace::kEnd, ResultRow{"e", PageLink(-i), "t", 0}));
      }
      port.DeleteRow(0);
    });
    worker.join();
    MetaCallCounter counter;
    QApplication::instance()->installEventFilter(&counter);
    QTRY_COMPARE(ModelOf(*window)->rowCount(), kRows + 3 - 1);
    QTest::qWait(50);
    QApplication::instance()->removeEventFilter(&counter);
    QVERIFY2(counter.count <= 2, qPrintable(QString::number(counter.count)));

    QCOMPARE(Find<QLabel>(*window, "标签_显示")->text(), QString::number(kRows));
    QVERIFY(!Find<QPushButton>(*window, "按钮_停止")->isEnabled());
    QVERIFY(!Find<QPushButton>(*window, "按钮_开始")->isEnabled());
    QCOMPARE(end_indexes, (std::vector<int>{kRows, kRows + 1, kRows + 2}));
    const QStringList numbers = Column(*window, 0);
    QCOMPARE(numbers.first(), QString::number(kRows - 1));  // row "3000" was deleted
    QCOMPARE(numbers.at(kRows - 2), U("1"));
    QCOMPARE(Column(*window, 1).last(), QString::fromStdString(PageLink(-3)));
    QCOMPARE(port.RowCount(), kRows + 2);

    // Counts stay right when a delete aims past the end or the table is replaced.
    std::thread again([&] {
      port.DeleteRow(kRows + 50);
      port.DeleteAllRows();
      port.InsertRow(RowPlace::kEnd, ResultRow{"1", PageLink(1), "t", 0});
      port.ReplaceAllRows({ResultRow{"1", PageLink(1), "t", 0}, ResultRow{"2", PageLink(2), "t", 0}});
    });
    again.join();
    QCOMPARE(port.RowCount(), 2);
    QTRY_COMPARE(ModelOf(*window)->rowCount(), 2);
    QCOMPARE(port.RowCount(), 2);
  }

  // The information message: caption "信息：", information icon, one OK button; a worker
  // that asks for it waits until it is dismissed, or until the window closes.
  void informationMessageWaitsAndGivesUpOnClose() {
    auto window = OpenWindow();
    QVERIFY(window);
    struct Seen {
      QString title, text;
      QMessageBox::Icon icon = QMessageBox::NoIcon;
      QMessageBox::StandardButtons buttons;
      bool caller_waited = false;
    };
    // The box runs its own event loop; a timer inside that loop inspects and answers it.
    auto answer_box = [](Seen& seen, std::atomic<bool>& returned, std::function<void(QMessageBox*)> act) {
      auto* poll = new QTimer;
      poll->setInterval(20);
      QObject::connect(poll, &QTimer::timeout, [poll, &seen, &returned, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        poll->stop();
        poll->deleteLater();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        QTimer::singleShot(200, box, [&seen, &returned, box, act] {
          seen.caller_waited = !returned;
          act(box);
        });
        // Should `act` leave the box open, dismiss it later so that the test fails instead
        // of waiting in the box's event loop for ever.
        QTimer::singleShot(5000, box, [box] { box->reject(); });
      });
      poll->start();
    };

    Seen first;
    std::atomic<bool> first_returned{false};
    answer_box(first, first_returned,
               [](QMessageBox* box) { QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton); });
    std::thread caller([&] {
      window->port().ShowInformation(Gbk("正在读取中..."));
      first_returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(first_returned, 10000);
    caller.join();
    QCOMPARE(first.title, U("信息："));
    QCOMPARE(first.text, U("正在读取中..."));
    QCOMPARE(first.icon, QMessageBox::Information);
    QCOMPARE(first.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(first.caller_waited);

    Seen second;
    std::atomic<bool> second_returned{false};
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> closed_at{-1};
    std::atomic<qint64> returned_at{-1};
    answer_box(second, second_returned, [&](QMessageBox*) {
      closed_at = clock.elapsed();
      window->close();
    });
    std::thread closer([&] {
      window->port().ShowInformation(Gbk("正在读取中..."));
      returned_at = clock.elapsed();
      second_returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(second_returned, 10000);
    closer.join();
    QVERIFY(second.caller_waited);
    QVERIFY(closed_at >= 0);
    QVERIFY2(returned_at - closed_at < 2000,
             qPrintable(QString("returned %1 ms after the close").arg(returned_at - closed_at)));
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(!window->isVisible());

    // Once closed, the port answers at once, without the window thread's help.
    std::atomic<bool> late_returned{false};
    std::thread late([&] {
      window->port().ShowInformation(Gbk("x"));
      window->port().SetStatus("late");
      late_returned = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!late_returned && waited.elapsed() < 3000) std::this_thread::sleep_for(10ms);
    const bool prompt = late_returned;
    // Should the caller be stuck after all, answer its message so that the test can end.
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    dismiss.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(late_returned, 10000);
    late.join();
    QVERIFY(prompt);
  }

  // The worker buttons run their routines on threads of the window's own, with the
  // current choice of links per file and the window's sitemap folder.
  void workerButtonsRunTheirRoutines() {
    struct Case {
      const char* button;
      int per_file_index;
      QStringList want_files;
    } cases[] = {
        {"按钮_开始1", 0, {"sitemap.xml", "sitemap1.xml"}},
        {"按钮_开始1", 1, {"sitemap.xml"}},
        {"按钮_开始2", 0, {"index.html", "sitemap1.html"}},
        {"按钮_开始2", 1, {"index.html"}},
        {"按钮_开始3", 0, {"urllist.txt", "urllist1.txt"}},
        {"按钮_开始3", 1, {"urllist.txt"}},
    };
    for (const Case& c : cases) {
      init();
      auto window = OpenWindow();
      QVERIFY(window);
      ListPages(*window, RowPlace::kEnd, 1, 501);
      Find<QComboBox>(*window, "组合框1")->setCurrentIndex(c.per_file_index);
      QTest::mouseClick(Find<QPushButton>(*window, c.button), Qt::LeftButton);
      window->JoinWorkers();
      const QStringList files = QDir(folder_->path()).entryList(QDir::Files, QDir::Name);
      QStringList want = c.want_files;
      want.sort();
      QVERIFY2(files == want, qPrintable(U(c.button) + " " + QString::number(c.per_file_index) +
                                         " wrote " + files.join(',')));
    }

    auto window = OpenWindow();
    QVERIFY(window);
    // Links of different lengths, so that the order after sorting is fixed.
    for (int k : {300, 20, 1, 20}) ListPages(*window, RowPlace::kTop, k, k);
    QTRY_COMPARE(ModelOf(*window)->rowCount(), 4);
    QTest::mouseClick(Find<QPushButton>(*window, "按钮_开始4"), Qt::LeftButton);
    window->JoinWorkers();
    QTRY_COMPARE(ModelOf(*window)->rowCount(), 3);
    QTRY_COMPARE(Find<QLabel>(*window, "标签_显示")->text(), U("去重复后有3条有效链接"));
    QCOMPARE(Column(*window, 0), QStringList({"1", "2", "3"}));
    QCOMPARE(Column(*window, 1),
             QStringList({QString::fromStdString(PageLink(1)), QString::fromStdString(PageLink(20)),
                          QString::fromStdString(PageLink(300))}));
    QVERIFY(window->crawler().state().Snapshot().UrlList == Links({1, 20, 300}));
    QCOMPARE(window->port().RowCount(), 3);
  }

  // A crawl started from the window: the address typed into the box, Start clicked, rows
  // and progress arriving from the crawl's threads; Stop afterwards.
  void crawlFromTheWindow() {
    TestHttpServer server;
    server.SetFallback([](const CapturedRequest& request) {
      Response response;
      const std::string& target = request.target;
      if (target == "/") {
        response.body = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                        "charset=gb2312\"><title>" + Gbk("首页标题") + "</title></head><body>";
        for (int k = 1; k <= 4; ++k) {
          response.body += "<a href=\"/p" + std::to_string(k) + ".html\">p</a>";
        }
        response.body += "</body></html>";
      } else if (target.size() == 8 && target.compare(0, 2, "/p") == 0) {
        response.body = "<html><head><title>Page " + target.substr(2, 1) +
                        "</title></head><body><a href=\"/q" + target.substr(2, 1) +
                        ".html\">q</a></body></html>";
      } else if (target.size() == 8 && target.compare(0, 2, "/q") == 0) {
        response.body = "<html><head><title>Leaf " + target.substr(2, 1) + "</title></head></html>";
      } else {
        response.status = 404;
        response.body = "<title>404</title>";
      }
      return response;
    });
    auto window = OpenWindow();
    QVERIFY(window);
    const QString address = QString("127.0.0.1:%1").arg(server.port());
    QTest::keyClicks(Find<QLineEdit>(*window, "编辑框_网址"), address);
    QTest::mouseClick(Find<QPushButton>(*window, "按钮_开始"), Qt::LeftButton);

    ResultTableModel* model = ModelOf(*window);
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 9, 20000);
    QVERIFY(window->crawler().WaitUntilIdle(10s));
    QApplication::processEvents();
    QCOMPARE(model->rowCount(), 9);
    QCOMPARE(window->port().RowCount(), 9);

    const QString base = "http://" + address;
    std::set<QString> want_links = {base + "/"};
    for (int k = 1; k <= 4; ++k) {
      want_links.insert(base + QString("/p%1.html").arg(k));
      want_links.insert(base + QString("/q%1.html").arg(k));
    }
    const QStringList links = Column(*window, 1);
    QCOMPARE(std::set<QString>(links.begin(), links.end()), want_links);
    const int home = static_cast<int>(links.indexOf(base + "/"));
    QCOMPARE(Column(*window, 0).at(home), U("1"));
    QCOMPARE(Column(*window, 2).at(home), U("首页标题"));
    QCOMPARE(Column(*window, 2).at(static_cast<int>(links.indexOf(base + "/p2.html"))), U("Page2"));
    QTRY_VERIFY(QRegularExpression(U("^已成功读取\\d+条有效链接$"))
                    .match(Find<QLabel>(*window, "标签_显示")->text())
                    .hasMatch());
    QCOMPARE(window->crawler().state().Snapshot().UrlList.size(), size_t{9});

    QTest::mouseClick(Find<QPushButton>(*window, "按钮_停止"), Qt::LeftButton);
    QTRY_VERIFY(!Find<QPushButton>(*window, "按钮_停止")->isEnabled());
    QVERIFY(Find<QPushButton>(*window, "按钮_开始")->isEnabled());
    QCOMPARE(model->rowCount(), 9);  // Stop keeps what was collected
  }

  // Closing while pages are being fetched from a site that never answers: the window closes
  // promptly, the crawl's threads end, and tearing the window down does not hang.
  void closeDuringCrawlReturnsPromptly() {
    TestHttpServer server;
    server.SetFallback([](const CapturedRequest& request) {
      Response response;
      if (request.target == "/") {
        response.body = "<html><head><title>Home</title></head><body>"
                        "<a href=\"/s1.html\">1</a><a href=\"/s2.html\">2</a>"
                        "<a href=\"/s3.html\">3</a><a href=\"/s4.html\">4</a></body></html>";
      } else {
        response.never_answer = true;
      }
      return response;
    });
    auto has_slow_request = [&server] {
      for (const CapturedRequest& r : server.Requests()) {
        if (r.target.rfind("/s", 0) == 0) return true;
      }
      return false;
    };
    auto window = OpenWindow();
    QVERIFY(window);
    QTest::keyClicks(Find<QLineEdit>(*window, "编辑框_网址"),
                     QString("127.0.0.1:%1").arg(server.port()));
    QTest::mouseClick(Find<QPushButton>(*window, "按钮_开始"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(has_slow_request(), 10000);
    QTRY_COMPARE(ModelOf(*window)->rowCount(), 1);
    QVERIFY(!window->crawler().IsIdle());

    QElapsedTimer timer;
    timer.start();
    QVERIFY(window->close());
    QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!window->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(window->crawler().IsIdle(), 5000);
    timer.restart();
    window.reset();
    QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
  }

  // Without a display the program says how to use the headless mode instead of aborting.
  void startsWithoutDisplayExplains() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      environment.remove(name);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QString::fromUtf8(TOVREN_PROGRAM), {});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QString error = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(error.contains("--crawl ADDRESS") && error.contains("--help"), qPrintable(error));
    QCOMPARE(error.count('\n'), 1);
  }
};

}  // namespace tovren

QTEST_MAIN(tovren::MainWindowTest)
#include "main_window_test.moc"
