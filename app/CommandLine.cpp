#include "CommandLine.h"

#include <QCommandLineParser>

TCommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Simulador de Balança P03: a Toledo P03 scale on a serial port."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Serial device that Conectar opens (default: the first serial port of this system)."),
      QStringLiteral("PATH"));
  parser.addOption(port);

  TCommandLine result;
  if (!parser.parse(arguments)) {
    result.Action = TCommandLine::clUsageError;
    result.Message = parser.errorText();
  } else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    result.Action = TCommandLine::clShowHelp;
    result.Message = parser.helpText();
  } else if (parser.isSet(version)) {
    result.Action = TCommandLine::clShowVersion;
  } else if (!parser.positionalArguments().isEmpty()) {
    result.Action = TCommandLine::clUsageError;
    result.Message = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
  } else if (parser.isSet(port) && parser.value(port).isEmpty()) {
    result.Action = TCommandLine::clUsageError;
    result.Message = QStringLiteral("--port needs a device path.");
  } else {
    result.Port = parser.value(port);
  }
  return result;
}
