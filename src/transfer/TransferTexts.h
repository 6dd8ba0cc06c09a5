#pragma once
// Every text of file transfer, written in UTF-8 and used as its CP932 bytes.

#include <string>

#include "platform/Cp932.h"

namespace vostrelle::transfer_text {

// Failure texts of a transfer run, shown in the entry's row.
inline const std::string& kAcceptFailed = "Acceptに失敗しました。"_sjis;
inline const std::string& kHeaderReceiveError = "ヘッダ受信中にエラーです。"_sjis;
inline const std::string& kIncompleteHeader = "不完全なヘッダです。"_sjis;
inline const std::string& kBadPacket = "不正なパケットです。"_sjis;
inline const std::string& kUnknownPacket = "未知のパケットです。"_sjis;
inline const std::string& kInterrupted = "中断されています。"_sjis;
inline const std::string& kCannotOpenFile = "ファイルが開けません。"_sjis;
inline const std::string& kSizeChanged = "ファイルサイズが変更されてます。"_sjis;
inline const std::string& kSendError = "送信中にエラーです。"_sjis;
inline const std::string& kSocketCreateFailed = "ソケット作成に失敗しました。"_sjis;
inline const std::string& kConnectFailed = "接続に失敗しました。"_sjis;
inline const std::string& kConnectionRefused = "接続が拒否されました。"_sjis;
inline const std::string& kWrongCommand = "コマンドが違います。"_sjis;
inline const std::string& kSendRefused = "送信が拒否されました。"_sjis;
inline const std::string& kPathUnknown = "ファイルパスが不明です。"_sjis;
inline const std::string& kTransferError = "転送中にエラーです。"_sjis;
inline const std::string& kDisconnected = "切断されました。"_sjis;

// After the failure text of a receive that kept what arrived: 途中まで「name」に保存しました。
inline const std::string& kKeptPartBefore = "途中まで「"_sjis;
inline const std::string& kKeptPartAfter = "」に保存しました。"_sjis;

// The only Cause a sender ever gives.
inline const std::string& kSenderInternalError = "送信側内部エラー"_sjis;

// Row texts.
inline const std::string& kCancelled = "中断しました。"_sjis;
inline const std::string& kLeft = "退出しました。"_sjis;
inline const std::string& kFailedShort = "中断"_sjis;
inline const std::string& kSendWaiting = "送信待ち"_sjis;
inline const std::string& kAwaitingResponse = "応答待ち"_sjis;
inline const std::string& kSending = "送信中"_sjis;
inline const std::string& kReceiving = "受信中"_sjis;
inline const std::string& kDone = "完了"_sjis;
inline const std::string& kSendFailed = "送信失敗"_sjis;
inline const std::string& kReceiveFailed = "受信失敗"_sjis;

inline const std::string& kBytes = "バイト"_sjis;

// Questions and messages.
inline const std::string& kAskStopAll = "全て中止しますか？"_sjis;
inline const std::string& kAskStopAllCaption = "終了確認"_sjis;
inline const std::string& kAskOverwrite = "上書きしますか？"_sjis;
inline const std::string& kAskOverwriteCaption = "上書き確認"_sjis;
inline const std::string& kTooLargeToSend = "4GB以上のファイルは送信できません。"_sjis;

// Dialog captions, column titles and buttons, for the windows.
inline const std::string& kSendDialogTitle = "ファイル送信"_sjis;
inline const std::string& kReceiveDialogTitle = "ファイル受信"_sjis;
inline const std::string& kColumnFileName = "ファイル名"_sjis;
inline const std::string& kColumnSize = "サイズ"_sjis;
inline const std::string& kColumnProgress = "状況"_sjis;
inline const std::string& kColumnSendTo = "送り先"_sjis;
inline const std::string& kColumnSentFrom = "送り元"_sjis;
inline const std::string& kColumnRoom = "部屋名"_sjis;
inline const std::string& kButtonSend = "送信"_sjis;
inline const std::string& kButtonSendAll = "全て送信"_sjis;
inline const std::string& kButtonReceive = "受信"_sjis;
inline const std::string& kButtonReceiveAll = "全て受信"_sjis;
inline const std::string& kButtonStop = "中止"_sjis;
inline const std::string& kButtonClose = "終了"_sjis;
inline const std::string& kButtonBrowse = "参照"_sjis;
inline const std::string& kLabelReceiveFolder = "受信フォルダ(&D):"_sjis;
inline const std::string& kBrowseTitle = "フォルダを指定して下さい。"_sjis;

}  // namespace vostrelle::transfer_text
