#include "views/CRoomView.h"

#include <QHeaderView>
#include <QPainter>
#include <QScopedValueRollback>

#include "doc/CVostrelleDoc.h"
#include "doc/ViewHint.h"
#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "platform/UserInterface.h"
#include "qt/DrawnIcon.h"
#include "qt/FontConvert.h"
#include "qt/QtText.h"
#include "store/AppSettings.h"
#include "views/ReportList.h"

namespace vostrelle {
namespace {

// 16 x 16 marks drawn here: a plain room, and the one on screen.
QIcon RoomIcon(bool current) {
  return DrawnIcon([current](QPainter& painter) {
    if (current) {
      painter.setPen(QPen(QColor(0, 64, 160), 1));
      painter.setBrush(QColor(40, 120, 230));
      const QPointF arrow[] = {{4, 2.5}, {13, 8}, {4, 13.5}};
      painter.drawPolygon(arrow, 3);
    } else {
      painter.setPen(QPen(QColor(128, 128, 128), 1));
      painter.setBrush(QColor(224, 224, 224));
      painter.drawRect(QRectF(4.5, 4.5, 7, 7));
    }
  });
}

}  // namespace

CRoomView::CRoomView(CVostrelleDoc& doc, UserInterface& ui, QWidget* parent)
    : QTreeWidget(parent), doc_(doc), ui_(ui) {
  SetUpReportList(this);
  setAccessibleName(QStringLiteral("部屋一覧"));
  setAccessibleDescription(
      QStringLiteral("参加中の部屋と接続先。クリックでその部屋に切り替えます"));
  setIconSize(QSize(16, 16));
  images_[0] = RoomIcon(false);
  images_[1] = RoomIcon(true);
  setHeaderLabels({ToQString("部屋名"_sjis), ToQString("接続先"_sjis)});
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header()->setSectionsMovable(false);
  ApplySettingsFont();
  // The highlighted row is always the shown view: a click or a move by keyboard
  // selects that room, and every other change of the shown view moves the highlight.
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (syncing_ || !item) return;
    const int row = indexOfTopLevelItem(item);
    if (row != currentRow_) OnRowClicked(row);
    SyncHighlight();
  });
}

CRoomView::~CRoomView() {
  doc_.RemoveView(this);
}

void CRoomView::ApplySettingsFont() {
  setFont(ToQFont(doc_.Settings().Fonts[AppSettings::kRoomViewFont]));
}

void CRoomView::OnInitialUpdate() {
  const QScopedValueRollback<bool> syncing(syncing_, true);
  clear();
  AddRoomRow(0, nullptr);
  currentRow_ = -1;
  AutoSizeColumns();
}

void CRoomView::OnUpdate(CView*, long hint, HintObject* object) {
  switch (hint) {
    case kHintSelectRoom: {
      auto* select = dynamic_cast<RoomSelectHint*>(object);
      if (!select || !select->Show) return;
      const int row = FindRow(select->Session);
      if (row >= 0) MarkCurrentRow(row);
      return;
    }
    case kHintRoomViewCreated: {
      auto* created = dynamic_cast<SessionHint*>(object);
      // A room whose join failed gets no row, so row n stays the n-th joined room.
      if (!created || !created->Session || !created->Session->IsJoined()) return;
      const int row = topLevelItemCount();
      AddRoomRow(row, created->Session);
      MarkCurrentRow(row);
      AutoSizeColumns();
      return;
    }
    case kHintSessionLeaving: {
      auto* leaving = dynamic_cast<SessionHint*>(object);
      if (!leaving || !leaving->Session || !leaving->Session->IsJoined()) return;
      const int row = FindRow(leaving->Session);
      if (row <= 0) return;
      {
        const QScopedValueRollback<bool> syncing(syncing_, true);
        delete takeTopLevelItem(row);
      }
      AutoSizeColumns();
      if (row == currentRow_)
        MarkCurrentRow(row);  // the row that moved up into its place
      else if (row < currentRow_)
        --currentRow_;
      return;
    }
    case kHintSettingsChanged:
      ApplySettingsFont();
      AutoSizeColumns();
      return;
    default:
      return;
  }
}

void CRoomView::AddRoomRow(int row, RoomSession* session) {
  auto* item = new QTreeWidgetItem;
  if (session) {
    item->setText(0, ToQString(session->RoomDisplayName()));
    item->setText(1, ToQString(InetNtoa(session->ConnectTo())));
  } else {
    item->setText(0, QStringLiteral("System"));
    item->setText(1, QStringLiteral("-"));
  }
  item->setIcon(0, images_[0]);
  item->setData(0, kSessionRole, QVariant::fromValue(reinterpret_cast<quintptr>(session)));
  insertTopLevelItem(row, item);
}

void CRoomView::MarkCurrentRow(int row) {
  if (QTreeWidgetItem* old = topLevelItem(currentRow_)) old->setIcon(0, images_[0]);
  currentRow_ = row;
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setIcon(0, images_[1]);
  SyncHighlight();
}

void CRoomView::SyncHighlight() {
  const QScopedValueRollback<bool> syncing(syncing_, true);
  QTreeWidgetItem* item = topLevelItem(currentRow_);
  if (item && currentItem() != item)
    setCurrentItem(item);
  else if (item && !item->isSelected())
    item->setSelected(true);
  else if (!item)
    clearSelection();
}

void CRoomView::AutoSizeColumns() {
  for (int column = 0; column < columnCount(); ++column) resizeColumnToContents(column);
}

RoomSession* CRoomView::RowSession(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? reinterpret_cast<RoomSession*>(item->data(0, kSessionRole).value<quintptr>())
              : nullptr;
}

int CRoomView::FindRow(const RoomSession* session) const {
  const auto key = reinterpret_cast<quintptr>(session);
  for (int row = 0; row < topLevelItemCount(); ++row)
    if (topLevelItem(row)->data(0, kSessionRole).value<quintptr>() == key) return row;
  return -1;
}

void CRoomView::OnRowClicked(int row) {
  if (row < 0) return;
  if (row == 0) {
    doc_.SelectRoom(-1);
    return;
  }
  int joined = 0;
  for (int index = 0; index < doc_.SessionCount(); ++index) {
    const RoomSession* session = doc_.Session(index);
    if (session && session->IsJoined() && ++joined == row) {
      doc_.SelectRoom(index);
      return;
    }
  }
  ui_.MessageBox("Viewがありません。"_sjis);
}

}  // namespace vostrelle
