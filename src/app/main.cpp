// vostrelle: a chat client for the local network, without a server.
#include <QApplication>

#include "app/CVostrelleApp.h"
#include "platform/qt/QtTranslation.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  vostrelle::InstallQtJapanese(application);
  vostrelle::CVostrelleApp app;
  if (!app.InitInstance()) return 0;
  return application.exec();
}
