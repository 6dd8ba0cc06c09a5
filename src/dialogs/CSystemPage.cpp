#include "dialogs/CSystemPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/CHotKeyCtrl.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/FolderBrowser.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"

namespace vostrelle {
namespace {

bool hotKeysAvailable = true;

QCheckBox* MakeCheck(QWidget* parent, const char* text, int id) {
  auto* check = new QCheckBox(UiText(text), parent);
  check->setObjectName(QStringLiteral("check%1").arg(id));
  return check;
}

}  // namespace

CSystemPage::CSystemPage(QWidget* parent) : COptionsPage(parent) {
  // Created in tab order, top to bottom.
  minimumTray_ = MakeCheck(this, "最小化の時はタスクトレイに潜む(&T)", kMinimumTrayId);
  minimumStart_ = MakeCheck(this, "起動時に最小化(&M)", kMinimumStartId);
  startAtLogin_ = new QCheckBox(QStringLiteral("ログイン時に起動(&L)"), this);
  startAtLogin_->setObjectName(QStringLiteral("checkStartAtLogin"));
  startAtLogin_->setToolTip(QStringLiteral("ログインすると最小化した状態で起動します"));
  confirmExit_ = MakeCheck(this, "終了時に確認ダイアログを出す(&E)", kConfirmExitId);
  useHotkey_ = MakeCheck(this, "ホットキーで最小化状態を切り替える(&C)", kUseHotkeyId);
  auto* hotKeyLabel = new QLabel(UiText("ホットキー(&H):"), this);
  hotKey_ = new CHotKeyCtrl(this);
  hotKey_->setObjectName(QStringLiteral("hotkey%1").arg(kHotKeyId));
  hotKey_->setMinimumWidth(180);
  hotKeyLabel->setBuddy(hotKey_);
  connect(useHotkey_, &QCheckBox::clicked, this, &CSystemPage::OnUseHotkey);
  hotKeyNote_ =
      new QLabel(QStringLiteral("この環境ではホットキーを使えません。デスクトップのキーボード設定で"
                                "「vostrelle --toggle」をキーに割り当ててください。"),
                 this);
  hotKeyNote_->setObjectName(QStringLiteral("hotkeyNote"));
  hotKeyNote_->setWordWrap(true);
  hotKeyNote_->hide();

  QGroupBox* called = BuildCalledGroup();
  QGroupBox* transfer = BuildTransferGroup();

  auto* hotKeyRow = new QHBoxLayout;
  hotKeyRow->addSpacing(20);
  hotKeyRow->addWidget(hotKeyLabel);
  hotKeyRow->addWidget(hotKey_);
  hotKeyRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(minimumTray_);
  layout->addWidget(minimumStart_);
  layout->addWidget(startAtLogin_);
  layout->addWidget(confirmExit_);
  layout->addWidget(useHotkey_);
  layout->addLayout(hotKeyRow);
  auto* noteRow = new QHBoxLayout;
  noteRow->addSpacing(20);
  noteRow->addWidget(hotKeyNote_, 1);
  layout->addLayout(noteRow);
  layout->addWidget(called);
  layout->addWidget(transfer);
  layout->addStretch(1);
}

QGroupBox* CSystemPage::BuildCalledGroup() {
  auto* called = new QGroupBox(UiText("名前を呼ばれた時の処理"), this);
  trayAnime_ = MakeCheck(called, "トレイアイコンをアニメーション(&A)", kTrayAnimeId);
  restoreSize_ = MakeCheck(called, "最小化状態から復元(&R)", kRestoreSizeId);
  auto* calledLayout = new QVBoxLayout(called);
  calledLayout->addWidget(trayAnime_);
  calledLayout->addWidget(restoreSize_);
  return called;
}

QGroupBox* CSystemPage::BuildTransferGroup() {
  auto* transfer = new QGroupBox(UiText("ファイル送受信"), this);
  auto* folderLabel = new QLabel(UiText("ファイル受信フォルダ(&F):"), transfer);
  receiveFolder_ = new QLineEdit(transfer);
  receiveFolder_->setObjectName(QStringLiteral("edit%1").arg(kReceiveFolderId));
  MakeSingleLineEdit(receiveFolder_);
  receiveFolder_->setMinimumWidth(260);
  folderLabel->setBuddy(receiveFolder_);
  receiveFolderInUse_ = FolderInUseNote(receiveFolder_, FolderInUse);
  browse_ = new QPushButton(UiText("参照"), transfer);
  browse_->setObjectName(QStringLiteral("button%1").arg(kBrowseId));
  connect(browse_, &QPushButton::clicked, this, &CSystemPage::OnBrowse);
  auto* transferLayout = new QGridLayout(transfer);
  transferLayout->addWidget(folderLabel, 0, 0, 1, 2);
  transferLayout->addWidget(receiveFolder_, 1, 0);
  transferLayout->addWidget(browse_, 1, 1);
  transferLayout->addWidget(receiveFolderInUse_, 2, 0, 1, 2);
  return transfer;
}

void CSystemPage::SetHotKeysAvailable(bool available) {
  hotKeysAvailable = available;
}

bool CSystemPage::HotKeysAvailable() {
  return hotKeysAvailable;
}

void CSystemPage::ShowValues() {
  receiveFolder_->setText(ToQString(ReceiveFolder));
  trayAnime_->setChecked(TrayAnime);
  minimumTray_->setChecked(MinimumTray);
  minimumStart_->setChecked(MinimumStart);
  restoreSize_->setChecked(RestoreSize);
  useHotkey_->setChecked(UseHotkey);
  confirmExit_->setChecked(ConfirmExit);
  startAtLogin_->setChecked(StartAtLogin);
}

void CSystemPage::TakeValues() {
  ReceiveFolder = ToCp932(receiveFolder_->text());
  TrayAnime = trayAnime_->isChecked();
  MinimumTray = minimumTray_->isChecked();
  MinimumStart = minimumStart_->isChecked();
  RestoreSize = restoreSize_->isChecked();
  UseHotkey = useHotkey_->isChecked();
  ConfirmExit = confirmExit_->isChecked();
  StartAtLogin = startAtLogin_->isChecked();
}

void CSystemPage::OnOpen() {
  ShowValues();
  // The control holds one byte of key code, as the settings' key is shown.
  hotKey_->SetHotKey(static_cast<std::uint8_t>(KeyCode & 0xFF),
                     static_cast<std::uint8_t>(Modifiers & 0xFF));
  useHotkey_->setEnabled(hotKeysAvailable);
  hotKey_->setEnabled(hotKeysAvailable && UseHotkey);
  hotKeyNote_->setVisible(!hotKeysAvailable);
}

void CSystemPage::OnConfirm() {
  // Whatever key the control shows is kept, also while it is greyed.
  KeyCode = hotKey_->VirtualKey();
  Modifiers = hotKey_->Modifiers();
  TakeValues();
}

void CSystemPage::OnUseHotkey() {
  TakeValues();
  hotKey_->setEnabled(UseHotkey);
}

void CSystemPage::OnBrowse() {
  TakeValues();
  FolderBrowser browser(this);
  browser.SetTitle("受信ファイルの保存先"_sjis);
  browser.SetInitialPath(ReceiveFolder);
  if (browser.Run() != FolderBrowser::kChosen) return;
  ReceiveFolder = browser.GetPath();
  ShowValues();
}

}  // namespace vostrelle
