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
        <translation>Send</translation>
    </message>
    <message>
        <source>受信</source>
        <translation>Receive</translation>
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
        <translation>Sent, mean</translation>
    </message>
    <message>
        <source>受信平均</source>
        <translation>Received, mean</translation>
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
<context>
    <name>Core</name>
    <message>
        <source>現在の設定内容を表示する</source>
        <translation>Show the current settings</translation>
    </message>
    <message>
        <source>設定をデフォルトに戻す</source>
        <translation>Reset to defaults</translation>
    </message>
    <message>
        <source>Proxy接続設定</source>
        <translation>Proxy…</translation>
    </message>
    <message>
        <source>PortN接続用ニックネーム変更</source>
        <translation>Nickname for PortN…</translation>
    </message>
    <message>
        <source>[SecurityUP]ポート番号の変更</source>
        <translation>[Security] Change the port…</translation>
    </message>
    <message>
        <source>[SecurityUP]セキュリティーKeyの設定</source>
        <translation>[Security] Security key…</translation>
    </message>
    <message>
        <source>[SecurityUP]セキュリティーSubKeyの設定</source>
        <translation>[Security] Security sub-key…</translation>
    </message>
    <message>
        <source>[SecurityUP]送信要請受け入れの設定</source>
        <translation>[Security] Accept send requests…</translation>
    </message>
    <message>
        <source>負荷(Low)</source>
        <translation>Low load</translation>
    </message>
    <message>
        <source>負荷(High)</source>
        <translation>High load</translation>
    </message>
    <message>
        <source>負荷(任意設定)</source>
        <translation>Custom load…</translation>
    </message>
    <message>
        <source>MD5Checkする</source>
        <translation>Check MD5</translation>
    </message>
    <message>
        <source>MD5Checkしない</source>
        <translation>Do not check MD5</translation>
    </message>
    <message>
        <source>LSTで最終確認をする・しない</source>
        <translation>Final check with LST…</translation>
    </message>
    <message>
        <source>FileMode(更新時上書き)</source>
        <translation>Overwrite when newer</translation>
    </message>
    <message>
        <source>FileMode(上書き)</source>
        <translation>Always overwrite</translation>
    </message>
    <message>
        <source>FileMode(改名)</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>IP別にフォルダを作成する</source>
        <translation>A folder per peer address</translation>
    </message>
    <message>
        <source>IP別にフォルダを作成しない</source>
        <translation>No folder per peer address</translation>
    </message>
    <message>
        <source>Pack転送モード(小さいファイル向け)</source>
        <translation>Packed (for small files)</translation>
    </message>
    <message>
        <source>レジューム転送モード</source>
        <translation>Resumable</translation>
    </message>
    <message>
        <source>自動選択(Pack or レジューム)</source>
        <translation>Choose automatically (packed or resumable)</translation>
    </message>
    <message>
        <source>WAN（グローバルIP表示）</source>
        <translation>WAN (show the global address)</translation>
    </message>
    <message>
        <source>LAN （ローカルIP表示）</source>
        <translation>LAN (show the local address)</translation>
    </message>
    <message>
        <source>チャット機能を利用する</source>
        <translation>Chat on</translation>
    </message>
    <message>
        <source>チャット機能を利用しない</source>
        <translation>Chat off</translation>
    </message>
    <message>
        <source>音あり</source>
        <translation>Sounds on</translation>
    </message>
    <message>
        <source>音なし</source>
        <translation>Sounds off</translation>
    </message>
    <message>
        <source>送信→[最新]%1 KB/s(%2 Kbps)</source>
        <translation>Sending   latest  %1 KB/s (%2 kbit/s)</translation>
    </message>
    <message>
        <source>送信→[平均]%1 KB/s(%2 Kbps)</source>
        <translation>Sending   30s avg %1 KB/s (%2 kbit/s)</translation>
    </message>
    <message>
        <source>受信←[最新]%1 KB/s(%2 Kbps)</source>
        <translation>Receiving latest  %1 KB/s (%2 kbit/s)</translation>
    </message>
    <message>
        <source>受信←[平均]%1 KB/s(%2 Kbps)</source>
        <translation>Receiving 30s avg %1 KB/s (%2 kbit/s)</translation>
    </message>
    <message>
        <source>現在の送信バッファ=%1</source>
        <translation>Send buffer now: %1 bytes</translation>
    </message>
    <message>
        <source>最適=%1[NowCheck %2..]あと %3 秒</source>
        <translation>Best buffer so far: %1 (trying %2, %3 s to go)</translation>
    </message>
    <message>
        <source>最適=%1[NowCheck %2..]確定しました</source>
        <translation>Best buffer: %1 (last tried %2), settled</translation>
    </message>
    <message>
        <source>★最適=%1[NowCheck %2..]あと %3 秒</source>
        <translation>★Best buffer so far: %1 (trying %2, %3 s to go)</translation>
    </message>
    <message>
        <source>★最適=%1[NowCheck %2..]確定しました</source>
        <translation>★Best buffer: %1 (last tried %2), settled</translation>
    </message>
    <message>
        <source>%1 番ポート待ち受け中..</source>
        <translation>Listening on port %1…</translation>
    </message>
    <message>
        <source>%1 番ポートが開けません</source>
        <translation>Port %1 cannot be opened</translation>
    </message>
    <message>
        <source>・%1 ポートで待ち受けを再開</source>
        <translation>・Listening on port %1 again</translation>
    </message>
    <message>
        <source>【%1 と送信速度ﾁｪｯｸ中】%2</source>
        <translation>[Measuring the rate to %1] %2</translation>
    </message>
    <message>
        <source>【%1 と受信速度ﾁｪｯｸ中】%2</source>
        <translation>[Measuring the rate from %1] %2</translation>
    </message>
    <message>
        <source>【%1 より受信中..】%2</source>
        <translation>[Receiving from %1…] %2</translation>
    </message>
    <message>
        <source>【%1 と切断】%2</source>
        <translation>[Disconnected from %1] %2</translation>
    </message>
    <message>
        <source>【速度テスト終了(%1)】</source>
        <translation>[Speed test ended: %1]</translation>
    </message>
    <message>
        <source>【%1 に要請しました】%2</source>
        <translation>[Asked %1 to send] %2</translation>
    </message>
    <message>
        <source>【%1 が見つかりません】%2</source>
        <translation>[%1 cannot be reached] %2</translation>
    </message>
    <message>
        <source>【%1 より要請を受けました】</source>
        <translation>[%1 asks for test data]</translation>
    </message>
    <message>
        <source>【%1 よりからの要請を拒否しました】</source>
        <translation>[Refused the request of %1]</translation>
    </message>
    <message>
        <source>【%1 より接続テストを受信】</source>
        <translation>[Connection test from %1]</translation>
    </message>
    <message>
        <source>【%1 よりバッファ情報を受信】</source>
        <translation>[Buffer figures from %1]</translation>
    </message>
    <message>
        <source>【%1 から不明なデータ受信】%2</source>
        <translation>[Unknown data from %1] %2</translation>
    </message>
    <message>
        <source>【%1 の転送ミス】</source>
        <translation>[Garbled request from %1]</translation>
    </message>
    <message>
        <source>【ＬＡＮモードのため %1 を拒否】</source>
        <translation>[Refused %1: LAN mode]</translation>
    </message>
    <message>
        <source>【%1 へ ファイル送信】</source>
        <translation>[Sending a file to %1]</translation>
    </message>
    <message>
        <source>【%1 よりファイル受信】</source>
        <translation>[Receiving a file from %1]</translation>
    </message>
    <message>
        <source>「%1(%2 Bytes)」</source>
        <translation>“%1” (%2 bytes)</translation>
    </message>
    <message>
        <source>・[%1 ～ %2 Byte]</source>
        <translation>・[bytes %1 to %2]</translation>
    </message>
    <message>
        <source>【%1件 完了[%2㍉秒]】送信エラー件数:%3</source>
        <translation>[%1 done in %2 ms] send errors: %3</translation>
    </message>
    <message>
        <source>【%1件 完了[%2㍉秒]】確認エラー件数:%3</source>
        <translation>[%1 done in %2 ms] check errors: %3</translation>
    </message>
    <message>
        <source>・LSTの最終確認待ち(%1ミリ秒)..</source>
        <translation>・Waiting %1 ms for the final check…</translation>
    </message>
    <message>
        <source>【ファイル受信に成功しました】Skip=%1</source>
        <translation>[File received] skipped: %1</translation>
    </message>
    <message>
        <source>・転送効率：%1 KBytes/s(%2 Kbps)</source>
        <translation>・Throughput: %1 KB/s (%2 kbit/s)</translation>
    </message>
    <message>
        <source>・受信サイズエラー(%1 / %2)</source>
        <translation>・Wrong size: %1 of %2 bytes received</translation>
    </message>
    <message>
        <source>・%1 を受信しました(%2 Bytes)</source>
        <translation>・Received %1 (%2 bytes)</translation>
    </message>
    <message>
        <source>「送信中の為、%1個のファイルを予約しました」</source>
        <translation>“A send is running: %1 files queued”</translation>
    </message>
    <message>
        <source>【送信エラー】%1: %2</source>
        <translation>[Send error] %1: %2</translation>
    </message>
    <message>
        <source>・使えないファイル名です[%1]</source>
        <translation>・Unusable file name [%1]</translation>
    </message>
    <message>
        <source>【下記の %1 個のファイルが未完了です】</source>
        <translation>[These %1 files are incomplete]</translation>
    </message>
    <message>
        <source>【現在の設定】LANモード(port=%1)</source>
        <translation>[Current settings] LAN mode (port %1)</translation>
    </message>
    <message>
        <source>【現在の設定】WANモード(port=%1)</source>
        <translation>[Current settings] WAN mode (port %1)</translation>
    </message>
    <message>
        <source>(処理負荷　)◆負荷(High:0)</source>
        <translation>(Load)◆High</translation>
    </message>
    <message>
        <source>(処理負荷　)◆負荷(Low:%1)</source>
        <translation>(Load)◆Low (%1)</translation>
    </message>
    <message>
        <source>(ＬＡＮ側IP)◆%1</source>
        <translation>(LAN address)◆%1</translation>
    </message>
    <message>
        <source>(ＷＡＮ側IP)◆%1</source>
        <translation>(WAN address)◆%1</translation>
    </message>
    <message>
        <source>送信,%1%(%2/%3 KB)%4 KB/s[残%5秒]</source>
        <translation>Sending %1% (%2/%3 KB) %4 KB/s, %5 s left</translation>
    </message>
    <message>
        <source>送信,%1%(%2/%3 MB)%4 KB/s[残%5秒]</source>
        <translation>Sending %1% (%2/%3 MB) %4 KB/s, %5 s left</translation>
    </message>
    <message>
        <source>受信,%1%(%2/%3 KB)%4 KB/s[残%5秒]</source>
        <translation>Receiving %1% (%2/%3 KB) %4 KB/s, %5 s left</translation>
    </message>
    <message>
        <source>受信,%1%(%2/%3 MB)%4 KB/s[残%5秒]</source>
        <translation>Receiving %1% (%2/%3 MB) %4 KB/s, %5 s left</translation>
    </message>
    <message>
        <source>くおるべ[ファイル %1/%2]</source>
        <translation>Quorvane [file %1 of %2]</translation>
    </message>
    <message>
        <source>●●ＷＡＮ側からのアクセスを拒否する設定です●●</source>
        <translation>●● Access from the WAN side is refused ●●</translation>
    </message>
    <message>
        <source>(受信Ｆ処理)◆更新時上書き</source>
        <translation>(Received files)◆Overwrite when newer</translation>
    </message>
    <message>
        <source>(受信Ｆ処理)◆上書き</source>
        <translation>(Received files)◆Always overwrite</translation>
    </message>
    <message>
        <source>(受信Ｆ処理)◆改名</source>
        <translation>(Received files)◆Rename</translation>
    </message>
    <message>
        <source>(MD5Check　)◆チェックする</source>
        <translation>(MD5 check)◆On</translation>
    </message>
    <message>
        <source>(MD5Check　)◆チェックしない</source>
        <translation>(MD5 check)◆Off</translation>
    </message>
    <message>
        <source>(転送モード)◆自動選択(Pack or レジューム)</source>
        <translation>(Transfer mode)◆Automatic (packed or resumable)</translation>
    </message>
    <message>
        <source>(転送モード)◆Pack転送モード(小さいファイル向け)</source>
        <translation>(Transfer mode)◆Packed (for small files)</translation>
    </message>
    <message>
        <source>(転送モード)◆レジューム転送モード</source>
        <translation>(Transfer mode)◆Resumable</translation>
    </message>
    <message>
        <source>★コネクションを切断しました★</source>
        <translation>★ Connection closed ★</translation>
    </message>
    <message>
        <source>送信を中断</source>
        <translation>Sending stopped</translation>
    </message>
    <message>
        <source>　（Pack転送モード時のSKIP数を含む）</source>
        <translation>　(skipped files of a packed transfer included)</translation>
    </message>
    <message>
        <source>接続テストに成功しました</source>
        <translation>Connection test succeeded</translation>
    </message>
    <message>
        <source>・受信完了</source>
        <translation>・Received</translation>
    </message>
    <message>
        <source>・送信中..</source>
        <translation>・Sending…</translation>
    </message>
    <message>
        <source>・ファイル読み込み中..</source>
        <translation>・Reading the file…</translation>
    </message>
    <message>
        <source>・MD5ﾊｯｼｭ値取得中..</source>
        <translation>・Computing the MD5 digest…</translation>
    </message>
    <message>
        <source>・MD5ﾊｯｼｭ値チェック中..</source>
        <translation>・Checking the MD5 digest…</translation>
    </message>
    <message>
        <source>・ファイル書き込み中..</source>
        <translation>・Writing the file…</translation>
    </message>
    <message>
        <source>送信を開始します</source>
        <translation>Sending starts</translation>
    </message>
    <message>
        <source>【SKIP】最新ファイルがあります</source>
        <translation>[SKIP] The newest copy is already here</translation>
    </message>
    <message>
        <source>【ファイル受信に成功しました】</source>
        <translation>[File received]</translation>
    </message>
    <message>
        <source>【ファイル受信に失敗しました】</source>
        <translation>[File receive failed]</translation>
    </message>
    <message>
        <source>■TEST接続中..■</source>
        <translation>■ Testing the connection… ■</translation>
    </message>
    <message>
        <source>相手先を設定してください</source>
        <translation>Enter the peer first</translation>
    </message>
    <message>
        <source>切断されました</source>
        <translation>the connection was closed</translation>
    </message>
    <message>
        <source>停止ボタンが押されました</source>
        <translation>Stop was pressed</translation>
    </message>
    <message>
        <source>接続エラー</source>
        <translation>cannot connect</translation>
    </message>
    <message>
        <source>タイムアウト</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>ホスト解決エラー</source>
        <translation>host name not found</translation>
    </message>
    <message>
        <source>応答がありません</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>データがありません</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>送信サイズが相違します</source>
        <translation>the sizes differ</translation>
    </message>
    <message>
        <source>Proxy接続エラー</source>
        <translation>cannot connect through the proxy</translation>
    </message>
    <message>
        <source>ソケットオープンエラー</source>
        <translation>cannot open a socket</translation>
    </message>
</context>
</TS>
