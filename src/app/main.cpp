// vostrelle: a chat client for the local network, without a server.
#include <QApplication>

#include <cstdio>

#include "app/CVostrelleApp.h"
#include "app/SingleInstance.h"
#include "qt/QtTranslation.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  vostrelle::InstallQtJapanese(application);
  using vostrelle::InstanceCommand;
  const vostrelle::CommandLine line = vostrelle::ParseCommandLine(application.arguments());
  if (line.command != InstanceCommand::None) {
    // --show, --hide, --toggle go to the running instance. With none running, showing
    // or toggling starts the program; there is nothing to hide.
    if (vostrelle::SendToRunningInstance(line.command) == vostrelle::RemoteResult::Done) return 0;
    if (line.command == InstanceCommand::Hide) {
      std::fputs("vostrelle: Vostrelle は起動していません。\n", stderr);
      return 1;
    }
  }
  vostrelle::CVostrelleApp app;
  app.SetStartMinimized(line.minimized);
  if (!app.InitInstance()) return 0;
  return application.exec();
}
