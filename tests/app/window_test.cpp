// The operator window as a person meets it: what it shows at start, where Tab
// goes, how it resizes, the Enviar keys, and the three input rules.
#include "Brenvik.h"
#include "MaskEdit.h"
#include "RadioGroup.h"
#include "Shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace {

QString S(const char* text) {
  return QString::fromUtf8(text);
}

class Window : public ::testing::Test {
protected:
  void SetUp() override {
    window = new TBrenvik_Frm;
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  void TearDown() override { delete window.data(); }

  template <class T = QWidget> T* get(const char* name) const {
    T* widget = window->findChild<T*>(S(name));
    if (!widget)
      ADD_FAILURE() << "no " << name;
    return widget;
  }
  QTabWidget* pages() const { return get<QTabWidget>("PageControl1"); }
  TMaskEdit* weight() const { return get<TMaskEdit>("MaskEdit1"); }
  TMaskEdit* tare() const { return get<TMaskEdit>("MaskEdit2"); }
  TRadioGroup* precision() const { return get<TRadioGroup>("RadioGroup1"); }

  // The control a focused widget belongs to: a radio group for its items,
  // the page control for its tab bar.
  QString controlOf(QWidget* widget) const {
    if (!widget)
      return S("(none)");
    if (qobject_cast<QTabBar*>(widget))
      return S("PageControl1");
    if (qobject_cast<TRadioGroup*>(widget->parentWidget()))
      return widget->parentWidget()->objectName();
    return widget->objectName();
  }
  void pressTab(Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
  }
  void clickTab(int index) {
    QTabBar* bar = pages()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
  }

  QPointer<TBrenvik_Frm> window;
};

TEST_F(Window, StartsAsTheFormDescribes) {
  EXPECT_EQ(Brenvik_Frm, nullptr) << "only the program's entry sets the global";
  EXPECT_EQ(window->size(), QSize(655, 509));
  ASSERT_EQ(pages()->count(), 3);
  EXPECT_EQ(pages()->currentWidget(), get("TabSheet2"));
  EXPECT_EQ(pages()->widget(0)->objectName(), S("TabSheet2"));
  EXPECT_EQ(pages()->tabText(0), S("Comunicação"));
  EXPECT_EQ(pages()->widget(1)->objectName(), S("TabSheet3"));
  EXPECT_EQ(pages()->tabText(1), S("Configuração"));
  EXPECT_EQ(pages()->widget(2)->objectName(), S("TabSheet1"));

  struct Enabled {
    const char* name;
    bool enabled;
  };
  for (const Enabled& c : std::vector<Enabled>{{"BitBtn1", true},
                                               {"BitBtn2", false},
                                               {"BitBtn4", true},
                                               {"MaskEdit1", true},
                                               {"MaskEdit2", false},
                                               {"RadioGroup4", false},
                                               {"CheckBox3", false},
                                               {"Edit1", true}})
    EXPECT_EQ(get(c.name)->isEnabled(), c.enabled) << c.name;

  // Of the eleven status flags only "Peso Líquido" is on; the switches are off.
  for (const char* name :
       {"CheckBox13", "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox8", "CheckBox9", "CheckBox1",
        "CheckBox10", "CheckBox11", "CheckBox12", "CheckBox2", "CheckBox3", "CheckBox4"})
    EXPECT_EQ(get<QCheckBox>(name)->isChecked(), std::string(name) == "CheckBox5") << name;

  struct Choice {
    const char* name;
    int index;
    const char* item;
  };
  for (const Choice& c : std::vector<Choice>{
           {"RadioGroup1", 3, "DISPLAY x 0.01"}, {"RadioGroup5", 0, "1"}, {"RadioGroup4", 0, "Demanda"}}) {
    const auto* group = get<TRadioGroup>(c.name);
    EXPECT_EQ(group->itemIndex(), c.index) << c.name;
    EXPECT_EQ(group->items().value(c.index), S(c.item)) << c.name;
  }

  struct Text {
    const char* name;
    const char* text;
  };
  for (const Text& c : std::vector<Text>{{"Label12", "4800"},
                                         {"Label13", "8"},
                                         {"Label14", "Par"},
                                         {"Label16", "2"},
                                         {"Label15", "Nenhum"},
                                         {"Label6", "Protocolo P03"},
                                         {"Label2", "v1.0"}})
    EXPECT_EQ(get<QLabel>(c.name)->text(), S(c.text)) << c.name;
  EXPECT_EQ(get<QPushButton>("BitBtn4")->text(), S("&Enviar"));

  EXPECT_EQ(weight()->editMask(), S("999,99;1;0"));
  EXPECT_EQ(weight()->text(), S("000,00"));
  EXPECT_EQ(tare()->editMask(), S("cccccc;1;0"));
  EXPECT_EQ(tare()->text(), S("000000"));
  EXPECT_TRUE(get<QPlainTextEdit>("RichEdited")->toPlainText().isEmpty());
  EXPECT_TRUE(get<QPlainTextEdit>("RichEdited")->isReadOnly());
  EXPECT_TRUE(get<QLineEdit>("Edit1")->text().isEmpty());

  for (const char* name : {"Image1", "Image3", "Image4"})
    EXPECT_FALSE(get<QLabel>(name)->pixmap().isNull()) << name;
  EXPECT_EQ(get<QLabel>("Image1")->pixmap().size(), QSize(173, 262));
  EXPECT_EQ(get<QLabel>("Image3")->pixmap().size(), get("Image3")->size());
  EXPECT_FALSE(window->windowIcon().isNull());

  EXPECT_FALSE(window->cpDrv.IsPortOpen());
  EXPECT_EQ(window->cpDrv.Port, pnCustom);
  EXPECT_EQ(window->cpDrv.BaudRate, brCustom);
  EXPECT_EQ(window->cpDrv.BaudRateValue, 4800u);
  EXPECT_EQ(window->cpDrv.DataBits, db8BITS);
  EXPECT_EQ(window->cpDrv.StopBits, sb2BITS);
  EXPECT_EQ(window->cpDrv.Parity, ptEVEN);
  EXPECT_EQ(window->cpDrv.HwFlow, hfNONE);
}

TEST_F(Window, FontsFallBackAtTheirSizeAndWeight) {
  struct Case {
    const char* name;
    int pixelSize;
    int weight;
  };
  const std::vector<Case> cases{{"TBrenvik_Frm", 11, QFont::Normal}, {"Label3", 13, QFont::Normal},
                                {"CheckBox5", 13, QFont::Normal},    {"Label37", 13, QFont::Bold},
                                {"MaskEdit1", 27, QFont::Bold},      {"Label4", 27, QFont::Normal},
                                {"Label5", 37, QFont::Black},        {"Label6", 24, QFont::Black},
                                {"Label2", 11, QFont::Normal},       {"GroupBox7", 13, QFont::Bold},
                                {"RadioGroup1", 13, QFont::Normal}};
  const QStringList installed{S("Liberation Sans"), S("DejaVu Sans")};
  for (const Case& c : cases) {
    QWidget* widget = std::string(c.name) == "TBrenvik_Frm" ? window.data() : get(c.name);
    EXPECT_EQ(widget->font().pixelSize(), c.pixelSize) << c.name;
    EXPECT_EQ(widget->font().weight(), c.weight) << c.name;
    const QFontInfo info(widget->font());
    EXPECT_TRUE(installed.contains(info.family())) << c.name << ": " << info.family().toStdString();
    EXPECT_EQ(info.pixelSize(), c.pixelSize) << c.name;
  }
  EXPECT_EQ(QFontInfo(weight()->font()).family(), S("DejaVu Sans")) << "Verdana's nearest";
}

TEST_F(Window, TabVisitsThePageInOrder) {
  struct Case {
    int page;
    const char* start;
    std::vector<const char*> order;
  };
  const std::vector<Case> cases{
      {0, "BitBtn4", {"MaskEdit1", "RichEdited", "BitBtn1", "Edit1", "PageControl1", "BitBtn4"}},
      {1,
       "CheckBox2",
       {"CheckBox4", "CheckBox10", "CheckBox11", "CheckBox12", "RadioGroup1", "RadioGroup5", "CheckBox13",
        "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox8", "CheckBox9", "CheckBox1", "PageControl1",
        "CheckBox2"}},
  };
  for (const Case& c : cases) {
    pages()->setCurrentIndex(c.page);
    get(c.start)->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), get(c.start));
    std::vector<QString> seen, expected;
    for (const char* name : c.order) {
      pressTab();
      seen.push_back(controlOf(QApplication::focusWidget()));
      expected.push_back(S(name));
    }
    EXPECT_EQ(seen, expected) << "page " << c.page;
  }
}

TEST_F(Window, ResizingMovesOnlyThePageControl) {
  std::map<QWidget*, QRect> before;
  for (const char* page : {"TabSheet1", "TabSheet2", "TabSheet3"})
    for (QWidget* widget : get(page)->findChildren<QWidget*>())
      before[widget] = widget->geometry();
  ASSERT_GT(before.size(), 60u);

  for (const QSize size : {QSize(900, 700), QSize(500, 380), QSize(655, 509)}) {
    window->resize(size);
    QApplication::processEvents();
    EXPECT_EQ(pages()->geometry(), window->rect()) << size.width() << "x" << size.height();
    for (const auto& [widget, geometry] : before)
      EXPECT_EQ(widget->geometry(), geometry) << widget->objectName().toStdString();
  }
}

TEST_F(Window, EnterInTheWeightAndAltEPressEnviar) {
  auto* send = get<QPushButton>("BitBtn4");
  // Count the presses without running the Send handler behind them.
  QObject::disconnect(send, &QPushButton::clicked, window, nullptr);
  QSignalSpy pressed(send, &QPushButton::clicked);

  struct Case {
    int page;
    const char* focus;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int presses;
  };
  const std::vector<Case> cases{
      {0, "MaskEdit1", Qt::Key_Return, Qt::NoModifier, 1},
      {0, "MaskEdit1", Qt::Key_Enter, Qt::KeypadModifier, 1},
      {0, "MaskEdit1", Qt::Key_E, Qt::AltModifier, 1},
      {0, "Edit1", Qt::Key_E, Qt::AltModifier, 1},
      {0, "Edit1", Qt::Key_Return, Qt::NoModifier, 0},
      {1, "CheckBox4", Qt::Key_E, Qt::AltModifier, 0},
  };
  for (const Case& c : cases) {
    pages()->setCurrentIndex(c.page);
    get(c.focus)->setFocus();
    pressed.clear();
    QTest::keyClick(QApplication::focusWidget(), c.key, c.modifiers);
    // A mnemonic animates the press and clicks when the animation ends.
    if (pressed.isEmpty())
      pressed.wait(400);
    EXPECT_EQ(pressed.count(), c.presses) << c.focus << " key " << c.key << " page " << c.page;
  }
  EXPECT_EQ(weight()->text(), S("000,00")) << "the keys typed nothing";
}

// The precision rule, for every choice: leaving the group by Tab sets the
// weight mask and clears the field.
struct PrecisionCase {
  int index;
  const char* mask;
  const char* cleared;
  const char* typed12; // the keys 1 and 2 typed from the first position
  bool commaRefused;   // a comma typed at the first position
};

void PrintTo(const PrecisionCase& c, std::ostream* os) {
  *os << "precision index " << c.index;
}

class PrecisionRule : public Window, public ::testing::WithParamInterface<PrecisionCase> {};

TEST_P(PrecisionRule, TabOutSetsTheMaskAndClears) {
  const PrecisionCase& c = GetParam();
  weight()->setText(S("123,45"));
  ASSERT_EQ(weight()->text(), S("123,45"));
  pages()->setCurrentIndex(1);
  QTest::mouseClick(precision()->button(c.index), Qt::LeftButton);
  ASSERT_EQ(precision()->itemIndex(), c.index);
  EXPECT_EQ(weight()->text(), S("123,45")) << "nothing before the focus leaves";
  pressTab();
  EXPECT_EQ(controlOf(QApplication::focusWidget()), S("RadioGroup5"));
  EXPECT_EQ(weight()->editMask(), S(c.mask));
  EXPECT_EQ(weight()->text(), S(c.cleared));

  // The new mask is the one the operator types into.
  pages()->setCurrentIndex(0);
  weight()->setFocus();
  QTest::keyClick(weight(), Qt::Key_Home);
  QTest::keyClicks(weight(), S("12"));
  EXPECT_EQ(weight()->text(), S(c.typed12));
  QSignalSpy refused(weight(), &TMaskEdit::refused);
  QTest::keyClick(weight(), Qt::Key_Home);
  QTest::keyClick(weight(), Qt::Key_Comma);
  EXPECT_EQ(refused.count(), c.commaRefused ? 1 : 0);
  EXPECT_EQ(weight()->text(), S(c.typed12));
}

INSTANTIATE_TEST_SUITE_P(EveryChoice, PrecisionRule,
                         ::testing::Values(PrecisionCase{0, "999999;1;0", "000000", "120000", true},
                                           PrecisionCase{1, "999999;1;0", "000000", "120000", true},
                                           PrecisionCase{2, "9999,9;1;0", "0000,0", "1200,0", false},
                                           PrecisionCase{3, "999,99;1;0", "000,00", "120,00", false},
                                           PrecisionCase{4, "99,999;1;0", "00,000", "12,000", false},
                                           PrecisionCase{5, "9,9999;1;0", "0,0000", "1,2000", false}),
                         [](const auto& info) { return "Index" + std::to_string(info.param.index); });

TEST_F(Window, PrecisionRuleRunsOnlyWhenTheFocusLeavesTheGroup) {
  struct Case {
    const char* how;
    std::function<void()> leave;
    bool runs;
  };
  const std::vector<Case> cases{
      {"Tab", [&] { pressTab(); }, true},
      {"Shift+Tab", [&] { pressTab(Qt::ShiftModifier); }, true},
      {"click on a check box", [&] { QTest::mouseClick(get("CheckBox13"), Qt::LeftButton); }, true},
      {"page Comunicação brought to the front", [&] { clickTab(0); }, true},
      {"arrow key to another item", [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); }, false},
      {"click on another item", [&] { QTest::mouseClick(precision()->button(1), Qt::LeftButton); }, false},
      {"click on a label", [&] { QTest::mouseClick(get("Label7"), Qt::LeftButton); }, false},
      {"click on a disabled check box", [&] { QTest::mouseClick(get("CheckBox3"), Qt::LeftButton); }, false},
  };
  for (const Case& c : cases) {
    // Start from the form's precision with a weight typed.
    pages()->setCurrentIndex(0);
    weight()->setEditMask(S("999,99;1;0"));
    weight()->setText(S("123,45"));
    pages()->setCurrentIndex(1);
    QTest::mouseClick(precision()->button(5), Qt::LeftButton);
    ASSERT_TRUE(precision()->button(5)->hasFocus()) << c.how;
    c.leave();
    if (c.runs) {
      EXPECT_EQ(weight()->editMask(), S("9,9999;1;0")) << c.how;
      EXPECT_EQ(weight()->text(), S("0,0000")) << c.how;
    } else {
      EXPECT_EQ(weight()->editMask(), S("999,99;1;0")) << c.how;
      EXPECT_EQ(weight()->text(), S("123,45")) << c.how;
    }
  }
}

TEST_F(Window, TabbingThroughThePrecisionGroupClearsTheWeight) {
  weight()->setText(S("123,45"));
  pages()->setCurrentIndex(1);
  get("CheckBox12")->setFocus(Qt::TabFocusReason);
  pressTab();
  ASSERT_EQ(controlOf(QApplication::focusWidget()), S("RadioGroup1"));
  pressTab();
  EXPECT_EQ(weight()->editMask(), S("999,99;1;0"));
  EXPECT_EQ(weight()->text(), S("000,00"));
}

TEST_F(Window, TareSwitchEnablesTheFieldAndOffResetsIt) {
  auto* on = get<QCheckBox>("CheckBox2");
  pages()->setCurrentIndex(1);

  QTest::mouseClick(on, Qt::LeftButton);
  ASSERT_TRUE(on->isChecked());
  EXPECT_TRUE(tare()->isEnabled());
  EXPECT_EQ(tare()->text(), S("000000"));

  tare()->setFocus(Qt::MouseFocusReason);
  tare()->setCursorPosition(0);
  QTest::keyClicks(tare(), S("12"));
  EXPECT_EQ(tare()->text(), S("120000"));

  QTest::mouseClick(on, Qt::LeftButton);
  EXPECT_FALSE(tare()->isEnabled());
  EXPECT_EQ(tare()->text(), S("000000"));
}

TEST_F(Window, TareRuleFollowsTheSpaceBarButNotTheProgram) {
  auto* on = get<QCheckBox>("CheckBox2");
  pages()->setCurrentIndex(1);
  on->setFocus();
  for (const bool expected : {true, false, true}) {
    QTest::keyClick(on, Qt::Key_Space);
    EXPECT_EQ(tare()->isEnabled(), expected);
    EXPECT_EQ(tare()->text(), S("000000"));
  }
  // Only the operator's changes run the rule.
  on->setChecked(false);
  EXPECT_TRUE(tare()->isEnabled());
}

TEST_F(Window, LinkLabelsOpenTheirOwnText) {
  std::vector<QString> opened;
  const TShellOpener previous = SetShellOpener([&](const QString& text) { opened.push_back(text); });
  pages()->setCurrentIndex(2);

  struct Case {
    const char* name;
    bool opens;
  };
  for (const Case& c :
       std::vector<Case>{{"Label29", true}, {"Label32", true}, {"Label33", true}, {"Label30", false}}) {
    auto* label = get<QLabel>(c.name);
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor) << c.name;
    opened.clear();
    QTest::mouseClick(label, Qt::LeftButton);
    if (c.opens)
      EXPECT_EQ(opened, std::vector<QString>{label->text()}) << c.name;
    else
      EXPECT_TRUE(opened.empty()) << c.name;
  }
  // The three links are different texts, so each click above named its own.
  EXPECT_NE(get<QLabel>("Label29")->text(), get<QLabel>("Label32")->text());
  EXPECT_NE(get<QLabel>("Label29")->text(), get<QLabel>("Label33")->text());
  SetShellOpener(previous);
}

TEST_F(Window, ClosingFreesTheWindow) {
  Brenvik_Frm = window;
  EXPECT_TRUE(window->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(Brenvik_Frm, nullptr);
}

} // namespace
