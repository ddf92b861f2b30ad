#include "MaskEdit.h"

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}
void TMaskEdit::setEditMask(const QString&) {}
QString TMaskEdit::editMask() const { return {}; }
void TMaskEdit::setText(const QString& text) { QLineEdit::setText(text); }
void TMaskEdit::clear() { QLineEdit::clear(); }
