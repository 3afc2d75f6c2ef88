// The measurement record the drivers build and the journal files.
#include "core/Measurement.h"
#include "platform/rtl/CodePage.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

TEST(Measurement, ModelIsCutToElevenBytesWithoutTouchingTheNextField)
{
    TVELTMeasurement m = ZeroMeasurement();
    m.VerificationDate = 12345.5;
    const QByteArray type = rtl::toCp1251(QString::fromUtf8("VELT-B АЛКОЗАМОК"));
    ASSERT_EQ(type.size(), 16);
    SetMeasurementText(m.Model, type.constData(), size_t(type.size()));
    EXPECT_EQ(QByteArray(m.Model), type.left(11));
    EXPECT_EQ(rtl::fromCp1251(QByteArray(m.Model)), QString::fromUtf8("VELT-B АЛКО"));
    EXPECT_EQ(m.Model[11], '\0');
    EXPECT_EQ(m.VerificationDate, 12345.5);
}

TEST(Measurement, RoundToStep)
{
    struct Case { float v, s; double expected; };
    const Case cases[] = {
        {0.1234f, 0.001f, 0.123}, {-0.12f, 0.01f, 0.12}, {0.0449f, 0.005f, 0.045}, {0.0f, 0.01f, 0.0},
        // A step of 0 (constants not read) or a quotient beyond 32 bits keeps the value instead of filing 0.
        {0.5f, 0.0f, 0.5}, {-0.25f, 0.0f, 0.25}, {1.0e9f, 1.0e-6f, 1.0e9}, {0.3f, -0.01f, 0.3},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(RoundToStep(c.v, c.s), c.expected, 1e-6 * (1 + c.expected)) << c.v << " / " << c.s;
}
