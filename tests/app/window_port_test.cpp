// The window end to end: connection buttons, Send with its report, the
// echo field and the warnings, with cpDrv on a pseudo-terminal.
#include "Brenvik.h"
#include "Brenvik_Unit.h"
#include "CPDrv.h"
#include "EchoText.h"
#include "MaskEdit.h"
#include "PtyPair.h"
#include "RadioGroup.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString logAtThatMoment;
};

class WindowPort : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    window = new TBrenvik_Frm;
    window->cpDrv.PortName = pty.path();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  }
  void TearDown() override {
    if (window)
      window->close();
    QApplication::processEvents();
    delete window.data();
  }

  template <class T> T* find(const char* name) {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString log() { return find<QWidget>("RichEdited")->property("plainText").toString(); }
  QString echo() { return find<QLineEdit>("Edit1")->text(); }
  QPushButton* connectButton() { return find<QPushButton>("BitBtn1"); }
  QPushButton* disconnectButton() { return find<QPushButton>("BitBtn2"); }
  QPushButton* sendButton() { return find<QPushButton>("BitBtn4"); }

  // Clicks `button`; every modal box that shows meanwhile is recorded and
  // dismissed with OK.
  std::vector<SeenBox> clickAndCollectBoxes(QPushButton* button) {
    std::vector<SeenBox> boxes;
    // The watch's timers die with this object, so none outlives the call.
    QObject watchContext;
    std::function<void()> watch = [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes.push_back({box->windowTitle(), box->text(), box->icon(), log()});
        box->button(QMessageBox::Ok)->click();
      }
      QTimer::singleShot(10, &watchContext, watch);
    };
    QTimer::singleShot(10, &watchContext, watch);
    QTest::mouseClick(button, Qt::LeftButton);
    return boxes;
  }

  PtyPair pty;
  QPointer<TBrenvik_Frm> window;
};

const QString DefaultReport = QStringLiteral("SWA = 000101100\n"
                                             "  Display = DISPLAY x 0.01\n"
                                             "  Incremento = 1\n"
                                             "  Paridade Par = False\n"
                                             "\n"
                                             "SWB = 000110001\n"
                                             "  Peso Liquido = True\n"
                                             "  Peso Negativo = False\n"
                                             "  Sobre Carga = False\n"
                                             "  Motion = False\n"
                                             "  Auto Zerado = False\n"
                                             "  Paridade Par = False\n"
                                             "\n"
                                             "SWC = 001100000\n"
                                             "  Tecla Imprimir = False\n"
                                             "  Expandido = False\n"
                                             "  Paridade Par = False\n"
                                             "\n"
                                             "Peso = 000,00\n"
                                             "Tara = 000000\n"
                                             "CheckSum = False");

} // namespace

TEST_F(WindowPort, ConnectAndDisconnectFollowThePort) {
  EXPECT_TRUE(connectButton()->isEnabled());
  EXPECT_FALSE(disconnectButton()->isEnabled());

  EXPECT_TRUE(clickAndCollectBoxes(connectButton()).empty());
  EXPECT_TRUE(window->cpDrv.IsPortOpen());
  EXPECT_FALSE(connectButton()->isEnabled());
  EXPECT_TRUE(disconnectButton()->isEnabled());

  // Run from code while open: no second open, no message, buttons as open.
  window->BitBtn1Click(connectButton());
  EXPECT_TRUE(window->cpDrv.IsPortOpen());
  EXPECT_FALSE(connectButton()->isEnabled());

  EXPECT_TRUE(clickAndCollectBoxes(disconnectButton()).empty());
  EXPECT_FALSE(window->cpDrv.IsPortOpen());
  EXPECT_TRUE(connectButton()->isEnabled());
  EXPECT_FALSE(disconnectButton()->isEnabled());

  // Run from code while closed: only the buttons are set.
  window->BitBtn2Click(disconnectButton());
  EXPECT_TRUE(connectButton()->isEnabled());
  EXPECT_FALSE(disconnectButton()->isEnabled());
}

TEST_F(WindowPort, FailedConnectShowsErrorOnceEachTimeAndStaysClosed) {
  window->cpDrv.PortName = "/nonexistent/p03-test-port";
  for (int press = 0; press < 2; ++press) {
    const auto boxes = clickAndCollectBoxes(connectButton());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Erro"));
    EXPECT_EQ(boxes[0].text, QString::fromUtf8("Não foi possível conectar a porta serial.\r\n"
                                               "Verifique as configurações e tente novamente..."));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(window->cpDrv.IsPortOpen());
    EXPECT_TRUE(connectButton()->isEnabled());
    EXPECT_FALSE(disconnectButton()->isEnabled());
  }
  EXPECT_TRUE(log().isEmpty());
  EXPECT_TRUE(echo().isEmpty());
}

TEST_F(WindowPort, SendPutsTheEncodersFrameOnTheLineAndInTheEchoField) {
  clickAndCollectBoxes(connectButton());
  ASSERT_TRUE(window->cpDrv.IsPortOpen());
  find<QCheckBox>("CheckBox4")->setChecked(true);
  auto* weight = find<TMaskEdit>("MaskEdit1");
  weight->setFocus();
  QTest::keyClicks(weight, QStringLiteral("10050")); // shows 100,50

  EXPECT_TRUE(clickAndCollectBoxes(sendButton()).empty());

  const std::string expected = Brenvik_Unit::BuildP03String(0x2C, 0x31, 0x60, "010050", "000000", true);
  EXPECT_EQ(pty.receive(200), expected);
  EXPECT_EQ(echo(), EchoText(expected));
  EXPECT_TRUE(log().contains(QStringLiteral("\nPeso = 100,50\n")));
  EXPECT_TRUE(log().endsWith(QStringLiteral("CheckSum = True")));
}

TEST_F(WindowPort, SendWithPortClosedWritesTheReportThenWarns) {
  const auto boxes = clickAndCollectBoxes(sendButton());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, QString::fromUtf8("Atenção!"));
  EXPECT_EQ(boxes[0].text, QString::fromUtf8("A porta serial não foi aberta, ou o dado não foi enviado "
                                             "completamente\r\n durante o tempo de envio.\r\n"));
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
  EXPECT_EQ(boxes[0].logAtThatMoment, DefaultReport); // the report stands before the warning
  EXPECT_EQ(log(), DefaultReport);
  EXPECT_TRUE(echo().isEmpty());
}

TEST_F(WindowPort, EachPressReplacesTheReport) {
  clickAndCollectBoxes(connectButton());
  clickAndCollectBoxes(sendButton());
  find<QCheckBox>("CheckBox1")->setChecked(true); // SWB's parity only
  clickAndCollectBoxes(sendButton());
  const QStringList lines = log().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 21);
  EXPECT_EQ(lines[3], QStringLiteral("  Paridade Par = False"));
  EXPECT_EQ(lines[5], QStringLiteral("SWB = 010110001"));
  EXPECT_EQ(lines[11], QStringLiteral("  Paridade Par = True"));
  EXPECT_EQ(lines[16], QStringLiteral("  Paridade Par = False"));
}

TEST_F(WindowPort, TareWithoutDigitsIsRefusedAndNothingIsSent) {
  clickAndCollectBoxes(connectButton());
  QTest::mouseClick(find<QCheckBox>("CheckBox2"), Qt::LeftButton); // tare on
  auto* tare = find<TMaskEdit>("MaskEdit2");
  ASSERT_TRUE(tare->isEnabled());
  tare->setFocus();
  tare->setCursorPosition(0);
  QTest::keyClicks(tare, QStringLiteral("      "));
  ASSERT_EQ(tare->text(), QStringLiteral("      "));

  for (bool checksum : {true, false}) {
    find<QCheckBox>("CheckBox4")->setChecked(checksum);
    const auto boxes = clickAndCollectBoxes(sendButton());
    ASSERT_EQ(boxes.size(), 1u) << checksum;
    EXPECT_EQ(boxes[0].title, QStringLiteral("Erro"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Tara"))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("\"      \""))) << boxes[0].text.toStdString();
    EXPECT_TRUE(log().isEmpty());
    EXPECT_TRUE(echo().isEmpty());
  }
  EXPECT_EQ(pty.receive(200), "");
}

TEST_F(WindowPort, ZeroChecksumByteIsShownInTheEchoField) {
  clickAndCollectBoxes(connectButton());
  find<QCheckBox>("CheckBox4")->setChecked(true);
  auto* weight = find<TMaskEdit>("MaskEdit1");
  weight->setFocus();
  QTest::keyClicks(weight, QStringLiteral("00050")); // 000,50: the checksum byte is 0
  clickAndCollectBoxes(sendButton());

  const std::string sent = pty.receive(200);
  ASSERT_EQ(sent.size(), 18u);
  EXPECT_EQ(sent.back(), '\0');
  EXPECT_EQ(echo().size(), 18);
  EXPECT_EQ(echo().back(), QChar(0x2400));
}

TEST_F(WindowPort, ClosingTheWindowReleasesThePort) {
  clickAndCollectBoxes(connectButton());
  ASSERT_TRUE(window->cpDrv.IsPortOpen());
  window->close();
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  TCommPortDriver other;
  other.Port = pnCustom;
  other.PortName = pty.path();
  other.BaudRate = brCustom;
  other.BaudRateValue = 4800;
  EXPECT_TRUE(other.OpenPort());
}
