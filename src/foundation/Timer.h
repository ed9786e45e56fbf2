// Timer: the stopwatch and clock of the shell (real and processor time, date and time of day),
// its class object TimerMeta and the program-wide centralTimer.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "foundation/FLSysObject.h"

class Timer : public FLSysObject {
  public:
    // All readings and sums zero, running; local time follows the environment's time zone.
    Timer();
    ~Timer() override = default;

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    void display(OutputChannel& channel) const override;
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Local date as "5 Dec 2026"; "localtime failed" when it cannot be had.
    virtual std::string date();
    // Local time of day as "09:05:00"; "localtime failed" when it cannot be had.
    virtual std::string dayTime();
    // The accumulated processor time as text; "no stop done" while running.
    virtual std::string diffUser();
    // The accumulated real time as text; "no stop done" while running.
    virtual std::string diffReal();
    // Starts a new stretch, keeping the sums.
    virtual void cont();
    // Ends the running stretch and adds it to the sums; does nothing while stopped.
    virtual void stop();
    // Zeroes the sums and starts a stretch.
    virtual void start();
    virtual Timer* help();

    bool isStopped() const { return stopped != 0; }

    // A duration as days "d", hours "h", minutes "min" (each only when non-zero), then seconds,
    // "." and two digits of hundredths, "sec": 3725.5 seconds read "1h2min5.50sec".
    static std::string formatDuration(std::int32_t seconds, std::int32_t microseconds);
    // "5 Dec 2026": day of the month, month abbreviation, four-digit year.
    static std::string formatDate(const std::tm& local);
    // "09:05:00".
    static std::string formatDayTime(const std::tm& local);

  protected:
    // Puts the current real and processor time into the now_ readings.
    virtual void readClocks();

    std::int32_t now_real_sec = 0;
    std::int32_t now_real_usec = 0;
    std::int32_t now_cpu_sec = 0;
    std::int32_t now_cpu_usec = 0;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<Timer>& shellCommands();

    std::int32_t stopped = 0;
    std::int32_t start_real_sec = 0;
    std::int32_t start_cpu_sec = 0;
    std::int32_t start_real_usec = 0;
    std::int32_t start_cpu_usec = 0;
    std::int32_t acc_real_sec = 0;
    std::int32_t acc_cpu_sec = 0;
    std::int32_t acc_real_usec = 0;
    std::int32_t acc_cpu_usec = 0;
};

// Registered as "classTimer": "new" without arguments makes a new Timer.
class TimerMeta : public XMeta {
  public:
    TimerMeta() : XMeta("Timer") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};

// The program-wide stopwatch, known to the shell as "centralTimer".
Timer& centralTimer();
