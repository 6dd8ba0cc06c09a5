#include "qt/GlobalHotKey.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

#include "qt/VirtualKeys.h"

namespace vostrelle {
namespace {

// NumLock is Mod2 and CapsLock is Lock on every common layout; a grab names its state
// exactly, so each of the four combinations is grabbed.
constexpr std::uint16_t kLockMasks[] = {0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK,
                                        XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};
constexpr std::uint16_t kRelevantMask =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

// The key of this keyboard that gives virtualKey; 0 when it has none. Where several do,
// the layout's own key (known by both its symbols, as the JIS "ろ" key beside a mapped
// but absent ISO key) comes first, a keypad twin (Enter, the cursor block) last.
std::uint8_t KeycodeOfVirtualKey(std::uint16_t virtualKey) {
  std::uint8_t best = 0;
  int bestRank = 3;
  for (const KeyboardKey& key : KeyboardKeys()) {
    if (key.row->vk != virtualKey) continue;
    const int rank = key.row->shifted ? 0 : IsKeypadKeysym(key.row->keysym) ? 2 : 1;
    if (rank < bestRank) {
      best = key.keycode;
      bestRank = rank;
    }
  }
  return best;
}

}  // namespace

unsigned HotKeyControlToModifiers(std::uint16_t hotKeyFlags) {
  unsigned result = 0;
  if (hotKeyFlags & 1) result |= kModShift;
  if (hotKeyFlags & 2) result |= kModControl;
  if (hotKeyFlags & 4) result |= kModAlt;
  return result;
}

std::uint32_t VirtualKeyToKeysym(std::uint16_t virtualKey) {
  if (virtualKey > 0xFF) return 0;
  const auto vk = static_cast<std::uint8_t>(virtualKey);
  const VirtualKeyRow* row = RowOfVirtualKey(vk, false);
  // Enter and the cursor block: the main key rather than its keypad twin.
  if (row && IsKeypadKeysym(row->keysym)) {
    const VirtualKeyRow* other = RowOfVirtualKey(vk, !row->extended);
    if (other && !IsKeypadKeysym(other->keysym)) row = other;
  }
  return row ? row->keysym : 0;
}

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {}

GlobalHotKey::~GlobalHotKey() {
  Unregister();
}

bool GlobalHotKey::Register(std::uint16_t virtualKey, unsigned modifiers) {
  Unregister();
  xcb_connection_t* connection = X11Connection();
  if (!connection) return false;
  const std::uint8_t keycode = KeycodeOfVirtualKey(virtualKey);
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
