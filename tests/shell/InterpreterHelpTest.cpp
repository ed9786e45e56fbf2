// The online help of sys and of the F-Logic interpreters, word for word.
#include <gtest/gtest.h>

#include "shell/InterpreterTestSupport.h"

namespace {

const std::string standardLines =
    "    - help\n"
    "    - isOk\n"
    "          returns  0 (object is corrupted)  or  1\n"
    "    - isA@(string)\n"
    "          string : classname\n"
    "          returns  1 (object belongs to class)  or  0\n";

const std::string sysHelp =
    "\n"
    "                    Online help for class FLSysInterpreter\n"
    "\n"
    "\n"
    "You can apply the following member functions to an instance of \n"
    "class FLSysInterpreter via F-Logic shell : \n"
    "\n" +
    standardLines +
    "    - print\n"
    "          prints type of instance\n"
    "    - display\n"
    "          displays components\n"
    "    - end\n"
    "          leave the flogic-system or a subshell\n"
    "    - eval\n"
    "          evaluate the current program\n"
    "    - tp\n"
    "          apply TP-operator once\n"
    "    - showProgram\n"
    "          show the current program\n"
    "    - forgetProgram\n"
    "          clear the current program\n"
    "    - forgetIDB\n"
    "          clear the object manager\n"
    "    - switch\n"
    "          link a new FLogicInterpreter to sys\n"
    "    - debugOn\n"
    "          echo lines read while consulting\n"
    "    - debugOff\n"
    "    - interpreteLine@(string)\n"
    "          string: command in flogic syntax\n"
    "    - interpreteFile@(string)\n"
    "          string: filename\n"
    "    - consult@(string)\n"
    "          string: filename\n"
    "    - open@(string)\n"
    "          opens a FLSysOStream pointing to a file.\n"
    "          string: filename\n"
    "          Usage: ?- sys[mystream->sys.open@(\"logfile\")].\n"
    "    - shell\n"
    "          Go into interactive mode. Return with method end.\n"
    "    - echo@(string)\n"
    "          string: displayed on output stream\n"
    "    - remove@(string)\n"
    "          string: name of interface object to remove\n"
    "    - load@(string)\n"
    "          string: name of file which is loaded directly into OM.\n"
    "                  file has to contain only facts, otherwise load fails\n"
    "\n"
    "\n";

const std::string interpreterHelp =
    "\n"
    "                    Online help for class FLogicInterpreter\n"
    "\n"
    "\n"
    "You can apply the following member functions to an instance of class FLogicInterpreter : \n"
    "\n" +
    standardLines +
    "    - print@(OutputChannel)\n"
    "          OutputChannel : e.g. answerChannel\n"
    "    - display@(OutputChannel)\n"
    "          OutputChannel : e.g. answerChannel\n";

TEST(InterpreterHelpTest, HelpTexts) {
    interp_test::InterpreterHarness h;
    auto* placeholder = new EmptyFLogicInterp;
    const struct {
        const char* what;
        FLSysObject* object;
        const std::string& text;
    } cases[] = {
        {"sys", h.sys, sysHelp},
        {"FLogicInterpreter", h.interpreter, interpreterHelp},
        {"EmptyFLogicInterp", placeholder, interpreterHelp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChannelCapture help(helpChannel());
        ErrorCapture errors;
        EXPECT_EQ(c.object->methodCall("help", nullptr), c.object);
        EXPECT_EQ(help.text(), c.text);
        EXPECT_EQ(errors.text(), "");
    }
    decRef(placeholder);
}

}  // namespace
