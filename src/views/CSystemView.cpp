#include "views/CSystemView.h"

#include <QShowEvent>

#include "doc/CVostrelleDoc.h"
#include "doc/EventBatch.h"
#include "doc/ViewHint.h"
#include "platform/Cp932.h"
#include "platform/Version.h"
#include "views/CMemberView.h"

namespace vostrelle {

CSystemView::CSystemView(CVostrelleDoc& doc, QWidget* parent) : CMessageView(doc, parent) {
  setAccessibleName(QStringLiteral("システムメッセージ"));
  setAccessibleDescription(QStringLiteral("ようこそ、ワンポイント、プログラムからのお知らせ"));
  setFocusPolicy(Qt::StrongFocus);
  hide();
}

void CSystemView::OnInitialUpdate() {
  ClearText();
  std::string version;
  GetVersionStrings(&version, nullptr);
  AppendFormatted("ようこそ！ %sへ\r\n"_sjis.c_str(), version.c_str());
  ShowOnePoint(Document().Settings(), *this);
  for (const ConnectSetting& room : Document().WaitingRooms())
    AppendText(event_text::WaitingForNetwork(RoomDisplayName(room.RoomName), room.ConnectTo) +
               "\r\n");
  written_ = true;
  AppendNote();
}

void CSystemView::SetDesktopNote(const std::string& cp932) {
  if (cp932 == note_) return;
  note_ = cp932;
  // Given before the text is written, it follows the tip then.
  if (written_) AppendNote();
}

void CSystemView::AppendNote() {
  if (!note_.empty()) AppendText(note_ + "\r\n");
}

void CSystemView::OnUpdate(CView* sender, long hint, HintObject* object) {
  if (hint == kHintSelectRoom) {
    auto* select = dynamic_cast<RoomSelectHint*>(object);
    HandleSelect(object, select && !select->Session);
    return;
  }
  // Chat events are not shown here.
  if (hint == kHintEvents) return;
  CMessageView::OnUpdate(sender, hint, object);
}

bool CSystemView::IsCurrentView() const {
  return Document().CurrentSession() == nullptr;
}

void CSystemView::AppendText(const std::string& cp932) {
  CMessageView::AppendText(cp932);
}

void CSystemView::showEvent(QShowEvent* event) {
  CMessageView::showEvent(event);
  if (!event->spontaneous()) Document().SetTitle("System");
}

void CSystemView::OnWindowShown() {
  if (IsCurrentView() && MemberView()) MemberView()->DeleteAllRows();
}

}  // namespace vostrelle
