#pragma once
// The options' log page: whether chat logs are kept, and where.

#include <string>

#include "dialogs/COptionsPage.h"
#include "dialogs/DialogSupport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vostrelle {

class CLogPage : public COptionsPage {
  Q_OBJECT

 public:
  static constexpr int kSaveId = 1051;
  static constexpr int kFolderId = 1052;
  static constexpr int kBrowseId = 1053;

  explicit CLogPage(QWidget* parent = nullptr);

  bool Save = false;
  std::string SaveFolder;      // CP932
  FolderResolver FolderInUse;  // what SaveFolder stands for here

 protected:
  void OnOpen() override;
  void OnConfirm() override { TakeValues(); }

 private:
  void ShowValues();
  void TakeValues();
  void UpdateEnabling();
  void OnBrowse();

  QCheckBox* save_;
  QLineEdit* folder_;
  QLabel* folderInUse_;
  QPushButton* browse_;
};

}  // namespace vostrelle
