// The simulator's main window: three pages, the frame settings, the
// connection buttons, Send with its report, and the serial port it owns.
#pragma once

#include <QWidget>

#include <memory>

#include "CPDrv.h"

namespace Ui {
class TBrenvik_Frm;
}

// What happens to the window once its close event has run.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TBrenvik_Frm : public QWidget {
  Q_OBJECT

public:
  explicit TBrenvik_Frm(QWidget* parent = nullptr);
  ~TBrenvik_Frm() override;

  // The serial port the window sends on. Public so that a caller (the
  // program's --port option, tests) can point it at another device before
  // the operator connects.
  TCommPortDriver cpDrv;

  // Event handlers, named after their control and event. Sender is the
  // control that raised the event.
  void BitBtn1Click(QObject* Sender);
  void BitBtn2Click(QObject* Sender);
  void Label29Click(QObject* Sender);
  void BitBtn4Click(QObject* Sender);
  void FormClose(QObject* Sender, TCloseAction& Action);
  void CheckBox2Click(QObject* Sender);
  void RadioGroup1Exit(QObject* Sender);

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  std::unique_ptr<Ui::TBrenvik_Frm> ui;
};

// The application's main window, set when it is created.
extern TBrenvik_Frm* Brenvik_Frm;
