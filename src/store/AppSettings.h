#pragma once
// The settings model and its two files, connects.xml and options.xml, in the settings
// folder. Loading and saving never fail: missing or broken files give the defaults.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/ConnectSetting.h"
#include "store/LOGFONTA.h"
#include "store/LogSetting.h"

namespace vostrelle {

class CMiniDOMNode;

class AppSettings {
 public:
  enum FontIndex { kMessageFont = 0, kMemberViewFont = 1, kRoomViewFont = 2 };

  AppSettings();
  virtual ~AppSettings();

  bool LoadSettings();
  bool SaveConnects();
  bool SaveOptions();
  // The writer's message for the last failed save; empty after a good one.
  const std::string& LastSaveError() const { return lastSaveError_; }

  // The record a missing font takes; the windows layer sets the desktop's font.
  void SetStockFont(const LOGFONTA& font) { stockFont_ = font; }
  const LOGFONTA& GetStockFont() const { return stockFont_; }
  static LOGFONTA DefaultStockFont();

  // The folders this run really uses (CP932). The stored texts stay as they are; a
  // Windows folder gives the default and a relative one lies inside the settings folder.
  std::string ReceiveFolderInUse() const;
  std::string LogFolderInUse() const;

  std::string SettingFolder;  // CP932, set before LoadSettings

  bool ConfirmExit = false;
  bool MinimumStart = false;
  bool MinimumTray = true;
  bool TrayAnime = true;
  bool RestoreSize = false;
  bool UseHotkey = false;
  std::uint16_t KeyCode = 0x4F;  // 'O'
  std::uint16_t Modifiers = 6;   // Ctrl + Alt
  int Number = 0;
  std::string ReceiveFolder;
  std::array<LOGFONTA, 3> Fonts{};
  LogSetting Log;
  std::vector<ConnectSetting> Connects;

 private:
  void LoadConnects();
  void LoadBehaviour(const CMiniDOMNode* options);
  void LoadFilesAndLooks(const CMiniDOMNode* options);
  std::string FilePath(const char* name) const;
  bool Save(const char* name, const CMiniDOMNode& root);
  LOGFONTA stockFont_;
  std::string lastSaveError_;
};

}  // namespace vostrelle
