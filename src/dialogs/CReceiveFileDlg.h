#pragma once
// The "ファイル受信" window of the receive list, with the folder files go to.

#include <string>

#include "CTransferDlg.h"

class QLineEdit;

namespace vostrelle {

class AppSettings;
class ReceiveFileList;

class CReceiveFileDlg : public CTransferDlg {
  Q_OBJECT

 public:
  static constexpr int kReceiveId = 1025;
  static constexpr int kReceiveAllId = 1026;
  static constexpr int kBrowseId = 1029;
  static constexpr int kStopId = 1030;

  // The folder edit starts from the settings' receive folder; changes stay in the window.
  CReceiveFileDlg(ReceiveFileList& list, const AppSettings& settings, QWidget* owner);

  QLineEdit* FolderEdit() const { return folder_; }
  // The folder as the list takes it (CP932).
  std::string Folder() const;

 private:
  ReceiveFileList* ReceiveList() const;
  void OnBrowse();

  QLineEdit* folder_;
};

}  // namespace vostrelle
