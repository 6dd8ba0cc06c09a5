#include "dialogs/CSelectAddressDlg.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/DialogSupport.h"
#include "qt/QtText.h"

namespace vostrelle {

CSelectAddressDlg::CSelectAddressDlg(const std::vector<std::string>& addresses, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(UiText("接続先選択"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("list%1").arg(kListId));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (const std::string& address : addresses) list_->addItem(ToQString(address));
  connect(list_, &QListWidget::itemSelectionChanged, this, &CSelectAddressDlg::UpdateOk);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(UiText("キャンセル"));
  PlainButtons(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  list_->setMinimumSize(qMax(200, list_->sizeHintForColumn(0) + 40), 120);
  // The first offer is the likeliest: it opens selected, and a row that looks chosen
  // (the current one) stays selected, so OK always means the row the user sees.
  if (list_->count() > 0) list_->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
  UpdateOk();
  DescribeControls(this);
}

void CSelectAddressDlg::UpdateOk() {
  if (list_->selectedItems().isEmpty() && list_->currentItem())
    list_->currentItem()->setSelected(true);
  ok_->setEnabled(!list_->selectedItems().isEmpty());
}

void CSelectAddressDlg::accept() {
  // Enter reaches here even while OK is greyed.
  const QList<QListWidgetItem*> chosen = list_->selectedItems();
  if (chosen.isEmpty()) return;
  selected_ = list_->row(chosen.front());
  QDialog::accept();
}

}  // namespace vostrelle
