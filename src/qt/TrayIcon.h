#pragma once
// The notification-area icon: the idle image, the name-call animation (four images,
// 200 ms each) and the user's call for the window. Where the desktop has no
// notification area the icon is not added and everything here is silently without
// effect.

#include <QObject>
#include <QTimer>

class QSystemTrayIcon;

namespace vostrelle {

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  static constexpr int kAnimationIntervalMs = 200;

  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Adds the idle icon to the notification area; true when it is there.
  bool Add();
  // Removes it again (also done on destruction).
  void Remove();
  // Whether the icon was actually added: only then can a hidden window be found again.
  bool IsAdded() const { return added_; }

  // Starts the animation at its first image unless it already runs (a second name call
  // does not restart it).
  void StartAnimation();
  // Stops it and puts the idle image back.
  void StopAnimation();
  bool IsAnimating() const { return timer_.isActive(); }
  // The image the next timer tick shows (0..3).
  int NextFrame() const { return frame_; }
  // The icon lives on a StatusNotifier host (D-Bus) rather than an XEmbed tray.
  bool OnStatusNotifierHost() const { return statusNotifier_; }

  // Whether a click of the given kind asks for the window. An XEmbed tray reports the
  // double click; a StatusNotifier host sends only a single activation for it.
  static bool AsksForWindow(int reason, bool statusNotifierHost);

 signals:
  // The user asked for the window through the icon.
  void Activated();
  // The session bus answered which kind of notification area holds the icon.
  void HostKindKnown();

 protected:
  // The platform icon itself, replaceable where no notification area can be had.
  // Images: 0 = idle, 1..4 = the animation frames.
  virtual bool AddNativeIcon();
  virtual void SetNativeIcon(int image);
  virtual void RemoveNativeIcon();

  // One animation step, as the timer runs it.
  void OnAnimationTimer();

 private:
  void AskForHostKind();

  QSystemTrayIcon* tray_ = nullptr;
  QTimer timer_;
  bool added_ = false;
  bool statusNotifier_ = false;
  int frame_ = 0;
};

}  // namespace vostrelle
