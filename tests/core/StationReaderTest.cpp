// TStationReader and RunStationRead: the reader drives the engine on the event loop and owns
// the transport of each read.
#include "comm/StationReader.h"

#include "FakeModbus.h"

#include <gtest/gtest.h>

#include <memory>

// The caller of RunStationRead may never run an event loop again (tamsor-cli does not): the
// transport must be gone when the read returns, not waiting for a loop to delete it.
TEST(StationReader, TransportIsDestroyedWhenTheReadReturns)
{
    enum Ending { CannotOpen, WrongModel };
    for (Ending ending : {CannotOpen, WrongModel}) {
        bool destroyed = false;
        FakeDevice device;
        device.tcp = true;
        auto factory = [&](const StationReadRequest&) {
            auto transport = std::make_unique<FakeTransport>(TReadTransport::Framing::Tcp);
            FakeTransport* fake = transport.get();
            fake->destroyed = &destroyed;
            fake->failOpens = ending == CannotOpen ? 1 : 0;
            fake->problem = ending == CannotOpen ? ReadProblem::ConnectFailed : ReadProblem::None;
            fake->device = [fake, &device](const QByteArray& request) {
                fake->pieces.push_back(device.Answer(request));
            };
            return std::unique_ptr<TReadTransport>(std::move(transport));
        };
        StationReadRequest request;
        request.channelType = 1;
        request.address = "127.0.0.1";
        request.modelId = ending == WrongModel ? 999 : 1234;
        const StationReadOutcome outcome = RunStationRead(request, {}, factory);
        EXPECT_EQ(outcome.state, ending == WrongModel ? ReadWrongModel : ReadFailed) << ending;
        EXPECT_TRUE(destroyed) << ending;
    }
}
