#pragma once
// Gives a transfer list its window: the send list the "ファイル送信" dialog, the receive
// list the "ファイル受信" dialog. Meant as the document's ListMade hook.

class QWidget;

namespace vostrelle {

class AppSettings;
class FileTransferList;

// settings must outlive the list (the receive dialog reads ReceiveFolder on opening);
// owner, which may be null, only places the windows.
void InstallTransferDialogs(FileTransferList& list, AppSettings& settings, QWidget* owner);

}  // namespace vostrelle
