#pragma once
// The lower-right pane: the "System" row, then one row per joined room in the order
// their views were made. An icon and the highlight mark the row whose view is shown; a
// click or a move by keyboard selects.

#include <QIcon>
#include <QTreeWidget>

#include "platform/Document.h"

namespace vostrelle {

class CVostrelleDoc;
class RoomSession;
class UserInterface;

class CRoomView : public QTreeWidget, public CView {
  Q_OBJECT

 public:
  // Item data of column 0: the row's session (quintptr), 0 on the "System" row.
  static constexpr int kSessionRole = Qt::UserRole;

  // The creator adds the view to the document; it removes itself when destroyed. ui
  // says "Viewがありません。".
  CRoomView(CVostrelleDoc& doc, UserInterface& ui, QWidget* parent = nullptr);
  ~CRoomView() override;

  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, long hint, HintObject* object) override;

  void AddRoomRow(int row, RoomSession* session);
  void MarkCurrentRow(int row);
  void AutoSizeColumns();
  int CurrentRow() const { return currentRow_; }
  RoomSession* RowSession(int row) const;
  // The row that stands for session (none: the "System" row); -1 when there is none.
  int FindRow(const RoomSession* session) const;
  // What a click on row does.
  void OnRowClicked(int row);

 private:
  void ApplySettingsFont();
  // The list's selection follows the marked row.
  void SyncHighlight();

  CVostrelleDoc& doc_;
  UserInterface& ui_;
  QIcon images_[2];  // 0: a room, 1: the room being shown
  int currentRow_ = -1;
  bool syncing_ = false;  // the list's own selection is being set, not the user's
};

}  // namespace vostrelle
