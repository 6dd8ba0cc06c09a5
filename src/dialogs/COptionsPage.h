#pragma once
// A page of the options sheet. Its values live in plain members of the page: they go
// into the controls when the page is first shown and come back only when the sheet is
// confirmed, so a page the user never opened returns its members unchanged.

#include <QWidget>

namespace vostrelle {

class COptionsPage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  // The sheet's confirmation: the controls' values into the members, if shown at all.
  void Confirm() {
    if (opened_) OnConfirm();
  }
  bool IsOpened() const { return opened_; }

 protected:
  // First showing: the members into the controls.
  virtual void OnOpen() = 0;
  virtual void OnConfirm() = 0;

  void showEvent(QShowEvent* event) override;

 private:
  bool opened_ = false;
};

}  // namespace vostrelle
