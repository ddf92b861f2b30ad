// The window's command line: one optional --port PATH naming the device that
// Conectar opens (a USB adapter, a virtual port); without it the window uses
// the platform's first serial port.
#pragma once

#include <QString>
#include <QStringList>

struct TCommandLine {
  enum TAction { clRun, clShowHelp, clShowVersion, clUsageError };
  TAction Action = clRun;
  QString Port;    // empty: keep the window's own port
  QString Message; // help or version text, or what is wrong with the arguments
};

// arguments[0] is the program's name, as in QCoreApplication::arguments().
TCommandLine ParseCommandLine(const QStringList& arguments);
