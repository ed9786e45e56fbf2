// The line store, the show and memory reports and the shell methods of StatisticHandler.
#include "foundation/StatisticHandler.h"

#include "foundation/OutputChannel.h"
#include "platform/ProcessInfo.h"

namespace {}  // namespace

StatisticHandler::~StatisticHandler() {
    clear();
}

FLSysRef StatisticHandler::methodCall(const std::string& name, FLSysArgs* args) {
    if (!isOk()) return nullptr;
    if (name == "clear") {
        clear();
        return FLSysRef::share(this);
    }
    if (name == "show") {
        if (argumentCount(args) != 0) return nullptr;
        show();
        return FLSysRef::share(this);
    }
    if (name == "memory") {
        if (!argumentCount(args) != 0) {
            memory(statisticChannel());
            return FLSysRef::share(this);
        }
        FLSysObject* channel = nullptr;
        if (!checkArgs1(args, "OutputChannel", channel)) return nullptr;
        memory(*static_cast<OutputChannel*>(channel));
        return FLSysRef::share(this);
    }
    // Lines come only from the system's own code; the shell cannot add any.
    if (name == "insert") return FLSysRef::share(this);
    if (name == "help") {
        if (argumentCount(args) != 0) return nullptr;
        return FLSysRef::share(help());
    }
    return FLSysObject::methodCall(name, args);
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

void StatisticHandler::insert(std::string* line, int category) {
    // A missing line would only be found again when show dereferences it.
    if (line == nullptr) return;
    auto item = lines.lookup(category);
    if (item != nullptr) {
        lines.inf(item)->append(line);
        return;
    }
    auto* list = new clib_list<std::string*>();
    list->append(line);
    lines.insert(category, list);
}

void StatisticHandler::insert(const std::string& line, int category) {
    insert(new std::string(line), category);
}

void StatisticHandler::insert(const char* line, int category) {
    if (line == nullptr) return;
    insert(new std::string(line), category);
}

void StatisticHandler::clear() {
    for (auto item = lines.first_item(); item != nullptr; item = lines.next_item(item)) {
        clib_list<std::string*>* list = lines.inf(item);
        for (auto entry = list->first_item(); entry != nullptr; entry = list->next_item(entry)) {
            delete list->inf(entry);
        }
        delete list;
    }
    lines.clear();
}

void StatisticHandler::show() {
    OutputChannel& out = statisticChannel();
    for (auto item = lines.first_item(); item != nullptr; item = lines.next_item(item)) {
        clib_list<std::string*>* list = lines.inf(item);
        for (auto entry = list->first_item(); entry != nullptr; entry = list->next_item(entry)) {
            out << *list->inf(entry) << std::endl;
        }
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
    OutputChannel& out = helpChannel();
    writeHelpHeader(out, "StatisticHandler");
    writeStandardMethodsHelp(out);
    out << "    - clear" << std::endl
        << "    - show@()" << std::endl
        << "          show time statistics" << std::endl
        << "    - memory@(OutputChannel)" << std::endl
        << "          show memory usage" << std::endl
        << "          OutputChannel is statisticChannel when not given" << std::endl
        << std::endl
        << std::endl
        << std::endl;
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
