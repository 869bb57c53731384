#include "text/DescriptionMatch.h"

#include <gtest/gtest.h>

using orvex::text::compareDescriptions;
using orvex::text::DescriptionMatch;

TEST(DescriptionMatch, classesFromSameToChanged)
{
    EXPECT_EQ(compareDescriptions(QStringLiteral("CHOLERA"), QStringLiteral("CHOLERA")),
              DescriptionMatch::Same);
    EXPECT_EQ(compareDescriptions(QStringLiteral("CHOLERA"), QStringLiteral("Cholera")),
              DescriptionMatch::CaseOnly);
    EXPECT_EQ(
        compareDescriptions(QStringLiteral("CHOLERA, UNSPECIFIED"), QStringLiteral("Cholera,unspecified")),
        DescriptionMatch::BlanksOrApostrophes);
    EXPECT_EQ(compareDescriptions(QStringLiteral("CHOLERA"), QStringLiteral("TYPHOID")),
              DescriptionMatch::Changed);
}

TEST(DescriptionMatch, onlyTheStoredApostrophesAndLineBreaksAreReadOver)
{
    EXPECT_EQ(compareDescriptions(QStringLiteral("CROHNS DISEASE"), QStringLiteral("Crohn''s disease")),
              DescriptionMatch::BlanksOrApostrophes);
    EXPECT_EQ(compareDescriptions(QStringLiteral("CROHNS DISEASE"), QStringLiteral("Crohn's disease")),
              DescriptionMatch::BlanksOrApostrophes);
    // The list's apostrophe is wording of its own.
    EXPECT_EQ(compareDescriptions(QStringLiteral("CROHN'S DISEASE"), QStringLiteral("Crohns disease")),
              DescriptionMatch::Changed);
    // A stored line break is a blank once the blanks are gone: it never matches.
    EXPECT_EQ(compareDescriptions(QStringLiteral("CROHNS DISEASE"), QStringLiteral("Crohns\r\ndisease")),
              DescriptionMatch::Changed);
    EXPECT_EQ(compareDescriptions(QStringLiteral("CROHNS DISEASE"), QStringLiteral("Crohns\ndisease")),
              DescriptionMatch::Changed);
}
