#pragma once
// The program's one top-level window: menus, status bar, the 2 x 2 panes, the
// notification-area icon with its name-call animation, the global hot key and the
// always-on-top switch.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QSplitter;

namespace vostrelle {

class AppSettings;
class CAllMessageView;
class CMemberView;
class CRoomView;
class CView;
class CVostrelleDoc;
class DesktopNotifier;
struct EventEntry;
class EventBatch;
class RoomSession;
class CVostrelleView;
class GlobalHotKey;
class PortalHotKey;
class TrayIcon;
class UserInterface;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kTopmost = 154;
  CMainFrame(CVostrelleDoc& doc, AppSettings& settings, UserInterface& ui,
             QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Makes the panes and views (in their order), the tray icon and the hot key.
  bool Create();

  void StartTrayAnimation();
  void StopTrayAnimation();
  bool UpdateHotKey();
  void RestoreWindow();
  // Into the tray where there is one, else a minimised task-bar window.
  void Minimize();
  void ToggleMinimized();
  void ToggleTopmost();
  bool IsTopmost() const { return topmost_; }

  // A command from the menu, a key or the core. Commands the frame does not handle
  // itself go to the application's handler.
  void OnCommand(int id);
  void SetAppCommandHandler(std::function<bool(int)> handler) { appCommands_ = std::move(handler); }
  // Closing this window ends the program: once the exit question (if any) said yes,
  // the handler runs the application's exit.
  void SetExitHandler(std::function<void()> handler) { exitHandler_ = std::move(handler); }
  // The question was answered elsewhere (the desktop's session end): do not ask again.
  void SetExitAnswered() { exitAnswered_ = true; }

  CVostrelleView* InputView() const { return inputView_; }
  CMemberView* MemberView() const { return memberView_; }
  CAllMessageView* AllMessageView() const { return allView_; }
  CRoomView* RoomView() const { return roomView_; }
  TrayIcon* Tray() const { return tray_; }
  QAction* Action(int id) const;
  // The caption the document title gives: "<title> - Vostrelle".
  void OnTitleChanged(const std::string& title);

  // Where a name call is announced while the window is out of sight; the frame makes a
  // desktop one in Create.
  void SetNotifier(std::unique_ptr<DesktopNotifier> notifier);
  // Hidden, minimised or behind another window: the user would miss a name call.
  bool IsOutOfSight() const;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void BuildSplitters();
  void BuildPanes();
  void SizePanes();
  void BuildDesktopHooks();
  void BuildMenus();
  QAction* AddCommand(QMenu* menu, int id, const QString& text, const QKeySequence& key = {});
  void BuildStatusBar();
  void UpdateIndicators();
  void SetIndicator(int i, bool on);
  void UpdateCommandStates();
  void ShowRestored();
  void FocusPane(int step);
  void OnNameCallLine(const EventBatch& batch, const EventEntry& entry);
  // The user clicked the name-call notification: the window and that room.
  void OnNotificationActivated();
  void OnViewsReady();

  CVostrelleDoc& doc_;
  AppSettings& settings_;
  UserInterface& ui_;
  QSplitter* rows_ = nullptr;
  QSplitter* top_ = nullptr;
  QSplitter* bottom_ = nullptr;
  CVostrelleView* inputView_ = nullptr;
  CMemberView* memberView_ = nullptr;
  CAllMessageView* allView_ = nullptr;
  CRoomView* roomView_ = nullptr;
  TrayIcon* tray_ = nullptr;
  GlobalHotKey* hotKey_ = nullptr;
  PortalHotKey* portalHotKey_ = nullptr;  // where no X11 grab can work
  bool topmost_ = false;
  std::map<int, QAction*> actions_;
  QLabel* indicators_[4] = {};
  int indicatorTimer_ = 0;
  std::function<bool(int)> appCommands_;
  std::function<void()> exitHandler_;
  bool exitAnswered_ = false;
  bool noTrayNoticeShown_ = false;
  bool folderNoticeShown_ = false;  // the status bar told of Windows folders
  std::unique_ptr<DesktopNotifier> notifier_;
  const RoomSession* notifiedSession_ = nullptr;  // the room of the latest notification
  // Sees the document's event batches after the panes, for the notification.
  std::unique_ptr<CView> batchWatcher_;
};

}  // namespace vostrelle
