#pragma once
// What the core asks of the user interface. The Qt windows implement it; tests use a
// scripted fake. All texts are CP932.

#include <string>
#include <vector>

namespace vostrelle {

struct ConnectSetting;
class AppSettings;

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { Default, None, Information, Warning, Error, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box. An empty caption means the program's name.
  virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption = {},
                               MsgButtons buttons = MsgButtons::Ok,
                               MsgIcon icon = MsgIcon::Default) = 0;

  // The connection dialog on setting; true when confirmed (setting then holds the input).
  virtual bool EditConnectSetting(ConnectSetting& setting) = 0;
  // The connection-list dialog, working on the list in place; returns the dialog's
  // result (cmd::kReconnectResult when closed with 再接続).
  virtual int EditConnectList(std::vector<ConnectSetting>& list) = 0;
  // The name dialog filled with name; true when confirmed (name then holds the input).
  virtual bool AskName(std::string& name) = 0;
  // The options sheet on a copy of the settings; true when closed with OK.
  virtual bool EditOptions(AppSettings& copy) = 0;

  // A command for the main window (cmd::kSettingsChanged, kNameCalled, kFileNew).
  virtual void SendCommand(int command) = 0;
  // Whether the window with the keyboard focus is a room message view or the system view.
  virtual bool FocusIsMessageView() = 0;
};

}  // namespace vostrelle
