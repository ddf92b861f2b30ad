#include "MaskEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QtGlobal>

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {
  // Every way in besides the keyboard and the clipboard keys would write past the mask.
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setDragEnabled(false);
}

void TMaskEdit::setEditMask(const QString& mask) {
  const std::string wanted = mask.toStdString();
  if (model_.hasMask() && wanted == model_.mask())
    return;
  if (wanted.empty()) {
    model_ = MaskModel{};
    setMaxLength(32767);
    return;
  }
  const bool hadMask = model_.hasMask();
  if (!model_.setMask(wanted)) {
    qWarning("TMaskEdit: edit mask \"%s\" is not valid; keeping the one in force", wanted.c_str());
    return;
  }
  // A text given before the mask (the form may set it first) is taken through the mask now.
  if (!hadMask)
    model_.setText(QLineEdit::text().toStdString());
  setMaxLength(static_cast<int>(model_.size()));
  pushToLine();
}

QString TMaskEdit::editMask() const {
  return QString::fromStdString(model_.mask());
}

void TMaskEdit::setText(const QString& text) {
  if (!model_.hasMask()) {
    QLineEdit::setText(text);
    return;
  }
  model_.setText(text.toStdString());
  pushToLine();
}

void TMaskEdit::clear() {
  if (!model_.hasMask()) {
    QLineEdit::clear();
    return;
  }
  model_.clear();
  pushToLine();
}

void TMaskEdit::cut() {
  if (!model_.hasMask()) {
    QLineEdit::cut();
    return;
  }
  cutSelection();
}

void TMaskEdit::paste() {
  if (!model_.hasMask()) {
    QLineEdit::paste();
    return;
  }
  pasteFrom(QClipboard::Clipboard);
}

void TMaskEdit::insert(const QString& text) {
  if (!model_.hasMask()) {
    QLineEdit::insert(text);
    return;
  }
  pullCaret();
  apply(model_.paste(text.toStdString()));
}

void TMaskEdit::backspace() {
  if (!model_.hasMask()) {
    QLineEdit::backspace();
    return;
  }
  pullCaret();
  apply(model_.backspace());
}

void TMaskEdit::del() {
  if (!model_.hasMask()) {
    QLineEdit::del();
    return;
  }
  pullCaret();
  apply(model_.erase());
}

void TMaskEdit::undo() {
  if (!model_.hasMask())
    QLineEdit::undo();
}

void TMaskEdit::redo() {
  if (!model_.hasMask())
    QLineEdit::redo();
}

void TMaskEdit::keyPressEvent(QKeyEvent* event) {
  if (!model_.hasMask() || isReadOnly()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (handleEditingKey(event)) {
    event->accept();
    return;
  }
  if (isLineEditKey(event)) {
    // Moving, selecting, copying, and Return/Enter, which the line edit reports and then passes
    // on to the window.
    QLineEdit::keyPressEvent(event);
    return;
  }
  // Anything else belongs to the window (shortcuts, Escape...); none of it may edit the row.
  event->ignore();
}

bool TMaskEdit::handleEditingKey(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cut)) {
    cutSelection();
    return true;
  }
  if (event->matches(QKeySequence::Paste)) {
    paste();
    return true;
  }
  if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
    // The row is rewritten after every key, so the line edit's history is of no use.
    return true;
  }
  if (event->key() == Qt::Key_Backspace) {
    backspace();
    return true;
  }
  if (event->key() == Qt::Key_Delete) {
    del();
    return true;
  }
  if (isTypedText(event)) {
    typeText(event->text());
    return true;
  }
  return false;
}

bool TMaskEdit::isLineEditKey(const QKeyEvent* event) {
  switch (event->key()) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Left:
  case Qt::Key_Right:
  case Qt::Key_Home:
  case Qt::Key_End:
    return true;
  default:
    break;
  }
  return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) ||
         event->matches(QKeySequence::MoveToStartOfLine) || event->matches(QKeySequence::MoveToEndOfLine) ||
         event->matches(QKeySequence::SelectStartOfLine) || event->matches(QKeySequence::SelectEndOfLine);
}

bool TMaskEdit::isTypedText(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty())
    return false;
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool altGr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
  if (!altGr && (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
    return false;
  // Tab, Escape, Return and the like carry control characters; they are not typing.
  for (const QChar ch : text) {
    if (ch.category() == QChar::Other_Control)
      return false;
  }
  return true;
}

void TMaskEdit::typeText(const QString& text) {
  pullCaret();
  for (const char32_t ch : text.toUcs4()) {
    if (model_.type(ch) == MaskModel::Key::Refused) {
      pushToLine();
      refuse();
      return;
    }
  }
  pushToLine();
}

void TMaskEdit::pasteFrom(QClipboard::Mode mode) {
  pullCaret();
  apply(model_.paste(QGuiApplication::clipboard()->text(mode).toStdString()));
}

void TMaskEdit::cutSelection() {
  if (!hasSelectedText() || echoMode() != QLineEdit::Normal)
    return;
  copy();
  pullCaret();
  apply(model_.erase());
}

void TMaskEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!model_.hasMask() || isReadOnly()) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  // Only what the input method commits counts, taken like typed keys; its preview is not shown,
  // since it would have to be written into the row.
  if (!event->commitString().isEmpty())
    typeText(event->commitString());
  event->accept();
}

void TMaskEdit::mouseReleaseEvent(QMouseEvent* event) {
  // The middle button pastes the selection clipboard on some systems; take it through the mask.
  if (model_.hasMask() && event->button() == Qt::MiddleButton && !isReadOnly() &&
      QGuiApplication::clipboard()->supportsSelection()) {
    pasteFrom(QClipboard::Selection);
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void TMaskEdit::apply(MaskModel::Key result) {
  pushToLine();
  if (result == MaskModel::Key::Refused)
    refuse();
}

void TMaskEdit::pullCaret() {
  const auto cursor = static_cast<std::size_t>(cursorPosition());
  if (!hasSelectedText()) {
    model_.setCaret(cursor);
    return;
  }
  const auto start = static_cast<std::size_t>(selectionStart());
  const auto end = start + static_cast<std::size_t>(selectedText().size());
  model_.select(cursor == start ? end : start, cursor);
}

void TMaskEdit::pushToLine() {
  const QString row = QString::fromStdString(model_.displayText());
  // A shorter limit would cut the row and make the line edit's text differ from the model's.
  if (maxLength() < row.size())
    setMaxLength(static_cast<int>(row.size()));
  if (QLineEdit::text() != row)
    QLineEdit::setText(row);
  if (model_.hasSelection()) {
    const auto start = static_cast<int>(model_.selectionStart());
    const auto length = static_cast<int>(model_.selectionLength());
    // setSelection leaves the caret at the end given by a negative length when it runs backwards.
    if (model_.caret() == model_.selectionStart())
      setSelection(start + length, -length);
    else
      setSelection(start, length);
  } else {
    setCursorPosition(static_cast<int>(model_.caret()));
  }
}

void TMaskEdit::refuse() {
  QApplication::beep();
  Q_EMIT refused();
}
