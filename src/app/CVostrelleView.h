#pragma once
// The upper-left pane: the input line at the bottom and, stacked above it, the system
// view and one message view per room, of which one shows at a time. It makes the room
// views, drives the 30-second tick and sends typed lines to the selected room.

#include <QBasicTimer>
#include <QWidget>
#include <functional>

#include "platform/Document.h"

namespace vostrelle {

class AppSettings;
class CInputBox;
class CSystemView;
class CVostrelleDoc;

class CVostrelleView : public QWidget, public CView {
  Q_OBJECT
 public:
  static constexpr int kTickMs = 30000;
  // kTickMs, unless the lab shortens it (VOSTRELLE_TEST_TICK_MS) to see drops quickly.
  static int TickMs();
  CVostrelleView(CVostrelleDoc& doc, AppSettings& settings, QWidget* parent = nullptr);
  ~CVostrelleView() override;

  void OnUpdate(CView* sender, long hint, HintObject* object) override;
  void OnInitialUpdate() override;

  void CreateRoomViews();
  CInputBox* InputBox() const { return input_; }
  CSystemView* SystemView() const { return systemView_; }
  // Called on every key typed into the input line, by the input method as well (the
  // frame stops its tray animation).
  void SetKeyListener(std::function<void()> listener) { keyListener_ = std::move(listener); }
  // The tick the timer gives, for tests that cannot wait 30 seconds.
  void Tick();
  // Puts the focus into the input line (the view became the active one).
  void Activate();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayoutChildren();
  void ApplyFont();
  void NoteInputKey(QEvent* event);
  bool HandleInputKey(QKeyEvent* key);
  // Local files dragged onto the input line go to the member list; true when taken.
  bool HandleInputDrop(QEvent* event);
  // Ctrl+V with a picture and no text: kept as a PNG and offered; false for text.
  bool PasteImage();
  bool MoveFocus(bool forward);
  // A short notice in the main window's status bar.
  void ShowStatus(const QString& text);

  CVostrelleDoc& doc_;
  AppSettings& settings_;
  CInputBox* input_;
  CSystemView* systemView_ = nullptr;
  QBasicTimer timer_;
  std::function<void()> keyListener_;
};

}  // namespace vostrelle
