#include "Devices/VELT_A/Printout.h"
#include "DevicesTestUtil.h"
#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

namespace {

// Bytes in chunks; an empty chunk is the line falling silent (a read that returns what it has so far).
class Script : public TPrintoutSource {
public:
    explicit Script(std::vector<QByteArray> chunks) : chunks_(std::move(chunks)) {}
    int Read(unsigned char* buffer, int count) override
    {
        int got = 0;
        while (got < count && !chunks_.empty()) {
            QByteArray& c = chunks_.front();
            if (c.isEmpty()) { // silence ends this read
                if (got == 0)
                    chunks_.erase(chunks_.begin());
                break;
            }
            const int n = std::min(count - got, int(c.size()));
            std::memcpy(buffer + got, c.constData(), size_t(n));
            c.remove(0, n);
            got += n;
            if (c.isEmpty())
                chunks_.erase(chunks_.begin());
        }
        return got;
    }
    void Sleep(int) override {}
    bool Stopped() override { return false; }

private:
    std::vector<QByteArray> chunks_;
};

QByteArray Word() { return QByteArray(kPrintoutProductWord, 4); }
QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

std::vector<TPrintoutResult> Decode(std::vector<QByteArray> chunks, int typeId = 1)
{
    Script s(std::move(chunks));
    std::vector<TPrintoutResult> out;
    ReadPrintout(s, typeId, [&](const TPrintoutResult& r) { out.push_back(r); });
    return out;
}

} // namespace

TEST(Printout, OneResultAsTheInstrumentPrintsIt)
{
    const auto r = Decode({Word() + "\xB9" "1234150310" + Hex("1503100930009600"), {}});
    ASSERT_EQ(r.size(), 1u);
    const TVELTMeasurement& m = r[0].record;
    EXPECT_EQ(m.NetNumber, 0);
    EXPECT_EQ(m.SerialNumber, 1234);
    EXPECT_EQ(QByteArray(m.Model), Word());
    EXPECT_DOUBLE_EQ(m.VerificationDate, rtl::EncodeDate(2010, 3, 15));
    EXPECT_DOUBLE_EQ(m.Probe.Timestamp, rtl::EncodeDateTime(2010, 3, 15, 9, 30, 0, 0));
    EXPECT_DOUBLE_EQ(m.Probe.AlcResult, 0.150);
    EXPECT_EQ(m.Probe.AirResult, 0.0);
    EXPECT_EQ(m.Probe.Exhale, 0);
    EXPECT_EQ(m.Probe.nMeasure, 0u);
    EXPECT_EQ(m.Probe.SurvLastName[0], '\0');
    EXPECT_EQ(m.Probe.Flag, 0);
    EXPECT_EQ(m.Probe.RecordType, 1u);
    EXPECT_EQ(m.ModelCode, 1u);
    EXPECT_EQ(m.DeviceType, 1u);
}

TEST(Printout, SkippedRecordsTrashAndBadHeadersAreLogged)
{
    devtest::LogCapture log;
    // 0xFF record skipped, an interrupted result kept with its raw status, a 5-byte tail logged.
    auto r = Decode({Word() + "\xB9" "0042011211" + Hex("FF00000000000000") + Hex("3112112359012C02") + Hex("0101120000"), {}}, 4);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].record.SerialNumber, 42);
    EXPECT_DOUBLE_EQ(r[0].record.Probe.AlcResult, 0.300);
    EXPECT_EQ(r[0].record.Probe.Exhale, 2);
    EXPECT_EQ(r[0].record.DeviceType, 4u);
    EXPECT_DOUBLE_EQ(r[0].record.Probe.Timestamp, rtl::EncodeDateTime(2011, 12, 31, 23, 59, 0, 0));
    EXPECT_TRUE(log.Contains("probe trash (5 bytes)"));

    // A first byte 0xB9 gives an empty model; 30 February is skipped with its raw bytes in the log.
    r = Decode({QByteArray("\xB9" "5678290212") + Hex("2902120000000000") + Hex("3002121000001000"), {}});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].record.Model[0], '\0');
    EXPECT_DOUBLE_EQ(r[0].record.VerificationDate, rtl::EncodeDate(2012, 2, 29));
    EXPECT_TRUE(log.Contains("incorrect date or time ( 48.2.2018 16:0)"));

    struct Bad { QByteArray bytes; const char* logged; };
    const Bad bad[] = {
        {QByteArray("ABCD\xB9" "1234150310") + Hex("1503100930009600"), "bad header ABCD"},
        {Word() + "1234567\xB9", nullptr}, // 5..11 bytes after a right word are a model, not an error
        {QByteArray(12, 'x'), "bad header"},
        {Word() + "\xB9" "123415031", "header trash (9 bytes)"},
        {Word() + "\xB9" "1234320310", "incorrect date ('1234320310')"},
        {Word() + "\xB9" "12a4150310" + Hex("1503100930009600"), nullptr},
        {Word() + "\xB9", "header trash (0 bytes)"},
    };
    for (const Bad& b : bad) {
        EXPECT_TRUE(Decode({b.bytes, {}}).empty()) << b.bytes.toHex().constData();
        if (b.logged)
            EXPECT_TRUE(log.Contains(b.logged)) << b.logged;
    }
}

TEST(Printout, EncoderAndReaderAgree)
{
    QByteArray bytes = EncodePrintoutHeader(Word(), 7, 1, 2, 2024);
    const TPrintoutEntry entries[] = {{29, 2, 2024, 23, 59, 65535, 0}, {1, 1, 2000, 0, 0, 0, 1}};
    for (const auto& e : entries)
        bytes += EncodePrintoutRecord(e);
    const auto r = Decode({bytes, {}});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].record.SerialNumber, 7);
    EXPECT_DOUBLE_EQ(r[0].record.Probe.AlcResult, 65.535);
    EXPECT_DOUBLE_EQ(r[0].record.Probe.Timestamp, rtl::EncodeDateTime(2024, 2, 29, 23, 59, 0, 0));
    EXPECT_EQ(r[1].record.Probe.Exhale, 1);
}

TEST(Printout, ADateOrTimeByteThatIsNoBcdNumberIsSkippedNotMisread)
{
    devtest::LogCapture log;
    // A noisy line can turn a digit into a nibble above 9: read as high x 10 + low, 0x0A would be day 10, 0x3A
    // minute 40, 0x0F hour 15 and 0xA0 the year 2100, all filed as times the instrument never printed.
    const auto r = Decode({Word() + "\xB9" "1234150310" + Hex("0A03100930009600") + Hex("150310093A009600") +
                               Hex("1503A00930009600") + Hex("15031009300096FF") + Hex("1503100F30009600"),
                           {}});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].record.Probe.Timestamp, rtl::EncodeDateTime(2010, 3, 15, 9, 30, 0, 0));
    EXPECT_EQ(r[0].record.Probe.Exhale, 0xFF) << "the status byte is kept as it came";
    for (const char* logged : {"incorrect date or time ( 10.3.2016 9:48)", "incorrect date or time ( 21.3.2016 9:58)",
                               "incorrect date or time ( 21.3.2160 9:48)", "incorrect date or time ( 21.3.2016 15:48)"})
        EXPECT_TRUE(log.Contains(logged)) << logged << "\n" << log.Text().toStdString();
}
