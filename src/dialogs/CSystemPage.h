#pragma once
// The options' system page: tray and start-up behaviour, the hot key, the receive
// folder and the exit question.

#include <cstdint>
#include <string>

#include "dialogs/COptionsPage.h"
#include "dialogs/DialogSupport.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vostrelle {

class CHotKeyCtrl;

class CSystemPage : public COptionsPage {
  Q_OBJECT

 public:
  static constexpr int kMinimumTrayId = 1009;
  static constexpr int kTrayAnimeId = 1011;
  static constexpr int kMinimumStartId = 1012;
  static constexpr int kReceiveFolderId = 1028;
  static constexpr int kBrowseId = 1036;
  static constexpr int kHotKeyId = 1054;
  static constexpr int kRestoreSizeId = 1055;
  static constexpr int kUseHotkeyId = 1056;
  static constexpr int kConfirmExitId = 1057;

  explicit CSystemPage(QWidget* parent = nullptr);

  // Whether this desktop session lets the program grab a global hot key, decided once
  // at start. Where it does not, the page greys the hot-key controls and says why,
  // keeping the stored values.
  static void SetHotKeysAvailable(bool available);
  static bool HotKeysAvailable();

  std::uint16_t KeyCode = 0;
  std::uint16_t Modifiers = 0;  // 1 Shift, 2 Ctrl, 4 Alt, 8 extended key
  std::string ReceiveFolder;    // CP932
  FolderResolver FolderInUse;   // what ReceiveFolder stands for here
  bool TrayAnime = false;
  bool MinimumTray = false;
  bool MinimumStart = false;
  bool RestoreSize = false;
  bool UseHotkey = false;
  bool ConfirmExit = false;
  // Not an option of the settings file: the user's autostart entry holds it.
  bool StartAtLogin = false;

 protected:
  void OnOpen() override;
  void OnConfirm() override;

 private:
  // Made in tab order, after the checks above them.
  QGroupBox* BuildCalledGroup();
  QGroupBox* BuildTransferGroup();
  void ShowValues();
  void TakeValues();
  void OnUseHotkey();
  void OnBrowse();

  QCheckBox* minimumTray_;
  QCheckBox* minimumStart_;
  QCheckBox* startAtLogin_;
  QCheckBox* confirmExit_;
  QCheckBox* useHotkey_;
  CHotKeyCtrl* hotKey_;
  QLabel* hotKeyNote_;
  QCheckBox* trayAnime_;
  QCheckBox* restoreSize_;
  QLineEdit* receiveFolder_;
  QLabel* receiveFolderInUse_;
  QPushButton* browse_;
};

}  // namespace vostrelle
