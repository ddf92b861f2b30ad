// Connection control and the Send action.
#include "Brenvik.h"
#include "ui_Brenvik.h"

#include "Brenvik_Unit.h"
#include "EchoText.h"

#include <QMessageBox>
#include <QStringList>

namespace {

const char* const ConnectErrorText =
    "Não foi possível conectar a porta serial.\r\nVerifique as configurações e tente novamente...";
const char* const SendWarningText =
    "A porta serial não foi aberta, ou o dado não foi enviado completamente\r\n"
    " durante o tempo de envio.\r\n";

QString Flag(bool on) {
  return on ? QStringLiteral("True") : QStringLiteral("False");
}

QString BinStr(uint8_t statusWord) {
  return QString::fromStdString(Brenvik_Unit::ByteToBinStr(statusWord, 8));
}

void ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
  box.exec();
}

// The masked fields hold Latin-1 characters only; one byte per character.
std::string Bytes(const QString& text) {
  return text.toLatin1().toStdString();
}

} // namespace

void TBrenvik_Frm::BitBtn1Click(QObject*) {
  if (!cpDrv.IsPortOpen() && !cpDrv.OpenPort())
    ShowMessage(this, QMessageBox::Critical, QStringLiteral("Erro"), QString::fromUtf8(ConnectErrorText));
  ui->BitBtn1->setEnabled(!cpDrv.IsPortOpen());
  ui->BitBtn2->setEnabled(cpDrv.IsPortOpen());
}

void TBrenvik_Frm::BitBtn2Click(QObject*) {
  if (cpDrv.IsPortOpen())
    cpDrv.ClosePort();
  ui->BitBtn1->setEnabled(!cpDrv.IsPortOpen());
  ui->BitBtn2->setEnabled(cpDrv.IsPortOpen());
}

void TBrenvik_Frm::BitBtn4Click(QObject*) {
  ui->RichEdited->clear();
  ui->Edit1->clear();

  // Every setting is taken before anything is encoded.
  const auto precision = static_cast<uint8_t>(ui->RadioGroup1->itemIndex());
  const auto increment = static_cast<uint8_t>(ui->RadioGroup5->itemIndex());
  const bool swaParity = ui->CheckBox13->isChecked();
  const bool swbParity = ui->CheckBox1->isChecked();
  const bool swcParity = ui->CheckBox12->isChecked();
  const bool net = ui->CheckBox5->isChecked();
  const bool negative = ui->CheckBox6->isChecked();
  const bool overload = ui->CheckBox7->isChecked();
  const bool motion = ui->CheckBox8->isChecked();
  const bool autoZeroed = ui->CheckBox9->isChecked();
  const bool printKey = ui->CheckBox10->isChecked();
  const bool expanded = ui->CheckBox11->isChecked();
  const bool checksum = ui->CheckBox4->isChecked();
  const QString weight = ui->MaskEdit1->text();
  const QString tare = ui->MaskEdit2->text();

  const uint8_t swa = Brenvik_Unit::EncodeSWA(precision, increment, swaParity);
  const uint8_t swb = Brenvik_Unit::EncodeSWB(net, negative, overload, motion, autoZeroed, swbParity);
  const uint8_t swc = Brenvik_Unit::EncodeSWC(printKey, expanded, swcParity);

  std::string frame;
  try {
    frame = Brenvik_Unit::BuildP03String(swa, swb, swc, Bytes(weight), Bytes(tare), checksum);
  } catch (const Brenvik_Unit::EConvertError& e) {
    // The operator typed a field that holds no digit: say which, and send nothing.
    const bool isWeight = e.Field() == Brenvik_Unit::EConvertError::fdWeight;
    ShowMessage(
        this, QMessageBox::Critical, QStringLiteral("Erro"),
        QStringLiteral("O campo %1 (\"%2\") não contém um número válido.\r\nNada foi enviado.")
            .arg(isWeight ? QStringLiteral("Peso") : QStringLiteral("Tara"), isWeight ? weight : tare));
    return;
  }

  const QStringList report = {
      QStringLiteral("SWA = ") + BinStr(swa),
      QStringLiteral("  Display = ") + ui->RadioGroup1->items().value(precision),
      QStringLiteral("  Incremento = ") + ui->RadioGroup5->items().value(increment),
      QStringLiteral("  Paridade Par = ") + Flag(swaParity),
      QString(),
      QStringLiteral("SWB = ") + BinStr(swb),
      QStringLiteral("  Peso Liquido = ") + Flag(net),
      QStringLiteral("  Peso Negativo = ") + Flag(negative),
      QStringLiteral("  Sobre Carga = ") + Flag(overload),
      QStringLiteral("  Motion = ") + Flag(motion),
      QStringLiteral("  Auto Zerado = ") + Flag(autoZeroed),
      QStringLiteral("  Paridade Par = ") + Flag(swbParity),
      QString(),
      QStringLiteral("SWC = ") + BinStr(swc),
      QStringLiteral("  Tecla Imprimir = ") + Flag(printKey),
      QStringLiteral("  Expandido = ") + Flag(expanded),
      QStringLiteral("  Paridade Par = ") + Flag(swcParity),
      QString(),
      QStringLiteral("Peso = ") + weight,
      QStringLiteral("Tara = ") + tare,
      QStringLiteral("CheckSum = ") + Flag(checksum),
  };
  // The report stands before the frame is sent, whatever the send does.
  ui->RichEdited->setPlainText(report.join(QLatin1Char('\n')));

  if (cpDrv.SendText(frame))
    ui->Edit1->setText(EchoText(frame));
  else
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("Atenção!"), QString::fromUtf8(SendWarningText));
}

void TBrenvik_Frm::FormClose(QObject* Sender, TCloseAction& Action) {
  // Runs even though the button is disabled while the port is closed.
  BitBtn2Click(Sender);
  Action = caFree;
}
