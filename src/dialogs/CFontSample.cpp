#include "dialogs/CFontSample.h"

#include <QPainter>
#include <cstdlib>
#include <cstring>

#include "qt/FontConvert.h"
#include "qt/QtText.h"

namespace vostrelle {
namespace {

// a * b / c rounded half away from zero, in 64 bits; -1 for c = 0.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long product = static_cast<long long>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const long long magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace

CFontSample::CFontSample(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFontSample::SetSampleFont(const LOGFONTA& font) {
  font_ = font;
  update();
}

QString CFontSample::FaceText(const LOGFONTA& font) {
  return ToQString(
      std::string_view(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName)));
}

QString CFontSample::SizeText(const LOGFONTA& font, int dpi) {
  return QStringLiteral("(%1)").arg(std::abs(MulDiv(font.lfHeight, 72, dpi)));
}

QSize CFontSample::sizeHint() const {
  return {260, fontMetrics().height() + 10};
}

void CFontSample::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Button));
  if (!font_) return;

  // The dialog's face and size carry the sample's style, so any face stays readable.
  QFont styled = font();
  const QFont own = ToQFont(*font_);
  styled.setWeight(own.weight());
  styled.setItalic(own.italic());
  styled.setUnderline(own.underline());
  styled.setStrikeOut(own.strikeOut());

  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  const QRect inner = rect().adjusted(2, 2, -2, -2);
  const int split = inner.right() * 3 / 4;
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.setFont(styled);
  painter.drawText(QRect(QPoint(inner.left(), inner.top()), QPoint(split, inner.bottom())), flags,
                   FaceText(*font_));
  painter.setFont(font());
  painter.drawText(QRect(QPoint(split, inner.top()), inner.bottomRight()), flags,
                   SizeText(*font_, LogicalDpiY(this)));
}

}  // namespace vostrelle
