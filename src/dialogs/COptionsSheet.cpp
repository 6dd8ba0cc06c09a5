#include "dialogs/COptionsSheet.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/CFontPage.h"
#include "dialogs/CLogPage.h"
#include "dialogs/CSystemPage.h"
#include "dialogs/DialogSupport.h"
#include "platform/Cp932.h"
#include "platform/Version.h"
#include "store/AppSettings.h"
#include "store/Autostart.h"
#include "store/FolderSetting.h"

namespace vostrelle {

COptionsSheet::COptionsSheet(QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("オプション設定"));
  tabs_ = new QTabWidget(this);
  system_ = new CSystemPage;
  fonts_ = new CFontPage;
  log_ = new CLogPage;
  tabs_->addTab(system_, UiText("システム"));
  tabs_->addTab(fonts_, UiText("フォント"));
  tabs_->addTab(log_, UiText("ログ"));

  QDialogButtonBox* buttons = ConfirmButtons(this, QStringLiteral("OK"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
  DescribeControls(this);
}

void COptionsSheet::LoadFrom(const AppSettings& settings) {
  system_->KeyCode = settings.KeyCode;
  system_->Modifiers = settings.Modifiers;
  system_->ReceiveFolder = settings.ReceiveFolder;
  system_->TrayAnime = settings.TrayAnime;
  system_->MinimumTray = settings.MinimumTray;
  system_->MinimumStart = settings.MinimumStart;
  system_->RestoreSize = settings.RestoreSize;
  system_->UseHotkey = settings.UseHotkey;
  system_->ConfirmExit = settings.ConfirmExit;
  fonts_->Fonts = settings.Fonts;
  log_->Save = settings.Log.Save;
  log_->SaveFolder = settings.Log.SaveFolder;
  const std::string folder = settings.SettingFolder;
  system_->FolderInUse = [folder](const std::string& stored) {
    return ReceiveFolderInUse(stored, folder);
  };
  log_->FolderInUse = [folder](const std::string& stored) {
    return LogFolderInUse(stored, folder);
  };
}

void COptionsSheet::StoreTo(AppSettings& settings) const {
  settings.KeyCode = system_->KeyCode;
  settings.Modifiers = system_->Modifiers;
  settings.ReceiveFolder = system_->ReceiveFolder;
  settings.TrayAnime = system_->TrayAnime;
  settings.MinimumTray = system_->MinimumTray;
  settings.MinimumStart = system_->MinimumStart;
  settings.RestoreSize = system_->RestoreSize;
  settings.UseHotkey = system_->UseHotkey;
  settings.ConfirmExit = system_->ConfirmExit;
  settings.Fonts = fonts_->Fonts;
  settings.Log.Save = log_->Save;
  settings.Log.SaveFolder = log_->SaveFolder;
}

void COptionsSheet::accept() {
  system_->Confirm();
  fonts_->Confirm();
  log_->Confirm();
  QDialog::accept();
}

bool EditOptionsSheet(AppSettings& settings, QWidget* parent) {
  COptionsSheet sheet(parent);
  sheet.LoadFrom(settings);
  AutostartEntry autostart = AutostartEntry::ForUser(kApplicationId);
  const bool atLogin = autostart.IsEnabled();
  sheet.System()->StartAtLogin = atLogin;
  if (sheet.exec() != QDialog::Accepted) return false;
  sheet.StoreTo(settings);
  ApplyStartAtLogin(autostart, atLogin, sheet.System()->StartAtLogin, parent);
  return true;
}

bool ApplyStartAtLogin(AutostartEntry& entry, bool was, bool now, QWidget* parent) {
  // Only a change is written: an entry a desktop switched off stays as it left it.
  if (was == now) return true;
  const bool ok =
      now ? entry.Enable(QCoreApplication::applicationFilePath().toStdString()) : entry.Disable();
  if (!ok)
    ShowWarning(parent, "ログイン時の起動を設定できませんでした。\n"_sjis + Utf8ToCp932(entry.LastError()));
  return ok;
}

}  // namespace vostrelle
