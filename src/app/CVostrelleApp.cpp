#include "app/CVostrelleApp.h"

#include <QApplication>
#include <QDialog>
#include <QSessionManager>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/CVostrelleView.h"
#include "app/NetworkWatch.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CSettingsFolderDlg.h"
#include "dialogs/TransferDialogs.h"
#include "doc/CVostrelleDoc.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "qt/FontConvert.h"
#include "qt/QtNotifyTarget.h"
#include "qt/QtSocketNotifier.h"
#include "qt/SettingFolderStore.h"
#include "qt/TerminationSignals.h"
#include "store/AppSettings.h"
#include "store/CopySettingsFiles.h"
#include "store/CreateFolderPath.h"
#include "store/MyDocuments.h"

namespace vostrelle {

CVostrelleApp::CVostrelleApp() : settings_(std::make_unique<AppSettings>()) {}

CVostrelleApp::~CVostrelleApp() {
  networkWatch_.reset();
  instance_.reset();
  // The frame's views are the document's; the document leaves its rooms last.
  if (doc_) doc_->DeleteContents();
  frame_.reset();
  doc_.reset();
  signals_.reset();
}

bool CVostrelleApp::InitInstance() {
  QCoreApplication::setOrganizationName(QStringLiteral("Pendrake"));
  QCoreApplication::setApplicationName(QStringLiteral("Vostrelle"));
  // Ties the windows to the menu entry (its icon and name, also on Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("vostrelle"));
  // The program ends when its main window closes, not when its last window does: a
  // transfer window must not keep it alive, nor closing one end it.
  QApplication::setQuitOnLastWindowClosed(false);
  if (!ClaimInstance()) return false;
  signals_ = std::make_unique<TerminationSignals>();
  QObject::connect(signals_.get(), &TerminationSignals::Received, signals_.get(),
                   [this](int) { OnTerminationSignal(); });
  if (!InitSettingsFolder()) return false;
  InstallWindowsFontSubstitutes();
  settings_->SetStockFont(DesktopStockFont());
  settings_->LoadSettings();

  if (!MakeDocument() || !MakeFrame()) return false;
  WatchSessionEnd();
  if (settings_->MinimumStart || startMinimized_)
    frame_->Minimize();
  else
    frame_->show();
  frame_->InputView()->Activate();
  return true;
}

// False when a running instance of this user took over (it shows its window).
bool CVostrelleApp::ClaimInstance() {
  // One instance per user: a second start brings the first one's window forward and
  // ends. Without a session bus every start goes on, and the chat socket decides.
  instance_ = std::make_unique<InstanceService>(
      [this](InstanceCommand command) { OnInstanceCommand(command); });
  if (instance_->Register() == InstanceService::Claim::Taken) {
    if (SendToRunningInstance(InstanceCommand::Show) == RemoteResult::Done) return false;
    instance_.reset();
  }
  return true;
}

bool CVostrelleApp::MakeDocument() {
  notifier_ = std::make_unique<QtSocketNotifier>();
  doc_ = std::make_unique<CVostrelleDoc>(*settings_, ui_, *notifier_);
  ui_.SetCommandHandler([this](int id) {
    if (id == cmd::kFileNew) {
      // The reconnect comes from inside a dialog's command; rebuild once it returned.
      QTimer::singleShot(0, qApp, [this] { OnFileNew(); });
    } else if (frame_) {
      frame_->OnCommand(id);
    }
  });
  // Workers' messages arrive on the event loop; each list gets its window on first need.
  doc_->SetTransferSetup(
      {[] { return std::make_shared<QtNotifyTarget>(qApp); },
       [this](FileTransferList& list) { InstallTransferDialogs(list, *settings_, frame_.get()); },
       {}});
  // Every start makes a new document; the command line only says how to show it.
  return doc_->OnNewDocument();
}

bool CVostrelleApp::MakeFrame() {
  frame_ = std::make_unique<CMainFrame>(*doc_, *settings_, ui_);
  if (!frame_->Create()) return false;
  ui_.SetOwner(frame_.get());
  frame_->SetAppCommandHandler([this](int id) { return OnCommand(id); });
  frame_->SetExitHandler([this] { ExitInstance(); });
  doc_->SendInitialUpdate();
  networkWatch_ = std::make_unique<NetworkWatch>(
      *doc_, notifier_.get(), std::chrono::milliseconds(CVostrelleView::TickMs()));

  return true;
}

void CVostrelleApp::WatchSessionEnd() {
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, [this](QSessionManager& manager) {
    // The desktop session is ending: the same question as closing the window.
    if (manager.allowsInteraction()) {
      const bool yes = doc_->SaveModified();
      manager.release();
      if (!yes) {
        manager.cancel();
        return;
      }
    }
    // The session's end closes the window next; it was asked once already.
    if (frame_) frame_->SetExitAnswered();
  });
}

void CVostrelleApp::OnInstanceCommand(InstanceCommand command) {
  if (!frame_) {
    // Still starting (the settings-folder or first-connection dialog is open): bring
    // that dialog forward instead.
    if (command == InstanceCommand::Hide) return;
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->raise();
      modal->activateWindow();
    }
    return;
  }
  switch (command) {
    case InstanceCommand::None:
    case InstanceCommand::Show:
      frame_->RestoreWindow();
      break;
    case InstanceCommand::Hide:
      // As the minimise command does: into the tray where there is one.
      if (frame_->isVisible() && !frame_->isMinimized()) frame_->Minimize();
      break;
    case InstanceCommand::Toggle:
      frame_->ToggleMinimized();
      break;
  }
}

bool CVostrelleApp::InitSettingsFolder() {
  std::string folder = ReadSettingFolder();
  if (folder.empty()) {
    CSettingsFolderDlg dialog;
    dialog.BaseFolder = GetMyDocumentsPath();
    dialog.SubPath = "Pendrake/Vostrelle";
    if (dialog.exec() != QDialog::Accepted) return false;
    folder = dialog.Folder;
    WriteSettingFolder(folder);
  }
  CreateFolderPath(folder);
  settings_->SettingFolder = folder;
  return true;
}

bool CVostrelleApp::OnCommand(int id) {
  switch (id) {
    case cmd::kAppAbout: {
      CAboutDlg about(frame_.get());
      about.exec();
      return true;
    }
    case cmd::kMinimize:
      if (frame_) frame_->Minimize();
      return true;
    case cmd::kChangeSettingsFolder:
      OnChangeSettingsFolder();
      return true;
    case cmd::kFileNew:
      OnFileNew();
      return true;
    default:
      return false;
  }
}

void CVostrelleApp::OnFileNew() {
  if (!doc_) return;
  // No exit question here: a reconnect just rebuilds the rooms.
  doc_->OnNewDocument();
  doc_->SendInitialUpdate();
}

void CVostrelleApp::ExitInstance() {
  if (exiting_) return;
  exiting_ = true;
  // Should leaving the rooms or stopping a worker hang, a Ctrl+C now ends the program.
  if (signals_) TerminationSignals::EndStarted();
  if (frame_) frame_->hide();
  networkWatch_.reset();
  // The transfer lists close their windows and abort their workers with the rooms.
  if (doc_) doc_->DeleteContents();
  QCoreApplication::exit(0);
}

void CVostrelleApp::OnTerminationSignal() {
  // A modal dialog runs an event loop of its own: cancel each, so that the code that
  // opened it unwinds before the end runs from the main loop.
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  }
  QTimer::singleShot(0, qApp, [this] { ExitInstance(); });
}

void CVostrelleApp::OnChangeSettingsFolder() {
  // The new folder is chosen now, so that the next start needs no question; what the
  // user has set so far goes along unless he says otherwise. The old folder stays as it is.
  CSettingsFolderDlg dialog(frame_.get());
  dialog.BaseFolder = GetMyDocumentsPath();
  dialog.SubPath = "Pendrake/Vostrelle";
  if (dialog.exec() != QDialog::Accepted) return;
  const std::string folder = dialog.Folder;
  const std::string current = settings_->SettingFolder;
  if (folder.empty() || folder == current) return;
  const std::string caption = "設定保存フォルダの変更"_sjis;
  CreateFolderPath(folder);
  if (!IsDirectory(folder)) {
    ui_.MessageBox("フォルダを作成できませんでした。\n設定保存フォルダは変更していません。"_sjis,
                   caption, MsgButtons::Ok, MsgIcon::Warning);
    return;
  }
  const MsgAnswer answer = ui_.MessageBox(
      "現在の設定（接続先とオプション）を新しいフォルダにコピーしますか？\n新しいフォルダは次回の起動から使われます。ここで終了します。"_sjis,
      caption, MsgButtons::YesNoCancel, MsgIcon::Question);
  if (answer == MsgAnswer::Cancel) return;
  const bool copy = answer == MsgAnswer::Yes;
  if (copy && !CopySettingsFiles(current, folder)) {
    ui_.MessageBox(
        "設定ファイルをコピーできませんでした。\n設定保存フォルダは変更していません。"_sjis,
        caption, MsgButtons::Ok, MsgIcon::Warning);
    return;
  }
  WriteSettingFolder(folder);
  // Kept running (the exit question answered no), later changes go where the copy went.
  if (copy) settings_->SettingFolder = folder;
  if (frame_) frame_->close();
}

}  // namespace vostrelle
