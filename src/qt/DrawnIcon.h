#pragma once
// Small marks drawn by the program (a list's state icons) as icons that stay sharp on a
// screen at scale 2 or 3.

#include <QIcon>
#include <functional>

class QPainter;

namespace vostrelle {

// The picture that draw paints on a 16 x 16 grid (antialiased, transparent ground),
// painted again at 32 and 48 pixels: a scaled screen takes the larger drawing instead
// of blowing up the small one.
QIcon DrawnIcon(const std::function<void(QPainter&)>& draw);

}  // namespace vostrelle
