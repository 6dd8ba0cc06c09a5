#include "dialogs/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "dialogs/AccessibleTexts.h"
#include "platform/Version.h"
#include "qt/QtText.h"
#include "res/Icons.h"

namespace vostrelle {
CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Vostrelleのバージョン情報"));
  std::string version, legal;
  GetVersionStrings(&version, &legal);

  auto* icon = new QLabel(this);
  icon->setPixmap(AppIcon().pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* versionLabel = new QLabel(ToQString(version), this);
  versionLabel->setObjectName(QStringLiteral("static%1").arg(kVersionId));
  auto* legalLabel = new QLabel(ToQString(legal), this);
  legalLabel->setObjectName(QStringLiteral("static%1").arg(kLegalId));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->setHorizontalSpacing(16);
  layout->addWidget(icon, 0, 0, 2, 1);
  layout->addWidget(versionLabel, 0, 1);
  layout->addWidget(legalLabel, 1, 1);
  layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  DescribeControls(this);
}

}  // namespace vostrelle
