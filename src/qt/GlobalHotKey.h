#pragma once
// A system-wide hot key: an X11 key grab on the root window. Where there is no X11
// connection (offscreen, Wayland) or another program holds the key, registration
// fails, silently.

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>
#include <vector>

namespace vostrelle {

// Modifier flags of a registration, as RegisterHotKey takes them.
inline constexpr unsigned kModAlt = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModShift = 4;

// The hot-key control's flags (Shift 1, Ctrl 2, Alt 4, extended 8), as the settings
// keep them, to registration flags; the extended-key flag and other bits are dropped.
unsigned HotKeyControlToModifiers(std::uint16_t hotKeyFlags);

// The X keysym of a Windows virtual-key code (the main key's where a keypad key shares
// the code); 0 for a code without one.
std::uint32_t VirtualKeyToKeysym(std::uint16_t virtualKey);

class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT

 public:
  explicit GlobalHotKey(QObject* parent = nullptr);
  ~GlobalHotKey() override;

  // Grabs virtualKey with modifiers (kModAlt | kModControl | kModShift), releasing
  // any earlier grab first. True when the key is ours.
  bool Register(std::uint16_t virtualKey, unsigned modifiers);
  void Unregister();
  bool IsRegistered() const { return registered_; }
  // The X key grabbed while registered.
  std::uint8_t Keycode() const { return keycode_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  // The key was pressed, whichever window has the focus.
  void Activated();

 private:
  bool registered_ = false;
  std::uint32_t root_ = 0;
  std::uint8_t keycode_ = 0;
  std::uint16_t mask_ = 0;
  std::vector<std::uint16_t> grabbed_;  // the modifier variants actually grabbed
};

}  // namespace vostrelle
