#pragma once
// The application object: finds or asks for the settings folder, loads the settings,
// makes the document, the main frame and its views, and carries out its own three
// commands (version box, minimise, change of the settings folder).

#include <memory>

#include "app/QtUserInterface.h"
#include "app/SingleInstance.h"

namespace vostrelle {

class AppSettings;
class CMainFrame;
class CVostrelleDoc;
class InstanceService;
class NetworkWatch;
class QtSocketNotifier;
class TerminationSignals;

class CVostrelleApp {
 public:
  CVostrelleApp();
  ~CVostrelleApp();
  CVostrelleApp(const CVostrelleApp&) = delete;
  CVostrelleApp& operator=(const CVostrelleApp&) = delete;

  // Start-up in its order; false ends the program.
  bool InitInstance();
  // Start minimised whatever the options say (the start at login asks so).
  void SetStartMinimized(bool on) { startMinimized_ = on; }
  // Another start of this user's asked for the window (or to hide or toggle it).
  void OnInstanceCommand(InstanceCommand command);
  bool InitSettingsFolder();
  // Commands of the application; false for an id it does not handle.
  bool OnCommand(int id);
  // The framework's new document: the rooms are rebuilt, the views updated again.
  void OnFileNew();
  void OnChangeSettingsFolder();
  // The orderly end, without a question: transfer windows close, workers abort, every
  // room hears "Part", the logs close, and the event loop ends.
  void ExitInstance();
  // A termination signal: open dialogs are cancelled, then the orderly end.
  void OnTerminationSignal();

  AppSettings& Settings() { return *settings_; }
  CVostrelleDoc* Document() { return doc_.get(); }
  CMainFrame* MainFrame() { return frame_.get(); }
  QtUserInterface& Ui() { return ui_; }

 private:
  // Start-up in steps; each false ends the start.
  bool ClaimInstance();
  bool MakeDocument();
  bool MakeFrame();
  void WatchSessionEnd();
  std::unique_ptr<AppSettings> settings_;
  QtUserInterface ui_;
  std::unique_ptr<QtSocketNotifier> notifier_;
  std::unique_ptr<CVostrelleDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<TerminationSignals> signals_;
  std::unique_ptr<InstanceService> instance_;
  std::unique_ptr<NetworkWatch> networkWatch_;
  bool exiting_ = false;
  bool startMinimized_ = false;
};

}  // namespace vostrelle
