#include "qt/SettingFolderStore.h"

#include <QSettings>

#include "qt/QtText.h"

namespace vostrelle {
namespace {

const char kKey[] = "Directory/Setting";

QSettings Profile() {
  return QSettings(QStringLiteral("Pendrake"), QStringLiteral("Vostrelle"));
}

}  // namespace

std::string ReadSettingFolder() {
  return ToCp932(Profile().value(QLatin1String(kKey)).toString());
}

void WriteSettingFolder(const std::string& cp932Path) {
  QSettings settings = Profile();
  settings.setValue(QLatin1String(kKey), ToQString(cp932Path));
  settings.sync();
}

void DeleteSettingFolder() {
  QSettings settings = Profile();
  settings.remove(QLatin1String(kKey));
  settings.sync();
}

}  // namespace vostrelle
