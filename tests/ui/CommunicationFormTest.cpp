// The read window driven against tamsor-sim over loopback TCP.
#include "CommunicationForm.h"
#include "WindowReadRunner.h"
#include "comm/ReadStation.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivTamsor.h"

#include "PeerProcess.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace
{

// tamsor-sim serving an image of 0x5A bytes with `model` in register 0xFF80.
struct SimPeer {
    QTemporaryDir dir;
    PeerSet peers;
    QString address;

    explicit SimPeer(quint16 model)
    {
        QByteArray image(131072, '\x5A');
        image[0x1FF00] = char(model & 0xFF);
        image[0x1FF01] = char(model >> 8);
        if (WriteBytes(dir.filePath("image.bin"), image))
            address = peers.ServeTcp(dir.filePath("image.bin"), {"--latency", "1"});
    }
};

// The real transport of a read, watched by the test: onWrite sees every request as it goes out
// (with the count so far), and while `hold` is set no reply reaches the read. The test looks
// at the window at the moment a request is written and keeps a state for as long as it needs,
// instead of racing the device with a timer.
struct ReadWatch {
    int written = 0;
    bool hold = false;
    std::function<void(int written)> onWrite;

    class Transport : public TReadTransport
    {
    public:
        Transport(std::unique_ptr<TReadTransport> inner, ReadWatch& watch)
            : m_inner(std::move(inner)), m_watch(watch)
        {
            m_inner->onActivity = [this] { NotifyActivity(); };
        }
        Framing Kind() const override { return m_inner->Kind(); }
        bool Open() override { return m_inner->Open(); }
        void Close() override { m_inner->Close(); }
        bool IsReady() const override { return m_inner->IsReady(); }
        int Write(const char* bytes, int count) override
        {
            const int n = m_inner->Write(bytes, count);
            if (m_watch.onWrite)
                m_watch.onWrite(++m_watch.written);
            return n;
        }
        int Take(char* buffer, int maximum) override
        {
            return m_watch.hold ? 0 : m_inner->Take(buffer, maximum);
        }
        ReadProblem Problem() const override { return m_inner->Problem(); }
        QString ErrorText() const override { return m_inner->ErrorText(); }

    private:
        std::unique_ptr<TReadTransport> m_inner;
        ReadWatch& m_watch;
    };

    TStationReader::TransportFactory Factory()
    {
        return [this](const StationReadRequest& request) -> std::unique_ptr<TReadTransport> {
            hold = false;
            return std::make_unique<Transport>(MakeReadTransport(request), *this);
        };
    }
};

StationReadRequest TcpRequest(const QString& address)
{
    StationReadRequest request;
    request.channelType = 1;
    request.address = address;
    request.modelId = 77;
    return request;
}

} // namespace

TEST(FormCommunication, SilentReadClosesItselfWithTheOutcome)
{
    SimPeer sim(77);
    ASSERT_FALSE(sim.address.isEmpty());
    TFormCommunication form;
    EXPECT_EQ(form.State(), ReadIdle);
    const StationReadOutcome outcome = form.RunRead(TcpRequest(sim.address), true);
    EXPECT_EQ(outcome.state, ReadDone);
    EXPECT_EQ(form.State(), ReadDone);
    EXPECT_EQ(form.pgbCommunication->value(), 100);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(outcome.image.size(), 131072);
}

TEST(FormCommunication, InteractiveReadWaitsForCloseAndCloseBoxStopsARead)
{
    SimPeer sim(78); // another model: the read ends with the wrong-model outcome
    ASSERT_FALSE(sim.address.isEmpty());
    ReadWatch watch;
    TFormCommunication form(nullptr, watch.Factory());
    bool closeWasDisabledWhileIdentifying = false;
    watch.onWrite = [&](int written) {
        if (written == 1)
            closeWasDisabledWhileIdentifying =
                form.isVisible() && form.State() == ReadIdentifying && !form.btnClose->isEnabled();
    };
    // The outcome stays on screen until the window is closed: close it once it is there.
    bool closeEnabledAtEnd = false;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (form.isVisible() && form.State() == ReadWrongModel && form.btnClose->isEnabled()) {
            closeEnabledAtEnd = true;
            form.btnClose->click();
        }
    });
    poll.start();
    const StationReadOutcome outcome = form.RunRead(TcpRequest(sim.address), false);
    EXPECT_EQ(outcome.state, ReadWrongModel);
    EXPECT_TRUE(closeWasDisabledWhileIdentifying);
    EXPECT_TRUE(closeEnabledAtEnd);
    poll.stop();

    // Closing by the close box during the block reads leaves the state at "reading". The
    // second block's reply is held back, so the read is still reading when the window closes.
    SimPeer second(77);
    ASSERT_FALSE(second.address.isEmpty());
    watch.written = 0;
    int stateWhenClosed = ReadIdle;
    watch.onWrite = [&](int written) {
        if (written != 3) // the identify request and the first block have been answered
            return;
        watch.hold = true;
        QTimer::singleShot(0, &form, [&] {
            stateWhenClosed = form.State();
            form.close();
        });
    };
    const StationReadOutcome stopped = form.RunRead(TcpRequest(second.address), false);
    EXPECT_EQ(stateWhenClosed, ReadBlocks);
    EXPECT_EQ(stopped.state, ReadBlocks);
    EXPECT_EQ(stopped.problem, ReadProblem::Cancelled);
    EXPECT_EQ(form.State(), ReadBlocks);
    EXPECT_TRUE(stopped.image.isEmpty());
}

TEST(FormCommunication, ObjectNamesAndBusyRefusal)
{
    TFormCommunication form;
    EXPECT_EQ(form.lblMessage->objectName(), "lblMessage");
    EXPECT_EQ(form.pgbCommunication->objectName(), "pgbCommunication");
    EXPECT_EQ(form.btnClose->objectName(), "btnClose");

    // While a headless read runs, the window refuses a second read without showing.
    SimPeer sim(77);
    TStationReader other;
    ASSERT_TRUE(other.Start(TcpRequest(sim.address)));
    const StationReadOutcome refused = form.RunRead(TcpRequest(sim.address), true);
    EXPECT_EQ(refused.problem, ReadProblem::Busy);
    EXPECT_FALSE(form.isVisible());
    other.Cancel();
}

TEST(FormCommunication, SecondReadWhileTheWindowIsShownIsRefused)
{
    // A scheduled read can come due while the window is up: before its read has begun, and
    // while an interactive read's outcome waits for the user. Either way the second read is
    // refused and never gets the first read's outcome or image.
    SimPeer sim(77);
    ASSERT_FALSE(sim.address.isEmpty());
    TFormCommunication form;
    StationReadOutcome beforeStart;
    StationReadOutcome afterEnd;
    QTimer::singleShot(0, [&] { beforeStart = form.RunRead(TcpRequest("no such:address"), true); });
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!form.isVisible() || form.State() != ReadDone || !form.btnClose->isEnabled())
            return;
        afterEnd = form.RunRead(TcpRequest("no such:address"), true);
        form.btnClose->click();
    });
    poll.start();
    const StationReadOutcome first = form.RunRead(TcpRequest(sim.address), false);
    EXPECT_EQ(first.state, ReadDone);
    EXPECT_EQ(first.image.size(), 131072);
    EXPECT_EQ(beforeStart.problem, ReadProblem::Busy);
    EXPECT_EQ(afterEnd.problem, ReadProblem::Busy);
    EXPECT_TRUE(afterEnd.image.isEmpty());
    EXPECT_EQ(form.State(), ReadDone);
}

TEST(FormCommunication, WindowClosedBeforeTheReadBeginsReadsNothing)
{
    SimPeer sim(77);
    ASSERT_FALSE(sim.address.isEmpty());
    TFormCommunication form;
    ASSERT_EQ(form.RunRead(TcpRequest(sim.address), true).state, ReadDone);

    // Closed in the first pass of the window's event loop, before the read has begun: the
    // outcome is not the last read's success, and no read starts behind the closed window.
    QTimer::singleShot(0, [&] { form.reject(); });
    const StationReadOutcome closed = form.RunRead(TcpRequest(sim.address), true);
    EXPECT_FALSE(closed.Succeeded());
    EXPECT_EQ(closed.problem, ReadProblem::Cancelled);
    EXPECT_TRUE(closed.image.isEmpty());
    EXPECT_NE(form.State(), ReadDone);
    QCoreApplication::processEvents();
    EXPECT_FALSE(TStationReadEngine::AnyReadRunning());
}

TEST(FormCommunication, ShowsTheTextsOfTheCurrentLanguage)
{
    LanguageResources.Discover(QStringLiteral(TAMSOR_SOURCE_DIR "/lang"));
    for (const int language : {1031, 2052}) {
        ASSERT_EQ(LanguageResources.SelectLanguage(language), 0);
        TFormCommunication form;
        EXPECT_EQ(form.windowTitle(), GetLangString(StrId::ReadWindowCaption)) << language;
        EXPECT_EQ(form.btnClose->text(), GetLangString(StrId::ReadWindowClose)) << language;
        EXPECT_FALSE(form.btnClose->text().isEmpty());
    }
    ASSERT_EQ(LanguageResources.SelectLanguage(1031), 0);
    EXPECT_EQ(TFormCommunication().btnClose->text(), QStringLiteral("Schließen"));
    LanguageResources.Discover(QStringLiteral("/nonexistent"));
}

TEST(WindowReadRunner, ReadStationShowsDeviceReadsInTheWindowMadeOnFirstUse)
{
    SimPeer sim(77);
    ASSERT_FALSE(sim.address.isEmpty());
    TKivTamsor root;
    auto* files = new TKivChannel(root.Channels.get());
    files->Type = TKivChannel::TypeRegisterFile;
    auto* panel = new TKivStation(files);
    auto* tcp = new TKivChannel(root.Channels.get());
    tcp->Type = TKivChannel::TypeInternet;
    tcp->Ip = sim.address;
    auto* device = new TKivStation(tcp);
    device->ModelID = 77;

    TStationReadRunner& headless = CurrentStationReadRunner();
    {
        TWindowReadRunner runner;
        EXPECT_EQ(&CurrentStationReadRunner(), &runner);
        EXPECT_EQ(runner.State(), ReadIdle);
        EXPECT_FALSE(ReadStation(*panel, true)); // no register file: never makes the window
        EXPECT_EQ(runner.FormCommunication(), nullptr);

        EXPECT_TRUE(ReadStation(*device, true));
        ASSERT_NE(runner.FormCommunication(), nullptr);
        EXPECT_FALSE(runner.FormCommunication()->isVisible());
        EXPECT_EQ(runner.State(), ReadDone);
        EXPECT_EQ(device->RegisterImage.at(0), '\x5A');
        EXPECT_GT(device->UpdateTime, 0);
    }
    EXPECT_EQ(&CurrentStationReadRunner(), &headless) << "the runner uninstalls itself";
}
