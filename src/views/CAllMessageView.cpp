#include "views/CAllMessageView.h"

#include "doc/EventBatch.h"
#include "doc/ViewHint.h"
#include "net/RoomSession.h"
#include "views/CRoomMessageView.h"

namespace vostrelle {

CAllMessageView::CAllMessageView(CVostrelleDoc& doc, QWidget* parent) : CMessageView(doc, parent) {
  setAccessibleName(QStringLiteral("全部屋のメッセージ"));
  setAccessibleDescription(QStringLiteral("選択していない部屋の発言と出来事"));
}

void CAllMessageView::OnInitialUpdate() {
  ClearText();
}

void CAllMessageView::OnUpdate(CView* sender, long hint, HintObject* object) {
  if (hint != kHintEvents) {
    CMessageView::OnUpdate(sender, hint, object);
    return;
  }
  auto* batch = dynamic_cast<EventBatch*>(object);
  // The selected room's own view shows it already.
  if (!batch || !batch->Session || batch->IsCurrent) return;
  const RoomSession& session = *batch->Session;
  const std::string label = session.RoomDisplayName();
  for (const EventEntry& entry : batch->Entries) {
    switch (entry.Kind) {
      case kEventMessage:
        PrintLine(batch->Time, "{%s}[%s] %s\r\n", label.c_str(),
                  EntryMemberName(session, entry).c_str(), entry.Text.c_str());
        break;
      case kEventNameCalled:
        PrintLineBold(batch->Time, "{%s}[%s] %s\r\n", label.c_str(),
                      EntryMemberName(session, entry).c_str(), entry.Text.c_str());
        break;
      case kEventOwnLine:
        PrintLine(batch->Time, "{%s}(%s) %s\r\n", label.c_str(),
                  EntryMemberName(session, entry).c_str(), entry.Text.c_str());
        break;
      case kEventSystem:
        PrintLine(batch->Time, "{%s}%s\r\n", label.c_str(), entry.Text.c_str());
        break;
      default:
        break;
    }
  }
}

}  // namespace vostrelle
