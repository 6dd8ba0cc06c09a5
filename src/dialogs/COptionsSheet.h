#pragma once
// The options sheet: the system, font and log pages under one OK.

#include <QDialog>

class QTabWidget;

namespace vostrelle {

class AppSettings;
class CFontPage;
class CLogPage;
class CSystemPage;

class COptionsSheet : public QDialog {
  Q_OBJECT

 public:
  explicit COptionsSheet(QWidget* parent = nullptr);

  // The settings into the pages' members, and back.
  void LoadFrom(const AppSettings& settings);
  void StoreTo(AppSettings& settings) const;

  CSystemPage* System() const { return system_; }
  CFontPage* Fonts() const { return fonts_; }
  CLogPage* Log() const { return log_; }
  QTabWidget* Tabs() const { return tabs_; }

  void accept() override;

 private:
  QTabWidget* tabs_;
  CSystemPage* system_;
  CFontPage* fonts_;
  CLogPage* log_;
};

// Shows the sheet on settings; they change only when it is closed with OK (true). The
// start at login is read from and written to the user's autostart entry.
bool EditOptionsSheet(AppSettings& settings, QWidget* parent);

class AutostartEntry;
// A changed start-at-login choice into the entry (starting this program); a failure is
// told over parent. False when it failed.
bool ApplyStartAtLogin(AutostartEntry& entry, bool was, bool now, QWidget* parent);

}  // namespace vostrelle
