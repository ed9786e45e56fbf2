// StatisticHandler: collects statistic lines by category and shows them on request, reports the
// process's memory use; its class object and the program-wide centralStatistic.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "foundation/FLSysObject.h"

class StatisticHandler : public FLSysObject {
  public:
    StatisticHandler() = default;
    StatisticHandler(const StatisticHandler&) = delete;
    StatisticHandler& operator=(const StatisticHandler&) = delete;
    ~StatisticHandler() override;

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    void display(OutputChannel& channel) const override;
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Appends a copy of the line to its category, which is made when it is new. A null line is
    // refused.
    virtual void insert(const std::string& line, int category);
    virtual void insert(const char* line, int category);
    // Drops every line and every category.
    virtual void clear();
    // Writes the lines on statisticChannel: categories in ascending order, lines in insertion
    // order, an empty line after each category. Nothing is removed.
    virtual void show();
    // Writes the working-set and pagefile figures of the process on the channel.
    virtual void memory(OutputChannel& channel);
    virtual StatisticHandler* help();

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<StatisticHandler>& shellCommands();

    std::map<int, std::vector<std::string>> lines;  // categories in ascending order
};

// Registered as "classStatisticHandler": "new" without arguments makes a new StatisticHandler.
class StatisticHandlerMeta : public XMeta {
  public:
    StatisticHandlerMeta() : XMeta("StatisticHandler") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};

// The program-wide handler, known to the shell as "centralStatistic".
StatisticHandler& centralStatistic();
