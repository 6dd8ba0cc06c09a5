#include "dialogs/CHotKeyCtrl.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "dialogs/DialogSupport.h"

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

QString KeyName(std::uint8_t vk, bool extended) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return QString(QChar(vk));
  if (vk >= 0x60 && vk <= 0x69) return QStringLiteral("Num %1").arg(vk - 0x60);
  if (vk >= 0x70 && vk <= 0x87) return QStringLiteral("F%1").arg(vk - 0x70 + 1);
  struct Entry {
    std::uint8_t vk;
    const char* name;
    const char* keypadName;  // the name without the extended flag, when it differs
  };
  static constexpr Entry kNames[] = {
      {0x03, "Break", nullptr},
      {0x08, "Backspace", nullptr},
      {0x09, "Tab", nullptr},
      {0x0C, "Num 5", nullptr},
      {0x0D, "Enter", nullptr},
      {0x13, "Pause", nullptr},
      {0x1B, "Esc", nullptr},
      {0x20, "Space", nullptr},
      {0x21, "Page Up", "Num 9"},
      {0x22, "Page Down", "Num 3"},
      {0x23, "End", "Num 1"},
      {0x24, "Home", "Num 7"},
      {0x25, "Left", "Num 4"},
      {0x26, "Up", "Num 8"},
      {0x27, "Right", "Num 6"},
      {0x28, "Down", "Num 2"},
      {0x2C, "Print Screen", nullptr},
      {0x2D, "Insert", "Num 0"},
      {0x2E, "Delete", "Num Del"},
      {0x5D, "Application", nullptr},
      {0x6A, "Num *", nullptr},
      {0x6B, "Num +", nullptr},
      {0x6D, "Num -", nullptr},
      {0x6E, "Num Del", nullptr},
      {0x6F, "Num /", nullptr},
      {0x90, "Num Lock", nullptr},
      {0x91, "Scroll Lock", nullptr},
      {0xBA, ";", nullptr},
      {0xBB, "=", nullptr},
      {0xBC, ",", nullptr},
      {0xBD, "-", nullptr},
      {0xBE, ".", nullptr},
      {0xBF, "/", nullptr},
      {0xC0, "`", nullptr},
      {0xDB, "[", nullptr},
      {0xDC, "\\", nullptr},
      {0xDD, "]", nullptr},
      {0xDE, "'", nullptr},
  };
  for (const Entry& entry : kNames) {
    if (entry.vk != vk) continue;
    return QLatin1String(!extended && entry.keypadName ? entry.keypadName : entry.name);
  }
  return QStringLiteral("0x") +
         QString::number(vk, 16).toUpper().rightJustified(2, QLatin1Char('0'));
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
  parts << KeyName(virtualKey, (modifiers & kExtended) != 0);
  return parts.join(QStringLiteral(" + "));
}

std::uint8_t CHotKeyCtrl::VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers, bool* extended) {
  *extended = false;
  const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint8_t>('A' + key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return static_cast<std::uint8_t>((keypad ? 0x60 : '0') + key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return static_cast<std::uint8_t>(0x70 + key - Qt::Key_F1);
  // The cursor block shares its codes with the keypad; only its own keys are extended.
  struct Nav {
    int key;
    std::uint8_t vk;
  };
  static constexpr Nav kNavigation[] = {
      {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},   {Qt::Key_Home, 0x24},
      {Qt::Key_Left, 0x25},   {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28},
      {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E},
  };
  for (const Nav& nav : kNavigation) {
    if (nav.key == key) {
      *extended = !keypad;
      return nav.vk;
    }
  }
  if (keypad) {
    switch (key) {
      case Qt::Key_Asterisk:
        return 0x6A;
      case Qt::Key_Plus:
        return 0x6B;
      case Qt::Key_Minus:
        return 0x6D;
      case Qt::Key_Period:
        return 0x6E;
      case Qt::Key_Slash:
        *extended = true;
        return 0x6F;
      case Qt::Key_Enter:
        *extended = true;
        return 0x0D;
      case Qt::Key_Clear:
        return 0x0C;
    }
  }
  switch (key) {
    case Qt::Key_Backspace:
      return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 0x0D;
    case Qt::Key_Pause:
      return 0x13;
    case Qt::Key_Escape:
      return 0x1B;
    case Qt::Key_Space:
      return 0x20;
    case Qt::Key_Print:
      *extended = true;
      return 0x2C;
    case Qt::Key_Menu:
      *extended = true;
      return 0x5D;
    case Qt::Key_NumLock:
      *extended = true;
      return 0x90;
    case Qt::Key_ScrollLock:
      return 0x91;
    // Shifted digits and punctuation of the US layout give their unshifted key.
    case Qt::Key_Exclam:
      return '1';
    case Qt::Key_At:
      return '2';
    case Qt::Key_NumberSign:
      return '3';
    case Qt::Key_Dollar:
      return '4';
    case Qt::Key_Percent:
      return '5';
    case Qt::Key_AsciiCircum:
      return '6';
    case Qt::Key_Ampersand:
      return '7';
    case Qt::Key_Asterisk:
      return '8';
    case Qt::Key_ParenLeft:
      return '9';
    case Qt::Key_ParenRight:
      return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
      return 0xBA;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      return 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      return 0xBC;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      return 0xBD;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
      return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
      return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
      return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
      return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
      return 0xDE;
  }
  return 0;
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
  bool extended = false;
  const std::uint8_t vk = VirtualKeyOf(key, event->modifiers(), &extended);
  if (vk == 0) return;
  SetHotKey(vk, static_cast<std::uint8_t>(held | (extended ? kExtended : 0)));
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
