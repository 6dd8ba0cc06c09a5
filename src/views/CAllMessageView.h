#pragma once
// The lower-left pane: the events of every room but the selected one, each line
// labelled with the room's name in braces.

#include "views/CMessageView.h"

namespace vostrelle {

class CAllMessageView : public CMessageView {
  Q_OBJECT

 public:
  explicit CAllMessageView(CVostrelleDoc& doc, QWidget* parent = nullptr);

  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, long hint, HintObject* object) override;
};

}  // namespace vostrelle
