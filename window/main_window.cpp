#include "window/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

#include "listtools/dedup_sort.h"
#include "window/hyperlink_button.h"
#include "window/layout_rule.h"
#include "window/result_table_model.h"
#include "writers/sitemap_writers.h"

namespace tovren {

namespace {

// The search engines' sitemap submission pages. Yahoo's search is served by Bing, so
// "Yahoo提交" leads to Bing Webmaster Tools as well.
constexpr const char* kGoogleSubmission = "https://search.google.com/search-console/sitemaps";
constexpr const char* kBaiduSubmission = "https://ziyuan.baidu.com/linksubmit/index";
constexpr const char* kYahooSubmission = "https://www.bing.com/webmasters/sitemaps";

// The client size at which the layout rule gives the table its design size, 543 x 264 at
// (1, 88) with the 16 pixels of "By:" below it.
constexpr QSize kInitialClientSize{543, 368};

// The design sizes were made for a narrower font than most desktops use; a caption that
// would be cut off gets a smaller font instead, down to 8 pixels.
void ShrinkFontToFit(QWidget* widget, const QString& text, int padding) {
  QFont font = widget->font();
  int pixels = font.pixelSize();
  while (pixels > 8 &&
         QFontMetrics(font).horizontalAdvance(text) + padding > widget->width()) {
    font.setPixelSize(--pixels);
  }
  if (font != widget->font()) widget->setFont(font);
}

template <class Widget>
Widget* Place(Widget* widget, const char* name, QRect rect) {
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(rect);
  return widget;
}

QLabel* AddLabel(QWidget* parent, const char* name, QRect rect, const QString& text) {
  auto* label = Place(new QLabel(text, parent), name, rect);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ShrinkFontToFit(label, text, 0);
  return label;
}

QPushButton* AddButton(QWidget* parent, const char* name, QRect rect, const QString& text) {
  auto* button = Place(new QPushButton(text, parent), name, rect);
  button->setCursor(Qt::PointingHandCursor);
  ShrinkFontToFit(button, text, 8);
  return button;
}

HyperlinkButton* AddLink(QWidget* parent, const char* name, QRect rect, const QString& text,
                         const QString& address) {
  auto* link = Place(new HyperlinkButton(text, QUrl(address), parent), name, rect);
  ShrinkFontToFit(link, text, 0);
  return link;
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path sitemap_folder, QWidget* parent)
    : QMainWindow(parent), sitemap_folder_(std::move(sitemap_folder)) {
  setWindowTitle(QStringLiteral("Tovren Sitemap"));
  BuildControls();
  port_ = std::make_unique<QtWindowPort>(controls_);
  crawler_ = std::make_unique<Crawler>(*port_, sitemap_folder_);
  ConnectCommands();
  controls_.status->setText(QStringLiteral("Tovren：网站地图生成工具"));
  resize(kInitialClientSize);
  ApplyLayoutRule();
}

MainWindow::~MainWindow() { ShutDown(); }

void MainWindow::BuildControls() {
  central_ = new QWidget(this);
  central_->setObjectName(QStringLiteral("central"));
  QFont font = central_->font();
  font.setPixelSize(12);
  central_->setFont(font);
  setCentralWidget(central_);
  central_->installEventFilter(this);
  QWidget* w = central_;

  AddLabel(w, "标签2", {3, 4, 29, 22}, QStringLiteral("信息:"));
  controls_.status = AddLabel(w, "标签_显示", {37, 1, 194, 24}, QString());
  controls_.start = AddButton(w, "按钮_开始", {234, 1, 64, 24}, QStringLiteral("开始"));
  AddButton(w, "按钮_开始1", {308, 1, 70, 24}, QStringLiteral("Google生成"));
  AddButton(w, "按钮_开始2", {388, 1, 70, 24}, QStringLiteral("Baidu生成"));
  AddButton(w, "按钮_开始3", {469, 1, 70, 24}, QStringLiteral("Yahoo生成"));

  AddLabel(w, "标签1", {3, 32, 29, 22}, QStringLiteral("网址:"));
  controls_.address = Place(new QLineEdit(w), "编辑框_网址", {38, 30, 193, 24});
  controls_.stop = AddButton(w, "按钮_停止", {233, 31, 64, 24}, QStringLiteral("停止"));
  AddButton(w, "按钮_开始4", {307, 31, 70, 24}, QStringLiteral("去重复排序"));
  AddButton(w, "按钮_目录", {386, 31, 70, 24}, QStringLiteral("地图目录"));
  AddLink(w, "超级链接框5", {469, 31, 70, 24}, QStringLiteral("使用帮助"),
          QString::fromLatin1(kCreditAddress));

  AddLabel(w, "标签_生成数1", {5, 61, 61, 24}, QStringLiteral("选择读取："));
  controls_.scope = Place(new QComboBox(w), "组合框2", {69, 61, 112, 20});
  controls_.scope->addItem(QStringLiteral("首页及二级目录"));
  controls_.scope->addItem(QStringLiteral("网站全部链接"));
  controls_.scope->setCurrentIndex(0);
  AddLabel(w, "标签_生成数", {193, 61, 46, 24}, QStringLiteral("生成数："));
  controls_.links_per_file = Place(new QComboBox(w), "组合框1", {247, 61, 51, 20});
  controls_.links_per_file->addItem(QStringLiteral("500"), 500);
  controls_.links_per_file->addItem(QStringLiteral("1000"), 1000);
  controls_.links_per_file->setCurrentIndex(0);
  AddLink(w, "超级链接框2", {307, 60, 70, 24}, QStringLiteral("Goole提交"),
          QString::fromLatin1(kGoogleSubmission));
  AddLink(w, "超级链接框1", {387, 60, 70, 24}, QStringLiteral("Baidu提交"),
          QString::fromLatin1(kBaiduSubmission));
  AddLink(w, "超级链接框3", {469, 60, 70, 24}, QStringLiteral("Yahoo提交"),
          QString::fromLatin1(kYahooSubmission));

  controls_.model = new ResultTableModel(this);
  QTableView* table = Place(new QTableView(w), "超级列表框__主", {1, 88, 543, 264});
  table->setModel(controls_.model);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setShowGrid(false);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table->horizontalHeader()->setHighlightSections(false);
  table->setColumnWidth(0, 50);
  table->setColumnWidth(1, 300);
  table->setColumnWidth(2, 260);
  controls_.table = table;

  by_label_ = AddLabel(w, "标签_by", {464, 374, 16, 16}, QStringLiteral("By:"));
  credit_link_ = AddLink(w, "超级链接框4", {486, 368, 48, 24}, QStringLiteral("Tovren出品"),
                         QString::fromLatin1(kCreditAddress) + QLatin1Char('/'));

  row_menu_ = new QMenu(this);
  row_menu_->setObjectName(QStringLiteral("弹出菜单"));
  row_menu_->addAction(QStringLiteral("删除"), this, &MainWindow::DeleteSelectedRow);

  controls_.window = this;
}

void MainWindow::ConnectCommands() {
  auto button = [this](const char* name) {
    return central_->findChild<QPushButton*>(QString::fromUtf8(name));
  };
  connect(controls_.start, &QPushButton::clicked, this, [this] { crawler_->StartCommand(); });
  connect(controls_.stop, &QPushButton::clicked, this, [this] { crawler_->StopCommand(); });

  using Writer = WriteReport (*)(const ListSnapshot&, int, const std::filesystem::path&);
  auto connect_writer = [&](const char* name, Writer writer) {
    connect(button(name), &QPushButton::clicked, this, [this, writer] {
      // The choice counts as it stands at the click; the lists are copied by the task.
      const int per_file = port_->LinksPerFile();
      StartTask([this, writer, per_file] {
        writer(crawler_->state().Snapshot(), per_file, sitemap_folder_);
      });
    });
  };
  connect_writer("按钮_开始1", &WriteXmlSitemap);
  connect_writer("按钮_开始2", &WriteHtmlSitemap);
  connect_writer("按钮_开始3", &WriteUrlList);
  connect(button("按钮_开始4"), &QPushButton::clicked, this, [this] {
    StartTask([this] { RemoveDuplicatesAndSort(crawler_->state(), *port_); });
  });
  connect(button("按钮_目录"), &QPushButton::clicked, this, [this] {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(sitemap_folder_.string())));
  });
  connect(controls_.table, &QAbstractItemView::clicked, this, &MainWindow::ShowRowMenu);
}

void MainWindow::StartTask(std::function<void()> task) {
  if (shut_down_) return;
  workers_.Start(std::move(task));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central_ && event->type() == QEvent::Resize) ApplyLayoutRule();
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ApplyLayoutRule() {
  const TailPlacement placed = PlaceTail(central_->size(), controls_.table->geometry(),
                                         by_label_->geometry(), credit_link_->geometry());
  controls_.table->setGeometry(placed.table);
  by_label_->setGeometry(placed.by);
  credit_link_->setGeometry(placed.credit);
}

void MainWindow::ShowRowMenu(const QModelIndex& index) {
  // Only the left button emits clicked(); the click has already selected the row.
  if (!index.isValid()) return;
  controls_.table->selectRow(index.row());
  row_menu_->popup(QCursor::pos());
}

void MainWindow::DeleteSelectedRow() {
  const int selected = port_->SelectedRow();
  if (selected < 0 || selected >= controls_.model->size()) return;
  // The row names its own list entry, so the entry removed is the one the row shows even
  // when rows were inserted at the top or workers appended meanwhile.
  const std::uint64_t entry = controls_.model->Row(selected).entry_id;
  if (entry != 0) crawler_->state().RemoveEntry(entry);
  port_->TakeRowNow(selected);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  ShutDown();
  event->accept();
}

void MainWindow::ShutDown() {
  if (shut_down_) return;
  shut_down_ = true;
  // Order matters: the port stops first, so that no crawl thread can wait for this
  // thread while it waits for them below.
  port_->BeginClosing();
  crawler_->CloseCommand();
  workers_.JoinAll();
}

}  // namespace tovren
