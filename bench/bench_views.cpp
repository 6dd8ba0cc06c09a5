// Appending chat lines to a room's message view: time per line with 1,000 and with
// 100,000 lines already shown (it must not grow with the text), resident memory after
// 100,000 lines, and the same for a bare QTextEdit appending the same lines.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTextCursor>
#include <QTextEdit>
#include <fstream>

#include "doc/DocTestSupport.h"
#include "platform/Cp932.h"
#include "views/CRoomMessageView.h"

using namespace vostrelle;

namespace {

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

const std::string& LineText() {
  static const std::string text = "今日の会議は午後三時からです。資料を忘れずに。"_sjis + " 12345";
  return text;
}

// One room with a member, its message view shown and selected.
struct Room {
  Room() {
    h.settings.Connects = {test::Setting("bench")};
    h.doc.RemoveView(&h.view);
    h.doc.OnNewDocument();
    session = h.doc.Session(h.doc.TakePendingViews().at(0));
    view = std::make_unique<CRoomMessageView>(h.doc);
    h.doc.AddView(view.get());
    view->SetSession(session);
    h.doc.SelectRoom(0);
    h.Send(2, test::Packet("Join", "bench", {{"Name", "peer"}}));
    view->resize(600, 400);
    view->show();
  }
  void Append(int lines) {
    for (int i = 0; i < lines; ++i) {
      EventBatch batch(session, h.now + i, true);
      batch.Add(kEventMessage, 1, LineText(), "peer");
      view->OnUpdate(nullptr, kHintEvents, &batch);
    }
  }
  test::DocHarness h;
  RoomSession* session = nullptr;
  std::unique_ptr<CRoomMessageView> view;
};

struct BareEdit {
  BareEdit() {
    edit.setReadOnly(true);
    edit.setUndoRedoEnabled(false);
    edit.resize(600, 400);
    edit.show();
    stamp.setForeground(Qt::blue);
  }
  void Append(int lines) {
    const QString text = QStringLiteral("[peer] ") + QString::fromUtf8(Cp932ToUtf8(LineText()));
    for (int i = 0; i < lines; ++i) {
      QTextCursor cursor(edit.document());
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(QStringLiteral("12:34 "), stamp);
      cursor.insertText(text + QLatin1Char('\n'), plain);
    }
  }
  QTextEdit edit;
  QTextCharFormat stamp, plain;
};

template <class Target>
void AppendAt(benchmark::State& state) {
  Target target;
  target.Append(static_cast<int>(state.range(0)));
  QApplication::processEvents();
  constexpr int kBatch = 200;
  for (auto _ : state) {
    target.Append(kBatch);
    // Each line is shown, not just stored: let the view lay out and paint.
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_RoomViewAppend(benchmark::State& state) {
  AppendAt<Room>(state);
}
void BM_BareTextEditAppend(benchmark::State& state) {
  AppendAt<BareEdit>(state);
}
BENCHMARK(BM_RoomViewAppend)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Iterations(50);
BENCHMARK(BM_BareTextEditAppend)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(50);

template <class Target>
void Memory(benchmark::State& state) {
  for (auto _ : state) {
    const double before = ResidentMiB();
    auto target = std::make_unique<Target>();
    target->Append(100000);
    QApplication::processEvents();
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_after_100k_MiB"] = ResidentMiB();
  }
}
void BM_RoomViewMemory(benchmark::State& state) {
  Memory<Room>(state);
}
void BM_BareTextEditMemory(benchmark::State& state) {
  Memory<BareEdit>(state);
}
// Separate processes give clean memory figures: run with --benchmark_filter=Memory and
// one filter at a time.
BENCHMARK(BM_RoomViewMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTextEditMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
