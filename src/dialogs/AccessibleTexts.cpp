#include "dialogs/AccessibleTexts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <cstring>

namespace vostrelle {
namespace {

struct Text {
  const char* window;   // the class of the window, without its namespace
  const char* control;  // the control's object name
  const char* name;     // empty: the control's own label or text
  const char* description;
};

// One table for all windows, so the wording stays alike from one dialog to the next.
constexpr Text kTexts[] = {
    {"CConnectSettingDlg", "edit1000", "名前", "部屋で名乗る名前、16 バイトまで"},
    {"CConnectSettingDlg", "edit1005", "部屋名",
     "参加する部屋の名前、16 バイトまで。空なら既定の部屋"},
    {"CConnectSettingDlg", "edit1001", "本名", "情報を求められたときに伝える本名、64 バイトまで"},
    {"CConnectSettingDlg", "edit1003", "接続先",
     "部屋のあるネットワークのアドレス。「選択」で選びます"},
    {"CConnectSettingDlg", "edit1004", "ネットマスク", "接続先のネットワークのマスク"},
    {"CConnectSettingDlg", "button1006", "選択", "ローカルネットワークから接続先を選びます"},
    {"CConnectListDlg", "list1014", "接続先一覧", "保存された接続設定の部屋名と接続先"},
    {"CConnectListDlg", "button1015", "新規", "接続設定を追加します"},
    {"CConnectListDlg", "button1016", "変更", "選択した接続設定を変更します"},
    {"CConnectListDlg", "button1017", "削除", "選択した接続設定をすぐに削除します"},
    {"CConnectListDlg", "button1033", "上へ", "選択した接続設定を一つ上へ移します"},
    {"CConnectListDlg", "button1034", "下へ", "選択した接続設定を一つ下へ移します"},
    {"CConnectListDlg", "button1020", "再接続", "一覧の設定で部屋に接続し直します"},
    {"CConnectListDlg", "button1", "決定", "一覧を閉じます"},
    {"CSelectAddressDlg", "list1007", "ネットワーク一覧", "接続先にできるローカルネットワーク"},
    {"CNameDlg", "edit1000", "名前", "新しい名前、16 バイトまで"},
    {"CSettingsFolderDlg", "edit1031", "フォルダ", "設定ファイルを保存するフォルダ"},
    {"CSettingsFolderDlg", "button1032", "参照",
     "設定ファイルの保存先をフォルダの一覧から選びます"},
    {"COptionsSheet", "edit1028", "ファイル受信フォルダ", "受信したファイルを保存するフォルダ"},
    {"COptionsSheet", "button1036", "参照", "受信ファイルの保存先をフォルダの一覧から選びます"},
    {"COptionsSheet", "hotkey1054", "ホットキー",
     "最小化状態を切り替えるキー。押したキーの組み合わせが入ります"},
    {"COptionsSheet", "check1011", "", "名前を呼ばれたときトレイアイコンを動かします"},
    {"COptionsSheet", "check1055", "", "名前を呼ばれたとき最小化状態から元に戻します"},
    {"COptionsSheet", "check1009", "", "最小化するとタスクトレイのアイコンだけになります"},
    {"COptionsSheet", "check1012", "", "起動したとき最小化しておきます"},
    {"COptionsSheet", "check1056", "", "ホットキーで最小化と復元を切り替えます"},
    {"COptionsSheet", "check1057", "", "終了する前に確認します"},
    {"COptionsSheet", "button1038", "チャットウィンドウのフォントの変更",
     "発言を表示するフォントを選びます"},
    {"COptionsSheet", "button1046", "メンバーウィンドウのフォントの変更",
     "メンバー一覧のフォントを選びます"},
    {"COptionsSheet", "button1049", "ルームウィンドウのフォントの変更",
     "部屋一覧のフォントを選びます"},
    {"COptionsSheet", "button1050", "まとめて変更", "三つのウィンドウのフォントをまとめて選びます"},
    {"COptionsSheet", "sample1044", "チャットウィンドウのフォント", "選んだフォントの名前と大きさ"},
    {"COptionsSheet", "sample1047", "メンバーウィンドウのフォント", "選んだフォントの名前と大きさ"},
    {"COptionsSheet", "sample1048", "ルームウィンドウのフォント", "選んだフォントの名前と大きさ"},
    {"COptionsSheet", "check1051", "", "チャットの内容を日ごとのログファイルに保存します"},
    {"COptionsSheet", "edit1052", "ログの保存先フォルダ", "ログファイルを保存するフォルダ"},
    {"COptionsSheet", "button1053", "参照", "ログの保存先をフォルダの一覧から選びます"},
    {"CSendFileDlg", "list1023", "送信ファイル一覧",
     "ファイル名、サイズ、進み具合、送信先、部屋、状態"},
    {"CSendFileDlg", "button1024", "送信", "選択したファイルの送信を始めます"},
    {"CSendFileDlg", "button1025", "全て送信", "待っているファイルを全て送信します"},
    {"CSendFileDlg", "button1026", "中止", "選択した送信を中止します"},
    {"CSendFileDlg", "buttonOk", "終了", "送信ウィンドウを閉じます"},
    {"CReceiveFileDlg", "list1023", "受信ファイル一覧",
     "ファイル名、サイズ、進み具合、送信元、部屋、状態"},
    {"CReceiveFileDlg", "edit1028", "ファイル受信フォルダ", "受信したファイルを保存するフォルダ"},
    {"CReceiveFileDlg", "button1029", "参照", "受信ファイルの保存先をフォルダの一覧から選びます"},
    {"CReceiveFileDlg", "button1025", "受信", "選択したファイルを受信します"},
    {"CReceiveFileDlg", "button1026", "全て受信", "待っているファイルを全て受信します"},
    {"CReceiveFileDlg", "button1030", "中止", "選択した受信を中止します"},
    {"CReceiveFileDlg", "buttonOk", "終了", "受信ウィンドウを閉じます"},
};

// A label or button text as it is read out: no mnemonic, no closing colon.
QString Spoken(QString text) {
  static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|&(?=.)"));
  text.remove(mnemonic);
  while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A))) text.chop(1);
  return text.trimmed();
}

QString ClassName(const QWidget* window) {
  QString name = QString::fromLatin1(window->metaObject()->className());
  return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}

}  // namespace

void DescribeControls(QWidget* window) {
  const QString windowClass = ClassName(window);
  QHash<const QWidget*, QString> labelOf;
  for (const QLabel* label : window->findChildren<QLabel*>())
    if (label->buddy()) labelOf.insert(label->buddy(), Spoken(label->text()));

  for (QWidget* control : window->findChildren<QWidget*>()) {
    const bool edit = qobject_cast<QLineEdit*>(control) != nullptr;
    const bool button = qobject_cast<QAbstractButton*>(control) != nullptr;
    const bool list = qobject_cast<QAbstractItemView*>(control) != nullptr &&
                      !qobject_cast<QAbstractItemView*>(control->parentWidget());
    const Text* text = nullptr;
    for (const Text& entry : kTexts)
      if (windowClass == QLatin1String(entry.window) &&
          control->objectName() == QLatin1String(entry.control))
        text = &entry;
    if (!text && !edit && !button && !list) continue;

    QString name = text && *text->name ? QString::fromUtf8(text->name) : QString();
    if (name.isEmpty() && labelOf.contains(control)) name = labelOf.value(control);
    if (name.isEmpty() && button) name = Spoken(static_cast<QAbstractButton*>(control)->text());
    if (!name.isEmpty()) control->setAccessibleName(name);

    QString description = text ? QString::fromUtf8(text->description) : QString();
    if (description.isEmpty() && button) {
      if (auto* box = qobject_cast<QDialogButtonBox*>(control->parentWidget())) {
        switch (box->buttonRole(static_cast<QAbstractButton*>(control))) {
          case QDialogButtonBox::AcceptRole:
            description = QStringLiteral("入力した内容で決定し、閉じます");
            break;
          case QDialogButtonBox::RejectRole:
            description = QStringLiteral("何も変えずに閉じます");
            break;
          default:
            break;
        }
      }
    }
    if (!description.isEmpty()) control->setAccessibleDescription(description);
  }
}

}  // namespace vostrelle
