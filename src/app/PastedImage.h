#pragma once
// A picture from the clipboard kept as a PNG file of its own, so that it can be
// offered like any file.

#include <QDateTime>
#include <QString>

class QMimeData;

namespace vostrelle {

// Whether data is a picture and nothing to type: text always pastes as text.
bool IsPastableImage(const QMimeData* data);
// Writes the picture in data to folder/image-YYYYMMDD-HHMMSS[-N].png (local time of
// now), making folder when needed and never replacing a file. PNG bytes from the
// clipboard are kept as they are; other pictures are encoded. The path, or empty.
QString SavePastedImage(const QMimeData& data, const QString& folder, const QDateTime& now);

}  // namespace vostrelle
