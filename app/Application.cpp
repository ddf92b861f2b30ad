#include "Application.h"

#include <QMessageBox>

#include <exception>
#include <memory>
#include <typeinfo>

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

namespace {

// The type of the exception being handled, as the source spells it.
QString CurrentExceptionType() {
#if defined(__GNUC__)
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (!type)
    return QStringLiteral("?");
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                              std::free);
  return QString::fromUtf8(status == 0 && name ? name.get() : type->name());
#else
  return QStringLiteral("?");
#endif
}

void Report(const QString& message, const QString& type) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Simulador de Balança P03 - erro"),
                  QStringLiteral("Uma operação terminou com um erro e foi interrompida.\n\n"
                                 "Mensagem: %1\nTipo: %2\n\n"
                                 "O programa continua em execução.")
                      .arg(message, type),
                  QMessageBox::Ok);
  box.exec();
}

} // namespace

void ReportCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    Report(QString::fromLocal8Bit(e.what()), CurrentExceptionType());
  } catch (...) {
    Report(QStringLiteral("(sem mensagem)"), CurrentExceptionType());
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
  }
  return false;
}
