// The window's construction, its event wiring and the input rules; the
// connection and Send handlers are in Brenvik_Port.cpp.
#include "Brenvik.h"
#include "ui_Brenvik.h"

#include "Application.h"
#include "Shell.h"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <array>
#include <functional>
#include <utility>

TBrenvik_Frm* Brenvik_Frm = nullptr;

namespace {

// Hands one object's events to a function first; the function returns true
// to swallow an event.
class TEventHook : public QObject {
public:
  using THook = std::function<bool(QObject*, QEvent*)>;
  TEventHook(QObject* parent, THook hook) : QObject(parent), hook_(std::move(hook)) {}

  bool eventFilter(QObject* watched, QEvent* event) override { return hook_(watched, event); }

private:
  THook hook_;
};

// The form names Windows fonts. Where they are missing, take the installed
// family closest in shape, at the size and weight the form asks for.
void InstallFontSubstitutes() {
  static const bool installed = [] {
    const QStringList sans{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("Arial Black"), sans);
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    return true;
  }();
  (void)installed;
}

// A .ui font has no pixel size and no weight beyond bold, so the form gives
// them as the dynamic properties fontPixelSize and fontWeight. Parents come
// before their children, so a child's own size wins over an inherited one.
void ApplyFontProperties(QWidget* root) {
  QList<QWidget*> widgets{root};
  widgets += root->findChildren<QWidget*>();
  for (QWidget* widget : std::as_const(widgets)) {
    const QVariant pixelSize = widget->property("fontPixelSize");
    const QVariant weight = widget->property("fontWeight");
    if (!pixelSize.isValid() && !weight.isValid())
      continue;
    QFont font = widget->font();
    if (pixelSize.isValid())
      font.setPixelSize(pixelSize.toInt());
    if (weight.isValid())
      font.setWeight(QFont::Weight(weight.toInt()));
    widget->setFont(font);
  }
}

// Outer size of the window with an ordinary frame: the client area plus the
// borders and the title bar.
constexpr QSize kFrameExtra{8, 34};

// The weight field's mask for each precision of the SWA group: as many
// decimals as the precision has, six positions in all.
constexpr std::array<const char*, 6> kWeightMasks{
    "999999;1;0", // DISPLAY x 10
    "999999;1;0", // DISPLAY x 1
    "9999,9;1;0", // DISPLAY x 0.1
    "999,99;1;0", // DISPLAY x 0.01
    "99,999;1;0", // DISPLAY x 0.001
    "9,9999;1;0", // DISPLAY x 0.0001
};

} // namespace

TBrenvik_Frm::TBrenvik_Frm(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TBrenvik_Frm>()) {
  InstallFontSubstitutes();
  ui->setupUi(this);
  ApplyFontProperties(this);
  ui->Label35->setText(QStringLiteral("Versão %1, compilada com Qt %2")
                           .arg(QLatin1String(P03_VERSION), QLatin1String(QT_VERSION_STR)));

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize outer = size() + kFrameExtra;
    move(screen->availableGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2));
  }

  // The line settings of the scale's port; it stays closed until Conectar.
  cpDrv.Port = pnCustom;
  cpDrv.BaudRate = brCustom;
  cpDrv.BaudRateValue = 4800;
  cpDrv.StopBits = sb2BITS;
  cpDrv.Parity = ptEVEN;
  cpDrv.HwFlow = hfNONE;

  connect(ui->BitBtn1, &QPushButton::clicked, this,
          [this] { RunReported([this] { BitBtn1Click(ui->BitBtn1); }); });
  connect(ui->BitBtn2, &QPushButton::clicked, this,
          [this] { RunReported([this] { BitBtn2Click(ui->BitBtn2); }); });
  connect(ui->BitBtn4, &QPushButton::clicked, this,
          [this] { RunReported([this] { BitBtn4Click(ui->BitBtn4); }); });
  // clicked, not toggled: only the operator's changes count.
  connect(ui->CheckBox2, &QCheckBox::clicked, this,
          [this] { RunReported([this] { CheckBox2Click(ui->CheckBox2); }); });
  connect(ui->RadioGroup1, &TRadioGroup::exited, this,
          [this] { RunReported([this] { RadioGroup1Exit(ui->RadioGroup1); }); });

  // A widget window has no default button: Enter in the weight field presses
  // Enviar here. The key is swallowed so that it does nothing else.
  ui->MaskEdit1->installEventFilter(new TEventHook(this, [this](QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
      return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
      return false;
    ui->BitBtn4->click();
    return true;
  }));

  // Labels have no click of their own; a left-button release over a link
  // label counts as one, as it does for a button.
  auto* linkClick = new TEventHook(this, [this](QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease)
      return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* label = static_cast<QWidget*>(watched);
    if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint()))
      RunReported([this, watched] { Label29Click(watched); });
    return false;
  });
  for (QLabel* label : {ui->Label29, ui->Label32, ui->Label33})
    label->installEventFilter(linkClick);
}

TBrenvik_Frm::~TBrenvik_Frm() {
  if (Brenvik_Frm == this)
    Brenvik_Frm = nullptr;
}

void TBrenvik_Frm::closeEvent(QCloseEvent* event) {
  TCloseAction action = caHide;
  // A close handler that fails keeps the window open, as if it had said caNone.
  RunReported([&] {
    try {
      FormClose(this, action);
    } catch (...) {
      action = caNone;
      throw;
    }
  });
  switch (action) {
  case caNone:
    event->ignore();
    break;
  case caHide:
    event->accept();
    break;
  case caMinimize:
    event->ignore();
    showMinimized();
    break;
  case caFree:
    event->accept();
    deleteLater();
    break;
  }
}

void TBrenvik_Frm::RadioGroup1Exit(QObject*) {
  const int index = ui->RadioGroup1->itemIndex();
  if (index >= 0 && index < int(kWeightMasks.size()))
    ui->MaskEdit1->setEditMask(QLatin1String(kWeightMasks[std::size_t(index)]));
  // Every time, also when the precision stayed: the field starts over.
  ui->MaskEdit1->clear();
}

void TBrenvik_Frm::CheckBox2Click(QObject*) {
  const bool on = ui->CheckBox2->isChecked();
  if (!on)
    ui->MaskEdit2->setText(QStringLiteral("000000"));
  ui->MaskEdit2->setEnabled(on);
}

void TBrenvik_Frm::Label29Click(QObject* Sender) {
  if (const auto* label = qobject_cast<const QLabel*>(Sender))
    ShellOpen(label->text());
}
