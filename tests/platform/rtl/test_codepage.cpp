#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>

using rtl::CodePage;

TEST(CodePage, EveryByteRoundTripsInBothPages)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    for (CodePage cp : {CodePage::Cp1251, CodePage::Cp866}) {
        const QString text = rtl::decode(cp, all);
        ASSERT_EQ(text.size(), 256);
        int lost = -1;
        EXPECT_EQ(rtl::encode(cp, text, &lost), all);
        EXPECT_EQ(lost, 0);
    }
}

TEST(CodePage, KnownLetters)
{
    const QString name = QString::fromUtf8("ИВАНОВ ёЁ №");
    EXPECT_EQ(rtl::toCp1251(name), QByteArray("\xC8\xC2\xC0\xCD\xCE\xC2 \xB8\xA8 \xB9"));
    EXPECT_EQ(rtl::toCp866(name), QByteArray("\x88\x82\x80\x8D\x8E\x82 \xF1\xF0 \xFC"));
    EXPECT_EQ(rtl::fromCp866(QByteArray("\xAF\xE0\xA8\xA2\xA5\xE2")), QString::fromUtf8("привет"));
    EXPECT_EQ(rtl::fromCp1251(QByteArray("\xEF\xF0\xE8\xE2\xE5\xF2")), QString::fromUtf8("привет"));
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarksAndAreCounted)
{
    struct Case { CodePage cp; const char* utf8; QByteArray bytes; int lost; };
    const Case cases[] = {
        {CodePage::Cp1251, "a\xE2\x94\x80" "b", "a?b", 1},          // box drawing: only in cp866
        {CodePage::Cp866, "\xE2\x82\xAC" "1", "?1", 1},             // euro sign: only in cp1251
        {CodePage::Cp1251, "x\xF0\x9F\x98\x80y", "x?y", 1},         // one character outside the BMP, one '?'
        {CodePage::Cp1251, "\xE4\xB8\xAD\xE6\x96\x87", "??", 2},    // never dropped: one '?' each
        {CodePage::Cp866, "", "", 0},
    };
    for (const Case& c : cases) {
        int lost = -1;
        EXPECT_EQ(rtl::encode(c.cp, QString::fromUtf8(c.utf8), &lost), c.bytes) << c.utf8;
        EXPECT_EQ(lost, c.lost) << c.utf8;
    }
}

TEST(CodePage, LoneSurrogateIsUnmappable)
{
    QString s;
    s.append(QChar(0xD800));
    int lost = 0;
    EXPECT_EQ(rtl::toCp1251(s, &lost), QByteArray("?"));
    EXPECT_EQ(lost, 1);
}
