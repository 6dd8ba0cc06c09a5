#include "views/CRoomMessageView.h"

#include "doc/CVostrelleDoc.h"
#include "doc/EventBatch.h"
#include "doc/ViewHint.h"
#include "net/RoomSession.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"
#include "views/CMemberView.h"

namespace vostrelle {

std::string EntryMemberName(const RoomSession& session, const EventEntry& entry) {
  const RoomMember* member = session.Member(entry.Member);
  return member ? member->Name : entry.Name;
}

CRoomMessageView::CRoomMessageView(CVostrelleDoc& doc, QWidget* parent)
    : CMessageView(doc, parent) {
  setFocusPolicy(Qt::StrongFocus);
  hide();
}

void CRoomMessageView::SetSession(RoomSession* session) {
  FindSiblingViews();
  session_ = session;
  // A screen reader tells which room's conversation the user is in.
  const QString room = session ? ToQString(session->RoomDisplayName()) : QStringLiteral("未使用");
  setAccessibleName(room + QStringLiteral(" のメッセージ"));
  setAccessibleDescription(QStringLiteral("部屋「%1」の発言と出来事").arg(room));
  if (!session) {
    ClearText();
    AppendText("未使用"_sjis);
    return;
  }
  // Joining reports through the document, which shows the connected line here.
  if (!session->IsJoined() && !session->Join()) AppendText("送信失敗\r\n"_sjis);
}

bool CRoomMessageView::IsCurrentView() const {
  return session_ && Document().CurrentSession() == session_;
}

void CRoomMessageView::OnUpdate(CView* sender, long hint, HintObject* object) {
  switch (hint) {
    case kHintSelectRoom:
      if (session_) {
        auto* select = dynamic_cast<RoomSelectHint*>(object);
        HandleSelect(object, select && select->Session == session_);
      }
      return;
    case kHintSessionLeaving: {
      auto* leaving = dynamic_cast<SessionHint*>(object);
      if (!session_ || !leaving || leaving->Session != session_) return;
      // The session may be gone before the deferred delete runs: nothing may reach it
      // through this view from here on.
      session_ = nullptr;
      Document().RemoveView(this);
      hide();
      deleteLater();
      return;
    }
    case kHintLivenessTick:
      if (session_) session_->Tick();
      return;
    case kHintMemberCommand: {
      auto* command = dynamic_cast<MemberCommandHint*>(object);
      if (command && session_ && IsCurrentView() && command->Command == cmd::kMemberInformation)
        session_->RequestInformation(command->Member);
      return;
    }
    case kHintEvents: {
      auto* batch = dynamic_cast<EventBatch*>(object);
      if (!batch || !session_ || batch->Session != session_) return;
      for (const EventEntry& entry : batch->Entries) {
        switch (entry.Kind) {
          case kEventMessage:
            PrintLine(batch->Time, "[%s] %s\r\n", EntryMemberName(*session_, entry).c_str(),
                      entry.Text.c_str());
            break;
          case kEventNameCalled:
            PrintLineBold(batch->Time, "[%s] %s\r\n", EntryMemberName(*session_, entry).c_str(),
                          entry.Text.c_str());
            break;
          case kEventOwnLine:
            PrintLine(batch->Time, "(%s) %s\r\n", EntryMemberName(*session_, entry).c_str(),
                      entry.Text.c_str());
            break;
          case kEventSystem:
            PrintLine(batch->Time, "%s\r\n", entry.Text.c_str());
            break;
          default:
            break;
        }
      }
      return;
    }
    default:
      CMessageView::OnUpdate(sender, hint, object);
  }
}

void CRoomMessageView::OnWindowShown() {
  if (!session_) return;
  Document().SetTitle(session_->RoomName() + "(" + InetNtoa(session_->ConnectTo()) + ")");
  if (IsCurrentView() && MemberView()) MemberView()->ShowMembers(*session_);
}

}  // namespace vostrelle
