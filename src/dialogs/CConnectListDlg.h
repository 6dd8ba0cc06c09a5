#pragma once
// Edits the stored connection list in place, operation by operation: however the
// dialog ends, the list holds every change made in it.

#include <QDialog>
#include <functional>
#include <vector>

#include "dialogs/DialogSupport.h"
#include "store/ConnectSetting.h"

class QPushButton;
class QTreeWidget;

namespace vostrelle {

class CConnectListDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kListId = 1014;
  static constexpr int kNewId = 1015;
  static constexpr int kChangeId = 1016;
  static constexpr int kDeleteId = 1017;
  static constexpr int kReconnectId = 1020;  // also the dialog's result for it
  static constexpr int kUpId = 1033;
  static constexpr int kDownId = 1034;

  // Edits one setting; true when confirmed.
  using SettingEditor = std::function<bool(ConnectSetting& setting)>;

  explicit CConnectListDlg(std::vector<ConnectSetting>& list, QWidget* parent = nullptr);

  // The connection dialog with the members below unless replaced.
  SettingEditor EditSetting;
  InterfaceSource Interfaces;
  MessageSink Message;

  // The selected row, -1 for none.
  int SelectedRow() const;

 private:
  void BuildRows();
  void BuildButtons();
  void OnNew();
  void OnChange();
  void OnDelete();
  void Move(int step);
  void UpdateButtons();
  void ShowRow(int row);
  void SelectRow(int row);
  void FitColumns();

  std::vector<ConnectSetting>& list_;
  QTreeWidget* rows_;
  QPushButton* change_;
  QPushButton* delete_;
  QPushButton* up_;
  QPushButton* down_;
};

}  // namespace vostrelle
