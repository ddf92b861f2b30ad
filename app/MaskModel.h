// Fixed-position edit mask, independent of any widget toolkit.
//
// A mask is written "pattern;save;blank":
//   pattern  one character per position:
//              '9' or '0'  a decimal digit may go here (never required)
//              'c' or 'C'  any one character may go here (never required)
//              '\x'        the literal character x
//              any other character that is neither a letter nor a digit is a literal
//            Letters and digits other than the four above are refused, so a mask meant for
//            another notation is not silently taken as a row of literals.
//   save     "1": the literals are part of text(); "0": text() holds only the editable positions
//   blank    the one character shown in an unfilled position
// The last two fields may be left out ("1" and "_").
//
// Characters are Unicode code points, but a position only takes characters of the Latin-1 range
// (U+0020 to U+007E and U+00A0 to U+00FF): the texts end up as single-byte strings on the serial
// line, so a character that has no one-byte form is refused like any other misfit. Texts going in
// and out are UTF-8.
//
// The caret and the selection are counted in positions, 0 to size(); the caret may stand in front
// of a literal, but typing and deleting only ever touch editable positions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class MaskModel {
public:
  enum class Key { Accepted, Refused };

  MaskModel() = default;

  // False (and nothing changes) for a malformed mask. Setting the mask in force again changes
  // nothing at all; a new mask keeps what was typed in the positions that still take it.
  bool setMask(std::string_view mask);
  const std::string& mask() const { return mask_; }
  bool hasMask() const { return !slots_.empty(); }

  std::size_t size() const { return slots_.size(); }
  // What the field shows: typed characters, the blank in unfilled positions, the literals.
  std::string displayText() const;
  // What a reader of the field gets: displayText(), without the literals when the mask says so.
  std::string text() const;
  bool isFilled(std::size_t pos) const;
  bool isLiteral(std::size_t pos) const;

  // Character i of text goes to position i; a literal position keeps its literal, and a space or
  // a character that does not fit leaves the position unfilled. Missing characters leave the
  // rest unfilled, surplus ones are dropped. Caret to the start.
  void setText(std::string_view utf8);
  // Every position unfilled, caret to the start.
  void clear();

  std::size_t caret() const { return caret_; }
  std::size_t selectionStart() const;
  std::size_t selectionLength() const;
  bool hasSelection() const { return selectionLength() > 0; }
  // Caret with no selection; clamped to the field.
  void setCaret(std::size_t pos);
  // Selection from anchor to caret (either order); the caret ends at `caret`.
  void select(std::size_t anchor, std::size_t caret);

  // Overwrites the first editable position at or after the caret and moves past it and any
  // literals that follow. A character that fits nowhere is refused, except one equal to a literal
  // ahead of the caret, which jumps the caret behind that literal. Over a selection of more than
  // one position the selection is unfilled first; a refused character leaves it as it was.
  Key type(char32_t ch);
  // Backspace: unfills the selection, or the editable position before the caret.
  Key backspace();
  // Delete: unfills the selection, or the editable position under the caret.
  Key erase();
  // Characters from the clipboard or an input method, one after another as if typed; a literal
  // of the mask standing where the text has just stepped over it is taken as that literal, so a
  // field's own text pastes back as it was. All or nothing: one refused character refuses it all.
  Key paste(std::string_view utf8);

  static bool isAcceptedCharacter(char32_t ch);

private:
  enum class Kind { Digit, Any, Literal };
  struct Slot {
    Kind kind;
    char32_t literal = 0;
    std::optional<char32_t> value;
  };

  bool fits(const Slot& slot, char32_t ch) const;
  std::optional<std::size_t> nextEditable(std::size_t from) const;
  std::size_t skipLiterals(std::size_t pos) const;
  void unfillSelection();

  std::string mask_;
  std::vector<Slot> slots_;
  bool saveLiterals_ = true;
  char32_t blank_ = U'_';
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
};

// UTF-8 helpers shared with the widget layer. Malformed bytes decode to U+FFFD, which no
// position accepts.
std::u32string decodeUtf8(std::string_view utf8);
std::string encodeUtf8(char32_t ch);
