#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>

#include "app/CVostrelleView.h"
#include "app/DesktopIntegration.h"
#include "app/LogSearchWindow.h"
#include "app/NetworkCheckWindow.h"
#include "app/PortalHotKey.h"
#include "dialogs/CSystemPage.h"
#include "doc/CVostrelleDoc.h"
#include "doc/EventBatch.h"
#include "doc/ViewHint.h"
#include "net/RoomSession.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "qt/GlobalHotKey.h"
#include "qt/QtText.h"
#include "qt/TrayIcon.h"
#include "res/Icons.h"
#include "store/AppSettings.h"
#include "store/FolderSetting.h"
#include "views/CAllMessageView.h"
#include "views/CMemberView.h"
#include "views/CRoomMessageView.h"
#include "views/CRoomView.h"
#include "views/CSystemView.h"

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define VOSTRELLE_HAVE_XCB 1
#endif

namespace vostrelle {
namespace {

constexpr int kIndicatorMs = 250;

// The status-bar prompt of each command (the part a status bar shows).
const std::map<int, const char*>& Prompts() {
  static const std::map<int, const char*> prompts = {
      {CMainFrame::kTopmost, "最前面にの表示/非表示"},
      {cmd::kNewConnection, "新しく接続する部屋を選択する"},
      {cmd::kLeaveRoom, "現在接続している部屋から退出する"},
      {cmd::kRename, "自分の名前を変更する"},
      {cmd::kEditConnects, "接続先に関する設定を行う"},
      {cmd::kOptions, "オプションを設定する"},
      {cmd::kLogSearch, "すべての部屋のログから言葉を探す"},
      {cmd::kNetworkCheck, "部屋ごとのつながり方とファイアウォールを確かめる"},
      {cmd::kChangeSettingsFolder, "設定を保存するフォルダを変更する"},
      {cmd::kAppExit, "アプリケーションを終了する"},
      {cmd::kViewStatusBar, "ステータスバーの表示/非表示"},
  };
  return prompts;
}

// The status-bar indicators as a screen reader names them: the key, and what a lit
// indicator means.
struct Indicator {
  const char* text;
  const char* name;
  const char* key;
};
constexpr Indicator kIndicators[4] = {
    {"ｶﾅ", "カナ", "カナ入力"},
    {"CAP", "Caps Lock", "Caps Lock"},
    {"NUM", "Num Lock", "Num Lock"},
    {"SCRL", "Scroll Lock", "Scroll Lock"},
};

// Without a notification area, minimising cannot hide the window.
std::string NoTrayNotice() {
  return "※ 通知領域（タスクトレイ）が見つからないため、最小化してもトレイには潜みません。"_sjis;
}

QString IndicatorDescription(int i, bool on) {
  return QString::fromUtf8(kIndicators[i].key) +
         (on ? QStringLiteral(" はオンです") : QStringLiteral(" はオフです"));
}

}  // namespace

// The frame is no view of the document; this small one passes it what it needs: the
// lines that named the user, and the moment the panes have their first text.
class FrameBatchWatcher : public CView {
 public:
  FrameBatchWatcher(std::function<void(const EventBatch&, const EventEntry&)> onNameCall,
                    std::function<void()> onReady,
                    std::function<void(const RoomSession*)> onLeaving)
      : onNameCall_(std::move(onNameCall)),
        onReady_(std::move(onReady)),
        onLeaving_(std::move(onLeaving)) {}
  void OnUpdate(CView*, long hint, HintObject* object) override {
    if (hint == kHintSessionLeaving) {
      if (auto* leaving = dynamic_cast<SessionHint*>(object)) onLeaving_(leaving->Session);
      return;
    }
    if (hint != kHintEvents) return;
    auto* batch = dynamic_cast<EventBatch*>(object);
    if (!batch || !batch->Session) return;
    for (const EventEntry& entry : batch->Entries)
      if (entry.Kind == kEventNameCalled) onNameCall_(*batch, entry);
  }
  void OnInitialUpdate() override { onReady_(); }

 private:
  std::function<void(const EventBatch&, const EventEntry&)> onNameCall_;
  std::function<void()> onReady_;
  std::function<void(const RoomSession*)> onLeaving_;
};

CMainFrame::CMainFrame(CVostrelleDoc& doc, AppSettings& settings, UserInterface& ui,
                       QWidget* parent)
    : QMainWindow(parent), doc_(doc), settings_(settings), ui_(ui) {
  setObjectName(QStringLiteral("mainFrame"));
  setWindowIcon(AppIcon());
  doc_.SetTitleListener([this](const std::string& title) { OnTitleChanged(title); });
  OnTitleChanged(doc_.GetTitle());
}

CMainFrame::~CMainFrame() {
  killTimer(indicatorTimer_);
  if (tray_) tray_->Remove();
  if (hotKey_) hotKey_->Unregister();
  if (batchWatcher_) doc_.RemoveView(batchWatcher_.get());
  doc_.SetTitleListener(nullptr);
}

bool CMainFrame::Create() {
  BuildSplitters();
  BuildPanes();
  SizePanes();
  BuildMenus();
  BuildStatusBar();
  BuildDesktopHooks();
  return true;
}

void CMainFrame::BuildSplitters() {
  rows_ = new QSplitter(Qt::Vertical, this);
  rows_->setObjectName(QStringLiteral("rows"));
  rows_->setChildrenCollapsible(false);
  top_ = new QSplitter(Qt::Horizontal, rows_);
  bottom_ = new QSplitter(Qt::Horizontal, rows_);
  top_->setChildrenCollapsible(false);
  bottom_->setChildrenCollapsible(false);
  // A screen reader says where the focus is: which half of the window, which pane.
  rows_->setAccessibleName(QStringLiteral("メインウィンドウ"));
  rows_->setAccessibleDescription(
      QStringLiteral("上段にチャットとメンバー一覧、下段に全部屋のメッセージと部屋一覧。"
                     "F6 で次の区画へ移ります"));
  top_->setAccessibleName(QStringLiteral("上段"));
  top_->setAccessibleDescription(QStringLiteral("チャットとメンバー一覧"));
  bottom_->setAccessibleName(QStringLiteral("下段"));
  bottom_->setAccessibleDescription(QStringLiteral("全部屋のメッセージと部屋一覧"));
  setCentralWidget(rows_);
}

void CMainFrame::BuildPanes() {
  // The panes in their order of creation; the document meets the views in that order.
  memberView_ = new CMemberView(doc_, ui_, top_);
  doc_.AddView(memberView_);
  allView_ = new CAllMessageView(doc_, bottom_);
  doc_.AddView(allView_);
  roomView_ = new CRoomView(doc_, ui_, bottom_);
  doc_.AddView(roomView_);
  inputView_ = new CVostrelleView(doc_, settings_, top_);
  top_->insertWidget(0, inputView_);
  doc_.AddView(inputView_);
  inputView_->SetKeyListener([this] { StopTrayAnimation(); });
  // After the input view, so that its initial update has made the system view.
  batchWatcher_ = std::make_unique<FrameBatchWatcher>(
      [this](const EventBatch& batch, const EventEntry& entry) { OnNameCallLine(batch, entry); },
      [this] { OnViewsReady(); },
      [this](const RoomSession* leaving) {
        if (leaving == notifiedSession_) notifiedSession_ = nullptr;
      });
  doc_.AddView(batchWatcher_.get());
}

void CMainFrame::SizePanes() {
  // Both rows share one column boundary, as one 2 x 2 splitter would.
  connect(top_, &QSplitter::splitterMoved, this, [this] { bottom_->setSizes(top_->sizes()); });
  connect(bottom_, &QSplitter::splitterMoved, this, [this] { top_->setSizes(bottom_->sizes()); });
  // Wide enough that the member list shows name, host and address of a typical member
  // beside a chat pane of the usual width, within the screen.
  const int members = memberView_->TypicalWidth();
  const int chat = 560;
  QSize frameSize(chat + members + top_->handleWidth(), 580);
  if (const QScreen* screen = this->screen())
    frameSize = frameSize.boundedTo(screen->availableSize() * 9 / 10);
  resize(frameSize.expandedTo(QSize(760, 560)));
  const QSize client = size() - QSize(0, menuBar()->sizeHint().height() + 24);
  const int w = qMax(client.width() / 2, client.width() - members - top_->handleWidth());
  const int h = 3 * client.height() / 4;
  top_->setSizes({w, client.width() - w});
  bottom_->setSizes({w, client.width() - w});
  rows_->setSizes({h, client.height() - h});
  for (QSplitter* s : {top_, bottom_}) {
    s->setStretchFactor(0, 3);
    s->setStretchFactor(1, 1);
  }
  rows_->setStretchFactor(0, 3);
  rows_->setStretchFactor(1, 1);
}

void CMainFrame::BuildDesktopHooks() {
  tray_ = new TrayIcon(this);
  tray_->Add();
  connect(tray_, &TrayIcon::Activated, this, [this] {
    StopTrayAnimation();
    RestoreWindow();
  });
  hotKey_ = new GlobalHotKey(this);
  connect(hotKey_, &GlobalHotKey::Activated, this, [this] {
    if (hotKey_->IsRegistered()) ToggleMinimized();
  });
  // The options show the hot key as unavailable where no grab can work, until the
  // desktop's portal says it binds one.
  const bool grab = GlobalHotKeysPossible();
  CSystemPage::SetHotKeysAvailable(grab);
  if (!grab) {
    portalHotKey_ = new PortalHotKey(QDBusConnection::sessionBus(), this);
    connect(portalHotKey_, &PortalHotKey::Activated, this, &CMainFrame::ToggleMinimized);
    connect(portalHotKey_, &PortalHotKey::Availability, this,
            [](bool available) { CSystemPage::SetHotKeysAvailable(available); });
    portalHotKey_->Probe();
  }
  UpdateHotKey();
  if (!notifier_) SetNotifier(std::make_unique<FreedesktopNotifier>(tray_));
}

void CMainFrame::SetNotifier(std::unique_ptr<DesktopNotifier> notifier) {
  notifier_ = std::move(notifier);
  if (notifier_) notifier_->SetActivationHandler([this] { OnNotificationActivated(); });
}

void CMainFrame::OnNotificationActivated() {
  StopTrayAnimation();
  RestoreWindow();
  // The room is forgotten when it is left (a reconnect makes new ones).
  if (!notifiedSession_) return;
  for (int i = 0; i < doc_.SessionCount(); ++i)
    if (doc_.Session(i) == notifiedSession_) {
      doc_.SelectRoom(i);
      return;
    }
}

bool CMainFrame::IsOutOfSight() const {
  return !isVisible() || isMinimized() || !isActiveWindow();
}

void CMainFrame::OnNameCallLine(const EventBatch& batch, const EventEntry& entry) {
  if (!notifier_ || !IsOutOfSight()) return;
  const RoomSession& session = *batch.Session;
  notifiedSession_ = &session;
  notifier_->Notify(NameCallTitle(session.RoomDisplayName()),
                    NameCallBody(EntryMemberName(session, entry), entry.Text));
}

void CMainFrame::OnViewsReady() {
  // Without a notification area, minimising cannot hide the window and the name-call
  // animation has nowhere to show: say so once, where the user first looks.
  CSystemView* system = inputView_ ? inputView_->SystemView() : nullptr;
  std::string note;
  if (tray_ && !tray_->IsAdded()) note = NoTrayNotice();
  // Folders from a settings folder copied from Windows: say once where files go now.
  const std::string folders = WindowsFolderNotice(settings_);
  if (!folders.empty()) {
    note += (note.empty() ? "" : "\r\n") + folders;
    if (!folderNoticeShown_) {
      folderNoticeShown_ = true;
      // The bar is too narrow for the paths: the system view holds the whole notice.
      // Shown from the event loop, once the window itself is up.
      QTimer::singleShot(0, this, [this] {
        statusBar()->showMessage(
            QStringLiteral("※ Windowsのフォルダ設定は使えないため、既定のフォルダに保存します。"));
      });
    }
  }
  if (system) system->SetDesktopNote(note);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text, const QKeySequence& key) {
  auto* action = new QAction(text, this);
  action->setData(id);
  if (!key.isEmpty()) action->setShortcut(key);
  auto prompt = Prompts().find(id);
  if (prompt != Prompts().end()) action->setStatusTip(QString::fromUtf8(prompt->second));
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  if (menu)
    menu->addAction(action);
  else
    addAction(action);  // a key without a menu entry
  actions_[id] = action;
  return action;
}

void CMainFrame::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  AddCommand(file, cmd::kAppExit, QStringLiteral("終了(&X)"));

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  QAction* bar = AddCommand(view, cmd::kViewStatusBar, QStringLiteral("ステータスバー(&S)"));
  bar->setCheckable(true);
  bar->setChecked(true);
  QAction* top = AddCommand(view, kTopmost, QStringLiteral("最前面に表示(&T)"),
                            QKeySequence(Qt::CTRL | Qt::Key_T));
  top->setCheckable(true);

  QMenu* command = menuBar()->addMenu(QStringLiteral("コマンド(&C)"));
  AddCommand(command, cmd::kNewConnection, QStringLiteral("新規に接続を作成(&J)..."),
             QKeySequence(Qt::CTRL | Qt::Key_J));
  AddCommand(command, cmd::kLeaveRoom, QStringLiteral("現在の部屋から退出(&P)"),
             QKeySequence(Qt::CTRL | Qt::Key_P));
  AddCommand(command, cmd::kRename, QStringLiteral("名前変更(&N)..."),
             QKeySequence(Qt::CTRL | Qt::Key_N));
  command->addSeparator();
  AddCommand(command, cmd::kLogSearch, QStringLiteral("ログ検索(&F)..."),
             QKeySequence(Qt::CTRL | Qt::Key_F));
  AddCommand(command, cmd::kNetworkCheck, QStringLiteral("ネットワークの確認(&K)..."));

  QMenu* setting = menuBar()->addMenu(QStringLiteral("設定(&S)"));
  AddCommand(setting, cmd::kEditConnects, QStringLiteral("接続先設定(&C)..."));
  AddCommand(setting, cmd::kOptions, QStringLiteral("オプション設定(&O)..."));
  AddCommand(setting, cmd::kChangeSettingsFolder, QStringLiteral("設定保存フォルダの変更(&F)..."));

  QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  AddCommand(help, cmd::kAppAbout, QStringLiteral("バージョン情報(&A)..."));

  AddCommand(nullptr, cmd::kMinimize, {}, QKeySequence(Qt::CTRL | Qt::Key_M));
  AddCommand(nullptr, cmd::kNextPane, {}, QKeySequence(Qt::Key_F6));
  AddCommand(nullptr, cmd::kPrevPane, {}, QKeySequence(Qt::SHIFT | Qt::Key_F6));

  for (QMenu* menu : {view, command})
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::BuildStatusBar() {
  statusBar()->setAccessibleName(QStringLiteral("ステータスバー"));
  statusBar()->setAccessibleDescription(QStringLiteral("コマンドの説明とキーの状態"));
  auto* ready = new QLabel(QStringLiteral("レディ"), statusBar());
  ready->setAccessibleName(QStringLiteral("メッセージ"));
  ready->setAccessibleDescription(QStringLiteral("選んでいるメニュー項目の説明"));
  statusBar()->addWidget(ready, 1);
  for (int i = 0; i < 4; ++i) {
    indicators_[i] = new QLabel(QString::fromUtf8(kIndicators[i].text), statusBar());
    indicators_[i]->setAccessibleName(QString::fromUtf8(kIndicators[i].name));
    indicators_[i]->setAccessibleDescription(IndicatorDescription(i, false));
    indicators_[i]->setFrameShape(QFrame::Panel);
    indicators_[i]->setFrameShadow(QFrame::Sunken);
    indicators_[i]->setAlignment(Qt::AlignCenter);
    indicators_[i]->setMinimumWidth(
        indicators_[i]->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
    indicators_[i]->setEnabled(false);
    statusBar()->addPermanentWidget(indicators_[i]);
  }
  UpdateIndicators();
  indicatorTimer_ = startTimer(kIndicatorMs);
}

void CMainFrame::UpdateIndicators() {
#ifdef VOSTRELLE_HAVE_XCB
  // The lock keys' lights as the X server keeps them: Caps Lock, Num Lock, Scroll
  // Lock are the first three.
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;
  xcb_get_keyboard_control_reply_t* reply =
      xcb_get_keyboard_control_reply(connection, xcb_get_keyboard_control(connection), nullptr);
  if (!reply) return;
  const std::uint32_t leds = reply->led_mask;
  free(reply);
  for (int i = 1; i < 4; ++i) SetIndicator(i, leds & (1u << (i - 1)));
#endif
}

void CMainFrame::SetIndicator(int i, bool on) {
  // A dimmed label tells nothing to a screen reader: the description says the state.
  // Only on a change, since the lights are read four times a second.
  if (indicators_[i]->isEnabled() == on) return;
  indicators_[i]->setEnabled(on);
  indicators_[i]->setAccessibleDescription(IndicatorDescription(i, on));
}

void CMainFrame::UpdateCommandStates() {
  actions_[cmd::kRename]->setEnabled(doc_.IsCommandEnabled(cmd::kRename));
  actions_[kTopmost]->setChecked(topmost_);
  actions_[cmd::kViewStatusBar]->setChecked(statusBar()->isVisible());
}

bool CMainFrame::event(QEvent* event) {
  // Before Qt matches a key against the shortcuts, the commands take their states from
  // the state now, as a menu does when it opens. The focus widget gets the key first;
  // one it does not claim climbs its parents up to this window.
  if (event->type() == QEvent::ShortcutOverride) UpdateCommandStates();
  return QMainWindow::event(event);
}

QAction* CMainFrame::Action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::OnTitleChanged(const std::string& title) {
  setWindowTitle(ToQString(title) + QStringLiteral(" - Vostrelle"));
}

void CMainFrame::OnCommand(int id) {
  switch (id) {
    case kTopmost:
      ToggleTopmost();
      return;
    case cmd::kSettingsChanged:
      UpdateHotKey();
      return;
    case cmd::kNameCalled:
      StartTrayAnimation();
      if (settings_.RestoreSize) RestoreWindow();
      return;
    case cmd::kAppExit:
      close();
      return;
    case cmd::kViewStatusBar:
      statusBar()->setVisible(!statusBar()->isVisible());
      actions_[cmd::kViewStatusBar]->setChecked(statusBar()->isVisible());
      return;
    case cmd::kNextPane:
      FocusPane(+1);
      return;
    case cmd::kPrevPane:
      FocusPane(-1);
      return;
    case cmd::kLogSearch:
      ShowLogSearch(this, settings_.LogFolderInUse());
      return;
    case cmd::kNetworkCheck:
      ShowNetworkCheck(this, doc_);
      return;
    default:
      break;
  }
  if (id == cmd::kRename && !doc_.IsCommandEnabled(id)) return;
  if (doc_.OnCommand(id)) return;
  if (appCommands_) appCommands_(id);
}

void CMainFrame::FocusPane(int step) {
  // Row by row: input, members, all messages, rooms.
  QWidget* panes[4] = {inputView_, memberView_, allView_, roomView_};
  QWidget* focus = QApplication::focusWidget();
  int at = -1;
  for (int i = 0; i < 4; ++i) {
    if (panes[i] && (panes[i] == focus || panes[i]->isAncestorOf(focus))) at = i;
  }
  const int next = at < 0 ? 0 : (at + (step > 0 ? 1 : 3)) % 4;
  if (panes[next] == inputView_)
    inputView_->Activate();
  else
    panes[next]->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::StartTrayAnimation() {
  if (settings_.TrayAnime && tray_) tray_->StartAnimation();
}

void CMainFrame::StopTrayAnimation() {
  if (tray_) tray_->StopAnimation();
}

bool CMainFrame::UpdateHotKey() {
  if (portalHotKey_) {
    if (!settings_.UseHotkey) {
      portalHotKey_->Unbind();
      return false;
    }
    portalHotKey_->Bind(settings_.KeyCode, HotKeyControlToModifiers(settings_.Modifiers));
    return portalHotKey_->IsAvailable();
  }
  if (!hotKey_) return false;
  hotKey_->Unregister();
  if (!settings_.UseHotkey) return false;
  return hotKey_->Register(settings_.KeyCode, HotKeyControlToModifiers(settings_.Modifiers));
}

void CMainFrame::RestoreWindow() {
  if (!isVisible() || isMinimized()) ShowRestored();
  raise();
  activateWindow();
}

void CMainFrame::ShowRestored() {
  // Back as it was before: a maximised window comes back maximised.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
}

void CMainFrame::ToggleMinimized() {
  if (!isVisible() || isMinimized()) {
    ShowRestored();
    raise();
    activateWindow();
  } else if (!isActiveWindow()) {
    raise();
    activateWindow();
  } else {
    Minimize();
  }
}

void CMainFrame::Minimize() {
  // Hidden at once rather than after the state change: on Wayland the window is never
  // told it was minimised, and would stay shown.
  if (settings_.MinimumTray && tray_ && tray_->IsAdded()) {
    hide();
    return;
  }
  showMinimized();
}

void CMainFrame::ToggleTopmost() {
  topmost_ = !topmost_;
  // Changing the flag hides the window; show it again where it was.
  const QRect where = geometry();
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost_);
  if (visible) {
    setGeometry(where);
    show();
  }
  if (QAction* a = Action(kTopmost)) a->setChecked(topmost_);
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // Hidden, the window can only come back through its icon: without one it stays a
  // minimised task-bar window.
  if (isMinimized() && settings_.MinimumTray && tray_ && tray_->IsAdded())
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hide();
    });
  // The system view that says so may not be the one shown: the first minimise also says
  // it in the status bar, where it waits for the user's return.
  if (isMinimized() && settings_.MinimumTray && tray_ && !tray_->IsAdded() && !noTrayNoticeShown_) {
    noTrayNoticeShown_ = true;
    statusBar()->showMessage(ToQString(NoTrayNotice()));
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!exitAnswered_ && !doc_.SaveModified()) {
    event->ignore();
    return;
  }
  event->accept();
  // Whatever other window is still open (a transfer window), the program ends here.
  if (exitHandler_) exitHandler_();
}

void CMainFrame::timerEvent(QTimerEvent* event) {
  if (event->timerId() == indicatorTimer_) UpdateIndicators();
  QMainWindow::timerEvent(event);
}

}  // namespace vostrelle
