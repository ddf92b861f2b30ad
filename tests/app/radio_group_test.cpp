#include "RadioGroup.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QStringList kPrecisions = {QStringLiteral("DISPLAY x 10"),    QStringLiteral("DISPLAY x 1"),
                                 QStringLiteral("DISPLAY x 0.1"),   QStringLiteral("DISPLAY x 0.01"),
                                 QStringLiteral("DISPLAY x 0.001"), QStringLiteral("DISPLAY x 0.0001")};

TEST(RadioGroup, ItemsAndIndex) {
  TRadioGroup group;
  EXPECT_EQ(group.itemIndex(), -1);
  group.setItemIndex(3); // before the items, as a form may do
  group.setItems(kPrecisions);
  EXPECT_EQ(group.items(), kPrecisions);
  EXPECT_EQ(group.itemIndex(), 3);
  EXPECT_TRUE(group.button(3)->isChecked());
  EXPECT_EQ(group.button(6), nullptr);
  EXPECT_EQ(group.button(-1), nullptr);

  group.setItemIndex(9);
  EXPECT_EQ(group.itemIndex(), 3) << "an index past the items is ignored";
  group.setItemIndex(-1);
  EXPECT_EQ(group.itemIndex(), -1);
  for (int i = 0; i < 6; ++i)
    EXPECT_FALSE(group.button(i)->isChecked()) << i;

  group.setItemIndex(5);
  group.setItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5")});
  EXPECT_EQ(group.itemIndex(), 2) << "the index stays valid";
  group.setItemIndex(0);
  group.setItems({QStringLiteral("a"), QStringLiteral("b")});
  EXPECT_EQ(group.itemIndex(), 0);
  group.setItems({});
  EXPECT_EQ(group.itemIndex(), -1);

  group.setItems(kPrecisions);
  group.resize(169, 137);
  QTest::mouseClick(group.button(1), Qt::LeftButton, {}, QPoint(8, group.button(1)->height() / 2));
  EXPECT_EQ(group.itemIndex(), 1) << "a click chooses";
}

TEST(RadioGroup, ItemsShareTheClientAreaInEqualRows) {
  TRadioGroup group;
  group.setTitle(QStringLiteral(" Precisão: "));
  group.setItems(kPrecisions);
  group.resize(169, 137);
  group.show(); // a hidden widget gets its resize when shown
  const QRect client = group.contentsRect();
  int previousTop = -1;
  int step = -1;
  for (int i = 0; i < 6; ++i) {
    const QRect r = group.button(i)->geometry();
    EXPECT_TRUE(client.contains(r)) << i << " client " << client.x() << "," << client.y() << " "
                                    << client.width() << "x" << client.height() << " button " << r.x() << ","
                                    << r.y() << " " << r.width() << "x" << r.height();
    EXPECT_EQ(group.button(i)->font(), group.font());
    if (previousTop >= 0) {
      if (step < 0)
        step = r.top() - previousTop;
      EXPECT_EQ(r.top() - previousTop, step) << i;
    }
    previousTop = r.top();
  }
  EXPECT_GE(step, group.button(0)->sizeHint().height() - 4);
}

// A window with a field before the group, the group, a field after it, a label and a disabled field.
class GroupFocus : public ::testing::Test {
protected:
  void SetUp() override {
    window.resize(400, 300);
    before = new QLineEdit(&window);
    group = new TRadioGroup(&window);
    group->setItems(kPrecisions);
    group->setItemIndex(3);
    group->setGeometry(10, 40, 169, 137);
    after = new QLineEdit(&window);
    after->move(200, 10);
    label = new QLabel(QStringLiteral("label"), &window);
    label->move(200, 60);
    disabled = new QLineEdit(&window);
    disabled->move(200, 100);
    disabled->setEnabled(false);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    exits = std::make_unique<QSignalSpy>(group, &TRadioGroup::exited);
  }

  void enterGroup() {
    group->button(3)->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(group->button(3)->hasFocus());
  }

  QWidget window;
  QLineEdit* before = nullptr;
  TRadioGroup* group = nullptr;
  QLineEdit* after = nullptr;
  QLabel* label = nullptr;
  QLineEdit* disabled = nullptr;
  std::unique_ptr<QSignalSpy> exits;
};

TEST_F(GroupFocus, TabEntersOnTheChoiceAndLeavesAfterOneStop) {
  before->setFocus();
  QTest::keyClick(before, Qt::Key_Tab);
  EXPECT_TRUE(group->button(3)->hasFocus());
  EXPECT_EQ(exits->count(), 0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(after->hasFocus());
  EXPECT_EQ(exits->count(), 1);
  QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(group->button(3)->hasFocus()) << "Shift+Tab comes back to the choice";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(before->hasFocus());
  EXPECT_EQ(exits->count(), 2);
}

TEST_F(GroupFocus, TabWithNoChoiceStopsOnceOnTheFirstItem) {
  group->setItemIndex(-1);
  before->setFocus();
  QTest::keyClick(before, Qt::Key_Tab);
  EXPECT_TRUE(group->button(0)->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(after->hasFocus());
}

TEST_F(GroupFocus, MovingBetweenItemsDoesNotExit) {
  enterGroup();
  QTest::keyClick(group->button(3), Qt::Key_Down);
  EXPECT_TRUE(group->button(4)->hasFocus());
  EXPECT_EQ(group->itemIndex(), 4) << "the arrow carries the choice";
  QTest::mouseClick(group->button(1), Qt::LeftButton);
  EXPECT_EQ(group->itemIndex(), 1);
  EXPECT_TRUE(group->button(1)->hasFocus());
  EXPECT_EQ(exits->count(), 0);
}

TEST_F(GroupFocus, ClickOnAFocusableControlExits) {
  enterGroup();
  QTest::mouseClick(after, Qt::LeftButton);
  EXPECT_TRUE(after->hasFocus());
  EXPECT_EQ(exits->count(), 1);
}

TEST_F(GroupFocus, ClickOnALabelOrDisabledControlDoesNotExit) {
  enterGroup();
  QTest::mouseClick(label, Qt::LeftButton);
  QTest::mouseClick(disabled, Qt::LeftButton);
  EXPECT_TRUE(group->button(3)->hasFocus());
  EXPECT_EQ(exits->count(), 0);
}

TEST_F(GroupFocus, LosingTheWindowDoesNotExit) {
  enterGroup();
  QWidget other;
  auto* otherEdit = new QLineEdit(&other);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  otherEdit->setFocus();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(exits->count(), 0);
  EXPECT_TRUE(group->button(3)->hasFocus()) << "the focus comes back to the group";
  QTest::mouseClick(after, Qt::LeftButton);
  EXPECT_EQ(exits->count(), 1) << "and leaving it afterwards still counts";
}

TEST(RadioGroupPages, AnotherPageToTheFrontExits) {
  QTabWidget tabs;
  auto* first = new QWidget;
  auto* second = new QWidget;
  auto* group = new TRadioGroup(first);
  group->setItems(kPrecisions);
  group->setItemIndex(3);
  group->setGeometry(10, 10, 169, 137);
  new QLineEdit(second);
  tabs.addTab(first, QStringLiteral("Configuração"));
  tabs.addTab(second, QStringLiteral("Comunicação"));
  tabs.resize(300, 250);
  tabs.show();
  tabs.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&tabs));
  group->button(3)->setFocus();
  ASSERT_TRUE(group->button(3)->hasFocus());
  QSignalSpy exits(group, &TRadioGroup::exited);
  tabs.setCurrentIndex(1);
  EXPECT_EQ(exits.count(), 1);
  tabs.setCurrentIndex(0);
  EXPECT_EQ(exits.count(), 1) << "coming back is no exit";
}

} // namespace
