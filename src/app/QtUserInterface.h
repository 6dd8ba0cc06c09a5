#pragma once
// The core's user interface on Qt: message boxes, the dialogs the document and the
// rooms open, the commands for the main window, and the focus question.

#include <functional>

#include "platform/UserInterface.h"

class QWidget;

namespace vostrelle {

class QtUserInterface : public UserInterface {
 public:
  // The window message boxes and dialogs belong to (the main frame, once it exists).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // Where SendCommand goes (the main frame).
  void SetCommandHandler(std::function<void(int)> handler) { commands_ = std::move(handler); }

  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;
  bool EditConnectSetting(ConnectSetting& setting) override;
  int EditConnectList(std::vector<ConnectSetting>& list) override;
  bool AskName(std::string& name) override;
  bool EditOptions(AppSettings& copy) override;
  void SendCommand(int command) override;
  bool FocusIsMessageView() override;

 private:
  QWidget* owner_ = nullptr;
  std::function<void(int)> commands_;
};

}  // namespace vostrelle
