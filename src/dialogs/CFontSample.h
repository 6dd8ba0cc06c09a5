#pragma once
// Shows a font as the options keep it: its face name in the dialog's face and size
// with the font's style, then its size in points.

#include <QWidget>
#include <optional>

#include "store/LOGFONTA.h"

namespace vostrelle {

class CFontSample : public QWidget {
  Q_OBJECT

 public:
  explicit CFontSample(QWidget* parent = nullptr);

  // Replaces the shown font and repaints.
  void SetSampleFont(const LOGFONTA& font);
  const std::optional<LOGFONTA>& SampleFont() const { return font_; }

  // The face name of font.
  static QString FaceText(const LOGFONTA& font);
  // "(9)": the point size of font's height at dpi dots per inch, rounded.
  static QString SizeText(const LOGFONTA& font, int dpi);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<LOGFONTA> font_;
};

}  // namespace vostrelle
