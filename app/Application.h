// The application object. It stands in for a crash reporter: an exception
// that escapes an event handler is shown to the operator in a dialog, and the
// program goes on with the next event.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the exception being handled (message and type) in the crash
// reporter's dialog and returns once the operator has dismissed it. Call it
// only from a catch block.
void ReportCurrentException();

// Runs a handler and reports what escapes it. Qt's widget code is not built
// to be unwound, so the window's handlers are called through this and their
// exceptions stop here, before they reach a Qt frame; TApplication::notify
// catches whatever else gets through.
template <class THandler> void RunReported(THandler&& handler) {
  try {
    handler();
  } catch (...) {
    ReportCurrentException();
  }
}
