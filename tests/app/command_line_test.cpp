#include "CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, PortIsTheOnlyArgument) {
  struct Case {
    QStringList arguments;
    TCommandLine::TAction action;
    QString port;
  };
  const Case cases[] = {
      {{QStringLiteral("p03sim")}, TCommandLine::clRun, QString()},
      {{QStringLiteral("p03sim"), QStringLiteral("--port"), QStringLiteral("/dev/ttyUSB0")},
       TCommandLine::clRun,
       QStringLiteral("/dev/ttyUSB0")},
      {{QStringLiteral("p03sim"), QStringLiteral("--port=/tmp/scale")},
       TCommandLine::clRun,
       QStringLiteral("/tmp/scale")},
      {{QStringLiteral("p03sim"), QStringLiteral("--port")}, TCommandLine::clUsageError, QString()},
      {{QStringLiteral("p03sim"), QStringLiteral("--port=")}, TCommandLine::clUsageError, QString()},
      {{QStringLiteral("p03sim"), QStringLiteral("--baud"), QStringLiteral("9600")},
       TCommandLine::clUsageError,
       QString()},
      {{QStringLiteral("p03sim"), QStringLiteral("/dev/ttyS1")}, TCommandLine::clUsageError, QString()},
      {{QStringLiteral("p03sim"), QStringLiteral("--help")}, TCommandLine::clShowHelp, QString()},
      {{QStringLiteral("p03sim"), QStringLiteral("--version")}, TCommandLine::clShowVersion, QString()},
  };
  for (const Case& c : cases) {
    const TCommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.Action, c.action) << c.arguments.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(parsed.Port, c.port) << c.arguments.join(QLatin1Char(' ')).toStdString();
    if (c.action == TCommandLine::clUsageError || c.action == TCommandLine::clShowHelp) {
      EXPECT_FALSE(parsed.Message.isEmpty());
    }
  }
  EXPECT_TRUE(ParseCommandLine({QStringLiteral("p03sim"), QStringLiteral("--help")})
                  .Message.contains(QStringLiteral("--port")));
}
