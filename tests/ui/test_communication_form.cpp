// The read window driven against tamsor-sim over loopback TCP.
#include "Communicationform.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

struct SimPeer {
    QTemporaryDir dir;
    QProcess process;
    QString address;

    explicit SimPeer(quint16 model)
    {
        QByteArray image(131072, '\x5A');
        image[0x1FF00] = char(model & 0xFF);
        image[0x1FF01] = char(model >> 8);
        QFile file(dir.filePath("image.bin"));
        file.open(QIODevice::WriteOnly);
        file.write(image);
        file.close();
        process.start(TAMSOR_BIN_DIR "/tamsor-sim",
                      {"--image", file.fileName(), "--tcp", "127.0.0.1:0", "--latency", "1"});
        QString seen;
        const QRegularExpression ready("ready port=(\\d+)");
        while (process.waitForReadyRead(5000)) {
            seen += QString::fromLocal8Bit(process.readAllStandardOutput());
            const auto match = ready.match(seen);
            if (match.hasMatch()) {
                address = "127.0.0.1:" + match.captured(1);
                break;
            }
        }
    }
    ~SimPeer()
    {
        process.terminate();
        process.waitForFinished(5000);
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
    TFormCommunication form;
    bool closeWasDisabledWhileReading = false;
    bool closeEnabledAtEnd = false;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!form.isVisible())
            return;
        if (form.State() == ReadIdentifying && !form.btnClose->isEnabled())
            closeWasDisabledWhileReading = true;
        if (form.State() == ReadWrongModel && form.btnClose->isEnabled()) {
            closeEnabledAtEnd = true;
            form.btnClose->click();
        }
    });
    poll.start();
    const StationReadOutcome outcome = form.RunRead(TcpRequest(sim.address), false);
    EXPECT_EQ(outcome.state, ReadWrongModel);
    EXPECT_TRUE(closeWasDisabledWhileReading);
    EXPECT_TRUE(closeEnabledAtEnd);

    // Closing by the close box during the block reads leaves the state at "reading".
    SimPeer slow(77);
    QObject::disconnect(&poll, nullptr, nullptr, nullptr);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (form.isVisible() && form.State() == ReadBlocks && form.pgbCommunication->value() >= 1)
            form.close();
    });
    const StationReadOutcome stopped = form.RunRead(TcpRequest(slow.address), false);
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
