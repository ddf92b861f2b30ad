#include "EchoText.h"

#include <gtest/gtest.h>

TEST(EchoText, EveryByteIsOneVisibleCharacter) {
  struct Case {
    std::string bytes;
    QString shown;
  };
  const Case cases[] = {
      {"\x02"
       ",1`001234000000\r\xA0",
       QStringLiteral(u"\u2402,1`001234000000\u240D\u00A0")},
      {std::string("\x02,1`000050000000\r\0", 18), QStringLiteral(u"\u2402,1`000050000000\u240D\u2400")},
      {"\x7F\x80\x81\x9F\xFF", QStringLiteral(u"\u2421\u20AC\uFFFD\u0178\u00FF")},
  };
  for (const Case& c : cases) {
    const QString shown = EchoText(c.bytes);
    EXPECT_EQ(shown, c.shown) << shown.toStdString();
    EXPECT_EQ(shown.size(), static_cast<qsizetype>(c.bytes.size()));
  }
}
