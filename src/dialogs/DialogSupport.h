#pragma once
// Pieces the configuration dialogs share: program texts, the message box they show,
// and the source of the local networks they offer.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/NetInterfaces.h"

class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace vostrelle {

// A program text (UTF-8 source) as a widget shows it, by way of its CP932 bytes, so
// that only texts the program could keep are ever shown.
QString UiText(const char* utf8);

// Shows a CP932 message to the user; dialogs take one so that tests can watch.
using MessageSink = std::function<void(const std::string& text)>;
// The program's warning box (the box a message without options gets), owned by parent.
void ShowWarning(QWidget* parent, const std::string& text);

// Fills interfaces with the local IPv4 interfaces and usable with the indices of the
// usable ones, in query order.
using InterfaceSource =
    std::function<void(std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable)>;
// The real query (20 entries).
InterfaceSource LocalInterfaces();

// The ConnectTo text of a local network: the network part of the interface address
// with the host part of its broadcast address.
std::string NetworkAddressText(const InterfaceInfo& info);
// A local network as the address choice lists it: the interface's name, the address
// text, and what kind of link it is when that makes it an unlikely room
// ("virbr0 ― 192.168.122.255（仮想ブリッジ）").
std::string NetworkChoiceText(const InterfaceInfo& info);

// Drops the icons some desktop styles put on standard buttons: the dialogs show
// text-only buttons everywhere.
void PlainButtons(QDialogButtonBox* buttons);
// The dialog's confirm and "キャンセル" buttons, plain, wired to accept and reject; the
// confirm button (okText) is the default one. Push buttons in dialogs keep Qt's
// auto-default, so Enter presses the focused button and the default one otherwise.
QDialogButtonBox* ConfirmButtons(QDialog* dialog, const QString& okText);

// The folder a stored folder setting stands for in this run (CP932 in and out).
using FolderResolver = std::function<std::string(const std::string& stored)>;
// A line under a folder edit that names the folder really used whenever it differs
// from the edit's text (a Windows or a relative folder); hidden otherwise. resolve is
// asked each time the text changes, so it may be set after this is made.
QLabel* FolderInUseNote(QLineEdit* edit, const FolderResolver& resolve);

}  // namespace vostrelle
