#include "views/CMemberView.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QHostInfo>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QUrl>

#include "doc/CVostrelleDoc.h"
#include "doc/ViewHint.h"
#include "net/RoomSession.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "qt/FontConvert.h"
#include "qt/QtText.h"
#include "store/AppSettings.h"
#include "views/OfferDialogs.h"
#include "views/ReportList.h"
#include "views/ViewIds.h"

namespace vostrelle {
CMemberView::CMemberView(CVostrelleDoc& doc, UserInterface& ui, QWidget* parent)
    : QTreeWidget(parent), doc_(doc), ui_(ui) {
  SetUpReportList(this);
  setAccessibleName(QStringLiteral("メンバー一覧"));
  setAccessibleDescription(QStringLiteral("選択中の部屋のメンバーの名前、ホスト、IP アドレス"));
  setContextMenuPolicy(Qt::DefaultContextMenu);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setHeaderLabels({ToQString("名前"_sjis), ToQString("ホスト"_sjis), QStringLiteral("IP")});
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header()->setSectionsMovable(false);
  ApplySettingsFont();
  AutoSizeColumns(true);
}

CMemberView::~CMemberView() {
  doc_.RemoveView(this);
}

void CMemberView::ApplySettingsFont() {
  setFont(ToQFont(doc_.Settings().Fonts[AppSettings::kMemberViewFont]));
}

void CMemberView::OnUpdate(CView*, long hint, HintObject* object) {
  if (hint == kHintOfferFiles) {
    if (auto* offer = dynamic_cast<OfferFilesHint*>(object)) {
      QStringList paths;
      for (const std::string& path : offer->Paths)
        paths << QFile::decodeName(QByteArray::fromStdString(path));
      offer->Offered = OfferFiles(paths, offer->Image);
    }
    return;
  }
  if (hint == kHintSettingsChanged) {
    ApplySettingsFont();
    AutoSizeColumns();
    return;
  }
  if (hint < kHintJoined || hint > kHintMemberRenamed) return;
  auto* event = dynamic_cast<RoomEventHint*>(object);
  // Rooms that are not selected never touch the list.
  if (!event || !event->Session || !event->IsCurrent) return;
  RoomSession& session = *event->Session;
  switch (hint) {
    case kHintJoined:
      DeleteAllRows();
      for (int i = 0; i < session.MemberCount(); ++i) SetMemberRow(i, session, i);
      break;
    case kHintMemberAdded:
    case kHintMemberRenamed:
      SetMemberRow(event->Member, session, event->Member);
      break;
    case kHintMemberRemoving:
      // The record goes right after this; the rows below move up with the table.
      delete takeTopLevelItem(event->Member);
      break;
  }
  AutoSizeColumns();
}

void CMemberView::SetMemberRow(int row, RoomSession& session, int member) {
  const RoomMember* record = session.Member(member);
  if (!record || row < 0) return;
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) {
    item = new QTreeWidgetItem;
    addTopLevelItem(item);
  }
  const QByteArray name(record->Name.data(), static_cast<qsizetype>(record->Name.size()));
  const bool own = record->Address == session.LocalAddress();
  const std::string address = InetNtoa(record->Address);
  item->setText(kNameColumn, ToQString(record->Name));
  item->setData(kNameColumn, kNameRole, name);
  item->setText(kHostColumn, ToQString(HostNameOf(session, member)));
  item->setText(kAddressColumn, ToQString(address));
  item->setData(kNameColumn, kOwnRole, own ? 1 : 0);
}

std::string CMemberView::HostNameOf(RoomSession& session, int member) {
  const RoomMember* record = session.Member(member);
  if (!record) return {};
  const Ipv4 address = record->Address;
  const auto found = hostNames_.find(address);
  if (found != hostNames_.end()) return found->second;
  const std::string text = InetNtoa(address);
  if (lookups_.insert(address).second) {
    // A literal address asks for its name; the answer comes on this thread, and not at
    // all once the view is gone.
    QHostInfo::lookupHost(QString::fromLatin1(text), this, [this, address](const QHostInfo& info) {
      lookups_.erase(address);
      const std::string name = ToCp932(info.hostName());
      OnHostName(address, name.empty() ? InetNtoa(address) : name);
    });
  }
  return text;
}

void CMemberView::OnHostName(Ipv4 address, const std::string& name) {
  hostNames_[address] = name;
  const QString text = QString::fromLatin1(InetNtoa(address));
  bool changed = false;
  for (int row = 0; row < topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item->text(kAddressColumn) != text) continue;
    item->setText(kHostColumn, ToQString(name));
    changed = true;
  }
  if (changed) AutoSizeColumns();
}

void CMemberView::AutoSizeColumns(bool toHeader) {
  for (int column = 0; column < columnCount(); ++column) {
    if (toHeader)
      header()->resizeSection(column, header()->sectionSizeHint(column));
    else
      resizeColumnToContents(column);
  }
}

int CMemberView::TypicalWidth() const {
  const QString samples[] = {QStringLiteral("山田太郎"), QStringLiteral("desktop-yamada"),
                             QStringLiteral("192.168.100.200")};
  // A cell's text sits between margins on both sides, as resizeColumnToContents gives.
  const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 12;
  int width = 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  for (int column = 0; column < 3; ++column)
    width += qMax(fontMetrics().horizontalAdvance(samples[column]) + margin,
                  header()->sectionSizeHint(column));
  return width;
}

void CMemberView::DeleteAllRows() {
  clear();
}

void CMemberView::ShowMembers(RoomSession& session) {
  DeleteAllRows();
  const bool updates = updatesEnabled();
  setUpdatesEnabled(false);
  AutoSizeColumns(true);
  for (int i = 0; i < session.MemberCount(); ++i) SetMemberRow(i, session, i);
  AutoSizeColumns();
  setUpdatesEnabled(updates);
}

bool CMemberView::IsOwnRow(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item && item->data(kNameColumn, kOwnRole).toInt() == 1;
}

int CMemberView::FirstSelectedRow() const {
  int first = -1;
  for (QTreeWidgetItem* item : selectedItems()) {
    const int row = indexOfTopLevelItem(item);
    if (row >= 0 && (first < 0 || row < first)) first = row;
  }
  return first;
}

void CMemberView::OnInformation() {
  const int row = FirstSelectedRow();
  if (row < 0) return;
  MemberCommandHint hint(cmd::kMemberInformation, row);
  doc_.UpdateAllViews(this, kHintMemberCommand, &hint);
}

void CMemberView::OnSendFile() {
  const int row = FirstSelectedRow();
  if (row < 0 || IsOwnRow(row) || !doc_.CurrentSession()) return;
  RequestSends(row, ChooseFiles());
}

QStringList CMemberView::ChooseFiles() {
  return QFileDialog::getOpenFileNames(this, QString(), QString(),
                                       QStringLiteral("All Files (*.*)"));
}

void CMemberView::RequestSends(int row, const QStringList& paths) {
  for (const QString& path : paths) {
    // Looked up for each file: a request may end in a dialog that changes the rooms.
    RoomSession* session = doc_.CurrentSession();
    if (!session) return;
    std::string cp932;
    if (!FromNativePath(QFile::encodeName(path).toStdString(), cp932)) {
      ui_.MessageBox("ファイル名に Shift_JIS で表せない文字があるため、送信できません。\r\n"_sjis +
                         ToCp932(path),
                     {}, MsgButtons::Ok, MsgIcon::Warning);
      continue;
    }
    session->RequestFileSend(row, cp932);
  }
}

bool CMemberView::KeepFilesOnly(QStringList& paths) {
  if (paths.removeIf([](const QString& path) { return QFileInfo(path).isDir(); }) > 0)
    ui_.MessageBox("フォルダは送信できません。中のファイルを選んで送ってください。"_sjis, {},
                   MsgButtons::Ok, MsgIcon::Warning);
  return !paths.isEmpty();
}

int CMemberView::RowOfAddress(const QString& address) const {
  for (int row = 0; row < topLevelItemCount(); ++row)
    if (!IsOwnRow(row) && topLevelItem(row)->text(kAddressColumn) == address) return row;
  return -1;
}

int CMemberView::TargetRow() {
  QStringList names;
  QStringList addresses;
  for (int row = 0; row < topLevelItemCount(); ++row) {
    if (IsOwnRow(row)) continue;
    names << topLevelItem(row)->text(kNameColumn);
    addresses << topLevelItem(row)->text(kAddressColumn);
  }
  if (!doc_.CurrentSession() || names.isEmpty()) {
    ui_.MessageBox("この部屋にはファイルを送れるメンバーがいません。"_sjis, {}, MsgButtons::Ok,
                   MsgIcon::Warning);
    return -1;
  }
  const int selected = FirstSelectedRow();
  if (selected >= 0 && !IsOwnRow(selected)) return selected;
  const int chosen = ChooseMember(this, names, 0);
  // The list may have changed while the question was open: the address finds the row.
  return chosen < 0 ? -1 : RowOfAddress(addresses[chosen]);
}

bool CMemberView::OfferFiles(QStringList paths, bool image) {
  if (!KeepFilesOnly(paths)) return false;
  int row = TargetRow();
  if (row < 0) return false;
  if (image) {
    const QString address = topLevelItem(row)->text(kAddressColumn);
    if (!ConfirmImageOffer(this, paths.front(), topLevelItem(row)->text(kNameColumn))) return false;
    row = RowOfAddress(address);
    if (row < 0) return false;
  }
  if (!doc_.CurrentSession()) return false;
  RequestSends(row, paths);
  return true;
}

void CMemberView::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  // A menu from the keyboard has no row under it.
  if (event->reason() != QContextMenuEvent::Mouse) return;
  if (!itemAt(viewport()->mapFromGlobal(event->globalPos()))) return;
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("menu%1").arg(cmd::kMemberMenu));
  QAction* information = menu.addAction(ToQString("情報取得(&I)"_sjis));
  information->setData(cmd::kMemberInformation);
  QAction* sendFile = menu.addAction(ToQString("ファイル送信"_sjis));
  sendFile->setData(cmd::kSendFile);
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == information)
    OnInformation();
  else if (chosen == sendFile)
    OnSendFile();
}

void CMemberView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  const QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (!item) return;
  const QByteArray name = item->data(kNameColumn, kNameRole).toByteArray();
  TextHint hint(std::string(name.constData(), static_cast<std::size_t>(name.size())));
  doc_.UpdateAllViews(this, kHintInsertText, &hint);
}

int CMemberView::DropRow(const QMimeData* data, const QPoint& pos) const {
  if (LocalFiles(data).isEmpty()) return -1;
  QTreeWidgetItem* item = itemAt(pos);
  if (!item) return -1;
  const int row = indexOfTopLevelItem(item);
  return IsOwnRow(row) ? -1 : row;
}

void CMemberView::dragEnterEvent(QDragEnterEvent* event) {
  // A move follows every accepted enter and decides by the row; an ignored enter would
  // end the drag over this list altogether.
  if (LocalFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CMemberView::dragMoveEvent(QDragMoveEvent* event) {
  if (DropRow(event->mimeData(), event->position().toPoint()) < 0) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CMemberView::dragLeaveEvent(QDragLeaveEvent* event) {
  event->accept();
}

void CMemberView::dropEvent(QDropEvent* event) {
  const int row = DropRow(event->mimeData(), event->position().toPoint());
  if (row < 0 || !doc_.CurrentSession()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  QStringList paths = LocalFiles(event->mimeData());
  // A folder would otherwise be passed on and left out without a word.
  if (KeepFilesOnly(paths)) RequestSends(row, paths);
}

}  // namespace vostrelle
