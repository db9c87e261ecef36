// tamsor-sim: a Modbus device serving a 131,072-byte register image over Modbus TCP or
// Modbus RTU, with the faults a tester needs. libmodbus receives and checks the requests;
// each reply is built and written here so that it can be delayed, dropped, split or broken.

#include "LiveSteps.h"

#include <modbus.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr size_t kImageSize = 131072;

struct Options {
    std::string image;
    std::string tcp;    // address:port
    std::string device; // serial device for RTU
    int unit = 1;
    int baud = 115200;
    bool wireTime = false;
    long modelId = -1;
    int latencyMs = 0;
    int dropEvery = 0;
    int exceptionEvery = 0;
    int exceptionCode = 4;
    int badCrcEvery = 0;
    int splitTcpMs = -1;
    int closeAfter = 0;
    int duplicateReply = 0; // request number whose reply goes out twice
    int replyAhead = 0;     // request number after whose reply the next one is sent unasked
    bool flood = false;
    double linkDelayMs = 0;     // TCP: each reply leaves this long after its request arrived
    int maxRegisters = 125;     // more in one request is refused with exception 3
    int outOfOrder = 0;         // request number whose waiting reply the next one overtakes
    int repeatId = 0;           // request number whose id the next reply repeats while it waits
    bool singleRequest = false; // close when a request comes while another waits for its reply
    double randomDelayMinMs = 0; // each reply waits a delay of its own drawn from this range,
    double randomDelayMaxMs = 0; // on top of --link-delay, and may overtake others
    unsigned seed = std::random_device()(); // of the random delays; --seed sets it and live's
    LiveOptions live;
};

using Clock = std::chrono::steady_clock;

int g_signalPipe[2] = {-1, -1};
LiveSteps* g_live = nullptr; // the live panel's steps, taken while waiting; none without --live

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
}

void Usage()
{
    std::fprintf(
        stderr,
        "usage: tamsor-sim --image FILE.bin (--tcp ADDRESS:PORT | --rtu DEVICE)\n"
        "  --unit N            unit address answered on RTU (default 1)\n"
        "  --baud B            line speed on RTU (default 115200)\n"
        "  --wire-time         hold each RTU reply for the time request and reply take\n"
        "                      on a real line at that speed (pseudo terminals are instant)\n"
        "  --model-id N        value of register 0xFF80\n"
        "  --latency MS        wait before every reply\n"
        "  --drop-every N      leave every Nth request unanswered\n"
        "  --exception-every N answer every Nth request with an exception\n"
        "  --exception-code C  exception code used (default 4)\n"
        "  --bad-crc-every N   corrupt the CRC of every Nth RTU reply\n"
        "  --split-tcp MS      send each TCP reply in two segments MS apart\n"
        "  --close-after N     after N requests close the TCP connection (RTU: go silent)\n"
        "  --duplicate-reply N send the reply to request N twice\n"
        "  --reply-ahead N     after the reply to request N also send, unasked, the reply to\n"
        "                      the block that follows it (TCP: with the next transaction id)\n"
        "  --flood             send well-formed replies without pause and without waiting\n"
        "                      for requests\n"
        "  --link-delay MS     each reply leaves MS (may be fractional) after its request\n"
        "                      arrived; requests are taken as they arrive\n"
        "  --max-registers N   refuse reads of more than N registers (1-125, default 125)\n"
        "                      with exception 3\n"
        "  --random-delay MIN-MAX\n"
        "                      each reply leaves after a delay of its own, drawn anew for\n"
        "                      every request from MIN to MAX ms (added to --link-delay), so\n"
        "                      replies to requests in flight overtake each other\n"
        "Requests in flight answered out of turn or mixed up (they need --link-delay, so\n"
        "that a reply still waits when the next request comes):\n"
        "  --out-of-order N    the reply to request N + 1 overtakes the waiting reply to N\n"
        "  --repeat-id N       the reply to request N + 1 carries the transaction id of the\n"
        "                      waiting request N\n"
        "  --single-request    close the TCP connection when a request comes while another\n"
        "                      waits for its reply\n"
        "A panel that keeps logging:\n"
        "  --live SECONDS      change the image like a running panel, one step every SECONDS\n"
        "                      (may be fractional; 0: steps on SIGUSR1 only): each data-record\n"
        "                      log gets a new entry, now and then an alarm starts or ends and a\n"
        "                      recipe value changes. SIGUSR1 takes a step at once. Prints\n"
        "                      \"step N\" after each step. Needs --define\n"
        "  --define FILE.def   where the logs, the alarm history and the recipes lie\n"
        "  --seed N            seed of the random delays and of the live changes, to repeat a\n"
        "                      run (default: a new one, printed when serving)\n"
        "  --live-clock EPOCH  the panel's clock at the start, seconds since 1970 (default: now);\n"
        "                      it moves SECONDS (1 when 0) with each step\n"
        "Requests are counted from 1 on each connection. Port 0 picks a free TCP port. Prints a line starting with \"ready\" when serving.\n");
}

// MIN-MAX in ms (each may be fractional) for --random-delay.
bool ParseDelayRange(const char* text, Options& o)
{
    char* end = nullptr;
    const double low = std::strtod(text, &end);
    const bool dash = end && *end == '-';
    const double high = dash ? std::strtod(end + 1, &end) : -1;
    if (!dash || !end || *end || !(low >= 0) || !(high >= low) || high > 60000) {
        std::fprintf(stderr, "tamsor-sim: --random-delay: not a range MIN-MAX in ms: %s\n", text);
        return false;
    }
    o.randomDelayMinMs = low;
    o.randomDelayMaxMs = high;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tamsor-sim: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&]() -> long {
            const char* text = value();
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(text, &end, 0);
            if (errno || !end || *end || n < 0) {
                std::fprintf(stderr, "tamsor-sim: %s: not a number: %s\n", arg.c_str(), text);
                std::exit(2);
            }
            return n;
        };
        auto decimal = [&]() -> double {
            const char* text = value();
            char* end = nullptr;
            const double n = std::strtod(text, &end);
            if (!end || *end || !(n >= 0) || n > 60000) {
                std::fprintf(stderr, "tamsor-sim: %s: not a time in ms: %s\n", arg.c_str(), text);
                std::exit(2);
            }
            return n;
        };
        if (arg == "--image")
            o.image = value();
        else if (arg == "--tcp")
            o.tcp = value();
        else if (arg == "--rtu")
            o.device = value();
        else if (arg == "--unit")
            o.unit = int(number());
        else if (arg == "--baud")
            o.baud = int(number());
        else if (arg == "--wire-time")
            o.wireTime = true;
        else if (arg == "--model-id") {
            o.modelId = number();
            if (o.modelId > 0xFFFF) {
                std::fprintf(stderr, "tamsor-sim: --model-id: a register holds 0 to 65535\n");
                std::exit(2);
            }
        } else if (arg == "--latency")
            o.latencyMs = int(number());
        else if (arg == "--drop-every")
            o.dropEvery = int(number());
        else if (arg == "--exception-every")
            o.exceptionEvery = int(number());
        else if (arg == "--exception-code")
            o.exceptionCode = int(number());
        else if (arg == "--bad-crc-every")
            o.badCrcEvery = int(number());
        else if (arg == "--split-tcp")
            o.splitTcpMs = int(number());
        else if (arg == "--close-after")
            o.closeAfter = int(number());
        else if (arg == "--duplicate-reply")
            o.duplicateReply = int(number());
        else if (arg == "--reply-ahead")
            o.replyAhead = int(number());
        else if (arg == "--flood")
            o.flood = true;
        else if (arg == "--link-delay")
            o.linkDelayMs = decimal();
        else if (arg == "--max-registers") {
            o.maxRegisters = int(number());
            if (o.maxRegisters < 1 || o.maxRegisters > 125) {
                std::fprintf(stderr, "tamsor-sim: --max-registers: a read asks for 1 to 125\n");
                std::exit(2);
            }
        } else if (arg == "--random-delay") {
            if (!ParseDelayRange(value(), o))
                std::exit(2);
        } else if (arg == "--out-of-order")
            o.outOfOrder = int(number());
        else if (arg == "--repeat-id")
            o.repeatId = int(number());
        else if (arg == "--single-request")
            o.singleRequest = true;
        else if (ParseLiveOption(arg, value, o.live))
            continue;
        else if (arg == "--help" || arg == "-h") {
            Usage();
            std::exit(0);
        } else {
            std::fprintf(stderr, "tamsor-sim: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    if (o.live.seed)
        o.seed = *o.live.seed;
    return !o.image.empty() && (o.tcp.empty() != o.device.empty()) && CheckLiveOptions(o.live);
}

uint16_t Crc16(const uint8_t* data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

bool WriteAll(int fd, const uint8_t* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= size_t(n);
    }
    return true;
}

class Device
{
public:
    Device(const Options& o, std::vector<uint8_t> image)
        : m_o(o), m_image(std::move(image)), m_random(o.seed)
    {
        if (o.modelId >= 0) {
            m_image[2 * 0xFF80] = uint8_t(o.modelId & 0xFF);
            m_image[2 * 0xFF80 + 1] = uint8_t((o.modelId >> 8) & 0xFF);
        }
    }
    uint16_t Model() const { return uint16_t(m_image[2 * 0xFF80] | m_image[2 * 0xFF80 + 1] << 8); }
    std::vector<uint8_t>& Image() { return m_image; }

    // Takes one request as libmodbus received it at `arrived` and queues its reply. False when
    // the connection is to be closed.
    bool Handle(modbus_t* ctx, const uint8_t* request, int length, bool tcp,
                Clock::time_point arrived)
    {
        ++m_requests;
        if (m_o.closeAfter && m_requests > m_o.closeAfter)
            return false;
        const int header = modbus_get_header_length(ctx);
        if (length < header + 5)
            return true;
        if (m_o.singleRequest && !m_out.empty())
            return false;
        const uint16_t id = tcp ? uint16_t(request[0] << 8 | request[1]) : 0;
        m_ids.push_back(id);
        if (Every(m_o.dropEvery))
            return true;
        Request r;
        r.transactionId = id;
        r.unit = request[header - 1];
        r.function = request[header];
        r.start = request[header + 1] << 8 | request[header + 2];
        r.count = request[header + 3] << 8 | request[header + 4];

        std::vector<uint8_t> pdu = Every(m_o.exceptionEvery)
                                       ? std::vector<uint8_t>{r.unit, uint8_t(r.function | 0x80),
                                                              uint8_t(m_o.exceptionCode)}
                                       : Answer(r);
        const bool repeat = m_requests == m_o.repeatId + 1 && Waiting(m_o.repeatId);
        const uint16_t replyId = repeat ? m_ids[size_t(m_o.repeatId - 1)] : id;
        const std::vector<uint8_t> reply = Frame(pdu, replyId, tcp, Every(m_o.badCrcEvery));
        Pause(tcp, length, reply.size());
        const auto due = arrived + std::chrono::microseconds(long(DelayMs() * 1000 + 0.5));
        if (m_requests == m_o.outOfOrder + 1 && Waiting(m_o.outOfOrder)) {
            // Overtakes the waiting reply, leaving when it would have left.
            const auto late = std::find_if(m_out.begin(), m_out.end(), [this](const Outgoing& out) {
                return out.request == m_o.outOfOrder;
            });
            m_out.insert(late, {late->due, reply, m_requests});
            return true;
        }
        Queue(due, reply);
        if (m_requests == m_o.duplicateReply)
            Queue(due, reply);
        if (m_requests == m_o.replyAhead) {
            Request next = r;
            next.transactionId = uint16_t(r.transactionId + 1);
            next.start = r.start + r.count;
            Queue(due, Frame(Answer(next), next.transactionId, tcp, false));
        }
        return true;
    }

    // Writes the replies whose time has come; false when the peer is gone.
    bool SendDue(int fd, bool tcp, Clock::time_point now)
    {
        while (!m_out.empty() && m_out.front().due <= now) {
            if (!Send(fd, m_out.front().bytes, tcp))
                return false;
            m_out.pop_front();
        }
        return true;
    }

    // Milliseconds until the next reply is due (0 when one is due now), -1 when none waits.
    double MsUntilDue(Clock::time_point now) const
    {
        if (m_out.empty())
            return -1;
        const auto wait = std::chrono::duration<double, std::milli>(m_out.front().due - now);
        return wait.count() > 0 ? wait.count() : 0;
    }

    // A new connection starts with nothing queued and counts its requests from 1.
    void Reset()
    {
        m_out.clear();
        m_ids.clear();
        m_requests = 0;
    }

    // Sends well-formed replies to blocks nobody asked for, without pause, until the peer is
    // gone or a stop signal comes; false for a serial line that hung up.
    bool Flood(int fd, bool tcp)
    {
        for (uint16_t n = 0;; ++n) {
            const Request r{n, uint8_t(m_o.unit), 3, 64 * (n % 1024), 64};
            const std::vector<uint8_t> reply = Frame(Answer(r), n, tcp, false);
            pollfd fds[2] = {{fd, POLLOUT, 0}, {g_signalPipe[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno != EINTR)
                return true;
            if (fds[1].revents)
                return true;
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
                return tcp;
            if ((fds[0].revents & POLLOUT) && !WriteAll(fd, reply.data(), reply.size()))
                return tcp;
        }
    }

    bool Silent() const { return m_o.closeAfter && m_requests >= m_o.closeAfter; }

private:
    struct Outgoing {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
        long request; // number of the request it answers
    };
    struct Request {
        uint16_t transactionId;
        uint8_t unit;
        uint8_t function;
        int start;
        int count;
    };

    // The reply from the unit identifier on: the registers asked for, or an exception.
    std::vector<uint8_t> Answer(const Request& r) const
    {
        std::vector<uint8_t> pdu{r.unit};
        if (r.function != 3) {
            pdu.insert(pdu.end(), {uint8_t(r.function | 0x80), 1});
        } else if (r.count < 1 || r.count > m_o.maxRegisters) {
            pdu.insert(pdu.end(), {0x83, 3});
        } else if (r.start + r.count > 65536) {
            pdu.insert(pdu.end(), {0x83, 2});
        } else {
            pdu.insert(pdu.end(), {3, uint8_t(2 * r.count)});
            for (int n = r.start; n < r.start + r.count; ++n) {
                pdu.push_back(m_image[2 * size_t(n) + 1]);
                pdu.push_back(m_image[2 * size_t(n)]);
            }
        }
        return pdu;
    }

    // The reply as it goes on the wire: behind an MBAP header on TCP, followed by its CRC
    // (broken when asked) on RTU.
    static std::vector<uint8_t> Frame(const std::vector<uint8_t>& pdu, uint16_t transactionId,
                                      bool tcp, bool badCrc)
    {
        std::vector<uint8_t> reply;
        if (tcp) {
            reply.reserve(6 + pdu.size());
            for (const uint8_t byte :
                 {uint8_t(transactionId >> 8), uint8_t(transactionId & 0xFF), uint8_t(0),
                  uint8_t(0), uint8_t(pdu.size() >> 8), uint8_t(pdu.size() & 0xFF)})
                reply.push_back(byte);
            for (const uint8_t byte : pdu)
                reply.push_back(byte);
        } else {
            reply = pdu;
            uint16_t crc = Crc16(pdu.data(), pdu.size());
            if (badCrc)
                crc ^= 0x5A5A;
            reply.push_back(uint8_t(crc & 0xFF));
            reply.push_back(uint8_t(crc >> 8));
        }
        return reply;
    }

    bool Send(int fd, const std::vector<uint8_t>& reply, bool tcp) const
    {
        if (tcp && m_o.splitTcpMs >= 0) {
            const size_t half = reply.size() / 2;
            if (!WriteAll(fd, reply.data(), half))
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(m_o.splitTcpMs));
            return WriteAll(fd, reply.data() + half, reply.size() - half);
        }
        return WriteAll(fd, reply.data(), reply.size());
    }

    // Queued in the order replies leave: by due time, after those due at the same time.
    void Queue(Clock::time_point due, std::vector<uint8_t> bytes)
    {
        const auto later = std::upper_bound(
            m_out.begin(), m_out.end(), due,
            [](Clock::time_point at, const Outgoing& out) { return at < out.due; });
        m_out.insert(later, {due, std::move(bytes), m_requests});
    }

    // How long after its request a reply leaves.
    double DelayMs()
    {
        if (m_o.randomDelayMaxMs <= 0)
            return m_o.linkDelayMs;
        std::uniform_real_distribution<double> random(m_o.randomDelayMinMs, m_o.randomDelayMaxMs);
        return m_o.linkDelayMs + random(m_random);
    }

    // Whether the reply to request n is still waiting to leave.
    bool Waiting(long n) const
    {
        return n > 0 && std::any_of(m_out.begin(), m_out.end(),
                                    [n](const Outgoing& out) { return out.request == n; });
    }

    bool Every(int n) const { return n > 0 && m_requests % n == 0; }
    void Pause(bool tcp, int requestLength, size_t replyLength) const
    {
        long us = long(m_o.latencyMs) * 1000;
        if (!tcp && m_o.wireTime && m_o.baud > 0)
            us += long((size_t(requestLength) + replyLength) * 10 * 1000000 / size_t(m_o.baud));
        if (us > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(us));
    }

    const Options& m_o;
    std::vector<uint8_t> m_image;
    long m_requests = 0;
    std::vector<uint16_t> m_ids; // transaction id of each request of the connection
    std::deque<Outgoing> m_out;  // in the order they leave
    std::mt19937 m_random;       // draws the random delays
};

enum class Wait { Readable, TimedOut, Stop, HungUp };

// Waits until fd is readable, at most timeoutMs (for ever when negative). A serial line whose
// other end went away (a pseudo terminal's peer closed) reports a hang-up on every poll and
// can never be read again. The live panel's steps due meanwhile are taken here, between
// requests.
Wait WaitReadable(int fd, double timeoutMs = -1)
{
    pollfd fds[3] = {{fd, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}, {-1, POLLIN, 0}};
    if (g_live)
        fds[2].fd = g_live->Fd();
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double, std::milli>(timeoutMs));
    for (;;) {
        const double leftMs = std::max(
            0.0, std::chrono::duration<double, std::milli>(deadline - Clock::now()).count());
        timespec timeout{};
        timeout.tv_sec = time_t(leftMs / 1000);
        timeout.tv_nsec = long((leftMs - double(timeout.tv_sec) * 1000) * 1e6);
        const int n = ppoll(fds, 3, timeoutMs < 0 ? nullptr : &timeout, nullptr);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            return Wait::TimedOut;
        if (n < 0 || fds[1].revents)
            return Wait::Stop;
        if (fds[2].revents) {
            g_live->TakeDue();
            continue;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return Wait::HungUp;
        if (fds[0].revents)
            return Wait::Readable;
    }
}

// Serves requests until a stop signal, the peer closing a TCP connection or the serial line
// hanging up; false for a hang-up.
bool ServeConnection(modbus_t* ctx, Device& device, bool tcp, bool flood)
{
    if (flood)
        return device.Flood(modbus_get_socket(ctx), tcp);
    std::vector<uint8_t> request(MODBUS_TCP_MAX_ADU_LENGTH > MODBUS_RTU_MAX_ADU_LENGTH
                                     ? MODBUS_TCP_MAX_ADU_LENGTH
                                     : MODBUS_RTU_MAX_ADU_LENGTH);
    const int fd = modbus_get_socket(ctx);
    device.Reset();
    for (;;) {
        const Wait wait = WaitReadable(fd, device.MsUntilDue(Clock::now()));
        if (wait == Wait::TimedOut) {
            if (!device.SendDue(fd, tcp, Clock::now()) && tcp)
                return true;
            continue;
        }
        if (wait != Wait::Readable)
            return tcp || wait == Wait::Stop;
        const int rc = modbus_receive(ctx, request.data());
        const Clock::time_point arrived = Clock::now();
        if (rc == 0)
            continue; // for another unit
        if (rc < 0) {
            if (tcp)
                return true; // closed by the peer or broken
            modbus_flush(ctx);
            continue; // bad CRC or garbage on the line
        }
        if (!tcp && device.Silent())
            continue;
        const bool keep = device.Handle(ctx, request.data(), rc, tcp, arrived);
        if (!keep && tcp)
            return true;
        if (!device.SendDue(fd, tcp, Clock::now()) && tcp)
            return true;
    }
}

// The image file's bytes; false with the system's reason when the file cannot be read.
bool LoadImage(const std::string& path, std::vector<uint8_t>& image)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "tamsor-sim: cannot open %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    image.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

// Splits ADDRESS[:PORT] or [IPv6][:PORT] (port 502 when none is given); false when the
// brackets do not close or the port is not a number from 0 to 65535.
bool SplitTcpAddress(const std::string& text, std::string& node, std::string& service)
{
    node = text;
    service = "502";
    bool hasPort = false;
    if (!node.empty() && node.front() == '[') {
        const size_t close = node.find(']');
        if (close == std::string::npos)
            return false;
        const std::string rest = node.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        hasPort = !rest.empty();
        if (hasPort)
            service = rest.substr(1);
        node = node.substr(1, close - 1);
    } else if (node.find(':') != std::string::npos && node.find(':') == node.rfind(':')) {
        hasPort = true;
        service = node.substr(node.find(':') + 1);
        node = node.substr(0, node.find(':'));
    }
    if (!hasPort)
        return true;
    if (service.empty() || service.size() > 5 ||
        service.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return std::stoi(service) <= 65535;
}

int ServeTcp(const Options& o, Device& device)
{
    std::string node;
    std::string service;
    if (!SplitTcpAddress(o.tcp, node, service)) {
        std::fprintf(stderr, "tamsor-sim: not an ADDRESS:PORT with a port from 0 to 65535: %s\n",
                     o.tcp.c_str());
        return 2;
    }
    modbus_t* ctx = modbus_new_tcp_pi(node.c_str(), service.c_str());
    if (!ctx) {
        std::fprintf(stderr, "tamsor-sim: %s\n", modbus_strerror(errno));
        return 1;
    }
    int listener = modbus_tcp_pi_listen(ctx, 1);
    if (listener < 0) {
        std::fprintf(stderr, "tamsor-sim: cannot listen on %s: %s\n", o.tcp.c_str(),
                     modbus_strerror(errno));
        modbus_free(ctx);
        return 1;
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    const int port = bound.ss_family == AF_INET6
                         ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                         : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    std::printf("tamsor-sim: serving %s over Modbus TCP on %s port %d, model %u\n", o.image.c_str(),
                node.c_str(), port, unsigned(device.Model()));
    std::printf("ready port=%d\n", port);
    std::fflush(stdout);
    while (WaitReadable(listener) == Wait::Readable) {
        if (modbus_tcp_pi_accept(ctx, &listener) < 0)
            continue;
        const int one = 1;
        setsockopt(modbus_get_socket(ctx), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ServeConnection(ctx, device, true, o.flood);
        close(modbus_get_socket(ctx));
        modbus_set_socket(ctx, -1);
    }
    close(listener);
    modbus_free(ctx);
    return 0;
}

int ServeRtu(const Options& o, Device& device)
{
    modbus_t* ctx = modbus_new_rtu(o.device.c_str(), o.baud, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, o.unit) < 0 || modbus_connect(ctx) < 0) {
        std::fprintf(stderr, "tamsor-sim: cannot open %s: %s\n", o.device.c_str(),
                     modbus_strerror(errno));
        if (ctx)
            modbus_free(ctx);
        return 1;
    }
    std::printf("tamsor-sim: serving %s over Modbus RTU on %s at %d baud, unit %d, model %u\n",
                o.image.c_str(), o.device.c_str(), o.baud, o.unit, unsigned(device.Model()));
    std::printf("ready device=%s\n", o.device.c_str());
    std::fflush(stdout);
    const bool stopped = ServeConnection(ctx, device, false, o.flood);
    if (!stopped)
        std::fprintf(stderr, "tamsor-sim: %s hung up\n", o.device.c_str());
    modbus_close(ctx);
    modbus_free(ctx);
    return stopped ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        Usage();
        return 2;
    }
    std::vector<uint8_t> image;
    if (!LoadImage(o.image, image))
        return 1;
    if (image.size() != kImageSize) {
        std::fprintf(stderr, "tamsor-sim: %s: a register image must be %zu bytes, not %zu\n",
                     o.image.c_str(), kImageSize, image.size());
        return 1;
    }
    if (pipe(g_signalPipe) != 0)
        return 1;
    struct sigaction action {
    };
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Device device(o, std::move(image));
    if (o.randomDelayMaxMs > 0)
        std::printf("tamsor-sim: random delays of %g to %g ms, seed %u\n", o.randomDelayMinMs,
                    o.randomDelayMaxMs, o.seed);
    std::unique_ptr<LiveSteps> live;
    if (o.live.Enabled()) {
        live = LiveSteps::Start(o.live, device.Image());
        if (!live)
            return 1;
        g_live = live.get();
    }
    const int rc = o.tcp.empty() ? ServeRtu(o, device) : ServeTcp(o, device);
    std::printf("tamsor-sim: stopped\n");
    return rc;
}
