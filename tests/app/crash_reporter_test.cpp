// An exception that escapes an event handler reaches the operator in our
// dialog, and the program goes on with the next event.
#include "Application.h"
#include "Brenvik.h"
#include "Shell.h"

#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

struct NotANumber {};

// Closes the next modal dialog once it is up and keeps its title and text.
struct DialogCatcher {
  QString title, text;
  void arm() {
    QTimer::singleShot(0, qApp, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box)
        return arm(); // not up yet
      title = box->windowTitle();
      text = box->text();
      box->accept();
    });
  }
  void expectReport(const char* message, const char* type) const {
    EXPECT_TRUE(title.contains(QStringLiteral("Simulador de Balança P03"))) << title.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(message))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(type))) << text.toStdString();
  }
};

// An object whose event handler throws on its first event.
class Thrower : public QObject {
public:
  explicit Thrower(std::function<void()> raise) : raise_(std::move(raise)) {}
  int events = 0;

protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User)
      return QObject::event(e);
    if (++events == 1)
      raise_();
    return true;
  }

private:
  std::function<void()> raise_;
};

struct Case {
  std::function<void()> raise;
  const char* message;
  const char* type;
};
const std::vector<Case> kCases{
    {[] { throw std::invalid_argument("'' is not a valid integer value"); },
     "'' is not a valid integer value", "std::invalid_argument"},
    {[] { throw NotANumber{}; }, "(sem mensagem)", "NotANumber"},
};

TEST(CrashReporter, TheApplicationReportsAnExceptionFromAnyHandlerAndGoesOn) {
  ASSERT_NE(dynamic_cast<TApplication*>(qApp), nullptr);
  for (const Case& c : kCases) {
    Thrower receiver(c.raise);
    DialogCatcher dialog;
    dialog.arm();
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &event));
    dialog.expectReport(c.message, c.type);
    // The next event is delivered as usual, without a dialog.
    EXPECT_TRUE(QCoreApplication::sendEvent(&receiver, &event));
    EXPECT_EQ(receiver.events, 2);
  }
}

TEST(CrashReporter, TheWindowReportsAnExceptionFromItsHandlerAndGoesOn) {
  TBrenvik_Frm window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
  auto* link = window.findChild<QLabel*>(QStringLiteral("Label32"));
  ASSERT_NE(link, nullptr);

  for (const Case& c : kCases) {
    std::vector<QString> opened;
    bool raise = true;
    const TShellOpener previous = SetShellOpener([&](const QString& text) {
      if (std::exchange(raise, false))
        c.raise();
      opened.push_back(text);
    });
    DialogCatcher dialog;
    dialog.arm();
    QTest::mouseClick(link, Qt::LeftButton);
    dialog.expectReport(c.message, c.type);
    EXPECT_TRUE(opened.empty());

    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<QString>{link->text()});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    SetShellOpener(previous);
  }
}

} // namespace
