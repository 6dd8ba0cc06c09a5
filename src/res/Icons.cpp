#include "res/Icons.h"

#include <QString>
#include <mutex>

// The resources live in a static library: nothing would pull their object file into a
// program, so it is registered by name at first use.
static void EnsureResources() {
  static std::once_flag once;
  std::call_once(once, [] { Q_INIT_RESOURCE(vostrelle); });
}

namespace vostrelle {

QIcon TrayIdleIcon() {
  EnsureResources();
  return QIcon(QStringLiteral(":/vostrelle/icons/tray-idle.png"));
}

QIcon TrayAnimationIcon(int frame) {
  EnsureResources();
  if (frame < 0 || frame >= kTrayAnimationFrames) frame = 0;
  return QIcon(QStringLiteral(":/vostrelle/icons/tray-anim%1.png").arg(frame + 1));
}

QIcon AppIcon() {
  EnsureResources();
  QIcon icon;
  for (int size : {16, 32, 48, 128})
    icon.addFile(QStringLiteral(":/vostrelle/icons/vostrelle-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace vostrelle
