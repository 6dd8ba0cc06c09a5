#include "qt/VirtualKeys.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <cstdlib>
#include <vector>

namespace vostrelle {
namespace {

std::vector<VirtualKeyRow> BuildTable() {
  std::vector<VirtualKeyRow> rows;
  static const char* const kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I",
                                         "J", "K", "L", "M", "N", "O", "P", "Q", "R",
                                         "S", "T", "U", "V", "W", "X", "Y", "Z"};
  static const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  static const char* const kNumpad[] = {"Num 0", "Num 1", "Num 2", "Num 3", "Num 4",
                                        "Num 5", "Num 6", "Num 7", "Num 8", "Num 9"};
  static const char* const kF[] = {"F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",
                                   "F9",  "F10", "F11", "F12", "F13", "F14", "F15", "F16",
                                   "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
  for (int i = 0; i < 26; ++i)
    rows.push_back({XK_a + static_cast<std::uint32_t>(i), 0, 0, static_cast<std::uint8_t>('A' + i),
                    false, kLetters[i]});
  for (int i = 0; i < 10; ++i)
    rows.push_back({XK_0 + static_cast<std::uint32_t>(i), 0, 0, static_cast<std::uint8_t>('0' + i),
                    false, kDigits[i]});
  for (int i = 0; i < 10; ++i)
    rows.push_back({XK_KP_0 + static_cast<std::uint32_t>(i), 0, 0,
                    static_cast<std::uint8_t>(0x60 + i), false, kNumpad[i]});
  for (int i = 0; i < 24; ++i)
    rows.push_back({XK_F1 + static_cast<std::uint32_t>(i), 0, Qt::Key_F1 + i,
                    static_cast<std::uint8_t>(0x70 + i), false, kF[i]});
  // clang-format off
  static const VirtualKeyRow kOthers[] = {
      {XK_Break, 0, Qt::Key_Cancel, 0x03, false, "Break"},
      {XK_BackSpace, 0, Qt::Key_Backspace, 0x08, false, "Backspace"},
      {XK_Tab, 0, Qt::Key_Tab, 0x09, false, "Tab"},
      {XK_ISO_Left_Tab, 0, Qt::Key_Backtab, 0x09, false, "Tab"},
      {XK_KP_Begin, 0, Qt::Key_Clear, 0x0C, false, "Num 5"},
      {XK_Return, 0, Qt::Key_Return, 0x0D, false, "Enter"},
      {XK_KP_Enter, 0, Qt::Key_Enter, 0x0D, true, "Num Enter"},
      {XK_Pause, 0, Qt::Key_Pause, 0x13, false, "Pause"},
      {XK_Henkan_Mode, 0, Qt::Key_Henkan, 0x1C, false, "変換"},
      {XK_Muhenkan, 0, Qt::Key_Muhenkan, 0x1D, false, "無変換"},
      {XK_Escape, 0, Qt::Key_Escape, 0x1B, false, "Esc"},
      {XK_space, 0, 0, 0x20, false, "Space"},
      // The cursor block and its keypad twins share codes; the block's are extended.
      {XK_Prior, 0, Qt::Key_PageUp, 0x21, true, "Page Up"},
      {XK_Next, 0, Qt::Key_PageDown, 0x22, true, "Page Down"},
      {XK_End, 0, Qt::Key_End, 0x23, true, "End"},
      {XK_Home, 0, Qt::Key_Home, 0x24, true, "Home"},
      {XK_Left, 0, Qt::Key_Left, 0x25, true, "Left"},
      {XK_Up, 0, Qt::Key_Up, 0x26, true, "Up"},
      {XK_Right, 0, Qt::Key_Right, 0x27, true, "Right"},
      {XK_Down, 0, Qt::Key_Down, 0x28, true, "Down"},
      {XK_Insert, 0, Qt::Key_Insert, 0x2D, true, "Insert"},
      {XK_Delete, 0, Qt::Key_Delete, 0x2E, true, "Delete"},
      {XK_KP_Prior, 0, Qt::Key_PageUp, 0x21, false, "Num 9"},
      {XK_KP_Next, 0, Qt::Key_PageDown, 0x22, false, "Num 3"},
      {XK_KP_End, 0, Qt::Key_End, 0x23, false, "Num 1"},
      {XK_KP_Home, 0, Qt::Key_Home, 0x24, false, "Num 7"},
      {XK_KP_Left, 0, Qt::Key_Left, 0x25, false, "Num 4"},
      {XK_KP_Up, 0, Qt::Key_Up, 0x26, false, "Num 8"},
      {XK_KP_Right, 0, Qt::Key_Right, 0x27, false, "Num 6"},
      {XK_KP_Down, 0, Qt::Key_Down, 0x28, false, "Num 2"},
      {XK_KP_Insert, 0, Qt::Key_Insert, 0x2D, false, "Num 0"},
      {XK_KP_Delete, 0, Qt::Key_Delete, 0x2E, false, "Num Del"},
      {XK_Print, 0, Qt::Key_Print, 0x2C, true, "Print Screen"},
      {XK_Menu, 0, Qt::Key_Menu, 0x5D, true, "Application"},
      {XK_KP_Multiply, 0, Qt::Key_Asterisk, 0x6A, false, "Num *"},
      {XK_KP_Add, 0, Qt::Key_Plus, 0x6B, false, "Num +"},
      {XK_KP_Subtract, 0, Qt::Key_Minus, 0x6D, false, "Num -"},
      {XK_KP_Decimal, 0, Qt::Key_Period, 0x6E, false, "Num Del"},
      {XK_KP_Divide, 0, Qt::Key_Slash, 0x6F, true, "Num /"},
      {XK_Num_Lock, 0, Qt::Key_NumLock, 0x90, true, "Num Lock"},
      {XK_Scroll_Lock, 0, Qt::Key_ScrollLock, 0x91, false, "Scroll Lock"},
      // Punctuation by what the key prints. Where a JIS key prints what a US key prints
      // at another code, its shifted symbol tells them apart.
      {XK_semicolon, 0, 0, 0xBA, false, ";"},
      {XK_equal, 0, 0, 0xBB, false, "="},
      {XK_colon, 0, 0, 0xBA, false, ":"},  // JIS
      {XK_comma, 0, 0, 0xBC, false, ","},
      {XK_minus, 0, 0, 0xBD, false, "-"},
      {XK_period, 0, 0, 0xBE, false, "."},
      {XK_slash, 0, 0, 0xBF, false, "/"},
      {XK_grave, 0, 0, 0xC0, false, "`"},
      {XK_at, 0, 0, 0xC0, false, "@"},  // JIS
      {XK_bracketleft, 0, 0, 0xDB, false, "["},
      {XK_backslash, 0, 0, 0xDC, false, "\\"},
      {XK_yen, 0, Qt::Key_yen, 0xDC, false, "¥"},  // JIS
      {XK_bracketright, 0, 0, 0xDD, false, "]"},
      {XK_apostrophe, 0, 0, 0xDE, false, "'"},
      {XK_asciicircum, 0, 0, 0xDE, false, "^"},  // JIS
      {XK_less, 0, 0, 0xE2, false, "<"},  // the ISO key beside left Shift
  };
  // Looked up before the rows above: JIS keys that print what a US key prints at
  // another code, told apart by their shifted symbol.
  static const VirtualKeyRow kQualified[] = {
      {XK_semicolon, XK_plus, 0, 0xBB, false, ";"},
      {XK_backslash, XK_underscore, 0, 0xE2, false, "\\ (ろ)"},
  };
  rows.insert(rows.begin(), std::begin(kQualified), std::end(kQualified));
  // clang-format on
  rows.insert(rows.end(), std::begin(kOthers), std::end(kOthers));
  return rows;
}

const std::vector<VirtualKeyRow>& Table() {
  static const std::vector<VirtualKeyRow> table = BuildTable();
  return table;
}

// The first two keysyms of keycode on this X display; false without X11.
bool KeycodeKeysyms(std::uint32_t keycode, std::uint32_t* level0, std::uint32_t* level1) {
  xcb_connection_t* connection = X11Connection();
  if (!connection || keycode < 8 || keycode > 255) return false;
  xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
      connection, xcb_get_keyboard_mapping(connection, static_cast<xcb_keycode_t>(keycode), 1),
      nullptr);
  if (!reply) return false;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const int count = reply->keysyms_per_keycode;
  *level0 = count > 0 ? syms[0] : 0;
  *level1 = count > 1 ? syms[1] : 0;
  std::free(reply);
  return *level0 != 0;
}

// A synthetic event (no keysym of its own): its keysym from Qt's key.
std::uint32_t KeysymOfQtKey(int key, bool keypad) {
  if (keypad) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
      return XK_KP_0 + static_cast<std::uint32_t>(key - Qt::Key_0);
    for (const VirtualKeyRow& row : Table())
      if (row.qtKey == key && IsKeypadKeysym(row.keysym)) return row.keysym;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return XK_a + static_cast<std::uint32_t>(key - Qt::Key_A);
  if (key >= 0x20 && key <= 0xFF && key != Qt::Key_yen) return static_cast<std::uint32_t>(key);
  for (const VirtualKeyRow& row : Table())
    if (row.qtKey == key && !IsKeypadKeysym(row.keysym)) return row.keysym;
  return 0;
}

}  // namespace

xcb_connection_t* X11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  // The offscreen platform answers with an interface whose connection is null.
  return x11 ? x11->connection() : nullptr;
}

bool IsKeypadKeysym(std::uint32_t keysym) {
  return keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
}

const VirtualKeyRow* RowOfKeysyms(std::uint32_t keysym, std::uint32_t shifted) {
  if (keysym >= XK_A && keysym <= XK_Z) keysym += XK_a - XK_A;
  for (const VirtualKeyRow& row : Table())
    if (row.keysym == keysym && (row.shifted == 0 || row.shifted == shifted)) return &row;
  return nullptr;
}

std::vector<KeyboardKey> KeyboardKeys() {
  std::vector<KeyboardKey> keys;
  xcb_connection_t* connection = X11Connection();
  if (!connection) return keys;
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const int first = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
      connection,
      xcb_get_keyboard_mapping(connection, static_cast<xcb_keycode_t>(first),
                               static_cast<std::uint8_t>(count)),
      nullptr);
  if (!reply) return keys;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const int per = reply->keysyms_per_keycode;
  for (int i = 0; i < count && per > 0; ++i) {
    const std::uint32_t level0 = syms[i * per], level1 = per > 1 ? syms[i * per + 1] : 0;
    const auto code = static_cast<std::uint8_t>(first + i);
    if (const VirtualKeyRow* row = RowOfKeysyms(level0, level1)) keys.push_back({code, row});
    // A keypad key is a digit with Num Lock on.
    if (IsKeypadKeysym(level1))
      if (const VirtualKeyRow* row = RowOfKeysyms(level1, 0)) keys.push_back({code, row});
  }
  std::free(reply);
  return keys;
}

const VirtualKeyRow* RowOfVirtualKey(std::uint8_t vk, bool extended) {
  const VirtualKeyRow* any = nullptr;
  for (const VirtualKeyRow& row : Table()) {
    if (row.vk != vk) continue;
    if (row.extended == extended) return &row;
    if (!any) any = &row;
  }
  return any;
}

const VirtualKeyRow* RowOfKeyEvent(const QKeyEvent& event) {
  const std::uint32_t own = event.nativeVirtualKey();
  // The keypad's keysym depends on Num Lock, which the key itself does not show.
  if (own && IsKeypadKeysym(own)) return RowOfKeysyms(own, 0);
  // Shift changes the keysym; the key's own unshifted and shifted ones name it.
  std::uint32_t level0 = 0, level1 = 0;
  if (KeycodeKeysyms(event.nativeScanCode(), &level0, &level1)) return RowOfKeysyms(level0, level1);
  if (own) return RowOfKeysyms(own, 0);
  return RowOfKeysyms(KeysymOfQtKey(event.key(), event.modifiers() & Qt::KeypadModifier), 0);
}

QString VirtualKeyName(std::uint8_t vk, bool extended) {
  // The keyboard's own key of that code, as it is printed: "@" on JIS, "`" on US.
  const VirtualKeyRow* any = nullptr;
  for (const KeyboardKey& key : KeyboardKeys()) {
    if (key.row->vk != vk) continue;
    if (key.row->extended == extended) return QString::fromUtf8(key.row->name);
    if (!any) any = key.row;
  }
  if (any) return QString::fromUtf8(any->name);
  if (const VirtualKeyRow* row = RowOfVirtualKey(vk, extended)) return QString::fromUtf8(row->name);
  return QStringLiteral("0x") +
         QString::number(vk, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

}  // namespace vostrelle
