// Line edit with a fixed-position edit mask: every position always shows a
// character (the mask's blank for unfilled ones), typing overwrites, and the
// text read back is exactly what the field shows.
//
// The mask itself lives in MaskModel; this class only maps keys, the clipboard and input-method
// commits onto it and mirrors the model's row and caret into the line edit, so the inherited
// text() is the row the field shows. Focus handling is the line edit's own: entering by Tab
// selects the whole row (typing then starts over at the first position), a click puts the caret
// where it lands. Without a mask (an empty one) the field is an ordinary line edit.
#pragma once

#include "MaskModel.h"

#include <QClipboard>
#include <QLineEdit>

class TMaskEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(QString editMask READ editMask WRITE setEditMask)
  // Redeclared so that setting the property by name also goes through the mask.
  Q_PROPERTY(QString text READ text WRITE setText USER true)

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

  const MaskModel& model() const { return model_; }

public Q_SLOTS:
  // The line edit's own editing slots would write past the mask; these hide them and go through
  // it (undo and redo have nothing to do, the row being rewritten on every edit).
  void cut();
  void paste();
  void insert(const QString& text);
  void backspace();
  void del();
  void undo();
  void redo();

Q_SIGNALS:
  // A key was refused; the field has already beeped.
  void refused();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  bool handleEditingKey(QKeyEvent* event);
  static bool isLineEditKey(const QKeyEvent* event);
  static bool isTypedText(const QKeyEvent* event);
  void typeText(const QString& text);
  void pasteFrom(QClipboard::Mode mode);
  void cutSelection();
  void apply(MaskModel::Key result);
  void pullCaret();
  void pushToLine();
  void refuse();

  MaskModel model_;
};
