#include "LiveSteps.h"

#include "LivePanel.h"

#include "lang/KivLanRes.h"

#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

namespace
{

constexpr double LeastStepSeconds = 0.001;
constexpr double MostStepSeconds = 86400;

int g_askedPipe = -1; // where SIGUSR1 asks for a step

void OnStepSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_askedPipe, &byte, 1);
    errno = saved;
}

[[noreturn]] void BadValue(const std::string& option, const char* text, const char* what)
{
    std::fprintf(stderr, "tamsor-sim: %s: not %s: %s\n", option.c_str(), what, text);
    std::exit(2);
}

uint32_t Unsigned32(const std::string& option, const char* text)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(text, &end, 0);
    if (errno || !end || *end || !*text || text[0] == '-' || n > 0xFFFFFFFFull)
        BadValue(option, text, "a number from 0 to 4294967295");
    return uint32_t(n);
}

double StepSeconds(const std::string& option, const char* text)
{
    char* end = nullptr;
    const double n = std::strtod(text, &end);
    const bool fits = n == 0 || (n >= LeastStepSeconds && n <= MostStepSeconds);
    if (!end || *end || !*text || !fits)
        BadValue(option, text, "0 or a time from 0.001 to 86400 seconds");
    return n;
}

// Define-file problems are told in English, as the rest of the simulator's output, from the
// language texts beside the program or in its installed data folder.
void UseEnglishTexts()
{
    const QString folder =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    for (const QString& candidate : {folder, folder + QStringLiteral("/../share/tamsor")}) {
        LanguageResources.Discover(candidate);
        if (LanguageResources.SelectLanguage(1033) == 0)
            return;
    }
}

uint32_t RandomSeed()
{
    std::random_device device;
    return uint32_t(device());
}

} // namespace

bool ParseLiveOption(const std::string& arg, const std::function<const char*()>& value,
                     LiveOptions& options)
{
    if (arg == "--live")
        options.seconds = StepSeconds(arg, value());
    else if (arg == "--define")
        options.define = value();
    else if (arg == "--seed")
        options.seed = Unsigned32(arg, value());
    else if (arg == "--live-clock")
        options.clock = Unsigned32(arg, value());
    else
        return false;
    return true;
}

bool CheckLiveOptions(const LiveOptions& options)
{
    if (options.Enabled() && options.define.empty()) {
        std::fprintf(stderr, "tamsor-sim: --live needs --define FILE.def\n");
        return false;
    }
    // --seed also seeds the random delays, so it stands without --live too.
    if (!options.Enabled() && (!options.define.empty() || options.clock)) {
        std::fprintf(stderr, "tamsor-sim: --define and --live-clock go with --live\n");
        return false;
    }
    return true;
}

std::unique_ptr<LiveSteps> LiveSteps::Start(const LiveOptions& options, std::vector<uint8_t>& image)
{
    LivePanel::Settings settings;
    settings.stepSeconds = options.seconds > 0 ? options.seconds : 1;
    settings.clock = options.clock ? *options.clock : uint32_t(std::time(nullptr));
    settings.seed = options.seed ? *options.seed : RandomSeed();

    UseEnglishTexts();
    const QString define = QString::fromStdString(options.define);
    QString error;
    std::unique_ptr<LiveSteps> steps(new LiveSteps);
    steps->m_panel = LivePanel::Create(define, image, settings, &error);
    if (!steps->m_panel) {
        std::fprintf(stderr, "tamsor-sim: cannot use the define file %s: %s\n",
                     options.define.c_str(),
                     error.isEmpty() ? "it describes no station" : qUtf8Printable(error));
        return nullptr;
    }
    for (const QString& skipped : steps->m_panel->Skipped())
        std::fprintf(stderr, "tamsor-sim: --live leaves alone the %s\n", qUtf8Printable(skipped));
    if (!steps->StartTriggers(options.seconds)) {
        std::fprintf(stderr, "tamsor-sim: cannot time the live steps: %s\n", std::strerror(errno));
        return nullptr;
    }
    if (options.seconds > 0)
        std::printf("tamsor-sim: live panel from %s, a step every %g s", options.define.c_str(),
                    options.seconds);
    else
        std::printf("tamsor-sim: live panel from %s, a step on each SIGUSR1",
                    options.define.c_str());
    std::printf(", seed %u, panel clock %u\n", unsigned(settings.seed), unsigned(settings.clock));
    return steps;
}

bool LiveSteps::StartTriggers(double seconds)
{
    m_ready = epoll_create1(EPOLL_CLOEXEC);
    if (m_ready < 0 || pipe2(m_asked, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    epoll_event asked{};
    asked.events = EPOLLIN;
    asked.data.fd = m_asked[0];
    if (epoll_ctl(m_ready, EPOLL_CTL_ADD, m_asked[0], &asked) != 0)
        return false;
    g_askedPipe = m_asked[1];
    struct sigaction action {
    };
    action.sa_handler = OnStepSignal;
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
    if (seconds <= 0)
        return true;

    m_timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    itimerspec every{};
    double whole = 0;
    every.it_interval.tv_nsec = long(std::modf(seconds, &whole) * 1e9);
    every.it_interval.tv_sec = time_t(whole);
    every.it_value = every.it_interval;
    epoll_event due{};
    due.events = EPOLLIN;
    due.data.fd = m_timer;
    return m_timer >= 0 && timerfd_settime(m_timer, 0, &every, nullptr) == 0 &&
           epoll_ctl(m_ready, EPOLL_CTL_ADD, m_timer, &due) == 0;
}

LiveSteps::~LiveSteps()
{
    if (m_asked[1] >= 0) {
        signal(SIGUSR1, SIG_IGN);
        g_askedPipe = -1;
    }
    for (const int fd : {m_ready, m_timer, m_asked[0], m_asked[1]}) {
        if (fd >= 0)
            close(fd);
    }
}

void LiveSteps::TakeDue()
{
    uint64_t due = 0;
    if (m_timer >= 0 && read(m_timer, &due, sizeof due) != sizeof due)
        due = 0;
    char bytes[64];
    ssize_t n;
    while ((n = read(m_asked[0], bytes, sizeof bytes)) > 0)
        due += uint64_t(n);
    for (; due > 0; --due) {
        m_panel->Step();
        std::printf("step %lld\n", static_cast<long long>(m_panel->Steps()));
        std::fflush(stdout);
    }
}
