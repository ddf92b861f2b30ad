#include "MaskModel.h"

#include <algorithm>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isAsciiAlnum(char32_t ch) {
  return (ch >= U'0' && ch <= U'9') || (ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z');
}

} // namespace

std::u32string decodeUtf8(std::string_view utf8) {
  std::u32string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
      min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
      min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
      min = 0x10000;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t taken = 1;
    bool ok = true;
    for (; taken <= extra; ++taken) {
      if (i + taken >= utf8.size() || (static_cast<unsigned char>(utf8[i + taken]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + taken]) & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacement);
      i += ok ? taken : std::max<std::size_t>(taken, 1);
      continue;
    }
    out.push_back(cp);
    i += taken;
  }
  return out;
}

std::string encodeUtf8(char32_t ch) {
  std::string out;
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
  return out;
}

bool MaskModel::isAcceptedCharacter(char32_t ch) {
  return (ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xFF);
}

bool MaskModel::setMask(std::string_view mask) {
  if (hasMask() && mask == mask_)
    return true;

  const std::u32string chars = decodeUtf8(mask);
  std::vector<Slot> slots;
  std::size_t i = 0;
  for (; i < chars.size() && chars[i] != U';'; ++i) {
    const char32_t ch = chars[i];
    if (ch == U'9' || ch == U'0') {
      slots.push_back({Kind::Digit, 0, std::nullopt});
    } else if (ch == U'c' || ch == U'C') {
      slots.push_back({Kind::Any, 0, std::nullopt});
    } else if (ch == U'\\') {
      if (++i == chars.size() || !isAcceptedCharacter(chars[i]))
        return false;
      slots.push_back({Kind::Literal, chars[i], std::nullopt});
    } else if (isAsciiAlnum(ch) || !isAcceptedCharacter(ch)) {
      return false;
    } else {
      slots.push_back({Kind::Literal, ch, std::nullopt});
    }
  }
  if (slots.empty())
    return false;

  bool save = true;
  char32_t blank = U'_';
  if (i < chars.size()) {
    ++i; // the ';'
    const std::size_t saveEnd =
        std::find(chars.begin() + static_cast<std::ptrdiff_t>(i), chars.end(), U';') - chars.begin();
    const std::u32string saveField = chars.substr(i, saveEnd - i);
    if (saveField == U"0")
      save = false;
    else if (saveField != U"1")
      return false;
    if (saveEnd < chars.size()) {
      const std::u32string blankField = chars.substr(saveEnd + 1);
      if (blankField.size() != 1 || !isAcceptedCharacter(blankField[0]))
        return false;
      blank = blankField[0];
    }
  }

  // What was typed stays where the new mask still takes it; the rest becomes unfilled.
  for (std::size_t pos = 0; pos < slots.size() && pos < slots_.size(); ++pos) {
    if (slots_[pos].value && fits(slots[pos], *slots_[pos].value))
      slots[pos].value = slots_[pos].value;
  }
  mask_ = std::string(mask);
  slots_ = std::move(slots);
  saveLiterals_ = save;
  blank_ = blank;
  caret_ = anchor_ = 0;
  return true;
}

std::string MaskModel::displayText() const {
  std::string out;
  for (const Slot& slot : slots_)
    out += encodeUtf8(slot.kind == Kind::Literal ? slot.literal : slot.value.value_or(blank_));
  return out;
}

std::string MaskModel::text() const {
  std::string out;
  for (const Slot& slot : slots_) {
    if (slot.kind == Kind::Literal) {
      if (saveLiterals_)
        out += encodeUtf8(slot.literal);
    } else {
      out += encodeUtf8(slot.value.value_or(blank_));
    }
  }
  return out;
}

bool MaskModel::isFilled(std::size_t pos) const {
  return pos < slots_.size() && slots_[pos].value.has_value();
}

bool MaskModel::isLiteral(std::size_t pos) const {
  return pos < slots_.size() && slots_[pos].kind == Kind::Literal;
}

void MaskModel::setText(std::string_view utf8) {
  const std::u32string chars = decodeUtf8(utf8);
  std::size_t next = 0;
  for (Slot& slot : slots_) {
    // Without saved literals a text holds only the editable positions, so it skips the literals.
    if (slot.kind == Kind::Literal) {
      if (saveLiterals_)
        ++next;
      continue;
    }
    slot.value.reset();
    if (next < chars.size()) {
      const char32_t ch = chars[next++];
      if (ch != U' ' && fits(slot, ch))
        slot.value = ch;
    }
  }
  caret_ = anchor_ = 0;
}

void MaskModel::clear() {
  for (Slot& slot : slots_)
    slot.value.reset();
  caret_ = anchor_ = 0;
}

std::size_t MaskModel::selectionStart() const {
  return std::min(caret_, anchor_);
}

std::size_t MaskModel::selectionLength() const {
  return caret_ > anchor_ ? caret_ - anchor_ : anchor_ - caret_;
}

void MaskModel::setCaret(std::size_t pos) {
  caret_ = anchor_ = std::min(pos, slots_.size());
}

void MaskModel::select(std::size_t anchor, std::size_t caret) {
  anchor_ = std::min(anchor, slots_.size());
  caret_ = std::min(caret, slots_.size());
}

bool MaskModel::fits(const Slot& slot, char32_t ch) const {
  switch (slot.kind) {
  case Kind::Digit:
    return ch >= U'0' && ch <= U'9';
  case Kind::Any:
    return isAcceptedCharacter(ch);
  case Kind::Literal:
    return false;
  }
  return false;
}

std::optional<std::size_t> MaskModel::nextEditable(std::size_t from) const {
  for (std::size_t pos = from; pos < slots_.size(); ++pos) {
    if (slots_[pos].kind != Kind::Literal)
      return pos;
  }
  return std::nullopt;
}

std::size_t MaskModel::skipLiterals(std::size_t pos) const {
  while (pos < slots_.size() && slots_[pos].kind == Kind::Literal)
    ++pos;
  return pos;
}

void MaskModel::unfillSelection() {
  const std::size_t start = selectionStart();
  const std::size_t end = start + selectionLength();
  for (std::size_t pos = start; pos < end; ++pos)
    slots_[pos].value.reset();
  caret_ = anchor_ = start;
}

MaskModel::Key MaskModel::type(char32_t ch) {
  const std::size_t from = hasSelection() ? selectionStart() : caret_;
  if (const auto target = nextEditable(from); target && fits(slots_[*target], ch)) {
    if (selectionLength() > 1)
      unfillSelection();
    slots_[*target].value = ch;
    caret_ = anchor_ = skipLiterals(*target + 1);
    return Key::Accepted;
  }
  // A separator typed ahead of its place means "the part before it is done": jump behind it.
  for (std::size_t pos = from; pos < slots_.size(); ++pos) {
    if (slots_[pos].kind == Kind::Literal && slots_[pos].literal == ch) {
      caret_ = anchor_ = pos + 1;
      return Key::Accepted;
    }
  }
  return Key::Refused;
}

MaskModel::Key MaskModel::backspace() {
  if (!hasMask())
    return Key::Refused;
  if (hasSelection()) {
    unfillSelection();
    return Key::Accepted;
  }
  for (std::size_t pos = caret_; pos > 0; --pos) {
    if (slots_[pos - 1].kind != Kind::Literal) {
      slots_[pos - 1].value.reset();
      caret_ = anchor_ = pos - 1;
      return Key::Accepted;
    }
  }
  // At the start there is nothing to take back; like a plain line edit, that is not an error.
  return Key::Accepted;
}

MaskModel::Key MaskModel::erase() {
  if (!hasMask())
    return Key::Refused;
  if (hasSelection()) {
    unfillSelection();
    return Key::Accepted;
  }
  if (const auto target = nextEditable(caret_))
    slots_[*target].value.reset();
  return Key::Accepted;
}

MaskModel::Key MaskModel::paste(std::string_view utf8) {
  if (!hasMask())
    return Key::Refused;
  MaskModel trial = *this;
  // A plain pair rather than std::optional: GCC 12 at -O2 warns falsely that
  // an optional's value may be read uninitialised here.
  bool hasSteppedOver = false;
  char32_t steppedOver = 0;
  for (const char32_t ch : decodeUtf8(utf8)) {
    if (hasSteppedOver && steppedOver == ch) {
      // The previous character already stepped over this very literal.
      hasSteppedOver = false;
      continue;
    }
    const std::size_t before = trial.hasSelection() ? trial.selectionStart() : trial.caret_;
    if (trial.type(ch) == Key::Refused)
      return Key::Refused;
    hasSteppedOver = false;
    const std::size_t after = trial.caret_;
    if (after >= before + 2 && trial.slots_[after - 1].kind == Kind::Literal &&
        trial.slots_[after - 1].literal != ch) {
      hasSteppedOver = true;
      steppedOver = trial.slots_[after - 1].literal;
    }
  }
  *this = std::move(trial);
  return Key::Accepted;
}
