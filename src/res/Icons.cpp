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
namespace {

// The 16-pixel picture and its larger drawings, so that a panel at scale 2 (or a
// larger panel) gets a sharp icon instead of a blown-up one.
QIcon TrayIcon(const QString& name) {
  EnsureResources();
  QIcon icon;
  icon.addFile(QStringLiteral(":/vostrelle/icons/%1.png").arg(name), QSize(16, 16));
  for (int size : {32, 48})
    icon.addFile(QStringLiteral(":/vostrelle/icons/%1-%2.png").arg(name).arg(size),
                 QSize(size, size));
  return icon;
}

}  // namespace

QIcon TrayIdleIcon() {
  return TrayIcon(QStringLiteral("tray-idle"));
}

QIcon TrayAnimationIcon(int frame) {
  if (frame < 0 || frame >= kTrayAnimationFrames) frame = 0;
  return TrayIcon(QStringLiteral("tray-anim%1").arg(frame + 1));
}

QIcon AppIcon() {
  EnsureResources();
  QIcon icon;
  for (int size : {16, 32, 48, 128})
    icon.addFile(QStringLiteral(":/vostrelle/icons/vostrelle-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace vostrelle
