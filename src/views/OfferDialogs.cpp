#include "views/OfferDialogs.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "doc/CVostrelleDoc.h"
#include "doc/ViewHint.h"

namespace vostrelle {
namespace {

QDialogButtonBox* SendCancelButtons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* send = buttons->addButton(QStringLiteral("送信"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  send->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile());
  return files;
}

bool PostOfferFiles(CVostrelleDoc& doc, const QStringList& paths, bool image) {
  std::vector<std::string> native;
  for (const QString& path : paths) native.push_back(QFile::encodeName(path).toStdString());
  OfferFilesHint hint(std::move(native), image);
  doc.UpdateAllViews(nullptr, kHintOfferFiles, &hint);
  return hint.Offered;
}

bool TakeFileDrop(QDropEvent* event, CVostrelleDoc& doc, QObject* context) {
  const QStringList paths = LocalFiles(event->mimeData());
  if (paths.isEmpty()) return false;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  if (event->type() == QEvent::Drop)
    // The questions that may follow wait until the drag source has heard the drop ended.
    QTimer::singleShot(0, context, [&doc, paths] { PostOfferFiles(doc, paths); });
  return true;
}

MemberChooser::MemberChooser(const QStringList& names, int current, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("送信先の選択"));
  auto* label = new QLabel(QStringLiteral("ファイルを送るメンバーを選んでください。"), this);
  label->setBuddy(list_);
  list_->setAccessibleName(QStringLiteral("送信先のメンバー"));
  list_->addItems(names);
  list_->setCurrentRow(current >= 0 && current < names.size() ? current : 0);
  QDialogButtonBox* buttons = SendCancelButtons(this);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  list_->setFocus(Qt::OtherFocusReason);
}

int MemberChooser::Chosen() const {
  return list_->currentItem() ? list_->currentRow() : -1;
}

ImageOfferDialog::ImageOfferDialog(const QString& imagePath, const QString& member, QWidget* parent)
    : QDialog(parent), picture_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("画像の送信"));
  QImageReader reader(imagePath);
  reader.setAutoTransform(true);
  QSize size = reader.size();
  // Only a large picture is read at the reduced size; a small one stays as it is.
  if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide)) {
    size.scale(kMaxSide, kMaxSide, Qt::KeepAspectRatio);
    reader.setScaledSize(size);
  }
  picture_->setPixmap(QPixmap::fromImage(reader.read()));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setAccessibleName(QStringLiteral("貼り付けた画像"));
  auto* question = new QLabel(QStringLiteral("この画像を %1 さんに送りますか？").arg(member), this);
  question->setTextFormat(Qt::PlainText);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture_);
  layout->addWidget(question);
  layout->addWidget(SendCancelButtons(this));
}

int ChooseMember(QWidget* parent, const QStringList& names, int current) {
  MemberChooser chooser(names, current, parent);
  return chooser.exec() == QDialog::Accepted ? chooser.Chosen() : -1;
}

bool ConfirmImageOffer(QWidget* parent, const QString& imagePath, const QString& member) {
  ImageOfferDialog dialog(imagePath, member, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace vostrelle
