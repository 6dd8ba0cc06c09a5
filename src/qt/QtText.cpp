#include "qt/QtText.h"

#include <QByteArray>

#include "platform/Cp932.h"

namespace vostrelle {

QString ToQString(std::string_view cp932) {
  const std::string utf8 = Cp932ToUtf8(cp932);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCp932(const QString& text, bool* lossless) {
  // toUtf8 writes '?' for a lone surrogate by itself, so that loss is noted here.
  const QByteArray utf8 = text.toUtf8();
  std::string result = Utf8ToCp932(
      std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), lossless);
  if (lossless && !QStringView(text).isValidUtf16()) *lossless = false;
  return result;
}

}  // namespace vostrelle
