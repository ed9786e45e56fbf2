// The stopwatch arithmetic, the duration and date texts, and the shell methods of Timer.
#include "foundation/Timer.h"

#include <sstream>

#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "platform/Clock.h"
#include "platform/ProcessInfo.h"

namespace {

const char* const monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void twoDigits(std::ostringstream& out, int value) {
    if (value < 10) out << '0';
    out << value;
}

// Adds the stretch from start to now to the sum, borrowing and carrying whole seconds.
void accumulate(std::int32_t nowSec, std::int32_t nowUsec, std::int32_t startSec,
                std::int32_t startUsec, std::int32_t& accSec, std::int32_t& accUsec) {
    std::int32_t dUsec = nowUsec - startUsec;
    std::int32_t dSec = nowSec - startSec;
    if (dUsec < 0) {
        dUsec += 1000000;
        dSec -= 1;
    }
    accUsec += dUsec;
    if (accUsec >= 1000000) {
        accSec += 1;
        accUsec -= 1000000;
    }
    accSec += dSec;
}

}  // namespace

Timer::Timer() {
    initTimeZone();
}

FLSysRef Timer::methodCall(const std::string& name, FLSysArgs* args) {
    if (!isOk()) return nullptr;
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<Timer>& Timer::shellCommands() {
    static const ShellCommands<Timer> table{
        helpHeading("Timer"),
        {
            {"help", ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef { return FLSysRef::share(self.help()); },
             standardMethodsHelp()},
            {"date",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 return Ref<FLSysString>::make(self.date());
             },
             {"    - date", "          returns  string which contains actual date"}},
            {"dayTime",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 return Ref<FLSysString>::make(self.dayTime());
             },
             {"    - dayTime", "          returns  string which contains actual day time"}},
            {"start",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 self.start();
                 return FLSysRef::share(&self);
             },
             {"    - start", "          set time counter to zero and start time measuring"}},
            {"stop",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 self.stop();
                 return FLSysRef::share(&self);
             },
             {"    - stop", "          interupt time measuring"}},
            {"diffReal",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 return Ref<FLSysString>::make(self.diffReal());
             },
             {"    - diffReal",
              "          returns  string which contains elapsed time during start and stop"}},
            {"diffUser",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 return Ref<FLSysString>::make(self.diffUser());
             },
             {"    - diffUser",
              "          returns  string which contains elapsed cpu time during start and stop"}},
            {"cont",
             ShellArgs::None,
             [](Timer& self, FLSysArgs*) -> FLSysRef {
                 self.cont();
                 return FLSysRef::share(&self);
             },
             {"    - cont", "          continue time measuring "}},
        },
        {"", "", ""}};
    return table;
}

void Timer::display(OutputChannel& channel) const {
    channel << "This is a normal Timer. \n"
            << "There are no further informations." << std::endl;
}

void Timer::print(OutputChannel& channel) const {
    channel << "aTimer";
}

bool Timer::isA(const std::string& className) const {
    return className == "Timer" || FLSysObject::isA(className);
}

std::string Timer::date() {
    std::tm local{};
    if (!localNow(local)) return "localtime failed";
    return formatDate(local);
}

std::string Timer::dayTime() {
    std::tm local{};
    if (!localNow(local)) return "localtime failed";
    return formatDayTime(local);
}

std::string Timer::diffUser() {
    if (stopped == 0) return "no stop done";
    return formatDuration(acc_cpu_sec, acc_cpu_usec);
}

std::string Timer::diffReal() {
    if (stopped == 0) return "no stop done";
    return formatDuration(acc_real_sec, acc_real_usec);
}

void Timer::cont() {
    stopped = 0;
    readClocks();
    start_real_sec = now_real_sec;
    start_real_usec = now_real_usec;
    start_cpu_sec = now_cpu_sec;
    start_cpu_usec = now_cpu_usec;
}

void Timer::stop() {
    // The stretch ended at the first stop; counting it again would add time nobody measured.
    if (stopped != 0) return;
    stopped = 1;
    readClocks();
    accumulate(now_real_sec, now_real_usec, start_real_sec, start_real_usec, acc_real_sec,
               acc_real_usec);
    accumulate(now_cpu_sec, now_cpu_usec, start_cpu_sec, start_cpu_usec, acc_cpu_sec, acc_cpu_usec);
}

void Timer::start() {
    acc_real_sec = 0;
    acc_real_usec = 0;
    acc_cpu_sec = 0;
    acc_cpu_usec = 0;
    cont();
}

Timer* Timer::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

std::string Timer::formatDuration(std::int32_t seconds, std::int32_t microseconds) {
    std::ostringstream out;
    std::int32_t days = seconds / 86400;
    if (days > 0) {
        out << days << 'd';
        seconds -= days * 86400;
    }
    std::int32_t hours = seconds / 3600;
    if (hours > 0) {
        out << hours << 'h';
        seconds -= hours * 3600;
    }
    std::int32_t minutes = seconds / 60;
    if (minutes > 0) {
        out << minutes << "min";
        seconds -= minutes * 60;
    }
    out << seconds << '.';
    twoDigits(out, microseconds / 10000);
    out << "sec";
    return out.str();
}

std::string Timer::formatDate(const std::tm& local) {
    std::ostringstream out;
    const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
    out << local.tm_mday << ' ' << monthNames[month] << ' ' << local.tm_year + 1900;
    return out.str();
}

std::string Timer::formatDayTime(const std::tm& local) {
    std::ostringstream out;
    twoDigits(out, local.tm_hour);
    out << ':';
    twoDigits(out, local.tm_min);
    out << ':';
    twoDigits(out, local.tm_sec);
    return out.str();
}

void Timer::readClocks() {
    const std::uint64_t ms = steadyMilliseconds();
    now_real_sec = static_cast<std::int32_t>(ms / 1000);
    now_real_usec = static_cast<std::int32_t>(ms % 1000) * 1000;

    const ProcessTimes times = readProcessTimes();
    const std::int64_t cpu = times.kernelMicroseconds + times.userMicroseconds;
    now_cpu_sec = static_cast<std::int32_t>(cpu / 1000000);
    now_cpu_usec = static_cast<std::int32_t>(cpu % 1000000);
}

FLSysRef TimerMeta::createInstance(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    return Ref<Timer>::make();
}

Timer& centralTimer() {
    static Timer timer;
    return timer;
}
