#pragma once
// Asks, at a start without a known settings folder, where the settings files are to
// live. It proposes the base folder joined with a sub-path; it neither checks nor
// creates the folder.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace vostrelle {

class CSettingsFolderDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFolderEditId = 1031;
  static constexpr int kBrowseButtonId = 1032;

  explicit CSettingsFolderDlg(QWidget* parent = nullptr);

  // Set by the caller before exec(); all CP932.
  std::string SubPath;
  std::string BaseFolder;
  // The result after OK: exactly the text of the edit.
  std::string Folder;

  // The proposal of the current base folder and sub-path.
  std::string Proposal() const;

  void accept() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnBrowse();
  void ShowFolder();

  QLineEdit* edit_;
  QPushButton* browse_;
  bool opened_ = false;
};

}  // namespace vostrelle
