#include "app/commandline.h"

#include "common/version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDate>
#include <QRegularExpression>

#include <array>

namespace marbolt {

namespace {

// The program's options, once: the parser, the help and the checks of
// which option goes with which mode all read this table.
enum class Belongs { Any, Check, Compare, History };

struct OptionRow {
    const char *names[2];
    const char *valueName;  // nullptr: a switch
    const char *description;
    Belongs belongs;
};

constexpr std::array kOptions{
    OptionRow{{"h", "help"}, nullptr, "この説明を表示して終わります", Belongs::Any},
    OptionRow{{"v", "version"}, nullptr, "バージョンを表示して終わります", Belongs::Any},
    OptionRow{{"check", nullptr}, "FILE",
              "FILE を送信前チェックし、見つかった箇所を\n"
              "「FILE:行:桁: 種類: 行の文字」の形で表示します。\n"
              "終了コード: 0 なし、1 あり、2 読めない・指定の誤り",
              Belongs::Any},
    OptionRow{{"code", nullptr}, "ISO|EIA|NONE",
              "--check で使うコード(省略すると設定ファイルの CODE)", Belongs::Check},
    OptionRow{{"compare", nullptr}, nullptr,
              "左右2つの FILE を、NC機が読むブロックで照合し、\n"
              "違いを表示します。\n"
              "終了コード: 0 同じ、1 違いあり、2 読めない・指定の誤り",
              Belongs::Any},
    OptionRow{{"stats", nullptr}, "FILE",
              "FILE の各プログラムのブロック数、工具、範囲、送り、\n"
              "加工時間の見積り(設定ファイルの機械で)を表示します。\n"
              "終了コード: 0 表示した、2 読めない・指定の誤り",
              Belongs::Any},
    OptionRow{{"restart", nullptr}, "FILE",
              "FILE のシーケンス番号 N のブロックから再開するときに\n"
              "送る内容(O行、状態を戻すヘッダ、残りのプログラム)を\n"
              "表示します(例: --restart part.nc N1020)。\n"
              "終了コード: 0 表示した、1 そのブロックがない、2 読めない・指定の誤り",
              Belongs::Any},
    OptionRow{{"history", nullptr}, nullptr,
              "送受信履歴を新しい順に「日時 機械 送信/受信 プログラム\n"
              "コメント 結果 バイト 記録者 版」の形で表示します。\n"
              "終了コード: 0 表示した、1 該当なし、2 読めない・指定の誤り",
              Belongs::Any},
    OptionRow{{"machine", nullptr}, "NAME", "履歴: その機械の送受信だけ", Belongs::History},
    OptionRow{{"program", nullptr}, "O1234", "履歴: そのプログラムの送受信だけ", Belongs::History},
    OptionRow{{"from", nullptr}, "YYYY-MM-DD", "履歴: その日から", Belongs::History},
    OptionRow{{"to", nullptr}, "YYYY-MM-DD", "履歴: その日まで", Belongs::History},
    OptionRow{{"limit", nullptr}, "N", "履歴: 新しいものから N 件(省略すると 100)", Belongs::History},
    OptionRow{{"show", nullptr}, "VERSION",
              "履歴: その版(履歴の「版」、先頭の6文字以上)の\nプログラムをそのまま出力します", Belongs::History},
    OptionRow{{"keep-n", nullptr}, nullptr, "照合: ブロック先頭のシーケンス番号(N)も比べます", Belongs::Compare},
    OptionRow{{"keep-blanks", nullptr}, nullptr, "照合: 空白も比べます", Belongs::Compare},
    OptionRow{{"keep-comments", nullptr}, nullptr, "照合: コメントも比べます", Belongs::Compare},
    OptionRow{{"text-numbers", nullptr}, nullptr,
              "照合: 数値を値でなく文字のまま比べます\n(X3.1 と X3.100 は別)", Belongs::Compare},
};

// The toolkit's own options, which QApplication takes out of the
// arguments itself: accepted here so that they reach it, never shown.
struct QtOption {
    const char *name;
    bool takesValue;
};
constexpr std::array kQtOptions{
    QtOption{"style", true},         QtOption{"stylesheet", true},  QtOption{"widgetcount", false},
    QtOption{"reverse", false},      QtOption{"qmljsdebugger", true}, QtOption{"platform", true},
    QtOption{"platformpluginpath", true}, QtOption{"platformtheme", true}, QtOption{"plugin", true},
    QtOption{"qwindowgeometry", true}, QtOption{"qwindowicon", true}, QtOption{"qwindowtitle", true},
    QtOption{"session", true},       QtOption{"display", true},     QtOption{"geometry", true},
    QtOption{"title", true},         QtOption{"name", true},        QtOption{"nograb", false},
    QtOption{"dograb", false},       QtOption{"sync", false},
};

QStringList namesOf(const OptionRow &row)
{
    QStringList names{QString::fromLatin1(row.names[0])};
    if (row.names[1])
        names << QString::fromLatin1(row.names[1]);
    return names;
}

QString longName(const OptionRow &row)
{
    return QString::fromLatin1(row.names[1] ? row.names[1] : row.names[0]);
}

void fill(QCommandLineParser &parser)
{
    // "-platform xcb" as Qt writes its options: one dash, a whole word.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow &row : kOptions) {
        QCommandLineOption option(namesOf(row), QString::fromUtf8(row.description));
        if (row.valueName)
            option.setValueName(QString::fromUtf8(row.valueName));
        parser.addOption(option);
    }
    for (const QtOption &qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("起動時に開くNCファイル(--compare では左と右の2つ)"),
                                 QStringLiteral("[FILE]"));
}

CommandLine mistake(const QString &what)
{
    CommandLine line;
    line.kind = CommandKind::Mistake;
    line.mistake = what;
    return line;
}

}  // namespace

CommandLine readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    fill(parser);
    if (!parser.parse(arguments))
        return mistake(parser.errorText());

    const bool check = parser.isSet(QStringLiteral("check"));
    const bool compare = parser.isSet(QStringLiteral("compare"));
    const bool stats = parser.isSet(QStringLiteral("stats"));
    const bool restart = parser.isSet(QStringLiteral("restart"));
    const bool history = parser.isSet(QStringLiteral("history"));
    for (const OptionRow &row : kOptions) {
        const QString name = longName(row);
        if (!parser.isSet(name))
            continue;
        if (row.belongs == Belongs::Check && !check)
            return mistake(QStringLiteral("--%1 は --check と共に使います。").arg(name));
        if (row.belongs == Belongs::Compare && !compare)
            return mistake(QStringLiteral("--%1 は --compare と共に使います。").arg(name));
        if (row.belongs == Belongs::History && !history)
            return mistake(QStringLiteral("--%1 は --history と共に使います。").arg(name));
        if (row.valueName && parser.values(name).size() > 1)
            return mistake(QStringLiteral("--%1 が2回以上あります。").arg(name));
    }

    CommandLine line;
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("help"))) {
        line.kind = CommandKind::Help;
    } else if (parser.isSet(QStringLiteral("version"))) {
        line.kind = CommandKind::Version;
    } else if (int(check) + int(compare) + int(stats) + int(restart) + int(history) > 1) {
        return mistake(QStringLiteral("--check、--compare、--stats、--restart、--history は同時に使えません。"));
    } else if (history) {
        line.kind = CommandKind::History;
        if (!files.isEmpty())
            return mistake(QStringLiteral("--history はファイルを取りません: %1").arg(files.first()));
        CommandLine::History &h = line.history;
        h.machine = parser.value(QStringLiteral("machine"));
        h.program = parser.value(QStringLiteral("program")).toUpper();
        static const QRegularExpression number(QStringLiteral("^O?[0-9]{1,9}$"));
        if (parser.isSet(QStringLiteral("program")) && !number.match(h.program).hasMatch())
            return mistake(QStringLiteral("--program はプログラム番号です (例: O1234): %1").arg(h.program));
        for (const char *day : {"from", "to"}) {
            const QString value = parser.value(QLatin1String(day));
            if (parser.isSet(QLatin1String(day)) && !QDate::fromString(value, Qt::ISODate).isValid())
                return mistake(QStringLiteral("--%1 は日付です (例: 2026-12-05): %2").arg(QLatin1String(day), value));
        }
        h.from = parser.value(QStringLiteral("from"));
        h.to = parser.value(QStringLiteral("to"));
        if (parser.isSet(QStringLiteral("limit"))) {
            bool ok = false;
            h.limit = parser.value(QStringLiteral("limit")).toInt(&ok);
            if (!ok || h.limit <= 0)
                return mistake(QStringLiteral("--limit は1以上の数です: %1").arg(parser.value(QStringLiteral("limit"))));
        }
        h.show = parser.value(QStringLiteral("show")).toLower();
        static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{6,64}$"));
        if (parser.isSet(QStringLiteral("show")) && !hex.match(h.show).hasMatch())
            return mistake(QStringLiteral("--show には履歴の「版」を6文字以上: %1").arg(parser.value(QStringLiteral("show"))));
    } else if (restart) {
        line.kind = CommandKind::Restart;
        line.file = parser.value(QStringLiteral("restart"));
        if (line.file.isEmpty())
            return mistake(QStringLiteral("--restart にファイルがありません。"));
        static const QRegularExpression sequence(QStringLiteral("^[Nn]?[0-9]{1,5}$"));
        if (files.size() != 1 || !sequence.match(files.first()).hasMatch())
            return mistake(QStringLiteral("--restart には再開するブロックのシーケンス番号が1つ要ります (例: N1020)。"));
        line.block = files.first();
    } else if (stats) {
        line.kind = CommandKind::Stats;
        line.file = parser.value(QStringLiteral("stats"));
        if (line.file.isEmpty())
            return mistake(QStringLiteral("--stats にファイルがありません。"));
        if (!files.isEmpty())
            return mistake(QStringLiteral("--stats で読むファイルは1つです: %1").arg(files.first()));
    } else if (check) {
        line.kind = CommandKind::Check;
        line.file = parser.value(QStringLiteral("check"));
        line.code = parser.value(QStringLiteral("code")).toUpper();
        if (line.file.isEmpty())
            return mistake(QStringLiteral("--check にファイルがありません。"));
        if (!line.code.isEmpty() && line.code != QLatin1String("ISO") && line.code != QLatin1String("EIA")
            && line.code != QLatin1String("NONE"))
            return mistake(QStringLiteral("--code は ISO、EIA、NONE のどれかです: %1").arg(parser.value(QStringLiteral("code"))));
        if (!files.isEmpty())
            return mistake(QStringLiteral("--check で調べるファイルは1つです: %1").arg(files.first()));
    } else if (compare) {
        line.kind = CommandKind::Compare;
        if (files.size() != 2)
            return mistake(QStringLiteral("--compare には左と右の2つのファイルが要ります。"));
        line.left = files[0];
        line.right = files[1];
        line.compare.ignoreSequenceNumbers = !parser.isSet(QStringLiteral("keep-n"));
        line.compare.ignoreBlanks = !parser.isSet(QStringLiteral("keep-blanks"));
        line.compare.ignoreComments = !parser.isSet(QStringLiteral("keep-comments"));
        line.compare.numbersByValue = !parser.isSet(QStringLiteral("text-numbers"));
    } else {
        // The window opens the first file; any further ones are ignored,
        // as they always have been.
        line.kind = CommandKind::Window;
        if (!files.isEmpty())
            line.file = files.first();
    }
    return line;
}

QString commandLineHelp()
{
    QCommandLineParser parser;
    fill(parser);
    parser.setApplicationDescription(
        QStringLiteral("マルボルト %1: NCプログラムの編集と、RS-232C による工作機械との送受信\n"
                       "\n"
                       "--check、--compare、--stats、--restart、--history はウィンドウを開かずに結果を表示します。\n"
                       "設定ファイル marbolt.ini、送信ログ、作業ファイルは、プログラムのフォルダに\n"
                       "書き込めればそこに、書き込めなければ ~/.config/marbolt/ に置きます。")
            .arg(QStringLiteral(MARBOLT_VERSION)));
    return parser.helpText();
}

QString commandLineUsage()
{
    return QStringLiteral(
        "使い方: marbolt [FILE]\n"
        "        marbolt --check FILE [--code ISO|EIA|NONE]\n"
        "        marbolt --stats FILE\n"
        "        marbolt --restart FILE N1020\n"
        "        marbolt --compare LEFT RIGHT [--keep-n] [--keep-blanks] [--keep-comments] [--text-numbers]\n"
        "        marbolt --history [--machine NAME] [--program O1234] [--from DAY] [--to DAY] [--limit N] [--show VERSION]\n"
        "        marbolt --help | --version\n");
}

QString versionLine()
{
    return QStringLiteral("marbolt " MARBOLT_VERSION);
}

}  // namespace marbolt
