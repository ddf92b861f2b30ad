// Group box whose items are radio buttons, one per line, with a selected index.
//
// The items share the group's client area in equal rows and take the group's font. Only one item
// is a Tab stop (the checked one, or the first when none is), so Tab enters the group on its
// choice and the next Tab leaves it; the arrow keys move between the items and carry the choice.
#pragma once

#include <QGroupBox>
#include <QList>
#include <QMetaObject>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QStringList items READ items WRITE setItems)
  Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
  explicit TRadioGroup(QWidget* parent = nullptr);
  ~TRadioGroup() override;

  // An index chosen before keeps its item where it still exists, else the last item is chosen.
  void setItems(const QStringList& items);
  QStringList items() const;
  // -1 when no item is selected.
  int itemIndex() const;
  // -1 clears the choice. An index past the items is kept for items still to come when there are
  // none yet (a form may give the index first); otherwise it is ignored.
  void setItemIndex(int index);
  QRadioButton* button(int index) const;

Q_SIGNALS:
  // The keyboard focus left the group (or one of its items) for a widget
  // outside it; moving between the group's own items does not count.
  void exited();

protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void arrangeButtons();
  void updateTabStop();
  void checkOnly(int index);
  bool holds(const QWidget* widget) const;
  void onFocusChanged(QWidget* now);

  QButtonGroup* group_;
  QList<QRadioButton*> buttons_;
  int pendingIndex_ = -1;
  bool focusInside_ = false;
  QMetaObject::Connection focusWatch_;
};
