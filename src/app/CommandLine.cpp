#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

namespace velmor {

namespace {

constexpr double kMaxDelaySeconds = 3600;

QString VersionText() {
  return QStringLiteral("Velmor %1.%2.%3\n")
      .arg(VELMOR_VERSION_MAJOR)
      .arg(VELMOR_VERSION_MINOR)
      .arg(VELMOR_VERSION_PATCH);
}

CommandLine Mistake(const QString& message) {
  CommandLine result;
  result.exitNow = true;
  result.exitCode = kExitUsage;
  result.standardError =
      QStringLiteral("velmor: %1\n使い方は velmor --help で表示されます。\n").arg(message);
  return result;
}

// Qt reads these itself when the application object is made; here they only must not count
// as unknown.
void AddQtOptions(QCommandLineParser& parser) {
  const char* withValue[] = {"platform",
                             "platformpluginpath",
                             "platformtheme",
                             "plugin",
                             "qwindowgeometry",
                             "qwindowicon",
                             "qwindowtitle",
                             "display",
                             "geometry",
                             "style",
                             "stylesheet",
                             "session",
                             "name",
                             "title",
                             "qmljsdebugger"};
  const char* flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
  for (const char* name : withValue) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setValueName(QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : flags) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

QString AbsoluteFrom(const QString& folder, const QString& path) {
  return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

// Qt names the program after its executable file, or "<executable_name>" before the
// application object exists; the help always says the command the user types.
QString HelpWithProgramName(QString help) {
  const qsizetype options = help.indexOf(QLatin1String(" [options]"));
  const qsizetype lineEnd = help.indexOf(QLatin1Char('\n'));
  if (options < 0 || (lineEnd >= 0 && options > lineEnd)) return help;
  const qsizetype nameStart = help.lastIndexOf(QLatin1Char(' '), options - 1) + 1;
  return help.replace(nameStart, options - nameStart, QStringLiteral("velmor"));
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments, const QString& workingFolder) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QStringLiteral("Velmor: 画面を取り込み、線や文字を書き込んで保存します。"));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("この説明を表示して終わります。"));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("版数を表示して終わります。"));
  const QCommandLineOption capture(
      QStringLiteral("capture"),
      QStringLiteral("起動してすぐ取り込みます (screen 画面全体、window アクティブ画面、"
                     "rect 設定した矩形)。"),
      QStringLiteral("screen|window|rect"));
  const QCommandLineOption delay(QStringLiteral("delay"),
                                 QStringLiteral("取り込む前に SECONDS 秒待ちます (--capture と"
                                                "一緒に)。"),
                                 QStringLiteral("SECONDS"));
  const QCommandLineOption batch(
      QStringLiteral("batch"),
      QStringLiteral("FOLDER の画像に名前を押印して JPEG で保存します (ウィンドウなし)。"),
      QStringLiteral("FOLDER"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(capture);
  parser.addOption(delay);
  parser.addOption(batch);
  AddQtOptions(parser);
  parser.addPositionalArgument(QStringLiteral("FILE"),
                               QStringLiteral("開く画像ﾌｧｲﾙ (開くコマンドと同じに開きます)。"),
                               QStringLiteral("[FILE]"));

  if (!parser.parse(arguments)) {
    if (!parser.unknownOptionNames().isEmpty())
      return Mistake(QStringLiteral("知らないオプションです: %1")
                         .arg(parser.unknownOptionNames().constFirst()));
    return Mistake(parser.errorText());
  }

  CommandLine result;
  if (parser.isSet(help)) {
    result.exitNow = true;
    result.standardOutput =
        HelpWithProgramName(parser.helpText()) +
        QStringLiteral(
            "\n--batch は処理できなかったﾌｧｲﾙごとに1行と件数を表示し、処理できなかった"
            "ﾌｧｲﾙがあれば終了コード 1 で終わります。\n");
    return result;
  }
  if (parser.isSet(version)) {
    result.exitNow = true;
    result.standardOutput = VersionText();
    return result;
  }

  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return Mistake(QStringLiteral("開く画像ﾌｧｲﾙは一つだけ指定できます。"));
  if (files.size() == 1) {
    if (files.constFirst().isEmpty()) return Mistake(QStringLiteral("ﾌｧｲﾙ名が空です。"));
    result.request.file = AbsoluteFrom(workingFolder, files.constFirst());
  }

  if (parser.isSet(capture)) {
    const QString kind = parser.value(capture);
    if (kind != QLatin1String("screen") && kind != QLatin1String("window") &&
        kind != QLatin1String("rect"))
      return Mistake(
          QStringLiteral("--capture には screen、window、rect のどれかを指定します: %1").arg(kind));
    if (!result.request.file.isEmpty())
      return Mistake(QStringLiteral("FILE と --capture は一緒に指定できません。"));
    result.request.capture = kind;
  }
  if (parser.isSet(delay)) {
    if (result.request.capture.isEmpty())
      return Mistake(QStringLiteral("--delay は --capture と一緒に指定します。"));
    bool ok = false;
    const double seconds = parser.value(delay).toDouble(&ok);
    if (!ok || !(seconds >= 0 && seconds <= kMaxDelaySeconds))
      return Mistake(QStringLiteral("--delay には 0 から %1 までの秒数を指定します: %2")
                         .arg(kMaxDelaySeconds)
                         .arg(parser.value(delay)));
    result.request.delaySeconds = seconds;
    result.request.noDelay = seconds == 0;
  }
  if (parser.isSet(batch)) {
    if (!result.request.IsEmpty())
      return Mistake(QStringLiteral("--batch は FILE や --capture と一緒に指定できません。"));
    if (parser.value(batch).isEmpty())
      return Mistake(QStringLiteral("--batch のフォルダ名が空です。"));
    result.batchFolder = AbsoluteFrom(workingFolder, parser.value(batch));
  }
  return result;
}

std::optional<int> StartFromCommandLine(int argc, char** argv, CommandLine& command) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  command = ParseCommandLine(arguments, QDir::currentPath());
  if (!command.standardOutput.isEmpty()) {
    std::fputs(command.standardOutput.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
  }
  if (!command.standardError.isEmpty())
    std::fputs(command.standardError.toLocal8Bit().constData(), stderr);
  if (command.exitNow) return command.exitCode;
  // A batch needs no screen: run it on a server or over ssh without one.
  if (!command.batchFolder.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::nullopt;
}

}  // namespace velmor
