#pragma once
// What the send and the receive window share: the six-column list with its state
// images, the progress cell, the shared buttons, and closing through the list.

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QStyledItemDelegate>
#include <memory>
#include <vector>

#include "transfer/TransferDialog.h"

class QTreeWidget;
class QPushButton;
class QBoxLayout;

namespace vostrelle {

class FileTransferList;

// Column 2: the text the list gives, over a bar of the same percentage.
class ProgressDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // The percentage a cell shows; without one given, the number its text starts with.
  static constexpr int kPercentRole = Qt::UserRole + 1;
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  static int PercentOf(const QModelIndex& index);
};

class CTransferDlg : public QDialog {
  Q_OBJECT

 public:
  enum Column { kFileName = 0, kSize, kProgress, kMember, kRoom, kStatus, kColumns };
  // Which state image column 0 shows.
  static constexpr int kImageRole = Qt::UserRole + 2;

  // The list operations, as TransferDialog names them.
  void AddRow(int index, const RowCells& cells);
  void UpdateRow(int index, const RowUpdate& update);
  void DeleteRow(int index);
  void SetRowStatus(int index, const std::string& text);
  void DeselectRow(int index);
  void Activate();
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon);

  // The list has let go of this window: nothing it shows reaches the list any more.
  void Detach() { list_ = nullptr; }

  QTreeWidget* Rows() const { return rows_; }
  // Selected rows, ascending.
  std::vector<int> SelectedRows() const;

  // Esc and the close box do what "終了" does.
  void reject() override;

 protected:
  // images: the state images by index; memberTitle: column 3's title.
  CTransferDlg(FileTransferList& list, const std::string& title, const std::string& memberTitle,
               std::vector<QIcon> images, QWidget* owner);
  void closeEvent(QCloseEvent* event) override;

  // Adds a button to the column on the right, in tab order.
  QPushButton* AddButton(const std::string& text, int id);
  // Room above the list, for the receive folder.
  QBoxLayout* TopArea() const { return top_; }
  FileTransferList* List() const { return list_; }
  void OnClose();
  void OnStop();

 private:
  void SetText(int index, int column, const std::string& text);

  FileTransferList* list_;
  std::vector<QIcon> images_;
  QTreeWidget* rows_;
  QBoxLayout* top_;
  QBoxLayout* buttons_;
};

// The list's handle on its window. The list deletes it when it closes the window, maybe
// from inside that window's own button handler, so the widget only goes later.
class QtTransferDialog : public TransferDialog {
 public:
  explicit QtTransferDialog(CTransferDlg* window) : window_(window) {}
  ~QtTransferDialog() override;

  void AddRow(int index, const RowCells& cells) override;
  void UpdateRow(int index, const RowUpdate& update) override;
  void DeleteRow(int index) override;
  void SetRowStatus(int index, const std::string& text) override;
  void DeselectRow(int index) override;
  void Activate() override;
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;

  CTransferDlg* Window() const { return window_; }

 private:
  QPointer<CTransferDlg> window_;  // the user's desktop may have destroyed it first
};

// The state images, 16 x 16: 0 waiting, 1 transferring (an arrow out when sending, in
// when receiving), 2 done, 3 failed, 4 awaiting the receiver's response.
std::vector<QIcon> TransferStateImages(bool sending);

}  // namespace vostrelle
