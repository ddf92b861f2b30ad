#include "RadioGroup.h"

#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent) {}
void TRadioGroup::setItems(const QStringList&) {}
QStringList TRadioGroup::items() const { return {}; }
int TRadioGroup::itemIndex() const { return -1; }
void TRadioGroup::setItemIndex(int) {}
QRadioButton* TRadioGroup::button(int) const { return nullptr; }
