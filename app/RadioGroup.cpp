#include "RadioGroup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idToggled, this, [this](int, bool) { updateTabStop(); });
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                        [this](QWidget*, QWidget* now) { onFocusChanged(now); });
}

TRadioGroup::~TRadioGroup() {
  // The buttons are destroyed after this body and may hand the focus on while they go; by then
  // this object is no longer a TRadioGroup and must not hear about it.
  disconnect(focusWatch_);
}

void TRadioGroup::setItems(const QStringList& items) {
  const int previous = buttons_.isEmpty() ? pendingIndex_ : itemIndex();
  for (QRadioButton* button : std::as_const(buttons_)) {
    group_->removeButton(button);
    delete button;
  }
  buttons_.clear();
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items.at(i), this);
    button->setObjectName(QStringLiteral("item%1").arg(i));
    group_->addButton(button, i);
    buttons_.append(button);
    button->show();
  }
  pendingIndex_ = -1;
  checkOnly(previous < 0 ? -1 : std::min(previous, static_cast<int>(buttons_.size()) - 1));
  arrangeButtons();
}

QStringList TRadioGroup::items() const {
  QStringList out;
  for (const QRadioButton* button : buttons_)
    out.append(button->text());
  return out;
}

int TRadioGroup::itemIndex() const {
  return buttons_.isEmpty() ? -1 : group_->checkedId();
}

void TRadioGroup::setItemIndex(int index) {
  if (buttons_.isEmpty()) {
    pendingIndex_ = std::max(index, -1);
    return;
  }
  if (index < -1 || index >= buttons_.size())
    return;
  checkOnly(index);
}

QRadioButton* TRadioGroup::button(int index) const {
  return index >= 0 && index < buttons_.size() ? buttons_.at(index) : nullptr;
}

void TRadioGroup::checkOnly(int index) {
  if (index >= 0) {
    buttons_.at(index)->setChecked(true);
  } else if (QAbstractButton* checked = group_->checkedButton()) {
    // An exclusive group will not let its last checked button go.
    group_->setExclusive(false);
    checked->setChecked(false);
    group_->setExclusive(true);
  }
  updateTabStop();
}

void TRadioGroup::updateTabStop() {
  // Qt makes every item of an exclusive group a Tab stop until one is checked; a radio group is
  // one stop, on its choice.
  const int stop = std::max(group_->checkedId(), 0);
  for (int i = 0; i < buttons_.size(); ++i)
    buttons_.at(i)->setFocusPolicy(i == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TRadioGroup::event(QEvent* event) {
  const bool result = QGroupBox::event(event);
  switch (event->type()) {
  case QEvent::ContentsRectChange: // title, font or style changed the frame
  case QEvent::FontChange:
  case QEvent::StyleChange:
    arrangeButtons();
    break;
  default:
    break;
  }
  return result;
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  arrangeButtons();
}

void TRadioGroup::arrangeButtons() {
  if (buttons_.isEmpty())
    return;
  // Equal rows filling the client area under the caption, any rest split above and below.
  const QRect client = contentsRect();
  const int count = static_cast<int>(buttons_.size());
  const int rowHeight = std::max(client.height() / count, 1);
  const int top = client.top() + (client.height() - rowHeight * count) / 2;
  const int left = 8;
  const int width = std::max(this->width() - 2 * left, 1);
  for (int i = 0; i < count; ++i)
    buttons_.at(i)->setGeometry(left, top + i * rowHeight, width, rowHeight);
}

bool TRadioGroup::holds(const QWidget* widget) const {
  return widget == this || isAncestorOf(widget);
}

void TRadioGroup::onFocusChanged(QWidget* now) {
  if (now == nullptr || now->window() != window()) {
    // The window lost activation or another window (a message box) took the focus: the focus
    // has not moved within this window, and it comes back to where it was.
    return;
  }
  if (holds(now)) {
    focusInside_ = true;
    return;
  }
  // Tracking the last place rather than the old widget also catches a page switch that first
  // clears the focus and then gives it to a control of the new page.
  if (focusInside_) {
    focusInside_ = false;
    Q_EMIT exited();
  }
}
