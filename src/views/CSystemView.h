#pragma once
// The message view shown when no room is selected: the welcome line and one tip per
// start. Later events never add to it.

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

 protected:
  void showEvent(QShowEvent* event) override;
  void OnWindowShown() override;
};

}  // namespace vostrelle
