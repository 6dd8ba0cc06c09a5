#pragma once
// The upper-right pane: the members of the selected room, row i = member i of its
// table, the user's own record first. From here the user asks for a member's details,
// sends files (menu or drop on the row), and copies a name into the input box.

#include <QStringList>
#include <QTreeWidget>
#include <map>
#include <set>
#include <string>

#include "platform/Document.h"
#include "platform/Ipv4.h"

namespace vostrelle {

class CVostrelleDoc;
class RoomSession;
class UserInterface;

class CMemberView : public QTreeWidget, public CView {
  Q_OBJECT

 public:
  enum Column { kNameColumn = 0, kHostColumn = 1, kAddressColumn = 2 };
  // Item data of column 0: 1 on the user's own row, 0 elsewhere.
  static constexpr int kOwnRole = Qt::UserRole;
  // The member's Name as CP932 bytes (QByteArray), exactly as received.
  static constexpr int kNameRole = Qt::UserRole + 1;

  // The creator adds the view to the document; it removes itself when destroyed. ui
  // tells the user about a file whose name cannot be sent.
  CMemberView(CVostrelleDoc& doc, UserInterface& ui, QWidget* parent = nullptr);
  ~CMemberView() override;

  void OnUpdate(CView* sender, long hint, HintObject* object) override;

  // Writes member of session into row, or appends a row when row does not exist yet.
  void SetMemberRow(int row, RoomSession& session, int member);
  // Every column to its contents, or to its title.
  void AutoSizeColumns(bool toHeader = false);
  void DeleteAllRows();
  // The width that shows all three columns for a typical member (a four-kanji name, a
  // host name, a 192.168.x.x address) in the current font.
  int TypicalWidth() const;
  // The rows become session's members (when its message view is shown).
  void ShowMembers(RoomSession& session);
  bool IsOwnRow(int row) const;
  int FirstSelectedRow() const;

  // 情報取得: hint 7 about the first selected row.
  void OnInformation();
  // ファイル送信: the file-open dialog, one send request per chosen file.
  void OnSendFile();
  // Files dropped or pasted elsewhere in the window: they go to the selected member, or
  // to the one the user picks; a pasted picture is shown and asked about first. Folders
  // are refused with a message. True when the files went to a member.
  bool OfferFiles(QStringList paths, bool image = false);

 protected:
  // The file-open dialog; empty on cancel.
  virtual QStringList ChooseFiles();
  // The host-name column: the name found before, or the address while a reverse lookup
  // runs in the background. A slow or unreachable name server (behind a VPN, say) must
  // hold up neither the window nor the room's answer to a newcomer; the rows of that
  // address change when the name arrives (OnHostName).
  virtual std::string HostNameOf(RoomSession& session, int member);
  void OnHostName(Ipv4 address, const std::string& name);

  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ApplySettingsFont();
  // The row under pos (viewport coordinates) that may take files; -1 otherwise.
  int DropRow(const QMimeData* data, const QPoint& pos) const;
  // Hands each local path to the current session for row.
  void RequestSends(int row, const QStringList& paths);
  // Takes the folders out of paths, telling the user; false when nothing is left.
  bool KeepFilesOnly(QStringList& paths);
  // The selected member's row, or the one the user picks; -1 when there is none.
  int TargetRow();
  int RowOfAddress(const QString& address) const;

  CVostrelleDoc& doc_;
  UserInterface& ui_;
  std::map<Ipv4, std::string> hostNames_;  // found names, or the address where none
  std::set<Ipv4> lookups_;                 // running
};

}  // namespace vostrelle
