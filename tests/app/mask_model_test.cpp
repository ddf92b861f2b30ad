#include "MaskModel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kWeight = "999,99;1;0";
constexpr const char* kTare = "cccccc;1;0";

// Keys are UTF-8; '\b' is Backspace and '\x7f' is Delete.
struct KeyCase {
  const char* name;
  const char* mask;
  const char* start; // set through the mask first; nullptr leaves the field cleared
  std::size_t anchor;
  std::size_t caret;
  const char* keys;
  const char* text;
  int refusals;
  std::size_t caretAfter;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << c.name;
}

class MaskKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(MaskKeys, TextAndRefusals) {
  const KeyCase& c = GetParam();
  MaskModel model;
  ASSERT_TRUE(model.setMask(c.mask));
  if (c.start)
    model.setText(c.start);
  model.select(c.anchor, c.caret);
  int refusals = 0;
  for (const char32_t key : decodeUtf8(c.keys)) {
    const MaskModel::Key result = key == U'\b'  ? model.backspace()
                                  : key == 0x7F ? model.erase()
                                                : model.type(key);
    refusals += result == MaskModel::Key::Refused ? 1 : 0;
  }
  EXPECT_EQ(model.text(), c.text);
  EXPECT_EQ(model.displayText(), c.text);
  EXPECT_EQ(refusals, c.refusals);
  EXPECT_EQ(model.caret(), c.caretAfter);
  if (c.refusals == 0) {
    EXPECT_FALSE(model.hasSelection());
  }
}

const KeyCase kKeyCases[] = {
    // Weight field, from the first position of a cleared field.
    {"digits_overwrite", kWeight, nullptr, 0, 0, "12", "120,00", 0, 2},
    {"comma_jumps_behind_the_comma", kWeight, nullptr, 0, 0, "1,5", "100,50", 0, 5},
    {"typed_zeros_are_kept", kWeight, nullptr, 0, 0, "00150", "001,50", 0, 6},
    {"caret_skips_the_comma", kWeight, nullptr, 0, 0, "1234", "123,40", 0, 5},
    {"letter_refused", kWeight, nullptr, 0, 0, "a", "000,00", 1, 0},
    {"letter_between_digits_refused", kWeight, nullptr, 0, 0, "1x2", "120,00", 1, 2},
    {"space_refused_in_digit", kWeight, nullptr, 0, 0, " ", "000,00", 1, 0},
    {"comma_at_the_comma_jumps", kWeight, nullptr, 3, 3, ",7", "000,70", 0, 5},
    {"comma_behind_the_comma_refused", kWeight, nullptr, 4, 4, ",", "000,00", 1, 4},
    {"second_comma_refused", kWeight, nullptr, 0, 0, "1,,", "100,00", 1, 4},
    {"digit_in_front_of_comma_goes_behind_it", kWeight, nullptr, 3, 3, "7", "000,70", 0, 5},
    {"seventh_character_refused", kWeight, nullptr, 0, 0, "123456", "123,45", 1, 6},
    {"typing_at_the_end_refused", kWeight, "123,45", 6, 6, "9", "123,45", 1, 6},
    {"backspace_after_last_digit", kWeight, nullptr, 0, 0, "12\b", "100,00", 0, 1},
    {"backspace_steps_over_the_comma", kWeight, nullptr, 0, 0, "123\b", "120,00", 0, 2},
    {"backspace_then_retype", kWeight, nullptr, 0, 0, "12\b7", "170,00", 0, 2},
    {"backspace_at_start_does_nothing", kWeight, "123,45", 0, 0, "\b", "123,45", 0, 0},
    {"backspace_unfills_selection", kWeight, "123,45", 1, 5, "\b", "100,05", 0, 1},
    {"delete_under_caret", kWeight, "123,45", 1, 1, "\x7f", "103,45", 0, 1},
    {"delete_in_front_of_comma", kWeight, "123,45", 3, 3, "\x7f", "123,05", 0, 3},
    {"delete_at_end_does_nothing", kWeight, "123,45", 6, 6, "\x7f", "123,45", 0, 6},
    {"delete_selection", kWeight, "123,45", 6, 0, "\x7f", "000,00", 0, 0},
    {"selection_typed_over", kWeight, "123,45", 1, 5, "9", "190,05", 0, 2},
    {"backward_selection_typed_over", kWeight, "123,45", 5, 1, "9", "190,05", 0, 2},
    {"one_position_selection_overwritten", kWeight, "123,45", 0, 1, "7", "723,45", 0, 1},
    {"whole_field_selection_starts_over", kWeight, "123,45", 0, 6, "8", "800,00", 0, 1},
    {"refused_key_keeps_selection_content", kWeight, "123,45", 1, 5, "x", "123,45", 1, 5},
    {"comma_over_selection_only_jumps", kWeight, "123,45", 0, 2, ",", "123,45", 0, 4},
    // Weight masks of the other precisions.
    {"no_comma_mask_refuses_comma", "999999;1;0", nullptr, 0, 0, ",", "000000", 1, 0},
    {"no_comma_mask_six_digits", "999999;1;0", nullptr, 0, 0, "1234567", "123456", 1, 6},
    {"one_decimal_comma_jump", "9999,9;1;0", nullptr, 0, 0, "12,3", "1200,3", 0, 6},
    {"comma_behind_the_skipped_comma_refused", "9,9999;1;0", nullptr, 0, 0, "1,25", "1,2500", 1, 4},
    {"three_decimals_comma_first", "99,999;1;0", nullptr, 0, 0, ",5", "00,500", 0, 4},
    // Tare field: every character.
    {"tare_letters_space_digit", kTare, nullptr, 0, 0, "ab 1", "ab 100", 0, 4},
    {"tare_six_spaces", kTare, nullptr, 0, 0, "      ", "      ", 0, 6},
    {"tare_digits", kTare, nullptr, 0, 0, "12", "120000", 0, 2},
    {"tare_comma_is_a_character", kTare, nullptr, 0, 0, "1,5", "1,5000", 0, 3},
    {"tare_seventh_refused", kTare, nullptr, 0, 0, "abcdefg", "abcdef", 1, 6},
    {"tare_latin1_letter", kTare, nullptr, 0, 0, "\xc3\xa9",
     "\xc3\xa9"
     "00000",
     0, 1},
    {"tare_non_latin1_refused", kTare, nullptr, 0, 0, "\xe2\x82\xac", "000000", 1, 0},
    {"tare_control_character_refused", kTare, nullptr, 0, 0, "\t", "000000", 1, 0},
    {"tare_backspace_shows_blank", kTare, nullptr, 0, 0, "ab\b\b", "000000", 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Table, MaskKeys, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MaskModel, ClearedFieldOfEveryMask) {
  const struct {
    const char* mask;
    const char* shows;
  } cases[] = {{"999999;1;0", "000000"}, {"9999,9;1;0", "0000,0"}, {"999,99;1;0", "000,00"},
               {"99,999;1;0", "00,000"}, {"9,9999;1;0", "0,0000"}, {kTare, "000000"}};
  for (const auto& c : cases) {
    MaskModel model;
    ASSERT_TRUE(model.setMask(c.mask)) << c.mask;
    model.setText("12345678");
    model.clear();
    EXPECT_EQ(model.text(), c.shows) << c.mask;
    EXPECT_EQ(model.size(), 6u) << c.mask;
    for (std::size_t pos = 0; pos < model.size(); ++pos)
      EXPECT_FALSE(model.isFilled(pos)) << c.mask << " position " << pos;
  }
}

TEST(MaskModel, SetTextGoesThroughTheMask) {
  const struct {
    const char* mask;
    const char* given;
    const char* text;
    const char* filled; // 'x' for a filled position
  } cases[] = {
      {kWeight, "   ,  ", "000,00", "......"},  // the form's initial text
      {kWeight, "12 ,4 ", "120,40", "xx..x."},  // spaces become unfilled
      {kWeight, "1a3;45", "103,45", "x.x.xx"},  // misfits unfilled, the literal stays
      {kWeight, "12", "120,00", "xx...."},      // short text
      {kWeight, "123,456", "123,45", "xxx.xx"}, // surplus dropped
      {kTare, "000000", "000000", "xxxxxx"},    // the tare reset: typed zeros
      {kTare, "a b   ", "a0b000", "x.x..."},    {kTare, "", "000000", "......"},
  };
  for (const auto& c : cases) {
    MaskModel model;
    ASSERT_TRUE(model.setMask(c.mask));
    model.setText("999999");
    model.setCaret(4);
    model.setText(c.given);
    EXPECT_EQ(model.text(), c.text) << c.given;
    std::string filled;
    for (std::size_t pos = 0; pos < model.size(); ++pos)
      filled += model.isFilled(pos) ? 'x' : '.';
    EXPECT_EQ(filled, c.filled) << c.given;
    EXPECT_EQ(model.caret(), 0u);
  }
}

TEST(MaskModel, SettingTheMaskInForceChangesNothing) {
  MaskModel model;
  ASSERT_TRUE(model.setMask(kWeight));
  model.type(U'4');
  model.type(U'2');
  ASSERT_TRUE(model.setMask(kWeight));
  EXPECT_EQ(model.text(), "420,00");
  EXPECT_EQ(model.caret(), 2u);
}

TEST(MaskModel, NewMaskKeepsWhatStillFits) {
  MaskModel model;
  ASSERT_TRUE(model.setMask(kTare));
  model.setText("1a3456");
  ASSERT_TRUE(model.setMask(kWeight));
  EXPECT_EQ(model.text(), "103,56");
  EXPECT_EQ(model.caret(), 0u);
}

TEST(MaskModel, MalformedMasksAreRefusedAndChangeNothing) {
  MaskModel model;
  ASSERT_TRUE(model.setMask(kWeight));
  model.type(U'5');
  for (const char* bad :
       {"", ";1;0", "999,99;2;0", "999,99;1;", "999,99;1;00", "LLL999;1;0", "99\\", "99\xe2\x82\xac"})
    EXPECT_FALSE(model.setMask(bad)) << bad;
  EXPECT_EQ(model.mask(), kWeight);
  EXPECT_EQ(model.text(), "500,00");
}

TEST(MaskModel, MaskFieldsAndEscapes) {
  MaskModel model;
  ASSERT_TRUE(model.setMask("99\\9-cc"));
  EXPECT_EQ(model.displayText(), "__9-__");
  EXPECT_EQ(model.paste("12ab"), MaskModel::Key::Accepted);
  EXPECT_EQ(model.text(), "129-ab");

  ASSERT_TRUE(model.setMask("999,99;0;0"));
  model.setText("12345");
  EXPECT_EQ(model.displayText(), "123,45");
  EXPECT_EQ(model.text(), "12345") << "literals left out of the text";
}

TEST(MaskModel, PasteIsAllOrNothingAndReadsTheFieldsOwnText) {
  const struct {
    const char* mask;
    const char* clip;
    MaskModel::Key result;
    const char* text;
  } cases[] = {
      {kWeight, "123,45", MaskModel::Key::Accepted, "123,45"},
      {kWeight, "1,5", MaskModel::Key::Accepted, "100,50"},
      {kWeight, "12x", MaskModel::Key::Refused, "000,00"},
      {kWeight, "1234567", MaskModel::Key::Refused, "000,00"},
      {kTare, "ab 100", MaskModel::Key::Accepted, "ab 100"},
      {"999999;1;0", "12,5", MaskModel::Key::Refused, "000000"},
  };
  for (const auto& c : cases) {
    MaskModel model;
    ASSERT_TRUE(model.setMask(c.mask));
    EXPECT_EQ(model.paste(c.clip), c.result) << c.clip;
    EXPECT_EQ(model.text(), c.text) << c.clip;
  }
}

TEST(MaskModel, TypedZeroAndUnfilledReadAlikeButDiffer) {
  MaskModel model;
  ASSERT_TRUE(model.setMask(kWeight));
  model.type(U'0');
  EXPECT_EQ(model.text(), "000,00");
  EXPECT_TRUE(model.isFilled(0));
  EXPECT_FALSE(model.isFilled(1));
  EXPECT_TRUE(model.isLiteral(3));
}

TEST(MaskModel, WithoutMaskNothingIsTaken) {
  MaskModel model;
  EXPECT_EQ(model.type(U'1'), MaskModel::Key::Refused);
  EXPECT_EQ(model.backspace(), MaskModel::Key::Refused);
  EXPECT_EQ(model.text(), "");
}

TEST(MaskModel, CaretAndSelectionAreClamped) {
  MaskModel model;
  ASSERT_TRUE(model.setMask(kWeight));
  model.select(2, 99);
  EXPECT_EQ(model.selectionStart(), 2u);
  EXPECT_EQ(model.selectionLength(), 4u);
  model.setCaret(40);
  EXPECT_EQ(model.caret(), 6u);
}

TEST(Utf8, MalformedBytesDecodeToReplacement) {
  EXPECT_EQ(decodeUtf8("a\xff"
                       "b"),
            U"a\uFFFDb");
  EXPECT_EQ(decodeUtf8("\xc3"), U"\uFFFD");
  EXPECT_EQ(decodeUtf8("\xc0\x80"), U"\uFFFD") << "overlong form";
  EXPECT_EQ(encodeUtf8(U'\u00e9'), "\xc3\xa9");
}

} // namespace
