#pragma once
// The log search window: words, one room or all, a range of dates. The search runs on
// a worker thread and hands its hits to this window in batches, newest first; the
// window itself never reads the disk. Typing again or closing cancels at once.

#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "store/LogSearch.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QSplitter;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace vostrelle {

class CLogSearchDlg : public QDialog {
  Q_OBJECT
 public:
  // logFolder is the log folder in use (CP932).
  explicit CLogSearchDlg(std::string logFolder, QWidget* parent = nullptr);
  ~CLogSearchDlg() override;

  // Starts a search with what the fields hold now (cancelling the one running).
  void StartSearch();
  // Stops the running search, if any; the hits shown stay.
  void CancelSearch();
  bool IsSearching() const { return searching_; }
  // Closing cancels the search first.
  void reject() override;

  QLineEdit* WordsEdit() const { return words_; }
  QComboBox* RoomCombo() const { return room_; }
  QCheckBox* DateCheck() const { return useDates_; }
  QDateEdit* FromEdit() const { return from_; }
  QDateEdit* ToEdit() const { return to_; }
  QTreeWidget* Results() const { return results_; }
  QPlainTextEdit* DayView() const { return day_; }
  QLabel* StatusLabel() const { return status_; }
  // The folder searched: the log folder this run really writes to.
  const std::string& LogFolder() const { return logFolder_; }

 signals:
  void SearchFinished();
  void RoomsListed();
  void DayShown();

 private:
  QGridLayout* BuildFields();
  QSplitter* BuildPanes();
  void ConnectFields();

  struct Run {
    std::atomic<bool> cancel{false};
    std::thread thread;
  };

  void StartWorker(std::function<void(const std::atomic<bool>&)> work);
  void StopWorkers();
  void AddHits(unsigned generation, std::vector<LogHit> hits);
  void Finish(unsigned generation, std::size_t files, bool cancelled);
  void OpenHit(QTreeWidgetItem* item);
  void ShowDay(unsigned generation, std::vector<std::string> lines, std::size_t first,
               std::size_t at, QString title);
  void ListRooms();

  std::string logFolder_;
  QLineEdit* words_;
  QComboBox* room_;
  QCheckBox* useDates_;
  QDateEdit* from_;
  QDateEdit* to_;
  QPushButton* search_;
  QTreeWidget* results_;
  QLabel* dayTitle_;
  QPlainTextEdit* day_;
  QLabel* status_;
  QTimer* typing_;

  std::vector<std::unique_ptr<Run>> runs_;
  unsigned generation_ = 0;     // of searches; a batch of an older one is dropped
  unsigned dayGeneration_ = 0;  // of day views
  bool searching_ = false;
  std::size_t shown_ = 0;
  std::size_t maxHits_ = 5000;
};

}  // namespace vostrelle
