#pragma once
// Numeric command identifiers, as menus, accelerators and the document use them.

namespace vostrelle::cmd {

// The framework's own commands.
constexpr int kFileNew = 57600;   // rebuild the document
constexpr int kAppAbout = 57664;  // version information
constexpr int kAppExit = 57665;
constexpr int kNextPane = 57680;
constexpr int kPrevPane = 57681;
constexpr int kViewStatusBar = 59393;

// The program's commands.
constexpr int kRename = 32771;                // 名前変更
constexpr int kMinimize = 32772;              // Ctrl+M
constexpr int kEditConnects = 32773;          // 接続先設定
constexpr int kOptions = 32775;               // オプション設定
constexpr int kTrayAnimationTimer = 32776;    // the frame's 200 ms timer id
constexpr int kNewConnection = 32780;         // 新規に接続を作成
constexpr int kLeaveRoom = 32781;             // 現在の部屋から退出
constexpr int kMemberInformation = 32782;     // 情報取得
constexpr int kChangeSettingsFolder = 32784;  // 設定保存フォルダの変更
constexpr int kLogSearch = 32785;             // ログ検索
constexpr int kNetworkCheck = 32786;          // ネットワークの確認

// Sent by the document to the main window.
constexpr int kSettingsChanged = 33000;  // 設定変更の通知
constexpr int kNameCalled = 33001;       // 名前が呼ばれた

// Result of the connection-list dialog when closed with 再接続.
constexpr int kReconnectResult = 1020;

}  // namespace vostrelle::cmd
