#pragma once

// tamsor-sim --live: the served image changes like a running panel's, one step every interval
// and one at once on each SIGUSR1. The serving loop waits for Fd() beside its requests and takes
// the steps between them, so that no reply mixes registers from before and after a step.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class LivePanel;

struct LiveOptions {
    double seconds = -1; // between steps; 0 steps on SIGUSR1 only; negative: not live
    std::string define;
    std::optional<uint32_t> seed;
    std::optional<uint32_t> clock; // the panel's clock at the start, seconds since 1970
    bool Enabled() const { return seconds >= 0; }
};

// Takes arg when it is one of the live options, reading its value through `value`; a value that
// does not do ends the program with status 2. False when arg is not a live option.
bool ParseLiveOption(const std::string& arg, const std::function<const char*()>& value,
                     LiveOptions& options);

// Whether the live options go together: --live needs --define, the others need --live. Says
// on stderr why not.
bool CheckLiveOptions(const LiveOptions& options);

class LiveSteps
{
public:
    // The live panel over image (which must outlive it), its step timer started and SIGUSR1
    // taken over. Nothing, the reason printed on stderr, when the define file cannot be used or
    // the timer cannot be made.
    static std::unique_ptr<LiveSteps> Start(const LiveOptions& options,
                                            std::vector<uint8_t>& image);
    ~LiveSteps();
    LiveSteps(const LiveSteps&) = delete;
    LiveSteps& operator=(const LiveSteps&) = delete;

    // Readable when a step is due.
    int Fd() const { return m_ready; }
    // Takes the steps due, printing "step N" on stdout after each has changed the image.
    void TakeDue();

private:
    LiveSteps() = default;
    bool StartTriggers(double seconds);

    std::unique_ptr<LivePanel> m_panel;
    int m_timer = -1;          // the step interval's timer
    int m_asked[2] = {-1, -1}; // a byte for each SIGUSR1
    int m_ready = -1;          // both of them as one descriptor to poll
};
