#include "CTransferDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qt/DrawnIcon.h"
#include "qt/QtMessageBox.h"
#include "qt/QtText.h"
#include "transfer/FileTransferList.h"
#include "transfer/TransferTexts.h"

namespace vostrelle {

namespace {

constexpr int kWidths[CTransferDlg::kColumns] = {100, 60, 60, 80, 80, 200};

QIcon Arrow(bool up, QColor color) {
  return DrawnIcon([=](QPainter& p) {
    // Drawn pointing up; the downward one is its mirror image.
    if (!up) {
      p.translate(0, 16);
      p.scale(1, -1);
    }
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(color);
    const QPointF arrow[] = {{8, 1}, {15, 8}, {11, 8}, {11, 15}, {5, 15}, {5, 8}, {1, 8}};
    p.drawPolygon(arrow, 7);
  });
}

QIcon Clock(QColor face) {
  return DrawnIcon([=](QPainter& p) {
    p.setPen(QPen(face.darker(170), 1));
    p.setBrush(face);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
  });
}

QIcon Check() {
  return DrawnIcon([=](QPainter& p) {
    p.setPen(QPen(QColor(0, 140, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
  });
}

QIcon Cross() {
  return DrawnIcon([=](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 30, 30));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
  });
}

}  // namespace

std::vector<QIcon> TransferStateImages(bool sending) {
  return {Clock(QColor(200, 200, 200)),
          sending ? Arrow(true, QColor(40, 170, 60)) : Arrow(false, QColor(40, 110, 220)), Check(),
          Cross(), Clock(QColor(250, 210, 60))};
}

int ProgressDelegate::PercentOf(const QModelIndex& index) {
  const QVariant given = index.data(kPercentRole);
  int percent = given.isValid() ? given.toInt() : 0;
  if (!given.isValid()) {
    const QString text = index.data(Qt::DisplayRole).toString();
    int digits = 0;
    while (digits < text.size() && text[digits].isDigit()) ++digits;
    percent = text.left(digits).toInt();
  }
  return std::clamp(percent, 0, 100);
}

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  QStyle* style = item.widget ? item.widget->style() : QApplication::style();
  // The cell's own background (selection) first, then the bar carries the text.
  item.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
  QStyleOptionProgressBar bar;
  bar.initFrom(item.widget);
  bar.rect = option.rect.adjusted(2, 2, -2, -2);
  bar.minimum = 0;
  bar.maximum = 100;
  bar.progress = PercentOf(index);
  bar.text = index.data(Qt::DisplayRole).toString();
  bar.textVisible = true;
  bar.textAlignment = Qt::AlignCenter;
  bar.state = option.state | QStyle::State_Horizontal;
  style->drawControl(QStyle::CE_ProgressBar, &bar, painter, item.widget);
}

CTransferDlg::CTransferDlg(FileTransferList& list, const std::string& title,
                           const std::string& memberTitle, std::vector<QIcon> images,
                           QWidget* owner)
    : QDialog(nullptr), list_(&list), images_(std::move(images)) {
  // A window of its own on the desktop, as the main window is; not kept above it.
  Q_UNUSED(owner);
  setWindowTitle(ToQString(title));
  setModal(false);
  setSizeGripEnabled(true);

  rows_ = new QTreeWidget(this);
  rows_->setObjectName(QStringLiteral("list1023"));
  rows_->setColumnCount(kColumns);
  rows_->setRootIsDecorated(false);
  rows_->setItemsExpandable(false);
  rows_->setUniformRowHeights(true);
  rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
  rows_->setAllColumnsShowFocus(true);
  rows_->setIconSize(QSize(16, 16));
  rows_->setHeaderLabels({ToQString(transfer_text::kColumnFileName),
                          ToQString(transfer_text::kColumnSize),
                          ToQString(transfer_text::kColumnProgress), ToQString(memberTitle),
                          ToQString(transfer_text::kColumnRoom), QString()});
  for (int column = 0; column < kColumns; ++column) rows_->setColumnWidth(column, kWidths[column]);
  // The size column's 60 pixels clip a size of eight digits or more in today's fonts;
  // it is made wide enough for the largest size there is, ten digits.
  QStyleOptionViewItem option;
  option.initFrom(rows_);
  const int margin = rows_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, rows_) + 1;
  const int widest = rows_->fontMetrics().horizontalAdvance(QStringLiteral("1023.9 MB"));
  rows_->setColumnWidth(kSize, std::max(kWidths[kSize], widest + 2 * margin + 4));
  rows_->headerItem()->setTextAlignment(kSize, Qt::AlignCenter);
  rows_->headerItem()->setTextAlignment(kProgress, Qt::AlignCenter);
  rows_->header()->setStretchLastSection(true);
  rows_->setItemDelegateForColumn(kProgress, new ProgressDelegate(rows_));
  rows_->setMinimumSize(600, 180);

  auto* outer = new QVBoxLayout(this);
  top_ = new QHBoxLayout;
  outer->addLayout(top_);
  auto* middle = new QHBoxLayout;
  outer->addLayout(middle);
  middle->addWidget(rows_, 1);
  buttons_ = new QVBoxLayout;
  buttons_->addStretch(1);
  middle->addLayout(buttons_);
}

QPushButton* CTransferDlg::AddButton(const std::string& text, int id) {
  auto* button = new QPushButton(ToQString(text), this);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  buttons_->insertWidget(buttons_->count() - 1, button);
  return button;
}

void CTransferDlg::SetText(int index, int column, const std::string& text) {
  QTreeWidgetItem* item = rows_->topLevelItem(index);
  if (!item) return;
  const QString shown = ToQString(text);
  if (item->text(column) != shown) item->setText(column, shown);
}

void CTransferDlg::AddRow(int index, const RowCells& cells) {
  // Rows mirror the entries, so a row only ever joins at the end.
  if (index != rows_->topLevelItemCount()) return;
  auto* item = new QTreeWidgetItem;
  item->setText(kFileName, ToQString(cells.FileName));
  item->setToolTip(kFileName, item->text(kFileName));  // whole, however narrow the column
  item->setIcon(kFileName, images_.empty() ? QIcon() : images_[0]);
  item->setData(kFileName, kImageRole, 0);
  item->setText(kSize, ToQString(cells.Size));
  if (!cells.SizeExact.empty()) item->setToolTip(kSize, ToQString(cells.SizeExact));
  item->setTextAlignment(kSize, Qt::AlignCenter);
  item->setText(kProgress, ToQString(cells.Progress));
  item->setTextAlignment(kProgress, Qt::AlignCenter);
  item->setText(kMember, ToQString(cells.Member));
  item->setText(kRoom, ToQString(cells.Room));
  if (cells.Status) item->setText(kStatus, ToQString(*cells.Status));
  rows_->addTopLevelItem(item);
  // Only the new row: a button press must not start or stop earlier rows with it.
  rows_->clearSelection();
  item->setSelected(true);
}

void CTransferDlg::UpdateRow(int index, const RowUpdate& update) {
  QTreeWidgetItem* item = rows_->topLevelItem(index);
  if (!item) return;
  if (update.Image && *update.Image >= 0 && *update.Image < static_cast<int>(images_.size()) &&
      item->data(kFileName, kImageRole) != *update.Image) {
    item->setIcon(kFileName, images_[static_cast<std::size_t>(*update.Image)]);
    item->setData(kFileName, kImageRole, *update.Image);
  }
  if (update.Progress) SetText(index, kProgress, *update.Progress);
  if (update.Percent && item->data(kProgress, ProgressDelegate::kPercentRole) != *update.Percent)
    item->setData(kProgress, ProgressDelegate::kPercentRole, *update.Percent);
  if (update.Status) SetText(index, kStatus, *update.Status);
}

void CTransferDlg::DeleteRow(int index) {
  delete rows_->takeTopLevelItem(index);
}

void CTransferDlg::SetRowStatus(int index, const std::string& text) {
  SetText(index, kStatus, text);
}

void CTransferDlg::DeselectRow(int index) {
  if (QTreeWidgetItem* item = rows_->topLevelItem(index)) item->setSelected(false);
}

void CTransferDlg::Activate() {
  show();
  raise();
  activateWindow();
  rows_->setFocus();
}

MsgAnswer CTransferDlg::MessageBox(const std::string& text, const std::string& caption,
                                   MsgButtons buttons, MsgIcon icon) {
  return ShowMessageBox(this, text, caption, buttons, icon);
}

std::vector<int> CTransferDlg::SelectedRows() const {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : rows_->selectedItems())
    rows.push_back(rows_->indexOfTopLevelItem(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CTransferDlg::OnClose() {
  // On agreement the list deletes its handle, which hides this window and lets it go.
  if (list_) list_->RequestClose();
}

void CTransferDlg::OnStop() {
  if (list_) list_->CancelRows(SelectedRows());
}

void CTransferDlg::reject() {
  OnClose();
}

void CTransferDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnClose();
}

QtTransferDialog::~QtTransferDialog() {
  if (!window_) return;
  window_->Detach();
  window_->hide();
  window_->deleteLater();
}

void QtTransferDialog::AddRow(int index, const RowCells& cells) {
  if (window_) window_->AddRow(index, cells);
}

void QtTransferDialog::UpdateRow(int index, const RowUpdate& update) {
  if (window_) window_->UpdateRow(index, update);
}

void QtTransferDialog::DeleteRow(int index) {
  if (window_) window_->DeleteRow(index);
}

void QtTransferDialog::SetRowStatus(int index, const std::string& text) {
  if (window_) window_->SetRowStatus(index, text);
}

void QtTransferDialog::DeselectRow(int index) {
  if (window_) window_->DeselectRow(index);
}

void QtTransferDialog::Activate() {
  if (window_) window_->Activate();
}

MsgAnswer QtTransferDialog::MessageBox(const std::string& text, const std::string& caption,
                                       MsgButtons buttons, MsgIcon icon) {
  // Without a window nobody can answer: the question is declined.
  if (!window_) return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
  return window_->MessageBox(text, caption, buttons, icon);
}

}  // namespace vostrelle
