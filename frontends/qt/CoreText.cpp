#include "frontends/qt/CoreText.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <map>

namespace qv::desktop {
namespace {

// The lines a user meets in a speed test, a file transfer and the settings summary,
// with their variable parts as %N. Two markers never stand side by side.
const std::vector<const char*> kPatterns = {
    // The rate display, once a second.
    QT_TRANSLATE_NOOP("Core", "送信→[最新]%1 KB/s(%2 Kbps)"),
    QT_TRANSLATE_NOOP("Core", "送信→[平均]%1 KB/s(%2 Kbps)"),
    QT_TRANSLATE_NOOP("Core", "受信←[最新]%1 KB/s(%2 Kbps)"),
    QT_TRANSLATE_NOOP("Core", "受信←[平均]%1 KB/s(%2 Kbps)"),
    QT_TRANSLATE_NOOP("Core", "現在の送信バッファ=%1"),
    QT_TRANSLATE_NOOP("Core", "最適=%1[NowCheck %2..]あと %3 秒"),
    QT_TRANSLATE_NOOP("Core", "最適=%1[NowCheck %2..]確定しました"),
    QT_TRANSLATE_NOOP("Core", "★最適=%1[NowCheck %2..]あと %3 秒"),
    QT_TRANSLATE_NOOP("Core", "★最適=%1[NowCheck %2..]確定しました"),
    // Listening, connections and speed tests.
    QT_TRANSLATE_NOOP("Core", "%1 番ポート待ち受け中.."),
    QT_TRANSLATE_NOOP("Core", "%1 番ポートが開けません"),
    QT_TRANSLATE_NOOP("Core", "・%1 ポートで待ち受けを再開"),
    QT_TRANSLATE_NOOP("Core", "【%1 と送信速度ﾁｪｯｸ中】%2"),
    QT_TRANSLATE_NOOP("Core", "【%1 と受信速度ﾁｪｯｸ中】%2"),
    QT_TRANSLATE_NOOP("Core", "【%1 より受信中..】%2"),
    QT_TRANSLATE_NOOP("Core", "【%1 と切断】%2"),
    QT_TRANSLATE_NOOP("Core", "【速度テスト終了(%1)】"),
    QT_TRANSLATE_NOOP("Core", "【%1 に要請しました】%2"),
    QT_TRANSLATE_NOOP("Core", "【%1 が見つかりません】%2"),
    QT_TRANSLATE_NOOP("Core", "【%1 より要請を受けました】"),
    QT_TRANSLATE_NOOP("Core", "【%1 よりからの要請を拒否しました】"),
    QT_TRANSLATE_NOOP("Core", "【%1 より接続テストを受信】"),
    QT_TRANSLATE_NOOP("Core", "【%1 よりバッファ情報を受信】"),
    QT_TRANSLATE_NOOP("Core", "【%1 から不明なデータ受信】%2"),
    QT_TRANSLATE_NOOP("Core", "【%1 の転送ミス】"),
    QT_TRANSLATE_NOOP("Core", "【ＬＡＮモードのため %1 を拒否】"),
    // File transfers.
    QT_TRANSLATE_NOOP("Core", "【%1 へ ファイル送信】"),
    QT_TRANSLATE_NOOP("Core", "【%1 よりファイル受信】"),
    QT_TRANSLATE_NOOP("Core", "「%1(%2 Bytes)」"),
    QT_TRANSLATE_NOOP("Core", "・[%1 ～ %2 Byte]"),
    QT_TRANSLATE_NOOP("Core", "【%1件 完了[%2㍉秒]】送信エラー件数:%3"),
    QT_TRANSLATE_NOOP("Core", "【%1件 完了[%2㍉秒]】確認エラー件数:%3"),
    QT_TRANSLATE_NOOP("Core", "・LSTの最終確認待ち(%1ミリ秒).."),
    QT_TRANSLATE_NOOP("Core", "【ファイル受信に成功しました】Skip=%1"),
    QT_TRANSLATE_NOOP("Core", "・転送効率：%1 KBytes/s(%2 Kbps)"),
    QT_TRANSLATE_NOOP("Core", "・受信サイズエラー(%1 / %2)"),
    QT_TRANSLATE_NOOP("Core", "・%1 を受信しました(%2 Bytes)"),
    QT_TRANSLATE_NOOP("Core", "「送信中の為、%1個のファイルを予約しました」"),
    QT_TRANSLATE_NOOP("Core", "【送信エラー】%1: %2"),
    QT_TRANSLATE_NOOP("Core", "・使えないファイル名です[%1]"),
    QT_TRANSLATE_NOOP("Core", "【下記の %1 個のファイルが未完了です】"),
    // The settings summary.
    QT_TRANSLATE_NOOP("Core", "【現在の設定】LANモード(port=%1)"),
    QT_TRANSLATE_NOOP("Core", "【現在の設定】WANモード(port=%1)"),
    QT_TRANSLATE_NOOP("Core", "(処理負荷　)◆負荷(Low:%1)"),
    QT_TRANSLATE_NOOP("Core", "(ＬＡＮ側IP)◆%1"),
    QT_TRANSLATE_NOOP("Core", "(ＷＡＮ側IP)◆%1"),
    // The window title while a file moves.
    QT_TRANSLATE_NOOP("Core", "送信,%1%(%2/%3 KB)%4 KB/s[残%5秒]"),
    QT_TRANSLATE_NOOP("Core", "送信,%1%(%2/%3 MB)%4 KB/s[残%5秒]"),
    QT_TRANSLATE_NOOP("Core", "受信,%1%(%2/%3 KB)%4 KB/s[残%5秒]"),
    QT_TRANSLATE_NOOP("Core", "受信,%1%(%2/%3 MB)%4 KB/s[残%5秒]"),
    QT_TRANSLATE_NOOP("Core", "くおるべ[ファイル %1/%2]"),
};

// A pattern as a regular expression: its literal text around one lazy capture per
// marker; `head` and `tail` let most lines be passed over without matching.
struct LinePattern {
    const char* source;
    QString head, tail;
    QRegularExpression expression;
    std::vector<int> markers;  // the N of each capture, in order
};

const QRegularExpression& markerExpression() {
    static const QRegularExpression marker(QStringLiteral("%([1-9])"));
    return marker;
}

LinePattern compile(const char* source) {
    LinePattern pattern{source, {}, {}, {}, {}};
    QString text = QString::fromUtf8(source);
    QString expression = QStringLiteral("^");
    qsizetype at = 0;
    QRegularExpressionMatchIterator markers = markerExpression().globalMatch(text);
    while (markers.hasNext()) {
        QRegularExpressionMatch marker = markers.next();
        QString literal = text.mid(at, marker.capturedStart() - at);
        if (pattern.markers.empty()) pattern.head = literal;
        expression += QRegularExpression::escape(literal) + QStringLiteral("(.*?)");
        pattern.markers.push_back(marker.captured(1).toInt());
        at = marker.capturedEnd();
    }
    pattern.tail = text.mid(at);
    pattern.expression = QRegularExpression(expression + QRegularExpression::escape(pattern.tail) +
                                            QStringLiteral("$"));
    return pattern;
}

const std::vector<LinePattern>& compiledPatterns() {
    static const std::vector<LinePattern> patterns = [] {
        std::vector<LinePattern> compiled;
        for (const char* source : kPatterns)
            compiled.push_back(compile(source));
        return compiled;
    }();
    return patterns;
}

QString translateWhole(const QString& text) {
    if (text.isEmpty()) return text;
    return QCoreApplication::translate("Core", text.toUtf8().constData());
}

// `english` with each %N replaced by the part the marker N captured (in one pass, so
// a part that holds "%2" stays as it is).
QString fillIn(const QString& english, const std::map<int, QString>& parts) {
    QString filled;
    for (qsizetype i = 0; i < english.size(); ++i) {
        QChar next = i + 1 < english.size() ? english[i + 1] : QChar();
        auto part = parts.find(next.digitValue());
        if (english[i] == QLatin1Char('%') && part != parts.end()) {
            filled += part->second;
            ++i;
        } else {
            filled += english[i];
        }
    }
    return filled;
}

QString translateByPattern(const QString& line) {
    for (const LinePattern& pattern : compiledPatterns()) {
        if (!line.startsWith(pattern.head) || !line.endsWith(pattern.tail)) continue;
        QRegularExpressionMatch match = pattern.expression.match(line);
        if (!match.hasMatch()) continue;
        std::map<int, QString> parts;
        for (std::size_t i = 0; i < pattern.markers.size(); ++i)
            parts[pattern.markers[i]] = translateWhole(match.captured(static_cast<int>(i) + 1));
        return fillIn(QCoreApplication::translate("Core", pattern.source), parts);
    }
    return line;
}

}  // namespace

QString translateCoreLine(const QString& line) {
    qsizetype end = line.size();
    while (end > 0 && line[end - 1] == QLatin1Char(' '))
        --end;
    QString body = line.left(end);
    if (body.isEmpty()) return line;
    QString english = translateWhole(body);
    if (english == body) english = translateByPattern(body);
    return english + line.mid(end);
}

const std::vector<const char*>& coreLinePatterns() {
    return kPatterns;
}

}  // namespace qv::desktop
