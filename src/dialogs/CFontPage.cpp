#include "dialogs/CFontPage.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "dialogs/CFontSample.h"
#include "dialogs/DialogSupport.h"
#include "qt/FontConvert.h"

namespace vostrelle {
namespace {

bool RunFontDialog(QWidget* owner, const LOGFONTA* initial, LOGFONTA& chosen) {
  QFontDialog dialog(initial ? ToQFont(*initial) : QFont(), owner);
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  // Face, size and style are what the views use; the effects group (the box that holds
  // the underline and strike-out checks) would promise more.
  // Its place stays taken: the sample box beside it takes its height from that row.
  for (QCheckBox* check : dialog.findChildren<QCheckBox*>()) {
    if (auto* group = qobject_cast<QGroupBox*>(check->parentWidget())) {
      QSizePolicy policy = group->sizePolicy();
      policy.setRetainSizeWhenHidden(true);
      group->setSizePolicy(policy);
      group->hide();
    }
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  chosen = ToLogFont(dialog.currentFont());
  return true;
}

}  // namespace

CFontPage::CFontPage(QWidget* parent) : COptionsPage(parent) {
  ChooseFont = [this](const LOGFONTA* initial, LOGFONTA& chosen) {
    return RunFontDialog(this, initial, chosen);
  };
  struct Row {
    const char* label;
    int sampleId;
    int changeId;
  };
  static constexpr Row kRows[] = {
      {"チャットウィンドウ(&C):", kMessageSampleId, kMessageChangeId},
      {"メンバーウィンドウ(&M)", kMemberSampleId, kMemberChangeId},
      {"ルームウィンドウ(&R)", kRoomSampleId, kRoomChangeId},
  };
  auto* grid = new QGridLayout;
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(UiText(kRows[i].label), this);
    auto* sample = new CFontSample(this);
    sample->setObjectName(QStringLiteral("sample%1").arg(kRows[i].sampleId));
    auto* change = new QPushButton(UiText("変更"), this);
    change->setObjectName(QStringLiteral("button%1").arg(kRows[i].changeId));
    label->setBuddy(change);
    connect(change, &QPushButton::clicked, this, [this, i] { OnChange(i); });
    samples_[static_cast<std::size_t>(i)] = sample;
    grid->addWidget(label, 2 * i, 0, 1, 2);
    grid->addWidget(sample, 2 * i + 1, 0);
    grid->addWidget(change, 2 * i + 1, 1);
  }
  grid->setColumnStretch(0, 1);
  auto* all = new QPushButton(UiText("まとめて変更"), this);
  all->setObjectName(QStringLiteral("button%1").arg(kChangeAllId));
  connect(all, &QPushButton::clicked, this, &CFontPage::OnChangeAll);
  grid->addWidget(all, 6, 1);
  grid->setRowStretch(7, 1);
  setLayout(grid);
}

void CFontPage::OnOpen() {
  for (std::size_t i = 0; i < samples_.size(); ++i) samples_[i]->SetSampleFont(Fonts[i]);
}

void CFontPage::OnChange(int index) {
  LOGFONTA chosen;
  if (!ChooseFont(&Fonts[static_cast<std::size_t>(index)], chosen)) return;
  Fonts[static_cast<std::size_t>(index)] = chosen;
  Sample(index)->SetSampleFont(chosen);
}

void CFontPage::OnChangeAll() {
  LOGFONTA chosen;
  if (!ChooseFont(nullptr, chosen)) return;
  for (std::size_t i = 0; i < Fonts.size(); ++i) {
    Fonts[i] = chosen;
    samples_[i]->SetSampleFont(chosen);
  }
}

}  // namespace vostrelle
