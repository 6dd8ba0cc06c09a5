#pragma once
// The read-only chat text view that the room, all-message and system views share. It
// only grows at its end: lines go behind a blue "%H:%M " stamp, some of them bold.

#include <QPointer>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <cstdint>
#include <string>

#include "platform/Document.h"
#include "store/LOGFONTA.h"

namespace vostrelle {

class CAllMessageView;
class CMemberView;
class CVostrelleDoc;

class CMessageView : public QTextEdit, public CView {
  Q_OBJECT

 public:
  // The most characters the view holds; text beyond it is not added.
  static constexpr int kTextLimit = 0xFFFFFF;

  // The creator adds the view to the document (AddView); the view removes itself when
  // it is destroyed.
  explicit CMessageView(CVostrelleDoc& doc, QWidget* parent = nullptr);
  ~CMessageView() override;

  void OnUpdate(CView* sender, long hint, HintObject* object) override;

  // Appends CP932 text at the end in the current character format. CR LF and LF end a
  // line.
  virtual void AppendText(const std::string& text);
  // Walks the document's views and remembers the last all-message view and the last
  // member view.
  virtual void FindSiblingViews();
  virtual bool IsCurrentView() const { return false; }

  void AppendFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The blue "%H:%M " stamp of time (seconds since 1970, shown in local time).
  void AddTimeStamp(std::int64_t time);
  void PrintLine(std::int64_t time, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void PrintLineBold(std::int64_t time, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  // Makes font the view's font. Colours and bold runs in the text survive, because the
  // text carries only those and takes everything else from the view's font.
  void ApplyFont(const LOGFONTA& font, bool reapply);
  // Empties the view.
  void ClearText();

  CVostrelleDoc& Document() const { return doc_; }
  CAllMessageView* AllMessageView() const;
  CMemberView* MemberView() const;
  void setVisible(bool visible) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A read-only QTextEdit still says it takes input-method text and inserts commits;
  // these views take none, by any route.
  void inputMethodEvent(QInputMethodEvent* event) override;
  // Local files dropped here go to the member list to be offered; nothing else drops.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  // Runs from the event queue after the view itself was shown; not when only its window
  // comes back (from the tray), which leaves the panes as they were.
  virtual void OnWindowShown() {}
  // The hint-2 protocol of the stacked views: show when chosen (parent laid out first,
  // focus if asked), hide on the second pass unless chosen.
  void HandleSelect(HintObject* object, bool chosen);

 private:
  // One printed line: its pieces reach the layout as one change, and the caret moves
  // behind it once.
  class Line {
   public:
    explicit Line(CMessageView& view);
    ~Line();

   private:
    CMessageView& view_;
    QTextCursor cursor_;
  };

  void VAppend(const char* format, va_list args);
  void MoveCaretToEnd();

  CVostrelleDoc& doc_;
  QTextCharFormat format_;  // what the next appended text carries
  int lineDepth_ = 0;
  QPointer<CAllMessageView> allMessageView_;
  QPointer<CMemberView> memberView_;
};

}  // namespace vostrelle
