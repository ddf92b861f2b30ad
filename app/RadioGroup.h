// Group box whose items are radio buttons, one per line, with a selected index.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QRadioButton;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QStringList items READ items WRITE setItems)
  Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
  explicit TRadioGroup(QWidget* parent = nullptr);

  void setItems(const QStringList& items);
  QStringList items() const;
  // -1 when no item is selected.
  int itemIndex() const;
  void setItemIndex(int index);
  QRadioButton* button(int index) const;

Q_SIGNALS:
  // The keyboard focus left the group (or one of its items) for a widget
  // outside it; moving between the group's own items does not count.
  void exited();
};
