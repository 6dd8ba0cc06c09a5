#pragma once
// Logical-font records (as options.xml stores them) and Qt fonts.

#include <QFont>

#include "store/LOGFONTA.h"

class QPaintDevice;

namespace vostrelle {

// The record's font: a negative lfHeight is the character height in pixels, a
// positive one the cell height (character height plus internal leading), 0 the
// default size. Weight, italic, underline, strike-out and face are taken over.
QFont ToQFont(const LOGFONTA& font);

// The record of a font: lfHeight = -(character height in pixels), weight, italic,
// underline, strike-out, Shift_JIS character set, and the face cut to 31 CP932 bytes
// at a character boundary. A font given in points is converted at the screen's DPI.
LOGFONTA ToLogFont(const QFont& font);

// The desktop's default font as a record (face, height, weight 400, charset 128), the
// stock font for settings that have none.
LOGFONTA DesktopStockFont();

// Makes Qt draw the Japanese fonts of Windows (ＭＳ ゴシック, メイリオ, ...) with the
// matching fonts installed here, so that records from Windows settings keep their face
// names and still show in one Japanese font. Once per process, before fonts are used.
void InstallWindowsFontSubstitutes();

// Logical dots per inch in the vertical direction of device, or of the primary
// screen when device is null; 96 when there is no screen.
int LogicalDpiY(const QPaintDevice* device = nullptr);

}  // namespace vostrelle
