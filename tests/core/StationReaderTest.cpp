// The reader that runs station reads on the event loop.
#include "comm/StationReader.h"

#include <gtest/gtest.h>

namespace
{

// A transport whose connection is refused at once; it says when it is destroyed.
class RefusedTransport : public TReadTransport
{
public:
    explicit RefusedTransport(bool& destroyed) : m_destroyed(destroyed) {}
    ~RefusedTransport() override { m_destroyed = true; }
    Framing Kind() const override { return Framing::Tcp; }
    bool Open() override { return false; }
    void Close() override {}
    bool IsReady() const override { return false; }
    int Write(const char*, int) override { return 0; }
    int Take(char*, int) override { return 0; }
    ReadProblem Problem() const override { return ReadProblem::ConnectFailed; }
    QString ErrorText() const override { return QStringLiteral("refused"); }

private:
    bool& m_destroyed;
};

} // namespace

// The transport of a finished read is freed later, outside its own handlers; a program that
// ends right after its read (tamsor-cli) runs no event loop again, and the reader frees it.
TEST(StationReader, TheTransportOfAFinishedReadGoesWithTheReader)
{
    bool destroyed = false;
    {
        TStationReader reader(nullptr, [&](const StationReadRequest&) {
            return std::make_unique<RefusedTransport>(destroyed);
        });
        StationReadRequest request;
        request.channelType = 1;
        ASSERT_TRUE(reader.Start(request));
        EXPECT_EQ(reader.Outcome().problem, ReadProblem::ConnectFailed);
        EXPECT_FALSE(destroyed);
    }
    EXPECT_TRUE(destroyed);
}
