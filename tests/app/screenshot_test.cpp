// Writes the README's screenshots, one per page, when P03_SCREENSHOT_DIR
// names a folder (docs/screenshots); otherwise there is nothing to do.
#include "Brenvik.h"

#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

TEST(Screenshots, OnePerPage) {
  const QString dir = qEnvironmentVariable("P03_SCREENSHOT_DIR");
  if (dir.isEmpty())
    GTEST_SKIP() << "set P03_SCREENSHOT_DIR to write the screenshots";
  TBrenvik_Frm window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  ASSERT_NE(pages, nullptr);
  const char* const names[] = {"comunicacao.png", "configuracao.png", "sobre.png"};
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    QCoreApplication::processEvents();
    const QString file = QDir(dir).filePath(QString::fromLatin1(names[page]));
    EXPECT_TRUE(window.grab().save(file)) << file.toStdString();
  }
}
