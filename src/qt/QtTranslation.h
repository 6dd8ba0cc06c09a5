#pragma once
// Qt's own texts (standard buttons, file, folder and font dialogs, edit context menus)
// in Japanese, as a Japanese desktop shows them, whatever the system locale says.

class QCoreApplication;

namespace vostrelle {

// Loads Qt's Japanese translation from Qt's translations folder into application.
// False when the translation is not installed; Qt's texts then stay English.
bool InstallQtJapanese(QCoreApplication& application);

}  // namespace vostrelle
