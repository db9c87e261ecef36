// The same full-station read (identify, then 1,024 blocks of 64 registers) with a plain
// libmodbus master, for comparison.
// usage: bench-read-libmodbus (--tcp HOST:PORT | --rtu DEVICE [--baud B]) --model-id N
#include <modbus.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    std::string tcp, device;
    int baud = 115200;
    long model = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--tcp")
            tcp = argv[i + 1];
        else if (key == "--rtu")
            device = argv[i + 1];
        else if (key == "--baud")
            baud = std::atoi(argv[i + 1]);
        else if (key == "--model-id")
            model = std::atol(argv[i + 1]);
    }
    modbus_t* ctx = nullptr;
    if (!tcp.empty()) {
        const size_t colon = tcp.rfind(':');
        ctx = modbus_new_tcp_pi(tcp.substr(0, colon).c_str(), tcp.substr(colon + 1).c_str());
    } else {
        ctx = modbus_new_rtu(device.c_str(), baud, 'N', 8, 1);
    }
    if (!ctx || modbus_set_slave(ctx, 1) < 0 || modbus_connect(ctx) < 0) {
        std::fprintf(stderr, "connect: %s\n", modbus_strerror(errno));
        return 1;
    }
    const auto begin = std::chrono::steady_clock::now();
    uint16_t regs[64];
    if (modbus_read_registers(ctx, 0xFF80, 2, regs) != 2 || (model >= 0 && regs[0] != model)) {
        std::fprintf(stderr, "identify failed: %s\n", modbus_strerror(errno));
        return 1;
    }
    for (int start = 0; start < 65536; start += 64) {
        if (modbus_read_registers(ctx, start, 64, regs) != 64) {
            std::fprintf(stderr, "read %d failed: %s\n", start, modbus_strerror(errno));
            return 1;
        }
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - begin)
                        .count();
    std::printf("requests=1025 time_ms=%lld\n", static_cast<long long>(ms));
    modbus_close(ctx);
    modbus_free(ctx);
    return 0;
}
