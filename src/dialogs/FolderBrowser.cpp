#include "dialogs/FolderBrowser.h"

#include <QFileDialog>

#include "platform/FileSystem.h"
#include "qt/QtText.h"

namespace vostrelle {

int FolderBrowser::Run() {
  QString start;
  std::string native;
  if (useInitialPath_ && ToNativePath(initialPath_, native)) start = QString::fromStdString(native);
  const QString chosen = QFileDialog::getExistingDirectory(owner_, ToQString(title_), start,
                                                           QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return kCancelled;
  std::string cp932;
  if (!FromNativePath(chosen.toStdString(), cp932)) return kCancelled;
  path_ = cp932;
  return kChosen;
}

}  // namespace vostrelle
