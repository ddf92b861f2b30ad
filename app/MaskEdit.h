// Line edit with a fixed-position edit mask: every position always shows a
// character (the mask's blank for unfilled ones), typing overwrites, and the
// text read back is exactly what the field shows.
#pragma once

#include <QLineEdit>

class TMaskEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(QString editMask READ editMask WRITE setEditMask)

public:
  explicit TMaskEdit(QWidget* parent = nullptr);

  // "pattern;1;blank", e.g. "999,99;1;0". Setting the mask in force again changes nothing.
  void setEditMask(const QString& mask);
  QString editMask() const;

  // Goes through the mask: a space at a non-literal position becomes unfilled.
  // Hides QLineEdit::setText so that the form and the handlers cannot bypass the mask.
  void setText(const QString& text);
  // Every position unfilled.
  void clear();

Q_SIGNALS:
  // A key was refused; the field has already beeped.
  void refused();
};
