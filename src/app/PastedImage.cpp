#include "app/PastedImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>

namespace vostrelle {
namespace {

constexpr int kMaxSuffix = 999;

QByteArray PngBytes(const QMimeData& data) {
  const QByteArray png = data.data(QStringLiteral("image/png"));
  // The bytes as they came, when they really are a PNG picture: the peer gets exactly
  // what was copied.
  if (!png.isEmpty() && !QImage::fromData(png, "PNG").isNull()) return png;
  const QImage image = qvariant_cast<QImage>(data.imageData());
  if (image.isNull()) return {};
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  return image.save(&buffer, "PNG") ? encoded : QByteArray();
}

}  // namespace

bool IsPastableImage(const QMimeData* data) {
  return data && !data->hasText() && !data->hasUrls() && data->hasImage();
}

QString SavePastedImage(const QMimeData& data, const QString& folder, const QDateTime& now) {
  const QByteArray png = PngBytes(data);
  if (png.isEmpty() || folder.isEmpty() || !QDir().mkpath(folder)) return {};
  const QString stem = QDir(folder).filePath(QStringLiteral("image-") +
                                             now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
  for (int n = 0; n <= kMaxSuffix; ++n) {
    const QString path =
        n == 0 ? stem + QStringLiteral(".png") : stem + QStringLiteral("-%1.png").arg(n);
    QFile file(path);
    // NewOnly fails on an existing name, even one made a moment ago by someone else.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      if (file.exists()) continue;
      return {};
    }
    if (file.write(png) == png.size() && file.flush()) return path;
    file.close();
    file.remove();
    return {};
  }
  return {};
}

}  // namespace vostrelle
