#pragma once
// A hot-key entry field: it shows a key with its modifiers ("Ctrl + Alt + O") and takes
// the next key pressed in it. Keys are Windows virtual-key codes of one byte, taken from
// what the keyboard's layout prints on the key; modifiers are the flags the settings keep.

#include <QLineEdit>
#include <cstdint>

namespace vostrelle {

class CHotKeyCtrl : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr std::uint8_t kShift = 1;
  static constexpr std::uint8_t kControl = 2;
  static constexpr std::uint8_t kAlt = 4;
  static constexpr std::uint8_t kExtended = 8;

  explicit CHotKeyCtrl(QWidget* parent = nullptr);

  void SetHotKey(std::uint8_t virtualKey, std::uint8_t modifiers);
  std::uint8_t VirtualKey() const { return key_; }
  std::uint8_t Modifiers() const { return modifiers_; }

  // The text shown for a key: held modifiers in the order Ctrl, Shift, Alt, then the
  // key's name; "なし" for no key and no modifier.
  static QString KeyText(std::uint8_t virtualKey, std::uint8_t modifiers);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Show();

  std::uint8_t key_ = 0;
  std::uint8_t modifiers_ = 0;
};

}  // namespace vostrelle
