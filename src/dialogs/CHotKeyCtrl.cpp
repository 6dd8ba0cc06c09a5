#include "dialogs/CHotKeyCtrl.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "dialogs/DialogSupport.h"
#include "qt/VirtualKeys.h"

namespace vostrelle {
namespace {

std::uint8_t ModifierFlags(Qt::KeyboardModifiers modifiers) {
  std::uint8_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= CHotKeyCtrl::kShift;
  if (modifiers & Qt::ControlModifier) flags |= CHotKeyCtrl::kControl;
  if (modifiers & Qt::AltModifier) flags |= CHotKeyCtrl::kAlt;
  return flags;
}

bool IsModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
         key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

}  // namespace

CHotKeyCtrl::CHotKeyCtrl(QWidget* parent) : QLineEdit(parent) {
  // The field shows keys; nothing is typed into it as text.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setReadOnly(true);
  setFocusPolicy(Qt::StrongFocus);
  Show();
}

void CHotKeyCtrl::SetHotKey(std::uint8_t virtualKey, std::uint8_t modifiers) {
  key_ = virtualKey;
  modifiers_ = modifiers;
  Show();
}

void CHotKeyCtrl::Show() {
  setText(KeyText(key_, modifiers_));
}

QString CHotKeyCtrl::KeyText(std::uint8_t virtualKey, std::uint8_t modifiers) {
  QStringList parts;
  if (modifiers & kControl) parts << QStringLiteral("Ctrl");
  if (modifiers & kShift) parts << QStringLiteral("Shift");
  if (modifiers & kAlt) parts << QStringLiteral("Alt");
  if (virtualKey == 0) {
    if (parts.isEmpty()) return UiText("なし");
    // A key still to come.
    return parts.join(QStringLiteral(" + ")) + QStringLiteral(" + ");
  }
  parts << VirtualKeyName(virtualKey, (modifiers & kExtended) != 0);
  return parts.join(QStringLiteral(" + "));
}

void CHotKeyCtrl::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const std::uint8_t held = ModifierFlags(event->modifiers());
  // Enter and Esc belong to the dialog, as Tab does.
  if (key == Qt::Key_Return || key == Qt::Key_Escape ||
      (key == Qt::Key_Enter && !(event->modifiers() & Qt::KeypadModifier))) {
    event->ignore();
    return;
  }
  if (IsModifierKey(key)) {
    // A new combination starts: the modifiers show until its key comes.
    key_ = 0;
    modifiers_ = held;
    Show();
    return;
  }
  // The keys that erase, pressed alone, clear the field.
  if (held == 0 && (key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Space)) {
    SetHotKey(0, 0);
    return;
  }
  // The key itself, from what the layout prints on it, whatever modifiers shift it.
  const VirtualKeyRow* row = RowOfKeyEvent(*event);
  if (!row) return;
  SetHotKey(row->vk, static_cast<std::uint8_t>(held | (row->extended ? kExtended : 0)));
}

void CHotKeyCtrl::keyReleaseEvent(QKeyEvent* event) {
  // Modifiers let go before a key came: what is still held remains.
  if (key_ != 0) return;
  std::uint8_t held = ModifierFlags(event->modifiers());
  // The released key no longer counts, whatever state the event carries.
  if (event->key() == Qt::Key_Shift) held &= ~kShift;
  if (event->key() == Qt::Key_Control) held &= ~kControl;
  if (event->key() == Qt::Key_Alt) held &= ~kAlt;
  modifiers_ = held;
  Show();
}

void CHotKeyCtrl::inputMethodEvent(QInputMethodEvent* event) {
  event->ignore();
}

void CHotKeyCtrl::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
}

void CHotKeyCtrl::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  event->accept();
}

void CHotKeyCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
}

}  // namespace vostrelle
