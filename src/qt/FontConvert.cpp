#include "qt/FontConvert.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Cp932.h"
#include "qt/QtText.h"

namespace vostrelle {
namespace {

constexpr std::uint8_t kShiftJisCharset = 128;
constexpr int kFaceBytes = sizeof(LOGFONTA::lfFaceName);

}  // namespace

void InstallWindowsFontSubstitutes() {
  // Proportional and fixed Gothic, fixed and proportional Mincho; the IPA fonts first,
  // Noto CJK where those are missing.
  const QStringList pGothic{QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                            QStringLiteral("IPAGothic")};
  const QStringList gothic{QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                           QStringLiteral("IPAPGothic")};
  const QStringList mincho{QStringLiteral("IPAMincho"), QStringLiteral("Noto Serif CJK JP"),
                           QStringLiteral("IPAPMincho")};
  const QStringList pMincho{QStringLiteral("IPAPMincho"), QStringLiteral("Noto Serif CJK JP"),
                            QStringLiteral("IPAMincho")};
  const struct {
    const char* windowsFace;  // UTF-8, as the records name them in CP932
    const QStringList& here;
  } table[] = {
      {"ＭＳ Ｐゴシック", pGothic}, {"MS PGothic", pGothic},   {"ＭＳ ＵＩ Gothic", pGothic},
      {"MS UI Gothic", pGothic},    {"メイリオ", pGothic},     {"Meiryo", pGothic},
      {"Meiryo UI", pGothic},       {"游ゴシック", pGothic},   {"Yu Gothic", pGothic},
      {"Yu Gothic UI", pGothic},    {"ＭＳ ゴシック", gothic}, {"MS Gothic", gothic},
      {"ＭＳ 明朝", mincho},        {"MS Mincho", mincho},     {"ＭＳ Ｐ明朝", pMincho},
      {"MS PMincho", pMincho},      {"游明朝", pMincho},       {"Yu Mincho", pMincho},
  };
  for (const auto& entry : table)
    QFont::insertSubstitutions(QString::fromUtf8(entry.windowsFace), entry.here);
}

int LogicalDpiY(const QPaintDevice* device) {
  if (device) return device->logicalDpiY();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
  return 96;
}

QFont ToQFont(const LOGFONTA& font) {
  QFont result;
  // A face that fills all 32 bytes has no terminator.
  const std::size_t faceLength = strnlen(font.lfFaceName, kFaceBytes);
  if (faceLength > 0) result.setFamily(ToQString(std::string_view(font.lfFaceName, faceLength)));
  if (font.lfHeight < 0) {
    result.setPixelSize(-font.lfHeight);
  } else if (font.lfHeight > 0) {
    // A cell height: scale the character height so that ascent plus descent fits it.
    result.setPixelSize(font.lfHeight);
    const qreal cell = QFontMetricsF(result).height();
    if (cell > 0) {
      const int pixels = static_cast<int>(std::lround(font.lfHeight * font.lfHeight / cell));
      result.setPixelSize(std::max(1, pixels));
    }
  }
  // Windows and Qt 6 share the 1..1000 weight scale; 0 means "don't care".
  const int weight = font.lfWeight <= 0 ? 400 : std::min(font.lfWeight, 1000);
  result.setWeight(static_cast<QFont::Weight>(weight));
  result.setItalic(font.lfItalic != 0);
  result.setUnderline(font.lfUnderline != 0);
  result.setStrikeOut(font.lfStrikeOut != 0);
  return result;
}

LOGFONTA ToLogFont(const QFont& font) {
  LOGFONTA result;
  int pixels = font.pixelSize();
  if (pixels <= 0) pixels = static_cast<int>(std::lround(font.pointSizeF() * LogicalDpiY() / 72.0));
  result.lfHeight = -pixels;
  result.lfWeight = font.weight();
  result.lfItalic = font.italic() ? 1 : 0;
  result.lfUnderline = font.underline() ? 1 : 0;
  result.lfStrikeOut = font.strikeOut() ? 1 : 0;
  result.lfCharSet = kShiftJisCharset;
  // Room for the terminator.
  const std::string face = ToCp932(font.family());
  const std::string_view cut = TruncateCp932(face, kFaceBytes - 1);
  std::memcpy(result.lfFaceName, cut.data(), cut.size());
  return result;
}

LOGFONTA DesktopStockFont() {
  const QFont desktop = QGuiApplication::font();
  LOGFONTA result = ToLogFont(desktop);
  // Only what the stock object describes: face, height, normal weight, charset.
  result.lfWeight = 400;
  result.lfItalic = result.lfUnderline = result.lfStrikeOut = 0;
  return result;
}

}  // namespace vostrelle
