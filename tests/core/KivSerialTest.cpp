#include "comm/KivSerial.h"
#include "comm/ReadTransport.h"

#include <climits>
#include <gtest/gtest.h>

TEST(PortNames, BarePortName)
{
    const QList<QPair<QString, QString>> cases = {
        {"COM", "COM"},
        {"LPT1", "LPT1"},
        {"com7 - (Modem)", "com7"},
        {"COM3 - (USB Serial Port)", "COM3"},
        {"ttyUSB0 - (FT232R USB UART)", "ttyUSB0"},
        {"ttyS0", "ttyS0"},
        {"/dev/pts/3", "/dev/pts/3"},
        {"/dev/serial/by-id/usb-FTDI-if00-port0", "/dev/serial/by-id/usb-FTDI-if00-port0"},
    };
    for (const auto& [text, bare] : cases)
        EXPECT_EQ(BarePortName(text), bare) << text.toStdString();
}

TEST(PortNames, FindPortEntry)
{
    const QStringList entries = {"COM1 - (A)", "COM3 - (B)", "ttyUSB0 - (FT232R)", "ttyACM0"};
    EXPECT_EQ(FindPortEntry("COM3 - (Old name)", entries), "COM3 - (B)");
    EXPECT_EQ(FindPortEntry("COM3", {"COM1 - (A)"}), "COM3");
    EXPECT_EQ(FindPortEntry("ttyUSB0", entries), "ttyUSB0 - (FT232R)");
    EXPECT_EQ(FindPortEntry("/dev/ttyUSB0", entries), "ttyUSB0 - (FT232R)");
    EXPECT_EQ(FindPortEntry("ttyusb0", entries), "ttyusb0"); // letter case counts
    EXPECT_EQ(FindPortEntry("/dev/pts/3", entries), "/dev/pts/3");
}

TEST(PortNames, AllDigits)
{
    EXPECT_FALSE(AllDigits("", false));
    EXPECT_TRUE(AllDigits("12", false));
    EXPECT_FALSE(AllDigits("1:2", false));
    EXPECT_TRUE(AllDigits("1:2", true));
    EXPECT_FALSE(AllDigits("A", true));
}

TEST(PortNames, FirstFreePort)
{
    const QStringList present = {"ttyS0", "ttyUSB0 - (FT232R)", "ttyUSB1 - (CP2102)"};
    EXPECT_EQ(FirstFreePort({"ttyS0", "/dev/ttyUSB0"}, present), "ttyUSB1");
    EXPECT_EQ(FirstFreePort({}, present), "ttyS0");
    EXPECT_EQ(FirstFreePort({"ttyS0", "ttyUSB0", "ttyUSB1"}, present), "");
    EXPECT_EQ(FirstFreePort({"COM1", "COM3"}, {"COM1", "COM2 - (X)", "COM3"}), "COM2");
}

TEST(PortNames, PortListEntry)
{
    EXPECT_EQ(PortListEntry("ttyUSB0", "FT232R USB UART"), "ttyUSB0 - (FT232R USB UART)");
    EXPECT_EQ(PortListEntry("ttyS0", ""), "ttyS0");
}

TEST(DeviceAddress, HostsPortsAndBrackets)
{
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        quint16 port;
    } cases[] = {
        {"192.168.1.10", true, "192.168.1.10", 502},
        {" 192.168.1.10:1502 ", true, "192.168.1.10", 1502},
        {"plc.example.com", true, "plc.example.com", 502},
        {"localhost:5020", true, "localhost", 5020},
        {"[::1]", true, "::1", 502},
        {"[fe80::1]:8502", true, "fe80::1", 8502},
        {"fe80::1", true, "fe80::1", 502},
        {"", false, "", 0},
        {"host:", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:50a", false, "", 0},
        {"[::1", false, "", 0},
        {"[::1]x", false, "", 0},
        {"two words", false, "", 0},
    };
    for (const Case& c : cases) {
        QString host;
        quint16 port = 0;
        EXPECT_EQ(ParseDeviceAddress(c.text, host, port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(host, c.host) << c.text;
            EXPECT_EQ(port, c.port) << c.text;
        }
    }
}

TEST(KivSerial, ClosedPortDoesNothing)
{
    TKivSerial serial;
    char buffer[16] = {};
    EXPECT_FALSE(serial.Close());
    EXPECT_EQ(serial.InQueue(), 0);
    EXPECT_EQ(serial.Read(buffer, 16), 0);
    EXPECT_EQ(serial.Write(buffer, 16), 0);
}

TEST(KivSerial, MissingPortFailsWithText)
{
    TKivSerial serial;
    serial.PortName = "/dev/tamsor-no-such-port";
    EXPECT_FALSE(serial.Open());
    EXPECT_FALSE(serial.ErrorText().isEmpty());
    EXPECT_FALSE(serial.BaudRefused());
}

TEST(KivSerial, LineSettingCodes)
{
    TKivSerial serial;
    SerialLineSettings line;
    line.UartPort = "ttyUSB2";
    line.Baudrate = 19200;
    line.DataBits = 2;
    line.Parity = 3;
    line.StopBit = 1;
    serial.ApplyLineSettings(line);
    EXPECT_EQ(serial.PortName, "ttyUSB2");
    EXPECT_EQ(serial.BaudRate, 19200);
    EXPECT_EQ(serial.ByteSize, 7);
    EXPECT_EQ(serial.Parity, 3);
    EXPECT_EQ(serial.StopBits, 2);
}

TEST(KivSerial, LineSettingCodesOutsideTheirListsStayInvalid)
{
    const struct {
        int dataBits;
        int stopBit;
    } cases[] = {{4, 0}, {-1, 0}, {INT_MAX, 0}, {INT_MIN, 0}, {3, 2}, {3, -2147483647}, {3, INT_MAX}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dataBits << " " << c.stopBit);
        TKivSerial serial;
        SerialLineSettings line;
        line.DataBits = c.dataBits;
        line.StopBit = c.stopBit;
        serial.ApplyLineSettings(line);
        const bool valid = serial.ByteSize >= 5 && serial.ByteSize <= 8 &&
                           (serial.StopBits == 0 || serial.StopBits == 2);
        EXPECT_FALSE(valid);
    }
}
