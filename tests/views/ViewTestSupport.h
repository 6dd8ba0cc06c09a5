#pragma once
// The views on a document of their own (loopback only, pretend interface list), laid
// out the way the main window and the input view arrange them.

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QPointer>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "../doc/DocTestSupport.h"
#include "doc/ViewHint.h"
#include "qt/QtText.h"
#include "views/CAllMessageView.h"
#include "views/CMemberView.h"
#include "views/CRoomMessageView.h"
#include "views/CRoomView.h"
#include "views/CSystemView.h"

namespace vostrelle::test {

// Stands in for the input view: the parent of the stacked message views.
class Pane : public QWidget {
 public:
  int resizes = 0;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    ++resizes;
    for (QObject* child : children())
      if (auto* view = qobject_cast<CMessageView*>(child)) view->setGeometry(rect());
    QWidget::resizeEvent(event);
  }
};

// No reverse lookups and no real file dialog in tests.
class TestMemberView : public CMemberView {
 public:
  using CMemberView::CMemberView;
  QStringList files;
  int dialogs = 0;

 protected:
  QStringList ChooseFiles() override {
    ++dialogs;
    return files;
  }
  std::string HostNameOf(RoomSession& session, int member) override {
    return "host-" + InetNtoa(session.Member(member)->Address);
  }
};

// Send requests as the transfer side would get them.
struct SendRequests : RoomObserver {
  std::vector<std::pair<int, std::string>> got;
  void OnSendFileRequest(RoomSession*, int member, const std::string& path) override {
    got.emplace_back(member, path);
  }
};

// Acts on each dialog shown while it lives, from inside the dialog's own event loop.
class DialogAnswerer : public QObject {
 public:
  explicit DialogAnswerer(std::function<void(QDialog*)> act) : act_(std::move(act)) {
    qApp->installEventFilter(this);
  }
  ~DialogAnswerer() override { qApp->removeEventFilter(this); }
  int shown = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (dialog && event->type() == QEvent::Show) {
      ++shown;
      QTimer::singleShot(0, dialog, [this, dialog] { act_(dialog); });
    }
    return false;
  }

 private:
  std::function<void(QDialog*)> act_;
};

inline void RunPosted() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The lines of a view, without the last empty one.
inline QStringList Lines(const QTextEdit& view) {
  QStringList lines = view.toPlainText().split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

// The character format at offset within the given line.
inline QTextCharFormat FormatAt(const QTextEdit& view, int line, int offset) {
  const QTextBlock block = view.document()->findBlockByNumber(line);
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + offset);
  cursor.setPosition(block.position() + offset + 1, QTextCursor::KeepAnchor);
  return cursor.charFormat();
}

inline QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

class ViewHarness {
 public:
  ViewHarness() {
    h.doc.AddView(&all);
    h.doc.AddView(&members);
    h.doc.AddView(&rooms);
    pane.resize(480, 320);
    pane.show();
  }

  // The start-up path: the document opens the rooms, the system view and the room views
  // are made, the first room is selected.
  void Start(std::vector<ConnectSetting> connects) {
    h.settings.Connects = std::move(connects);
    h.doc.OnNewDocument();
    system = new CSystemView(h.doc, &pane);
    h.doc.AddView(system);
    system->FindSiblingViews();
    h.doc.SendInitialUpdate();
    CreateRoomViews();
  }

  void CreateRoomViews() {
    int first = -1;
    for (int index : h.doc.TakePendingViews()) {
      RoomSession* session = h.doc.Session(index);
      session->Attach(&requests);
      auto* view = new CRoomMessageView(h.doc, &pane);
      h.doc.AddView(view);
      view->SetSession(session);
      roomViews.emplace_back(view);
      if (first < 0) first = index;
      SessionHint hint(session);
      h.doc.UpdateAllViews(nullptr, kHintRoomViewCreated, &hint);
    }
    h.Pump();
    h.doc.SelectRoom(first);
    RunPosted();
  }

  // A peer at 127.0.0.k says something in room.
  void Join(int k, const std::string& room, const std::string& name) {
    h.Send(k, Packet("Join", room, {{"Name", name}}));
  }
  void Say(int k, const std::string& room, const std::string& name, const std::string& text) {
    h.Send(k, Packet("Message", room, {{"Name", name}, {"Message", text}}));
  }

  CRoomMessageView* RoomView(int index) const { return roomViews[static_cast<std::size_t>(index)]; }
  // The visible message view on the pane.
  std::vector<CMessageView*> Visible() const {
    std::vector<CMessageView*> shown;
    for (QObject* child : pane.children())
      if (auto* view = qobject_cast<CMessageView*>(child); view && !view->isHidden())
        shown.push_back(view);
    return shown;
  }
  // Rows of the member list as "name|host|ip|own".
  QStringList MemberRows() const {
    QStringList rows;
    for (int i = 0; i < members.topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = members.topLevelItem(i);
      rows << item->text(0) + "|" + item->text(2) + "|" +
                  QString::number(item->data(0, CMemberView::kOwnRole).toInt());
    }
    return rows;
  }
  QStringList RoomRows() const {
    QStringList rows;
    for (int i = 0; i < rooms.topLevelItemCount(); ++i)
      rows << rooms.topLevelItem(i)->text(0) + "|" + rooms.topLevelItem(i)->text(1);
    return rows;
  }

  SendRequests requests;  // outlives the sessions
  DocHarness h;
  Pane pane;
  CAllMessageView all{h.doc};
  TestMemberView members{h.doc, h.ui};
  CRoomView rooms{h.doc, h.ui};
  CSystemView* system = nullptr;
  std::vector<QPointer<CRoomMessageView>> roomViews;
};

}  // namespace vostrelle::test
