#pragma once
// The two questions before files dropped or pasted outside the member list go out:
// which member takes them, and whether a pasted picture goes to the member named.

#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

class QDropEvent;
class QLabel;
class QListWidget;
class QMimeData;
class QObject;

namespace vostrelle {

class CVostrelleDoc;

// The local files a drag carries (folders too); empty for anything else.
QStringList LocalFiles(const QMimeData* data);
// Asks the member list, through the document, to offer paths; true when they went out.
bool PostOfferFiles(CVostrelleDoc& doc, const QStringList& paths, bool image = false);
// A drag entering, moving over or dropped on a place that passes local files on to the
// member list: false (nothing done) when it carries none. Otherwise it is accepted as a
// copy, and a drop offers the files once context's event loop turns again.
bool TakeFileDrop(QDropEvent* event, CVostrelleDoc& doc, QObject* context);

// 送信先の選択: a list of the members who can take files, the first one chosen.
class MemberChooser : public QDialog {
  Q_OBJECT
 public:
  MemberChooser(const QStringList& names, int current, QWidget* parent = nullptr);
  // The chosen entry's index in names, -1 when none.
  int Chosen() const;
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
};

// 画像の送信: the picture scaled down to fit, and the question naming the member.
class ImageOfferDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxSide = 320;
  ImageOfferDialog(const QString& imagePath, const QString& member, QWidget* parent = nullptr);
  QLabel* Picture() const { return picture_; }

 private:
  QLabel* picture_;
};

// Modal runs of the two; -1 / false on cancel.
int ChooseMember(QWidget* parent, const QStringList& names, int current);
bool ConfirmImageOffer(QWidget* parent, const QString& imagePath, const QString& member);

}  // namespace vostrelle
