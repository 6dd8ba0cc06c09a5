// The send and receive windows driven by real lists: workers on 127.0.0.1, their
// messages delivered on the Qt event loop, every click through the window's buttons.
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "TransferTestSupport.h"
#include "platform/Cp932.h"
#include "qt/QtNotifyTarget.h"
#include "qt/QtText.h"
#include "store/AppSettings.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"
#include "transfer/TransferTexts.h"
#include "dialogs/CReceiveFileDlg.h"
#include "dialogs/CSendFileDlg.h"
#include "dialogs/TransferDialogs.h"

using namespace vostrelle;
using namespace vostrelle::test;
namespace text = vostrelle::transfer_text;

namespace {

QString T(const std::string& cp932) {
  return ToQString(cp932);
}

// Answers the next message box with button, keeping what it asked.
struct BoxAnswerer {
  QStringList texts;
  QStringList captions;
  void Next(QMessageBox::StandardButton button) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [this, poll, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      poll->stop();
      poll->deleteLater();
      texts << box->text();
      captions << box->windowTitle();
      box->button(button)->click();
    });
    poll->start(10);
  }
};

CTransferDlg* WindowOf(FileTransferList& list) {
  auto* handle = dynamic_cast<QtTransferDialog*>(list.CurrentDialog());
  return handle ? handle->Window() : nullptr;
}

void Click(QWidget* window, int id) {
  auto* button = window->findChild<QPushButton*>(QStringLiteral("button%1").arg(id));
  QVERIFY2(button, qPrintable(QStringLiteral("no button %1").arg(id)));
  QTest::mouseClick(button, Qt::LeftButton);
}

void CloseWith(QWidget* window) {
  auto* button = window->findChild<QPushButton*>(QStringLiteral("buttonOk"));
  QVERIFY(button);
  QTest::mouseClick(button, Qt::LeftButton);
}

QString Cell(CTransferDlg* window, int row, int column) {
  QTreeWidgetItem* item = window->Rows()->topLevelItem(row);
  return item ? item->text(column) : QStringLiteral("<no row>");
}

int Image(CTransferDlg* window, int row) {
  return window->Rows()->topLevelItem(row)->data(0, CTransferDlg::kImageRole).toInt();
}

}  // namespace

class TransferDialogsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> sourceDir, targetDir;
  std::unique_ptr<AppSettings> settings;
  std::unique_ptr<RecordingUi> ui;
  std::unique_ptr<LoopbackRoom> senderRoom, receiverRoom;
  std::unique_ptr<SendFileList> sendList;
  std::unique_ptr<ReceiveFileList> receiveList;
  int toReceiver = 0, toSender = 0;

  std::string Source(const std::string& name, const std::string& bytes) {
    WriteFile(sourceDir->File(name), bytes);
    return sourceDir->File(name);
  }

  // The user picks the file for the receiver and presses "送信"; the offer reaches the
  // receiver as its room would hand it over.
  void SendAndOffer(const std::string& path) {
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, path);
    CTransferDlg* window = WindowOf(*sendList);
    QVERIFY(window);
    const int row = sendList->Count() - 1;
    window->Rows()->clearSelection();
    window->Rows()->topLevelItem(row)->setSelected(true);
    Click(window, CSendFileDlg::kSendId);
    const TransferItem& item = sendList->Item(row);
    receiveList->OnFileOffered(receiverRoom->session.get(), toSender, item.ID, item.FileName,
                               item.Size, static_cast<std::uint32_t>(item.Port));
  }

  void ReceiveRow(int row) {
    CTransferDlg* window = WindowOf(*receiveList);
    QVERIFY(window);
    window->Rows()->clearSelection();
    window->Rows()->topLevelItem(row)->setSelected(true);
    Click(window, CReceiveFileDlg::kReceiveId);
  }

 private slots:
  void init() {
    sourceDir = std::make_unique<TempDir>();
    targetDir = std::make_unique<TempDir>();
    settings = std::make_unique<AppSettings>();
    settings->ReceiveFolder = targetDir->Path();
    ui = std::make_unique<RecordingUi>();
    const std::uint16_t port = FreeTcpPort();
    sendList = std::make_unique<SendFileList>(std::make_shared<QtNotifyTarget>(qApp), ui.get(),
                                              SendFileList::Config{port, kLoopback});
    receiveList = std::make_unique<ReceiveFileList>(std::make_shared<QtNotifyTarget>(qApp));
    InstallTransferDialogs(*sendList, *settings, nullptr);
    InstallTransferDialogs(*receiveList, *settings, nullptr);
    senderRoom = std::make_unique<LoopbackRoom>("room");
    receiverRoom = std::make_unique<LoopbackRoom>("room");
    senderRoom->session->Attach(sendList.get());
    receiverRoom->session->Attach(receiveList.get());
    toReceiver = senderRoom->AddPeer("佐藤"_sjis);
    toSender = receiverRoom->AddPeer("山田"_sjis);
  }

  void cleanup() {
    senderRoom.reset();
    receiverRoom.reset();
    receiveList.reset();
    sendList.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void rowsFollowBothListsToTheEnd() {
    const std::string bytes = Pattern(3 * 1024 * 1024 + 17);
    SendAndOffer(Source("data.bin", bytes));
    CTransferDlg* send = WindowOf(*sendList);
    QCOMPARE(send->windowTitle(), T(text::kSendDialogTitle));
    QVERIFY(send->isVisible());
    QCOMPARE(send->Rows()->headerItem()->text(3), T(text::kColumnSendTo));
    QCOMPARE(Cell(send, 0, 0), QStringLiteral("data.bin"));
    QCOMPARE(Cell(send, 0, 1), QStringLiteral("3.0 MB"));
    QCOMPARE(send->Rows()->topLevelItem(0)->toolTip(1),
             QStringLiteral("3,145,745 ") + T(text::kBytes));
    QCOMPARE(send->Rows()->topLevelItem(0)->toolTip(0), QStringLiteral("data.bin"));
    QCOMPARE(Cell(send, 0, 3), QString::fromUtf8("佐藤"));
    QCOMPARE(Cell(send, 0, 4), QStringLiteral("room"));
    QCOMPARE(Cell(send, 0, 5), T(text::kAwaitingResponse));
    QCOMPARE(Image(send, 0), 4);
    QVERIFY(send->SelectedRows().empty());  // "送信" deselects what it started

    CTransferDlg* receive = WindowOf(*receiveList);
    QVERIFY(receive);
    QCOMPARE(receive->windowTitle(), T(text::kReceiveDialogTitle));
    QCOMPARE(receive->Rows()->headerItem()->text(3), T(text::kColumnSentFrom));
    QCOMPARE(Cell(receive, 0, 2), QStringLiteral("0%"));
    QCOMPARE(Cell(receive, 0, 3), QString::fromUtf8("山田"));
    QCOMPARE(Cell(receive, 0, 5), T(text::kAwaitingResponse));
    QCOMPARE(Image(receive, 0), 0);

    ReceiveRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(receive, 0, 5), T(text::kDone), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(send, 0, 5), T(text::kDone), 10000);
    for (CTransferDlg* window : {send, receive}) {
      QCOMPARE(Image(window, 0), 2);
      QCOMPARE(Cell(window, 0, 2), QStringLiteral("100%"));
      QCOMPARE(window->Rows()->topLevelItem(0)->data(2, ProgressDelegate::kPercentRole).toInt(),
               100);
    }
    QVERIFY(ReadFile(targetDir->File("data.bin")) == bytes);

    // A second file joins below; closing with everything done asks nothing.
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("b.txt", "x"));
    QCOMPARE(send->Rows()->topLevelItemCount(), 2);
    QCOMPARE(Cell(send, 1, 5), T(text::kSendWaiting));
    QCOMPARE(send->SelectedRows(), std::vector<int>{1});
    QPointer<CTransferDlg> gone = receive;
    BoxAnswerer boxes;
    CloseWith(receive);
    QVERIFY(!receiveList->CurrentDialog());
    QCOMPARE(receiveList->Count(), 0);
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(!receive->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gone.isNull());
  }

  void stopAndSendAllMarkRows() {
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("a", "1"));
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("b", "2"));
    CTransferDlg* send = WindowOf(*sendList);
    send->Rows()->clearSelection();
    send->Rows()->topLevelItem(0)->setSelected(true);
    Click(send, CSendFileDlg::kStopId);
    QCOMPARE(Cell(send, 0, 5), T(text::kCancelled));
    QCOMPARE(Image(send, 0), 3);
    QCOMPARE(Cell(send, 1, 5), T(text::kSendWaiting));
    // The member leaves: neither row can start, both say so, neither changes state.
    senderRoom->session->RemoveMember(toReceiver, 0);
    QCOMPARE(Cell(send, 0, 5), T(text::kLeft));
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("c", "3"));
    Click(send, CSendFileDlg::kSendAllId);
    for (int row = 0; row < send->Rows()->topLevelItemCount(); ++row)
      QCOMPARE(Cell(send, row, 5), T(text::kSendFailed));
  }

  void closeAsksWhileSomethingIsNotDone() {
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("a", "1"));
    CTransferDlg* send = WindowOf(*sendList);
    BoxAnswerer boxes;
    boxes.Next(QMessageBox::Cancel);
    CloseWith(send);
    QCOMPARE(boxes.texts, QStringList{T(text::kAskStopAll)});
    QCOMPARE(boxes.captions, QStringList{T(text::kAskStopAllCaption)});
    QCOMPARE(WindowOf(*sendList), send);
    QVERIFY(send->isVisible());
    QCOMPARE(sendList->Count(), 1);

    // Esc asks the same; OK empties the list and the window goes.
    boxes.Next(QMessageBox::Ok);
    QTest::keyClick(send->Rows(), Qt::Key_Escape);
    QCOMPARE(boxes.texts.size(), 2);
    QCOMPARE(sendList->Count(), 0);
    QVERIFY(!sendList->CurrentDialog());
    QPointer<CTransferDlg> gone = send;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gone.isNull());

    // The next file opens a new, empty window.
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("b", "2"));
    QVERIFY(WindowOf(*sendList));
    QCOMPARE(WindowOf(*sendList)->Rows()->topLevelItemCount(), 1);
  }

  void closeWhileReceivingAbortsIt() {
    // Far too large to be over when the user closes (a sparse file: quick to make).
    const std::string path = Source("big.bin", "");
    QCOMPARE(::truncate(path.c_str(), 512 << 20), 0);
    SendAndOffer(path);
    ReceiveRow(0);
    CTransferDlg* receive = WindowOf(*receiveList);
    QCOMPARE(Image(receive, 0), 1);
    // Bytes are flowing: the sender is in its body loop.
    QTRY_VERIFY_WITH_TIMEOUT(receiveList->Item(0).BytesDone > 0, 10000);
    BoxAnswerer boxes;
    boxes.Next(QMessageBox::Ok);
    CloseWith(receive);
    QCOMPARE(boxes.texts, QStringList{T(text::kAskStopAll)});
    QCOMPARE(receiveList->WorkerCount(), 0u);
    QVERIFY(!receiveList->CurrentDialog());
    // The sender learns of it through its own worker, whose send fails.
    CTransferDlg* send = WindowOf(*sendList);
    QTRY_COMPARE_WITH_TIMEOUT(Image(send, 0), 3, 5000);
    QCOMPARE(Cell(send, 0, 5), T(text::kSendError));
    QCOMPARE(sendList->Item(0).State, TransferState::Failed);
    QTRY_COMPARE_WITH_TIMEOUT(sendList->WorkerCount(), 0u, 5000);
  }

  void overwriteIsAsked() {
    WriteFile(targetDir->File("same.txt"), "old");
    SendAndOffer(Source("same.txt", "new contents"));
    CTransferDlg* receive = WindowOf(*receiveList);
    BoxAnswerer boxes;
    boxes.Next(QMessageBox::No);
    ReceiveRow(0);
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("same.txt\n") + T(text::kAskOverwrite)});
    QCOMPARE(boxes.captions, QStringList{T(text::kAskOverwriteCaption)});
    QCOMPARE(Cell(receive, 0, 5), T(text::kReceiveFailed));
    QCOMPARE(ReadFile(targetDir->File("same.txt")), std::string("old"));

    // Declining left the entry waiting: it can be accepted again.
    boxes.Next(QMessageBox::Yes);
    ReceiveRow(0);
    QCOMPARE(boxes.texts.size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(receive, 0, 5), T(text::kDone), 10000);
    QCOMPARE(ReadFile(targetDir->File("same.txt")), std::string("new contents"));
  }

  void newOfferIsTheOnlySelectionAndDoneRowsStayDone() {
    SendAndOffer(Source("a.txt", "first"));
    ReceiveRow(0);
    CTransferDlg* receive = WindowOf(*receiveList);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(receive, 0, 5), T(text::kDone), 10000);
    receive->Rows()->topLevelItem(0)->setSelected(true);
    SendAndOffer(Source("b.txt", "second"));
    QCOMPARE(receive->SelectedRows(), std::vector<int>{1});
    // Both rows chosen: the finished one is left as it is, the new one is received.
    receive->Rows()->topLevelItem(0)->setSelected(true);
    Click(receive, CReceiveFileDlg::kReceiveId);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(receive, 1, 5), T(text::kDone), 10000);
    QCOMPARE(Cell(receive, 0, 5), T(text::kDone));
    QCOMPARE(Image(receive, 0), 2);
    QCOMPARE(receiveList->Item(0).State, TransferState::Done);
    Click(receive, CReceiveFileDlg::kReceiveAllId);
    for (int row = 0; row < 2; ++row) QCOMPARE(Cell(receive, row, 5), T(text::kDone));
    QCOMPARE(ReadFile(targetDir->File("a.txt")), std::string("first"));
  }

  void folderEditIsTheWindowsOwn() {
    SendAndOffer(Source("f.txt", "payload"));
    auto* receive = static_cast<CReceiveFileDlg*>(WindowOf(*receiveList));
    QCOMPARE(receive->FolderEdit()->text(), QString::fromStdString(targetDir->Path()));

    TempDir other;
    std::filesystem::create_directory(other.File("sub"));
    auto* poll = new QTimer;
    QString title;
    QObject::connect(poll, &QTimer::timeout, [&] {
      auto* browser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!browser) return;
      poll->stop();
      title = browser->windowTitle();
      // Opened the folder and chose it, as a user does. selectFile() would race: it
      // fills the name field only while that field lacks the focus, and the dialog's
      // window takes the focus whenever the platform gets round to activating it.
      browser->setDirectory(QString::fromStdString(other.File("sub")));
      QMetaObject::invokeMethod(browser, "accept");
    });
    poll->start(10);
    Click(receive, CReceiveFileDlg::kBrowseId);
    delete poll;
    QCOMPARE(title, T(text::kBrowseTitle));
    QCOMPARE(receive->FolderEdit()->text(), QString::fromStdString(other.File("sub")));

    ReceiveRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(receive, 0, 5), T(text::kDone), 10000);
    QCOMPARE(ReadFile(other.File("sub/f.txt")), std::string("payload"));
    QVERIFY(!std::filesystem::exists(targetDir->File("f.txt")));
    QCOMPARE(QString::fromStdString(settings->ReceiveFolder),
             QString::fromStdString(targetDir->Path()));
  }

  void progressCellDrawsTheBar() {
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, Source("a", "1"));
    CTransferDlg* send = WindowOf(*sendList);
    send->resize(800, 300);
    send->Rows()->clearSelection();
    QTreeWidgetItem* item = send->Rows()->topLevelItem(0);
    const QRect cell = send->Rows()->visualItemRect(item).intersected(
        QRect(send->Rows()->header()->sectionPosition(2), 0, send->Rows()->columnWidth(2), 10000));
    auto grabCell = [&](int percent) {
      RowUpdate update;
      update.Progress = "50%";
      update.Percent = percent;
      send->UpdateRow(0, update);
      return send->Rows()->viewport()->grab(cell).toImage();
    };
    const QImage empty = grabCell(0);
    const QImage full = grabCell(100);
    QCOMPARE(item->text(2), QStringLiteral("50%"));
    // Same text, other percentage: only the bar can make the difference.
    QVERIFY(empty != full);
    const QColor bar = send->palette().color(QPalette::Highlight);
    auto barPixels = [&](const QImage& image) {
      int count = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width() / 4; ++x)
          if (qAbs(image.pixelColor(x, y).hue() - bar.hue()) < 15 &&
              image.pixelColor(x, y).saturation() > 60)
            ++count;
      return count;
    };
    QVERIFY(barPixels(full) > barPixels(empty));
    SaveShot(*send, "send-dialog-progress.png");
  }

  void sizeColumnHoldsTheLargestSize() {
    // The largest size a file may have, and the size of the end-to-end run.
    const std::string path = Source("large.bin", "");
    QCOMPARE(::truncate(path.c_str(), 0xFFFFFFFFLL), 0);
    sendList->OnSendFileRequest(senderRoom->session.get(), toReceiver, path);
    receiveList->OnFileOffered(receiverRoom->session.get(), toSender, "00010001", "lab.bin",
                               209715200u, 28889);
    for (CTransferDlg* window : {WindowOf(*sendList), WindowOf(*receiveList)}) {
      QVERIFY(window);
      window->show();
      QTreeWidget* rows = window->Rows();
      const QString size = Cell(window, 0, 1);
      QVERIFY(size == QStringLiteral("4.0 GB") || size == QStringLiteral("200.0 MB"));
      // What the cell needs with its margins, as its delegate works it out.
      QStyleOptionViewItem option;
      option.initFrom(rows);
      const QModelIndex cell = rows->model()->index(0, 1);
      const int needed = rows->itemDelegateForIndex(cell)->sizeHint(option, cell).width();
      QVERIFY2(rows->columnWidth(1) >= needed,
               qPrintable(QStringLiteral("%1 < %2").arg(rows->columnWidth(1)).arg(needed)));
      QVERIFY(rows->columnWidth(1) >= 60);
      // The other columns keep their widths.
      QCOMPARE(rows->columnWidth(0), 100);
      QCOMPARE(rows->columnWidth(2), 60);
    }
    SaveShot(*WindowOf(*sendList), "send-dialog-large-size.png");
    SaveShot(*WindowOf(*receiveList), "receive-dialog-large-size.png");
  }

 private:
  void SaveShot(QWidget& widget, const char* name) {
    const QString dir = qEnvironmentVariable("VOSTRELLE_SCREENSHOTS");
    if (!dir.isEmpty()) widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
  }
};

QTEST_MAIN(TransferDialogsTest)
#include "TransferDialogsTest.moc"
