#pragma once
// Lets the user pick one of the local networks, offered as texts in the caller's
// order; the first opens selected.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace vostrelle {

class CSelectAddressDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kListId = 1007;

  // addresses: the CP932 texts to offer, in this order.
  explicit CSelectAddressDlg(const std::vector<std::string>& addresses, QWidget* parent = nullptr);

  // The index of the chosen text after OK; -1 until then.
  int Selected() const { return selected_; }

  void accept() override;

 private:
  void UpdateOk();

  QListWidget* list_;
  QPushButton* ok_;
  int selected_ = -1;
};

}  // namespace vostrelle
