#include "platform/qt/GlobalHotKey.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

namespace vostrelle {
namespace {

// NumLock is Mod2 and CapsLock is Lock on every common layout; a grab names its state
// exactly, so each of the four combinations is grabbed.
constexpr std::uint16_t kLockMasks[] = {0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK,
                                        XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};
constexpr std::uint16_t kRelevantMask =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

xcb_connection_t* X11Connection() {
  auto* app = qGuiApp;
  if (!app) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  // The offscreen platform answers with an interface whose connection is null.
  return x11 ? x11->connection() : nullptr;
}

// The first keycode whose mapping holds keysym, 0 when the keyboard has none.
std::uint8_t KeysymToKeycode(xcb_connection_t* connection, std::uint32_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const int first = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
      connection,
      xcb_get_keyboard_mapping(connection, static_cast<xcb_keycode_t>(first),
                               static_cast<std::uint8_t>(count)),
      nullptr);
  if (!reply) return 0;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const int perCode = reply->keysyms_per_keycode;
  std::uint8_t found = 0;
  for (int code = 0; code < count && !found; ++code) {
    for (int i = 0; i < perCode; ++i) {
      if (syms[code * perCode + i] == keysym) {
        found = static_cast<std::uint8_t>(first + code);
        break;
      }
    }
  }
  std::free(reply);
  return found;
}

}  // namespace

unsigned HotKeyControlToModifiers(std::uint16_t hotKeyFlags) {
  unsigned result = 0;
  if (hotKeyFlags & 1) result |= kModShift;
  if (hotKeyFlags & 2) result |= kModControl;
  if (hotKeyFlags & 4) result |= kModAlt;
  return result;
}

std::uint32_t VirtualKeyToKeysym(std::uint16_t vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + (vk - 0x60);  // VK_NUMPAD0..9
  if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);    // VK_F1..F24
  struct Entry {
    std::uint16_t vk;
    std::uint32_t keysym;
  };
  // clang-format off
  static constexpr Entry kTable[] = {
      {0x03, XK_Break},        // VK_CANCEL
      {0x08, XK_BackSpace},    // VK_BACK
      {0x09, XK_Tab},          // VK_TAB
      {0x0C, XK_Clear},        // VK_CLEAR
      {0x0D, XK_Return},       // VK_RETURN
      {0x13, XK_Pause},        // VK_PAUSE
      {0x1B, XK_Escape},       // VK_ESCAPE
      {0x20, XK_space},        // VK_SPACE
      {0x21, XK_Prior},        // VK_PRIOR
      {0x22, XK_Next},         // VK_NEXT
      {0x23, XK_End},          // VK_END
      {0x24, XK_Home},         // VK_HOME
      {0x25, XK_Left},         // VK_LEFT
      {0x26, XK_Up},           // VK_UP
      {0x27, XK_Right},        // VK_RIGHT
      {0x28, XK_Down},         // VK_DOWN
      {0x29, XK_Select},       // VK_SELECT
      {0x2A, XK_Print},        // VK_PRINT
      {0x2B, XK_Execute},      // VK_EXECUTE
      {0x2C, XK_Print},        // VK_SNAPSHOT
      {0x2D, XK_Insert},       // VK_INSERT
      {0x2E, XK_Delete},       // VK_DELETE
      {0x2F, XK_Help},         // VK_HELP
      {0x5D, XK_Menu},         // VK_APPS
      {0x6A, XK_KP_Multiply},  // VK_MULTIPLY
      {0x6B, XK_KP_Add},       // VK_ADD
      {0x6C, XK_KP_Separator},  // VK_SEPARATOR
      {0x6D, XK_KP_Subtract},  // VK_SUBTRACT
      {0x6E, XK_KP_Decimal},   // VK_DECIMAL
      {0x6F, XK_KP_Divide},    // VK_DIVIDE
      {0x90, XK_Num_Lock},     // VK_NUMLOCK
      {0x91, XK_Scroll_Lock},  // VK_SCROLL
      {0xBA, XK_semicolon},    // VK_OEM_1
      {0xBB, XK_equal},        // VK_OEM_PLUS
      {0xBC, XK_comma},        // VK_OEM_COMMA
      {0xBD, XK_minus},        // VK_OEM_MINUS
      {0xBE, XK_period},       // VK_OEM_PERIOD
      {0xBF, XK_slash},        // VK_OEM_2
      {0xC0, XK_grave},        // VK_OEM_3
      {0xDB, XK_bracketleft},  // VK_OEM_4
      {0xDC, XK_backslash},    // VK_OEM_5
      {0xDD, XK_bracketright},  // VK_OEM_6
      {0xDE, XK_apostrophe},   // VK_OEM_7
      {0xE2, XK_less},         // VK_OEM_102
  };
  // clang-format on

  for (const Entry& entry : kTable)
    if (entry.vk == vk) return entry.keysym;
  return 0;
}

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {}

GlobalHotKey::~GlobalHotKey() {
  Unregister();
}

bool GlobalHotKey::Register(std::uint16_t virtualKey, unsigned modifiers) {
  Unregister();
  xcb_connection_t* connection = X11Connection();
  if (!connection) return false;
  const std::uint32_t keysym = VirtualKeyToKeysym(virtualKey);
  if (!keysym) return false;
  const std::uint8_t keycode = KeysymToKeycode(connection, keysym);
  if (!keycode) return false;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return false;

  std::uint16_t mask = 0;
  if (modifiers & kModAlt) mask |= XCB_MOD_MASK_1;
  if (modifiers & kModControl) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & kModShift) mask |= XCB_MOD_MASK_SHIFT;

  root_ = screen->root;
  keycode_ = keycode;
  mask_ = mask;
  bool ok = true;
  for (std::uint16_t lock : kLockMasks) {
    // Another client's grab of the same combination answers BadAccess.
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_grab_key_checked(connection, 0, root_, mask | lock, keycode,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error) {
      std::free(error);
      ok = false;
      break;
    }
    grabbed_.push_back(mask | lock);
  }
  if (!ok) {
    Unregister();
    return false;
  }
  registered_ = true;
  QCoreApplication::instance()->installNativeEventFilter(this);
  return true;
}

void GlobalHotKey::Unregister() {
  if (registered_) QCoreApplication::instance()->removeNativeEventFilter(this);
  registered_ = false;
  if (grabbed_.empty()) return;
  if (xcb_connection_t* connection = X11Connection()) {
    for (std::uint16_t mods : grabbed_) xcb_ungrab_key(connection, keycode_, root_, mods);
    xcb_flush(connection);
  }
  grabbed_.clear();
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!registered_ || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
  const auto* press = static_cast<const xcb_key_press_event_t*>(message);
  if (press->event != root_ || press->detail != keycode_ || (press->state & kRelevantMask) != mask_)
    return false;
  emit Activated();
  return true;
}

}  // namespace vostrelle
