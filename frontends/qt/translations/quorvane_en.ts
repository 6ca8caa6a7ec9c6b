<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>MainWindow</name>
    <message>
        <source>各種設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>PortN接続</source>
        <translation>PortN connect</translation>
    </message>
    <message>
        <source>TEST</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send test</translation>
    </message>
    <message>
        <source>受信</source>
        <translation>Receive test</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>受信フォルダを開く</source>
        <translation>Open received folder</translation>
    </message>
    <message>
        <source>未完ﾁｪｯｸ</source>
        <translation>Check incomplete</translation>
    </message>
    <message>
        <source>自分の公開フォルダ</source>
        <translation>My shared folders</translation>
    </message>
    <message>
        <source>相手の公開リスト</source>
        <translation>Peer's shared list</translation>
    </message>
    <message>
        <source>送る</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>消</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>送るファイルを選ぶ…</source>
        <translation>Choose files to send…</translation>
    </message>
    <message>
        <source>相手(例 192.168.1.1:9001:山田)
※ポート番号以降は省略可</source>
        <translation>Peer (e.g. 192.168.1.1:9001:Yamada)
The port and name may be left out</translation>
    </message>
    <message>
        <source>BUF</source>
        <translation>Buffer</translation>
    </message>
    <message>
        <source>自動調整値＝</source>
        <translation>Auto-tune values =</translation>
    </message>
    <message>
        <source>※File送信は、D＆Dです</source>
        <translation>Drop files here to send them</translation>
    </message>
    <message>
        <source>ﾁｬｯﾄ</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>TcpWindowSize</source>
        <translation>TCP window size</translation>
    </message>
    <message>
        <source>→</source>
        <translation>→</translation>
    </message>
    <message>
        <source>自動調整(約3分で確定します)</source>
        <translation>Auto-tune (settles in about 3 minutes)</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>ファイル…</source>
        <translation>Files…</translation>
    </message>
    <message>
        <source>フォルダ…</source>
        <translation>Folder…</translation>
    </message>
    <message>
        <source>送るフォルダ</source>
        <translation>Folder to send</translation>
    </message>
    <message>
        <source>送るファイル</source>
        <translation>Files to send</translation>
    </message>
    <message>
        <source>開けません</source>
        <translation>Cannot open</translation>
    </message>
    <message>
        <source>これを開くプログラムがありません:
%1</source>
        <translation>No program is available to open:
%1</translation>
    </message>
    <message>
        <source>%1/%2 件</source>
        <translation>file %1 of %2</translation>
    </message>
    <message>
        <source>完了</source>
        <translation>done</translation>
    </message>
    <message>
        <source>残り %1 分 %2 秒</source>
        <translation>%1 min %2 s left</translation>
    </message>
    <message>
        <source>残り %1 秒</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>設定と接続履歴を保存せずに終了しますか？
(保存して終わるには、ウィンドウを閉じてください)</source>
        <translation>Quit without saving the settings and the peer history?
(Close the window to quit and save.)</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>結果の履歴</source>
        <translation>Result history</translation>
    </message>
    <message>
        <source>速度テストの結果の行をクリップボードにコピーします</source>
        <translation>Copies the speed test&apos;s result line to the clipboard</translation>
    </message>
    <message>
        <source>これまでの速度テストと転送の結果を表にします (Ctrl+H)</source>
        <translation>A table of the past speed tests and transfers (Ctrl+H)</translation>
    </message>
    <message>
        <source>ファイルを受信しました</source>
        <translation>Files received</translation>
    </message>
</context>
<context>
    <name>ResultHistoryDialog</name>
    <message>
        <source>結果の履歴</source>
        <translation>Result history</translation>
    </message>
    <message>
        <source>CSVに書き出す</source>
        <translation>Export as CSV</translation>
    </message>
    <message>
        <source>CSVに書き出す…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>CSV ファイル (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>まだ結果がありません</source>
        <translation>No results yet</translation>
    </message>
    <message>
        <source>日時</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>相手</source>
        <translation>Peer</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Average</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>TCP</source>
        <translation>TCP</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>受信</source>
        <translation>Receive</translation>
    </message>
    <message>
        <source>速度テスト</source>
        <translation>Speed test</translation>
    </message>
    <message>
        <source>ファイル転送</source>
        <translation>File transfer</translation>
    </message>
    <message>
        <source>書き出せません</source>
        <translation>Cannot export</translation>
    </message>
    <message>
        <source>このファイルには書き出せません:
%1</source>
        <translation>This file cannot be written:
%1</translation>
    </message>
</context>
<context>
    <name>RatePlot</name>
    <message>
        <source>送信</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>受信</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>送信平均</source>
        <translation>Sent, average</translation>
    </message>
    <message>
        <source>受信平均</source>
        <translation>Received, average</translation>
    </message>
    <message>
        <source>Mbit/s</source>
        <translation>Mbit/s</translation>
    </message>
    <message>
        <source>経過時間 (分)</source>
        <translation>Elapsed time (min)</translation>
    </message>
    <message>
        <source>経過時間 (秒)</source>
        <translation>Elapsed time (s)</translation>
    </message>
    <message>
        <source>%1 分</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>Quorvane「くおるべ」</source>
        <translation>Quorvane</translation>
    </message>
    <message>
        <source>バージョン %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>ライセンス: %1</source>
        <translation>Licence: %1</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About Quorvane</translation>
    </message>
    <message>
        <source>ﾏﾆｭｱﾙを開く</source>
        <translation>Open the manual</translation>
    </message>
</context>
<context>
    <name>SettingsMenu</name>
    <message>
        <source>表示言語 (Language)</source>
        <translation>Language (表示言語)</translation>
    </message>
    <message>
        <source>負荷モード選択</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>MD5チェック選択</source>
        <translation>MD5 check</translation>
    </message>
    <message>
        <source>ファイル書き込み選択</source>
        <translation>Writing files</translation>
    </message>
    <message>
        <source>転送モード選択</source>
        <translation>Transfer mode</translation>
    </message>
    <message>
        <source>WAN/LANモードの選択</source>
        <translation>WAN/LAN mode</translation>
    </message>
    <message>
        <source>チャット機能設定</source>
        <translation>Chat</translation>
    </message>
</context>
<context>
    <name>PublicFolderDialog</name>
    <message>
        <source>「%1」でフォルダを選ぶと、その中のファイルを相手が受け取れます</source>
        <translation>Choose a folder with “%1”: the peer can then fetch the files in it</translation>
    </message>
</context>
</TS>
