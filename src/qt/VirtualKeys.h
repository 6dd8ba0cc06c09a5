#pragma once
// Windows virtual-key codes on X11: one table of keys (the key's X keysym, the Windows
// code, the name the hot-key control shows) that both the hot-key control and the
// global hot key read. A key is known by what the layout prints on it, not by a US
// position: on a JIS keyboard "@" is VK_OEM_3 and "¥" is VK_OEM_5.

#include <QString>
#include <cstdint>
#include <vector>

class QKeyEvent;
struct xcb_connection_t;

namespace vostrelle {

// The program's X connection; null without X11 (also on the offscreen platform).
xcb_connection_t* X11Connection();
// Whether keysym is one of the keypad's.
bool IsKeypadKeysym(std::uint32_t keysym);

struct VirtualKeyRow {
  std::uint32_t keysym;   // the key's unshifted keysym
  std::uint32_t shifted;  // its shifted keysym where two keys share the first; else 0
  int qtKey;              // Qt's key where it is no Latin-1 character, else 0
  std::uint8_t vk;
  bool extended;  // the cursor-block twin of a keypad key, and a few more
  const char* name;
};

// The row of a key from its unshifted and shifted keysyms; nullptr for a key Windows
// has no code for.
const VirtualKeyRow* RowOfKeysyms(std::uint32_t keysym, std::uint32_t shifted);
// The row of a stored code; the extended flag chooses between the keypad and the
// cursor-block key of one code and is ignored where there is only one.
const VirtualKeyRow* RowOfVirtualKey(std::uint8_t vk, bool extended);
// The row of the key a key event is for, whatever modifiers shift it; nullptr if none.
const VirtualKeyRow* RowOfKeyEvent(const QKeyEvent& event);
// The name of a code as this keyboard prints it, "0xNN" where the table has none.
QString VirtualKeyName(std::uint8_t vk, bool extended);

// The keys of the X keyboard (empty without X11) with their rows, in keycode order; a
// keypad key comes twice, with and without Num Lock.
struct KeyboardKey {
  std::uint8_t keycode;
  const VirtualKeyRow* row;
};
std::vector<KeyboardKey> KeyboardKeys();

}  // namespace vostrelle
