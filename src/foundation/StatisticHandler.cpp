// The line store, the show and memory reports and the shell methods of StatisticHandler.
#include "foundation/StatisticHandler.h"

#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "platform/ProcessInfo.h"

namespace {}  // namespace

StatisticHandler::~StatisticHandler() {
    clear();
}

FLSysRef StatisticHandler::methodCall(const std::string& name, FLSysArgs* args) {
    if (!isOk()) return nullptr;
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<StatisticHandler>& StatisticHandler::shellCommands() {
    static const ShellCommands<StatisticHandler> table{
        helpHeading("StatisticHandler"),
        {
            {"help", ShellArgs::None,
             [](StatisticHandler& self, FLSysArgs*) -> FLSysRef {
                 return FLSysRef::share(self.help());
             },
             standardMethodsHelp()},
            {"clear",
             ShellArgs::Any,
             [](StatisticHandler& self, FLSysArgs*) -> FLSysRef {
                 self.clear();
                 return FLSysRef::share(&self);
             },
             {"    - clear"}},
            {"show",
             ShellArgs::None,
             [](StatisticHandler& self, FLSysArgs*) -> FLSysRef {
                 self.show();
                 return FLSysRef::share(&self);
             },
             {"    - show@()", "          show time statistics"}},
            {"memory",
             ShellArgs::Any,
             [](StatisticHandler& self, FLSysArgs* args) -> FLSysRef {
                 if (argumentCount(args) == 0) {
                     self.memory(statisticChannel());
                     return FLSysRef::share(&self);
                 }
                 FLSysObject* channel = nullptr;
                 if (!self.checkArgs1(args, "OutputChannel", channel)) return nullptr;
                 self.memory(*static_cast<OutputChannel*>(channel));
                 return FLSysRef::share(&self);
             },
             {"    - memory@(OutputChannel)", "          show memory usage",
              "          OutputChannel is statisticChannel when not given"}},
            // Lines come only from the system's own code; the shell cannot add any.
            {"insert", ShellArgs::Any,
             [](StatisticHandler& self, FLSysArgs*) -> FLSysRef { return FLSysRef::share(&self); }},
        },
        {"", "", ""}};
    return table;
}

void StatisticHandler::display(OutputChannel& channel) const {
    channel << "This is a normal StatisticHandler. \n"
            << "There are no further informations." << std::endl;
}

void StatisticHandler::print(OutputChannel& channel) const {
    channel << "aStatisticHandler";
}

bool StatisticHandler::isA(const std::string& className) const {
    return className == "StatisticHandler" || FLSysObject::isA(className);
}

void StatisticHandler::insert(const std::string& line, int category) {
    lines[category].push_back(line);
}

void StatisticHandler::insert(const char* line, int category) {
    if (line == nullptr) return;
    insert(std::string(line), category);
}

void StatisticHandler::clear() {
    lines.clear();
}

void StatisticHandler::show() {
    OutputChannel& out = statisticChannel();
    for (const auto& [category, list] : lines) {
        for (const std::string& line : list) out << line << std::endl;
        out << std::endl;
    }
}

void StatisticHandler::memory(OutputChannel& channel) {
    // The calling process is always at hand here, so there is no handle that could be missing.
    const MemoryFigures figures = readMemoryFigures();
    if (!figures.ok) {
        channel << "Unable to get process memory info!" << std::endl;
        return;
    }
    channel << "Working set (KB)" << std::endl
            << "actual : " << static_cast<unsigned long>(figures.workingSet / 1024) << std::endl
            << "peak   : " << static_cast<unsigned long>(figures.peakWorkingSet / 1024) << std::endl
            << std::endl
            << "Pagefile (KB)" << std::endl
            << "actual : " << static_cast<unsigned long>(figures.pagefileUsage / 1024) << std::endl
            << "peak   : " << static_cast<unsigned long>(figures.peakPagefileUsage / 1024)
            << std::endl
            << std::endl;
}

StatisticHandler* StatisticHandler::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

FLSysRef StatisticHandlerMeta::createInstance(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    return Ref<StatisticHandler>::make();
}

StatisticHandler& centralStatistic() {
    static StatisticHandler handler;
    return handler;
}
