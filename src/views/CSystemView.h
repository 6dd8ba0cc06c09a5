#pragma once
// The message view shown when no room is selected: the welcome line, one tip per
// start and, where the desktop lacks something the program relies on, one line saying
// so. Later events never add to it.

#include "store/OnePoint.h"
#include "views/CMessageView.h"

namespace vostrelle {

class CSystemView : public CMessageView, public TipSink {
  Q_OBJECT

 public:
  // Hidden until the document selects no room.
  explicit CSystemView(CVostrelleDoc& doc, QWidget* parent = nullptr);

  // Writes the text anew: welcome line, then the next tip (which advances and saves
  // the settings' tip counter).
  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, long hint, HintObject* object) override;
  bool IsCurrentView() const override;
  // Both the view's append and the tip block's sink.
  void AppendText(const std::string& cp932) override;
  // A line about this desktop (CP932), kept below the tip. The same note again adds
  // nothing, so it shows once however often it is given.
  void SetDesktopNote(const std::string& cp932);

 protected:
  void showEvent(QShowEvent* event) override;
  void OnWindowShown() override;

 private:
  void AppendNote();

  std::string note_;
  bool written_ = false;  // the initial update has written the text
};

}  // namespace vostrelle
