#include "qt/DrawnIcon.h"

#include <QPainter>
#include <QPixmap>

namespace vostrelle {

QIcon DrawnIcon(const std::function<void(QPainter&)>& draw) {
  QIcon icon;
  for (int scale : {1, 2, 3}) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    draw(painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace vostrelle
