#pragma once
// The message view of one room: it makes its session join, ticks it, shows its events,
// and when it becomes the visible room view it sets the caption and refills the member
// list. All room views lie on top of each other; hint 2 picks the one that shows.

#include "views/CMessageView.h"

namespace vostrelle {

class RoomSession;
struct EventEntry;

class CRoomMessageView : public CMessageView {
  Q_OBJECT

 public:
  // Hidden until the document selects its room.
  explicit CRoomMessageView(CVostrelleDoc& doc, QWidget* parent = nullptr);

  // Binds the view to session, once, after the view was added to the document: joins
  // it when it has not joined ("送信失敗" when that fails); none shows "未使用".
  virtual void SetSession(RoomSession* session);
  RoomSession* Session() const { return session_; }

  bool IsCurrentView() const override;
  void OnUpdate(CView* sender, long hint, HintObject* object) override;

 protected:
  void OnWindowShown() override;

 private:
  RoomSession* session_ = nullptr;  // not owned; dropped on hint 5
};

// The member's Name as the table holds it now, or the name the entry carried when the
// index no longer names a member.
std::string EntryMemberName(const RoomSession& session, const EventEntry& entry);

}  // namespace vostrelle
