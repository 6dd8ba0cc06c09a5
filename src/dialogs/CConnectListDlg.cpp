#include "dialogs/CConnectListDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/CConnectSettingDlg.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"

namespace vostrelle {

CConnectListDlg::CConnectListDlg(std::vector<ConnectSetting>& list, QWidget* parent)
    : QDialog(parent), list_(list) {
  setWindowTitle(UiText("接続先編集"));
  Interfaces = LocalInterfaces();
  Message = [this](const std::string& text) { ShowWarning(this, text); };
  EditSetting = [this](ConnectSetting& setting) {
    CConnectSettingDlg dialog(setting, this);
    dialog.Interfaces = Interfaces;
    dialog.Message = Message;
    return dialog.exec() == QDialog::Accepted;
  };

  BuildRows();
  BuildButtons();

  for (std::size_t i = 0; i < list_.size(); ++i) {
    rows_->addTopLevelItem(new QTreeWidgetItem);
    ShowRow(static_cast<int>(i));
  }
  FitColumns();
  UpdateButtons();
  // Tab starts in the list, as the list is the first control.
  rows_->setFocus();
  DescribeControls(this);
}

void CConnectListDlg::BuildRows() {
  rows_ = new QTreeWidget(this);
  rows_->setObjectName(QStringLiteral("list%1").arg(kListId));
  rows_->setColumnCount(2);
  rows_->setHeaderLabels({UiText("部屋名"), UiText("接続先")});
  rows_->setRootIsDecorated(false);
  rows_->setItemsExpandable(false);
  rows_->setUniformRowHeights(true);
  rows_->setSelectionMode(QAbstractItemView::SingleSelection);
  rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
  rows_->setAllColumnsShowFocus(true);
  rows_->header()->setStretchLastSection(false);
  rows_->setMinimumSize(280, 180);
  connect(rows_, &QTreeWidget::itemSelectionChanged, this, &CConnectListDlg::UpdateButtons);
}

// The buttons beside the list, with the layout that holds both.
void CConnectListDlg::BuildButtons() {
  auto button = [this](const char* text, int id, void (CConnectListDlg::*handler)()) {
    auto* result = new QPushButton(UiText(text), this);
    result->setObjectName(QStringLiteral("button%1").arg(id));
    connect(result, &QPushButton::clicked, this, handler);
    return result;
  };
  QPushButton* add = button("新規", kNewId, &CConnectListDlg::OnNew);
  change_ = button("変更", kChangeId, &CConnectListDlg::OnChange);
  delete_ = button("削除", kDeleteId, &CConnectListDlg::OnDelete);
  up_ = new QPushButton(UiText("上へ"), this);
  up_->setObjectName(QStringLiteral("button%1").arg(kUpId));
  connect(up_, &QPushButton::clicked, this, [this] { Move(-1); });
  down_ = new QPushButton(UiText("下へ"), this);
  down_->setObjectName(QStringLiteral("button%1").arg(kDownId));
  connect(down_, &QPushButton::clicked, this, [this] { Move(+1); });
  auto* reconnect = new QPushButton(UiText("再接続"), this);
  reconnect->setObjectName(QStringLiteral("button%1").arg(kReconnectId));
  connect(reconnect, &QPushButton::clicked, this, [this] { done(kReconnectId); });
  auto* ok = new QPushButton(UiText("決定"), this);
  ok->setObjectName(QStringLiteral("button1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* side = new QVBoxLayout;
  side->addWidget(add);
  side->addWidget(change_);
  side->addWidget(delete_);
  side->addSpacing(8);
  side->addWidget(up_);
  side->addWidget(down_);
  side->addStretch(1);
  side->addWidget(reconnect);
  side->addWidget(ok);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(rows_, 1);
  layout->addLayout(side);
}

int CConnectListDlg::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = rows_->selectedItems();
  return selected.isEmpty() ? -1 : rows_->indexOfTopLevelItem(selected.front());
}

void CConnectListDlg::ShowRow(int row) {
  QTreeWidgetItem* item = rows_->topLevelItem(row);
  const ConnectSetting& setting = list_[static_cast<std::size_t>(row)];
  item->setText(0, ToQString(setting.RoomName));
  item->setText(1, ToQString(setting.ConnectTo));
}

void CConnectListDlg::SelectRow(int row) {
  if (row < 0) {
    rows_->clearSelection();
    rows_->setCurrentItem(nullptr);
    return;
  }
  rows_->setCurrentItem(rows_->topLevelItem(row));
}

void CConnectListDlg::FitColumns() {
  rows_->resizeColumnToContents(0);
  rows_->resizeColumnToContents(1);
}

void CConnectListDlg::UpdateButtons() {
  const int row = SelectedRow();
  const bool selected = row >= 0;
  // A button that is greyed while it has the focus would pass the focus on to the next
  // button, and a second Enter would press that one (再接続); the list takes it instead.
  if (!selected &&
      (change_->hasFocus() || delete_->hasFocus() || up_->hasFocus() || down_->hasFocus()))
    rows_->setFocus();
  change_->setEnabled(selected);
  delete_->setEnabled(selected);
  up_->setEnabled(selected);
  down_->setEnabled(selected);
}

void CConnectListDlg::OnNew() {
  ConnectSetting setting;
  if (!list_.empty()) setting.PrefillFrom(list_.back());
  if (!EditSetting(setting)) return;
  if (std::find(list_.begin(), list_.end(), setting) != list_.end()) {
    Message("同じ接続先で同じ部屋名の設定が既に存在します。"_sjis);
    return;
  }
  list_.push_back(setting);
  rows_->addTopLevelItem(new QTreeWidgetItem);
  ShowRow(static_cast<int>(list_.size()) - 1);
  FitColumns();
}

void CConnectListDlg::OnChange() {
  const int row = SelectedRow();
  if (row < 0) return;
  // The stored setting itself; an equal one elsewhere in the list is allowed here.
  if (!EditSetting(list_[static_cast<std::size_t>(row)])) return;
  ShowRow(row);
  FitColumns();
}

void CConnectListDlg::OnDelete() {
  const int row = SelectedRow();
  if (row < 0) return;
  list_.erase(list_.begin() + row);
  delete rows_->takeTopLevelItem(row);
  // Nothing is selected afterwards, so a second press cannot delete a neighbour.
  SelectRow(-1);
  FitColumns();
  UpdateButtons();
}

void CConnectListDlg::Move(int step) {
  const int row = SelectedRow();
  const int other = row + step;
  if (row < 0 || other < 0 || other >= static_cast<int>(list_.size())) return;
  std::swap(list_[static_cast<std::size_t>(row)], list_[static_cast<std::size_t>(other)]);
  ShowRow(row);
  ShowRow(other);
  // The selection moves with the setting.
  SelectRow(other);
  FitColumns();
}

}  // namespace vostrelle
