#include "SendFileList.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include "CSendFileWorker.h"
#include "TransferTexts.h"
#include "net/RoomSession.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

namespace vostrelle {

namespace text = transfer_text;

namespace {

std::uint16_t TickTag() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint16_t>(ms.count());
}

// The name and extension of a CP932 path.
std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SendFileList::SendFileList(std::shared_ptr<NotifyTarget> notify, UserInterface* ui)
    : SendFileList(std::move(notify), ui, Config{}) {}

SendFileList::SendFileList(std::shared_ptr<NotifyTarget> notify, UserInterface* ui, Config config)
    : FileTransferList(std::move(notify), config.Spawner),
      ui_(ui),
      config_(config),
      idTag_(TickTag()),
      gate_(config.Gate ? config.Gate : std::make_shared<RequestGate>()) {}

SendFileList::~SendFileList() {
  StopListener();
  // Connections accepted but not yet handed to a worker would stay open, their peers
  // waiting for an answer that never comes.
  for (const auto& [message, wParam] : notify_->CloseAndTake()) {
    if (message != kSendAccepted) continue;
    const int fd = static_cast<int>(wParam);
    gate_->Release(fd);
    ::close(fd);
  }
}

void SendFileList::StopListener() {
  if (!listener_) return;
  listener_->Quit();
  if (listener_->WaitFinished(kReapWaitMs))
    delete listener_;
  else
    listener_->SetAutoDelete();
  listener_ = nullptr;
}

void SendFileList::UpdateMembers() {
  std::set<Ipv4> members;
  for (int i = 0; i < Count(); ++i) members.insert(Item(i).MemberAddress);
  gate_->SetMembers(std::move(members));
}

void SendFileList::Remove(int index) {
  FileTransferList::Remove(index);
  UpdateMembers();
}

std::string SendFileList::NextId() {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", (static_cast<unsigned>(idTag_) << 16) | idCounter_);
  ++idCounter_;
  return id;
}

void SendFileList::OnSendFileRequest(RoomSession* session, int member, const std::string& path) {
  const RoomMember* record = session ? session->Member(member) : nullptr;
  if (!record) return;
  std::string native;
  struct stat st;
  if (!ToNativePath(path, native) || native.empty() || ::stat(native.c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode))
    return;
  const std::string fileName = BaseName(path);
  // Sizes are 32-bit on the wire: a larger file would be announced with a wrapped size.
  if (static_cast<std::uint64_t>(st.st_size) > 0xFFFFFFFFull) {
    if (ui_)
      ui_->MessageBox(fileName + "\n" + text::kTooLargeToSend, {}, MsgButtons::Ok,
                      MsgIcon::Warning);
    return;
  }
  const std::string id = NextId();
  if (FindEntry(record->Address, id, session->RoomName()) >= 0) return;
  auto item = std::make_unique<TransferItem>();
  item->State = TransferState::Waiting;
  item->Size = static_cast<std::uint32_t>(st.st_size);
  item->Port = config_.Port;
  item->MemberAddress = record->Address;
  item->MemberName = record->Name;
  item->Session = session;
  item->LocalPath = path;
  item->ID = id;
  item->Room = session->RoomName();
  item->FileName = fileName;
  Append(std::move(item));
  if (TransferDialog* dialog = Dialog()) dialog->Activate();
}

bool SendFileList::Start(int index) {
  if (!HasEntry(index)) return false;
  TransferItem& item = Entry(index);
  if (item.State != TransferState::Waiting && item.State != TransferState::Failed) return true;
  if (!item.Session) return false;
  const int member = item.Session->FindMember(item.MemberAddress);
  if (member < 0) return false;
  if (!listener_) {
    auto listener = std::make_unique<CSendFileThread>(notify_, config_.Port, config_.ListenAddress,
                                                      gate_, config_.Counters);
    listener->Listen();
    if (!listener->Start(spawner_)) return false;  // no thread: the row says the start failed
    listener_ = listener.release();
  }
  UpdateMembers();
  item.State = TransferState::AwaitingResponse;
  item.BytesDone = 0;
  UpdateRow(index);
  return item.Session->OfferFile(member, item.ID, item.FileName, item.Size,
                                 static_cast<std::uint32_t>(item.Port));
}

void SendFileList::StartRows(const std::vector<int>& selected) {
  std::vector<int> rows = selected;
  std::sort(rows.begin(), rows.end());
  for (int row : rows) {
    const bool started = Start(row);
    TransferDialog* dialog = Dialog();
    if (!dialog) continue;
    if (!started) dialog->SetRowStatus(row, text::kSendFailed);
    dialog->DeselectRow(row);
  }
}

void SendFileList::StartAll() {
  for (int row = 0; row < Count(); ++row)
    if (!Start(row))
      if (TransferDialog* dialog = Dialog()) dialog->SetRowStatus(row, text::kSendFailed);
}

bool SendFileList::HandleMessage(unsigned message, std::uintptr_t wParam) {
  if (message == kSendAccepted) {
    // Without a thread the worker is deleted at once, which closes the connection: the
    // receiver is told, and this side has no entry to show it on before the request.
    AddWorker(std::make_unique<CSendFileWorker>(
        notify_, static_cast<int>(wParam),
        CSendFileWorker::Limits{config_.StallTimeoutMs, config_.RequestTimeoutMs}, gate_));
    return true;
  }
  if (message < kSendProgress || message > kSendEnded) return false;
  if (message == kSendEnded) {
    Reap(wParam);
    return true;
  }
  auto* worker = static_cast<CSendFileWorker*>(WorkerById(wParam));
  if (!worker) return true;
  const int index = IndexOfWorker(*worker);
  switch (message) {
    case kSendProgress:
      worker->ProgressHandled();
      if (index < 0) break;
      Entry(index).BytesDone = worker->BytesDone();
      Entry(index).State = TransferState::Transferring;
      UpdateRow(index);
      break;
    case kSendDone:
      if (index < 0) break;
      Entry(index).BytesDone = worker->BytesDone();
      Entry(index).State = TransferState::Done;
      UpdateRow(index);
      break;
    case kSendFailed:
      if (index < 0) break;
      Entry(index).State = TransferState::Failed;
      UpdateRow(index, worker->ErrorText());
      break;
    case kSendNeedEntry:
      if (index >= 0 && Entry(index).State == TransferState::AwaitingResponse)
        worker->GiveItem(Entry(index));
      worker->Signal();
      break;
  }
  return true;
}

RowCells SendFileList::NewRow(const TransferItem& item) const {
  RowCells cells = CellsFor(item);
  cells.Status = text::kSendWaiting;
  return cells;
}

RowUpdate SendFileList::RowFor(const TransferItem& item,
                               const std::optional<std::string>& given) const {
  RowUpdate row = CommonRowFor(item, given, text::kSending);
  if (item.State == TransferState::AwaitingResponse) {
    row.Image = 4;
    row.Status = text::kAwaitingResponse;
  }
  return row;
}

}  // namespace vostrelle
