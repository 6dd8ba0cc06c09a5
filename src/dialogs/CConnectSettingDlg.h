#pragma once
// Edits one stored connection: name, room name, real name, the local network the
// room is reached on, which is chosen, never typed, and the extra destinations beyond
// it, which are typed.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/DialogSupport.h"
#include "store/ConnectSetting.h"

class QGridLayout;
class QLineEdit;
class QPushButton;

namespace vostrelle {

class CConnectSettingDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kNameId = 1000;
  static constexpr int kRealNameId = 1001;
  static constexpr int kConnectAlsoId = 1002;
  static constexpr int kConnectToId = 1003;
  static constexpr int kNetMaskId = 1004;
  static constexpr int kRoomNameId = 1005;
  static constexpr int kSelectId = 1006;
  static constexpr int kNameBytes = 16;
  static constexpr int kRoomNameBytes = 16;
  static constexpr int kRealNameBytes = 64;

  // Offers the address texts and gives the index picked, -1 when cancelled.
  using AddressChooser = std::function<int(const std::vector<std::string>& addresses)>;

  // setting is written only when the dialog is confirmed.
  explicit CConnectSettingDlg(ConnectSetting& setting, QWidget* parent = nullptr);

  InterfaceSource Interfaces;    // the real query unless replaced
  AddressChooser ChooseAddress;  // CSelectAddressDlg unless replaced
  MessageSink Message;           // the warning box unless replaced

  // Fills the fields first; with no address stored and no usable network it says so
  // and returns Rejected without showing the dialog.
  int exec() override;
  void accept() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QGridLayout* LayOutFields();
  // The opening steps; false when there is no network to connect to.
  bool Open();
  void OnSelect();
  void TakeValues();
  void ShowValues();
  // The extra destinations in their stored form; false (after saying which word is
  // wrong) when one is not an address.
  bool CheckConnectAlso();

  ConnectSetting& setting_;
  std::string name_, roomName_, realName_, connectTo_, netMask_, connectAlso_;
  bool opened_ = false;

  QLineEdit* nameEdit_;
  QLineEdit* roomNameEdit_;
  QLineEdit* realNameEdit_;
  QLineEdit* connectToEdit_;
  QLineEdit* netMaskEdit_;
  QPushButton* select_;
  QLineEdit* connectAlsoEdit_;
};

}  // namespace vostrelle
