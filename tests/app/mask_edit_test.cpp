#include "MaskEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// Records the keys that the field hands on to its window.
class Host : public QWidget {
public:
  QList<int> passedOn;

protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() != Qt::Key_Alt && event->key() != Qt::Key_Control)
      passedOn.append(event->key());
  }
};

class MaskEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&host);
    edit = new TMaskEdit(&host);
    layout->addWidget(edit);
    edit->setEditMask(QStringLiteral("999,99;1;0"));
    edit->setText(QStringLiteral("   ,  "));
  }

  Host host;
  TMaskEdit* edit = nullptr;
};

// keyClicks only knows ASCII; other characters come as key events carrying just their text.
void typeKeys(QWidget* widget, const QString& keys) {
  for (const QChar ch : keys) {
    if (ch.unicode() < 0x80)
      QTest::keyClick(widget, ch.toLatin1());
    else
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
}

struct KeyMapping {
  const char* name;
  const char* mask;
  int caret;
  QString keys;
  Qt::Key then; // one more key, or Qt::Key_unknown
  const char* text;
  int refusals;
};

TEST_F(MaskEditTest, KeysMapOntoTheMask) {
  const KeyMapping cases[] = {
      {"digits", "999,99;1;0", 0, QStringLiteral("12"), Qt::Key_unknown, "120,00", 0},
      {"comma jump", "999,99;1;0", 0, QStringLiteral("1,5"), Qt::Key_unknown, "100,50", 0},
      {"zeros", "999,99;1;0", 0, QStringLiteral("00150"), Qt::Key_unknown, "001,50", 0},
      {"letter", "999,99;1;0", 0, QStringLiteral("a"), Qt::Key_unknown, "000,00", 1},
      {"seventh", "999,99;1;0", 0, QStringLiteral("123456"), Qt::Key_unknown, "123,45", 1},
      {"backspace", "999,99;1;0", 0, QStringLiteral("12"), Qt::Key_Backspace, "100,00", 0},
      {"delete", "999,99;1;0", 0, QStringLiteral("12"), Qt::Key_Delete, "120,00", 0},
      {"home delete", "999,99;1;0", 0, QStringLiteral("12"), Qt::Key_Home, "120,00", 0},
      {"comma refused", "999999;1;0", 0, QStringLiteral(","), Qt::Key_unknown, "000000", 1},
      {"tare", "cccccc;1;0", 0, QStringLiteral("ab 1"), Qt::Key_unknown, "ab 100", 0},
      {"tare spaces", "cccccc;1;0", 0, QStringLiteral("      "), Qt::Key_unknown, "      ", 0},
      {"tare non-latin1", "cccccc;1;0", 0, QString(QChar(0x20AC)), Qt::Key_unknown, "000000", 1},
      {"tare latin1", "cccccc;1;0", 0, QString(QChar(0xE9)), Qt::Key_unknown,
       "\xe9"
       "00000",
       0},
  };
  for (const KeyMapping& c : cases) {
    edit->setEditMask(QString::fromLatin1(c.mask));
    edit->clear();
    edit->setCursorPosition(c.caret);
    QSignalSpy refused(edit, &TMaskEdit::refused);
    typeKeys(edit, c.keys);
    if (c.then != Qt::Key_unknown)
      QTest::keyClick(edit, c.then);
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.text)) << c.name;
    EXPECT_EQ(edit->displayText(), edit->text()) << c.name;
    EXPECT_EQ(refused.count(), c.refusals) << c.name;
  }
}

TEST_F(MaskEditTest, CaretAndSelectionFollowTheModel) {
  QTest::keyClicks(edit, QStringLiteral("123"));
  EXPECT_EQ(edit->cursorPosition(), 4) << "the caret stepped over the comma";
  // Shift+Home selects back to the start; typing over it starts the field over.
  QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
  ASSERT_EQ(edit->selectedText(), QStringLiteral("123,"));
  QTest::keyClicks(edit, QStringLiteral("7"));
  EXPECT_EQ(edit->text(), QStringLiteral("700,00"));
  EXPECT_EQ(edit->cursorPosition(), 1);
  EXPECT_FALSE(edit->hasSelectedText());
}

TEST_F(MaskEditTest, ReturnReachesTheWindowAndShortcutKeysDoNotEdit) {
  QSignalSpy returned(edit, &QLineEdit::returnPressed);
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClick(edit, Qt::Key_E, Qt::AltModifier);
  QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier); // "delete to end of line" on some systems
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(returned.count(), 2);
  EXPECT_EQ(host.passedOn, (QList<int>{Qt::Key_Return, Qt::Key_Enter, Qt::Key_E, Qt::Key_K, Qt::Key_Escape}));
  EXPECT_EQ(edit->text(), QStringLiteral("000,00"));
}

TEST_F(MaskEditTest, AltShortcutOfTheWindowStillFires) {
  auto* button = new QPushButton(QStringLiteral("&Enviar"), &host);
  host.layout()->addWidget(button);
  host.show();
  host.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
  edit->setFocus();
  QSignalSpy clicked(button, &QPushButton::clicked);
  QTest::keyClick(edit, Qt::Key_E, Qt::AltModifier);
  // A mnemonic "animates" the click, which lands a moment later.
  EXPECT_TRUE(clicked.count() == 1 || clicked.wait(2000));
  EXPECT_EQ(edit->text(), QStringLiteral("000,00"));
}

TEST_F(MaskEditTest, ClipboardGoesThroughTheMask) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("1,5"));
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), QStringLiteral("100,50"));

  QSignalSpy refused(edit, &TMaskEdit::refused);
  clipboard->setText(QStringLiteral("12ab"));
  edit->setCursorPosition(0);
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), QStringLiteral("100,50")) << "a paste that does not fit changes nothing";
  EXPECT_EQ(refused.count(), 1);

  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QStringLiteral("100,50"));
  EXPECT_EQ(edit->text(), QStringLiteral("000,00"));
}

TEST_F(MaskEditTest, LineEditSlotsGoThroughTheMask) {
  edit->insert(QStringLiteral("1,5"));
  EXPECT_EQ(edit->text(), QStringLiteral("100,50"));
  edit->setCursorPosition(1);
  edit->backspace();
  EXPECT_EQ(edit->text(), QStringLiteral("000,50"));
  edit->del();
  EXPECT_EQ(edit->text(), QStringLiteral("000,50"));
  edit->setCursorPosition(4);
  edit->del();
  edit->undo();
  EXPECT_EQ(edit->text(), QStringLiteral("000,00"));
  QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
  QSignalSpy refused(edit, &TMaskEdit::refused);
  edit->paste();
  EXPECT_EQ(refused.count(), 1);
  edit->setMaxLength(3);
  edit->setText(QStringLiteral("123,45"));
  EXPECT_EQ(edit->text(), QStringLiteral("123,45")) << "the row is never cut";
}

TEST_F(MaskEditTest, InputMethodCommitIsTyped) {
  edit->setEditMask(QStringLiteral("cccccc;1;0"));
  QInputMethodEvent preedit(QStringLiteral("x"), {});
  QCoreApplication::sendEvent(edit, &preedit);
  EXPECT_EQ(edit->text(), QStringLiteral("000000")) << "a preview is not written into the row";
  QInputMethodEvent commit;
  commit.setCommitString(QString(QChar(0x00E7)));
  QCoreApplication::sendEvent(edit, &commit);
  EXPECT_EQ(edit->text(), QString(QChar(0x00E7)) + QStringLiteral("00000"));
}

TEST_F(MaskEditTest, SettersGoThroughTheMask) {
  EXPECT_EQ(edit->text(), QStringLiteral("000,00"));
  EXPECT_EQ(edit->maxLength(), 6);
  EXPECT_EQ(edit->contextMenuPolicy(), Qt::NoContextMenu);
  EXPECT_FALSE(edit->acceptDrops());

  edit->setText(QStringLiteral("12 ,4 "));
  EXPECT_EQ(edit->text(), QStringLiteral("120,40"));
  EXPECT_TRUE(edit->setProperty("text", QStringLiteral("9a")));
  EXPECT_EQ(edit->text(), QStringLiteral("900,00")) << "the property goes through the mask too";

  edit->setEditMask(QStringLiteral("999,99;1;0")); // the mask in force: nothing changes
  EXPECT_EQ(edit->text(), QStringLiteral("900,00"));
  edit->setEditMask(QStringLiteral("9,9999;1;0"));
  edit->clear();
  EXPECT_EQ(edit->text(), QStringLiteral("0,0000"));
  EXPECT_EQ(edit->editMask(), QStringLiteral("9,9999;1;0"));

  edit->setEditMask(QStringLiteral("not a mask"));
  EXPECT_EQ(edit->editMask(), QStringLiteral("9,9999;1;0"));
}

TEST(MaskEdit, TextGivenBeforeTheMaskIsTakenThroughIt) {
  // The form may set the text before the mask.
  TMaskEdit edit;
  edit.setText(QStringLiteral("   ,  "));
  edit.setEditMask(QStringLiteral("999,99;1;0"));
  EXPECT_EQ(edit.text(), QStringLiteral("000,00"));
  EXPECT_FALSE(edit.model().isFilled(0));
}

} // namespace
