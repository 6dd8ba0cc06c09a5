#include "qt/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vostrelle {

bool InstallQtJapanese(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  // The whole program is Japanese, so the system locale does not choose here.
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace vostrelle
