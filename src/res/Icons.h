#pragma once
// The program's icons: the notification-area icon with its name-call animation, and
// the application icon.

#include <QIcon>

namespace vostrelle {

// The notification-area icon while nothing is pending (16 x 16).
QIcon TrayIdleIcon();
// Animation image frame (0..3), shown in this order while a name call is pending.
QIcon TrayAnimationIcon(int frame);
inline constexpr int kTrayAnimationFrames = 4;
// The application icon in every size we ship (16, 32, 48, 128).
QIcon AppIcon();

}  // namespace vostrelle
