// A read of the defined areas only decodes to the same tables as a full read of the same
// device, over generated definitions and device memories.
#include "reports/KivUtil.h"
#include "reports/RegisterUsage.h"

#include "DecoderTestSupport.h"
#include "FakeModbus.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

class Generator
{
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    int Between(int low, int high)
    {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }
    bool OneIn(int n) { return Between(1, n) == 1; }

    // A first register: anywhere, close to the end of the memory, or beyond it.
    quint32 Register()
    {
        if (OneIn(8))
            return quint32(Between(65500, 65535));
        if (OneIn(12))
            return quint32(Between(65536, 70000));
        return quint32(Between(0, 65000));
    }
    int Format() { return Between(3, 8); }

    void Define(TKivStation& station)
    {
        for (int n = Between(0, 3); n > 0; --n) {
            auto* recipe = new TKivRecipe(station.Recipes.get());
            recipe->Register = Register();
            recipe->Count = OneIn(10) ? 0xFFFFFFFFu : quint32(Between(0, 60));
            recipe->Capacity = quint32(OneIn(6) ? 0 : Between(1, 40));
            for (int c = Between(1, 6); c > 0; --c)
                (new TKivRecipeItem(recipe->RecipeItems.get()))->Format = quint32(Format());
        }
        for (int n = Between(0, 3); n > 0; --n) {
            auto* record = new TKivDataRecord(station.DataRecords.get());
            record->Register = Register();
            record->Count = quint32(Between(0, 50));
            record->Capacity = quint32(Between(0, 8));
            for (int c = Between(1, 5); c > 0; --c)
                (new TKivDataRecordItem(record->DataRecordItems.get()))->Format = quint32(Format());
        }
        TKivAlarms& alarms = *station.Alarms;
        alarms.BackupAddr = Register();
        alarms.BackupSpace = quint32(16 + 8 * Between(0, 40) + Between(0, 7));
        for (int n = Between(0, 4); n > 0; --n) {
            auto* alarm = new TKivAlarm(&alarms);
            alarm->Message = {QStringLiteral("first"), QStringLiteral("second")};
        }
    }

    // A device memory for the station's definitions, in its image: noise and time stamps,
    // with log and alarm headers the decoders accept, some counting more entries than the
    // definition has slots.
    void Fill(TKivStation& station)
    {
        station.RegisterImage = ZeroRegisterImage();
        for (int r = 0; r < RegisterCount; ++r)
            SetRegister(station, r, quint16(Between(0, 65535)));
        for (int r = 0; r < RegisterCount - 1; r += Between(1, 200))
            SetRegister32(station, r, quint32(Between(1'300'000'000, 1'400'000'000)));
        SetRegister(station, TimeOffsetRegister, quint16(Between(-600, 600)));
        for (const TKivDataRecord* record : *station.DataRecords) {
            if (record->Register > 65532 || OneIn(8))
                continue;
            const int slotCount = int(record->Count);
            const int stretch = OneIn(3) ? Between(1, 30) : 0;
            SetLogHeader(station, record->Register, quint16(Between(0, slotCount + stretch)),
                         quint16(Between(0, slotCount + stretch)));
        }
        const TKivAlarms& alarms = *station.Alarms;
        const qint32 capacity = (qint32(alarms.BackupSpace) - 16) / 8;
        if (alarms.BackupAddr < 65520 && capacity > 0)
            SetAlarmHeader(station, alarms.BackupAddr, alarms.BackupSpace,
                           quint32(Between(0, capacity)), quint32(Between(0, capacity - 1)));
        SetRegister(station, ModelRegister, 1234);
    }

private:
    std::mt19937 m_random;
};

QByteArray ReadThrough(ReadHarness& h, StationReadRequest request)
{
    h.AnswerAll();
    EXPECT_TRUE(h.Start(request));
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadDone) << h.outcome.message.toStdString();
    return h.outcome.image;
}

} // namespace

TEST(DefinedAreasRead, DecodesToTheTablesOfAFullRead)
{
    DecoderLanguage language;
    int differentImages = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Generator generate(seed);
        TKivStation station(nullptr);
        generate.Define(station);
        generate.Fill(station);
        const QByteArray deviceMemory = station.RegisterImage;
        generate.Fill(station); // what the station held before the read: another memory
        const QByteArray before = station.RegisterImage;

        const bool tcp = seed % 2 == 0;
        const auto framing = tcp ? TReadTransport::Framing::Tcp : TReadTransport::Framing::Rtu;
        ReadHarness full(framing);
        for (int r = 0; r < RegisterCount; ++r)
            full.device.registers[size_t(r)] = *ImageRegister(deviceMemory, r);
        const QByteArray fullImage = ReadThrough(full, FakeDeviceRequest(tcp ? 1 : 0));

        ReadHarness defined(framing);
        defined.device.registers = full.device.registers;
        StationReadRequest request = FakeDeviceRequest(tcp ? 1 : 0);
        const TRegisterUsage usage(station);
        request.registers = usage.Registers();
        request.baseImage = before;
        request.moreRegisters = [&usage](const QByteArray& image) {
            return usage.Registers(image);
        };
        request.options.BlockRegisters = generate.OneIn(2) ? 64 : generate.Between(65, 125);
        request.options.InFlight = generate.Between(1, 16);
        const QByteArray definedImage = ReadThrough(defined, request);

        ASSERT_EQ(fullImage.size(), kRegisterImageSize);
        ASSERT_EQ(definedImage.size(), kRegisterImageSize);
        differentImages += fullImage != definedImage;
        EXPECT_EQ(DecodedTables(station, definedImage), DecodedTables(station, fullImage));
        EXPECT_LT(defined.outcome.requestsWritten, full.outcome.requestsWritten);
    }
    // The reads left registers out, yet decode alike.
    EXPECT_GT(differentImages, 30);
}
