#include "Application.h"
#include "Brenvik.h"
#include "CommandLine.h"

#include <cstdio>

int main(int argc, char* argv[]) {
  TApplication app(argc, argv);
  TApplication::setApplicationName(QStringLiteral("p03sim"));
  TApplication::setApplicationVersion(QStringLiteral(P03_VERSION));

  const TCommandLine commandLine = ParseCommandLine(TApplication::arguments());
  switch (commandLine.Action) {
  case TCommandLine::clUsageError:
    std::fprintf(stderr, "p03sim: %s\nTry 'p03sim --help'.\n", qUtf8Printable(commandLine.Message));
    return 2;
  case TCommandLine::clShowHelp:
    std::fputs(qUtf8Printable(commandLine.Message), stdout);
    return 0;
  case TCommandLine::clShowVersion:
    std::printf("p03sim %s\n", P03_VERSION);
    return 0;
  case TCommandLine::clRun:
    break;
  }

  Brenvik_Frm = new TBrenvik_Frm;
  if (!commandLine.Port.isEmpty())
    Brenvik_Frm->cpDrv.PortName = commandLine.Port.toStdString();
  Brenvik_Frm->show();
  app.exec();
  // Closing normally frees the window already; this covers a loop that ended
  // while the window was only hidden.
  delete Brenvik_Frm;
  return 0;
}
