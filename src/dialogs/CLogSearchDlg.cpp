#include "dialogs/CLogSearchDlg.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "platform/FileSystem.h"
#include "qt/QtText.h"

namespace vostrelle {
namespace {

constexpr int kRoomRole = Qt::UserRole;
constexpr int kDateRole = Qt::UserRole + 1;
constexpr int kLineRole = Qt::UserRole + 2;
constexpr int kHtmlRole = Qt::UserRole + 3;
constexpr int kDayLines = 200;  // lines shown before and after an opened hit

// Paints the line column from its marked-up text, the matches highlighted.
class MarkedLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString html = index.data(kHtmlRole).toString();
    opt.text.clear();
    opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    QTextDocument doc;
    doc.setDefaultFont(opt.font);
    doc.setDocumentMargin(0);
    doc.setHtml(html);
    painter->save();
    const QRect r = opt.rect.adjusted(3, 0, -3, 0);
    painter->translate(r.left(), r.top() + (r.height() - doc.size().height()) / 2);
    painter->setClipRect(QRect(0, 0, r.width(), r.height()));
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.palette = opt.palette;
    if (opt.state & QStyle::State_Selected)
      ctx.palette.setColor(QPalette::Text, opt.palette.color(QPalette::HighlightedText));
    doc.documentLayout()->draw(painter, ctx);
    painter->restore();
  }
};

// The words of the field: split at blanks, half-width or full-width.
std::vector<std::string> SplitWords(const QString& text) {
  std::vector<std::string> words;
  for (const QString& w :
       text.split(QRegularExpression(QStringLiteral("[\\s\\x{3000}]+")), Qt::SkipEmptyParts))
    words.push_back(ToCp932(w));
  return words;
}

int DateNumber(const QDate& d) {
  return d.year() * 10000 + d.month() * 100 + d.day();
}

QString DateText(int date) {
  return QStringLiteral("%1/%2/%3")
      .arg(date / 10000, 4, 10, QLatin1Char('0'))
      .arg(date / 100 % 100, 2, 10, QLatin1Char('0'))
      .arg(date % 100, 2, 10, QLatin1Char('0'));
}

// The line as shown: the time (its own column) left out, the matches marked.
QString MarkedHtml(const LogHit& hit, QString* plain) {
  std::size_t skip = hit.Time().empty() ? 0 : 5;
  if (skip && hit.Line.size() > 5 && hit.Line[5] == ' ') skip = 6;
  QString html, text;
  std::size_t at = skip;
  auto add = [&](std::size_t from, std::size_t to, bool mark) {
    if (to <= from) return;
    const QString part = ToQString(std::string_view(hit.Line).substr(from, to - from));
    text += part;
    if (mark)
      html += QStringLiteral("<span style=\"background:#ffe060;color:#000\">%1</span>")
                  .arg(part.toHtmlEscaped());
    else
      html += part.toHtmlEscaped();
  };
  for (const auto& [offset, length] : hit.Marks) {
    const std::size_t begin = std::max(offset, at), end = offset + length;
    if (end <= at) continue;
    add(at, begin, false);
    add(begin, end, true);
    at = end;
  }
  add(at, hit.Line.size(), false);
  *plain = text;
  return html;
}

}  // namespace

CLogSearchDlg::CLogSearchDlg(std::string logFolder, QWidget* parent)
    : QDialog(parent), logFolder_(std::move(logFolder)) {
  setWindowTitle(QStringLiteral("ログ検索"));
  setSizeGripEnabled(true);

  QGridLayout* fields = BuildFields();
  QSplitter* split = BuildPanes();
  status_ = new QLabel(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
  connect(buttons, &QDialogButtonBox::rejected, this, &CLogSearchDlg::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(split, 1);
  layout->addLayout(bottom);
  resize(720, 520);

  ConnectFields();
  ListRooms();
}

QGridLayout* CLogSearchDlg::BuildFields() {
  words_ = new QLineEdit(this);
  words_->setAccessibleName(QStringLiteral("検索する言葉"));
  words_->setPlaceholderText(QStringLiteral("空白で区切ると、すべてを含む行を探します"));
  room_ = new QComboBox(this);
  room_->addItem(QStringLiteral("すべての部屋"));
  room_->setAccessibleName(QStringLiteral("部屋"));
  useDates_ = new QCheckBox(QStringLiteral("期間(&D):"), this);
  from_ = new QDateEdit(QDate::currentDate().addYears(-1), this);
  to_ = new QDateEdit(QDate::currentDate(), this);
  for (QDateEdit* e : {from_, to_}) {
    e->setCalendarPopup(true);
    e->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    e->setEnabled(false);
  }
  from_->setAccessibleName(QStringLiteral("期間の始め"));
  to_->setAccessibleName(QStringLiteral("期間の終わり"));
  search_ = new QPushButton(QStringLiteral("検索(&S)"), this);
  search_->setDefault(true);

  auto* wordsLabel = new QLabel(QStringLiteral("検索する言葉(&W):"), this);
  wordsLabel->setBuddy(words_);
  auto* roomLabel = new QLabel(QStringLiteral("部屋(&R):"), this);
  roomLabel->setBuddy(room_);
  auto* fields = new QGridLayout;
  fields->addWidget(wordsLabel, 0, 0);
  fields->addWidget(words_, 0, 1, 1, 3);
  fields->addWidget(search_, 0, 4);
  fields->addWidget(roomLabel, 1, 0);
  fields->addWidget(room_, 1, 1, 1, 3);
  fields->addWidget(useDates_, 2, 0);
  fields->addWidget(from_, 2, 1);
  fields->addWidget(new QLabel(QStringLiteral("～"), this), 2, 2);
  fields->addWidget(to_, 2, 3);
  fields->setColumnStretch(1, 1);
  fields->setColumnStretch(3, 1);
  return fields;
}

QSplitter* CLogSearchDlg::BuildPanes() {
  results_ = new QTreeWidget(this);
  results_->setHeaderLabels({QStringLiteral("日付"), QStringLiteral("時刻"), QStringLiteral("部屋"),
                             QStringLiteral("発言")});
  results_->setAccessibleName(QStringLiteral("検索結果"));
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->setAllColumnsShowFocus(true);
  results_->setItemDelegateForColumn(3, new MarkedLineDelegate(results_));
  results_->header()->setStretchLastSection(true);
  results_->setColumnWidth(0, 90);
  results_->setColumnWidth(1, 50);
  results_->setColumnWidth(2, 110);

  auto* dayPane = new QWidget(this);
  dayTitle_ =
      new QLabel(QStringLiteral("結果をダブルクリックすると、その日のログを表示します"), dayPane);
  day_ = new QPlainTextEdit(dayPane);
  day_->setReadOnly(true);
  day_->setLineWrapMode(QPlainTextEdit::NoWrap);
  day_->setAccessibleName(QStringLiteral("その日のログ"));
  auto* dayLayout = new QVBoxLayout(dayPane);
  dayLayout->setContentsMargins(0, 0, 0, 0);
  dayLayout->addWidget(dayTitle_);
  dayLayout->addWidget(day_);

  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(results_);
  split->addWidget(dayPane);
  return split;
}

void CLogSearchDlg::ConnectFields() {
  // Typing cancels the running search at once and starts the next one after a pause.
  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(300);
  connect(typing_, &QTimer::timeout, this, &CLogSearchDlg::StartSearch);
  connect(words_, &QLineEdit::textEdited, this, [this] {
    CancelSearch();
    typing_->start();
  });
  connect(words_, &QLineEdit::returnPressed, this, &CLogSearchDlg::StartSearch);
  connect(search_, &QPushButton::clicked, this, &CLogSearchDlg::StartSearch);
  auto again = [this] {
    if (!words_->text().trimmed().isEmpty()) StartSearch();
  };
  connect(room_, &QComboBox::currentIndexChanged, this, again);
  connect(useDates_, &QCheckBox::toggled, this, [this, again](bool on) {
    from_->setEnabled(on);
    to_->setEnabled(on);
    again();
  });
  connect(from_, &QDateEdit::dateChanged, this, again);
  connect(to_, &QDateEdit::dateChanged, this, again);
  connect(results_, &QTreeWidget::itemActivated, this, &CLogSearchDlg::OpenHit);
}

CLogSearchDlg::~CLogSearchDlg() {
  StopWorkers();
}

void CLogSearchDlg::reject() {
  CancelSearch();
  QDialog::reject();
}

void CLogSearchDlg::StartWorker(std::function<void(const std::atomic<bool>&)> work) {
  // Finished runs are joined here; their threads have returned already.
  runs_.erase(std::remove_if(runs_.begin(), runs_.end(),
                             [](const std::unique_ptr<Run>& r) {
                               if (!r->cancel) return false;
                               if (r->thread.joinable()) r->thread.join();
                               return true;
                             }),
              runs_.end());
  auto run = std::make_unique<Run>();
  Run* raw = run.get();
  run->thread = std::thread([raw, work = std::move(work)] {
    work(raw->cancel);
    raw->cancel = true;  // done: may be joined
  });
  runs_.push_back(std::move(run));
}

void CLogSearchDlg::StopWorkers() {
  for (auto& r : runs_) r->cancel = true;
  for (auto& r : runs_)
    if (r->thread.joinable()) r->thread.join();
  runs_.clear();
}

void CLogSearchDlg::ListRooms() {
  const std::string folder = logFolder_;
  StartWorker([this, folder](const std::atomic<bool>&) {
    LogSearchQuery all;
    std::vector<std::string> rooms;
    for (const auto& f : ListLogFiles(folder, all)) rooms.push_back(f.Room);
    std::sort(rooms.begin(), rooms.end());
    rooms.erase(std::unique(rooms.begin(), rooms.end()), rooms.end());
    QMetaObject::invokeMethod(
        this,
        [this, rooms] {
          for (const auto& r : rooms) room_->addItem(ToQString(r), QByteArray::fromStdString(r));
          emit RoomsListed();
        },
        Qt::QueuedConnection);
  });
}

void CLogSearchDlg::CancelSearch() {
  ++generation_;
  for (auto& r : runs_) r->cancel = true;
  if (searching_) {
    searching_ = false;
    status_->setText(QStringLiteral("中止しました（%1 件）").arg(shown_));
    emit SearchFinished();
  }
}

void CLogSearchDlg::StartSearch() {
  typing_->stop();
  CancelSearch();
  results_->clear();
  shown_ = 0;
  LogSearchQuery query;
  query.Words = SplitWords(words_->text());
  if (query.Words.empty()) {
    status_->setText(QStringLiteral("探す言葉を入力してください"));
    emit SearchFinished();
    return;
  }
  query.Room =
      room_->currentIndex() > 0 ? room_->currentData().toByteArray().toStdString() : std::string();
  if (useDates_->isChecked()) {
    query.FromDate = DateNumber(std::min(from_->date(), to_->date()));
    query.ToDate = DateNumber(std::max(from_->date(), to_->date()));
  }
  query.MaxHits = maxHits_;
  searching_ = true;
  status_->setText(QStringLiteral("検索中…"));
  const unsigned generation = generation_;
  const std::string folder = logFolder_;
  StartWorker([this, generation, folder, query](const std::atomic<bool>& cancel) {
    // The first hit goes at once; later ones in batches, so the window stays quick.
    std::vector<LogHit> batch;
    auto last = std::chrono::steady_clock::now();
    bool first = true;
    auto post = [&] {
      QMetaObject::invokeMethod(
          this,
          [this, generation, b = std::move(batch)]() mutable { AddHits(generation, std::move(b)); },
          Qt::QueuedConnection);
      batch.clear();
      last = std::chrono::steady_clock::now();
      first = false;
    };
    const std::size_t files = SearchLogs(folder, query, cancel, [&](LogHit&& hit) {
      batch.push_back(std::move(hit));
      if (first || batch.size() >= 300 ||
          std::chrono::steady_clock::now() - last > std::chrono::milliseconds(100))
        post();
      return true;
    });
    if (!batch.empty()) post();
    const bool cancelled = cancel.load();
    QMetaObject::invokeMethod(
        this, [this, generation, files, cancelled] { Finish(generation, files, cancelled); },
        Qt::QueuedConnection);
  });
}

void CLogSearchDlg::AddHits(unsigned generation, std::vector<LogHit> hits) {
  if (generation != generation_) return;
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<int>(hits.size()));
  for (const LogHit& hit : hits) {
    QString plain;
    const QString html = MarkedHtml(hit, &plain);
    auto* item = new QTreeWidgetItem(
        {DateText(hit.Date), ToQString(hit.Time()), ToQString(hit.Room), plain});
    item->setData(0, kRoomRole, QByteArray::fromStdString(hit.Room));
    item->setData(0, kDateRole, hit.Date);
    item->setData(0, kLineRole, static_cast<qulonglong>(hit.LineIndex));
    item->setData(3, kHtmlRole, html);
    item->setToolTip(3, plain);
    items.append(item);
  }
  results_->addTopLevelItems(items);
  shown_ += hits.size();
  status_->setText(QStringLiteral("検索中… %1 件").arg(shown_));
}

void CLogSearchDlg::Finish(unsigned generation, std::size_t files, bool cancelled) {
  if (generation != generation_ || cancelled) return;
  searching_ = false;
  if (shown_ == 0)
    status_->setText(QStringLiteral("見つかりませんでした（%1 ファイル）").arg(files));
  else if (shown_ >= maxHits_)
    status_->setText(
        QStringLiteral("%1 件で打ち切りました。言葉や期間を絞ってください").arg(shown_));
  else
    status_->setText(QStringLiteral("%1 件見つかりました（%2 ファイル）").arg(shown_).arg(files));
  emit SearchFinished();
}

void CLogSearchDlg::OpenHit(QTreeWidgetItem* item) {
  if (!item) return;
  const std::string room = item->data(0, kRoomRole).toByteArray().toStdString();
  const int date = item->data(0, kDateRole).toInt();
  const std::size_t at = item->data(0, kLineRole).toULongLong();
  const QString title = QStringLiteral("%1 の %2 のログ").arg(ToQString(room), DateText(date));
  const std::string path = JoinPath(JoinPath(logFolder_, room),
                                    DateText(date).remove(QLatin1Char('/')).toStdString() + ".txt");
  const unsigned generation = ++dayGeneration_;
  dayTitle_->setText(QStringLiteral("読み込み中…"));
  StartWorker([this, path, at, generation, title](const std::atomic<bool>&) {
    std::string bytes;
    ReadLogFile(path, bytes);
    const auto all = SplitLogLines(bytes);
    const std::size_t first = at > kDayLines ? at - kDayLines : 0;
    const std::size_t last = std::min(all.size(), at + kDayLines + 1);
    std::vector<std::string> lines;
    for (std::size_t i = first; i < last; ++i) lines.emplace_back(all[i]);
    QMetaObject::invokeMethod(
        this,
        [this, generation, lines = std::move(lines), first, at, title]() mutable {
          ShowDay(generation, std::move(lines), first, at, title);
        },
        Qt::QueuedConnection);
  });
}

void CLogSearchDlg::ShowDay(unsigned generation, std::vector<std::string> lines, std::size_t first,
                            std::size_t at, QString title) {
  if (generation != dayGeneration_) return;
  QStringList text;
  for (const auto& l : lines) text << ToQString(l);
  day_->setPlainText(text.join(QLatin1Char('\n')));
  dayTitle_->setText(title);
  const QTextBlock block = day_->document()->findBlockByNumber(static_cast<int>(at - first));
  if (block.isValid()) {
    QTextCursor cursor(block);
    day_->setTextCursor(cursor);
    QTextEdit::ExtraSelection line;
    line.cursor = cursor;
    line.format.setBackground(QColor(0xff, 0xe0, 0x60));
    line.format.setForeground(Qt::black);
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    day_->setExtraSelections({line});
    day_->centerCursor();
  }
  emit DayShown();
}

}  // namespace vostrelle
