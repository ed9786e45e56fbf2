// The answer printer's html style: the answer file with its header, values with links as anchors,
// and showing the file in the user's Web browser.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DumpFormatter.h"
#include "platform/BrowserStarter.h"
#include "platform/FileReplacement.h"
#include "shell/PrettyPrinter.h"

const char* const PrettyPrinter::htmlFileName = ".quorinoutput.html";

namespace {

const char* const headerLines[] = {"<HTML>", "<HEAD>", "<TITLE> QUORINs answer </TITLE>", "</HEAD>",
                                   "<BODY>"};
const char* const linkPrefixes[] = {"\"http:", "\"ftp:", "\"file:", "\"mailto:"};

}  // namespace

void PrettyPrinter::clear() {
    clearNameCache();
    if (htmlFile == nullptr) return;
    htmlFile->close();
    htmlFile->clear();
    // The restarted file, a blank line and the header, replaces the old one only once it is
    // written whole; otherwise the answers go on after the old ones.
    FileReplacement restarted(htmlFileName);
    bool written = restarted.open();
    if (written) {
        restarted.stream() << " " << std::endl;
        for (const char* line : headerLines) restarted.stream() << line << std::endl;
        written = restarted.commit();
    }
    const std::string cause = restarted.refusal();
    errno = 0;
    htmlFile->open(htmlFileName, std::ios::out | std::ios::app);
    if (!htmlFile->is_open()) {
        reportAnswerFile("PrettyPrinter::clear", errno != 0 ? std::strerror(errno) : cause);
    } else if (!written) {
        reportAnswerFile("PrettyPrinter::clear", cause);
    }
}

bool PrettyPrinter::openAnswerFile() {
    errno = 0;
    auto file = std::make_unique<std::ofstream>(htmlFileName, std::ios::out | std::ios::app);
    if (!file->is_open()) {
        // The cause read before anything else may change it: a folder that takes no file says
        // "Permission denied", not that some file is missing.
        const int cause = errno;
        reportAnswerFile("PrettyPrinter::style", cause != 0 ? std::strerror(cause) : "");
        return false;
    }
    // An earlier html stream left current under the new one would survive the next style word,
    // which takes only one stream off the channel.
    leaveAnswerChannel();
    htmlStream.reset();
    htmlFile = file.get();
    auto stream = Ref<FLSysOStreamImpl<std::ofstream>>::make(std::move(file));
    // The answers written into the file on a full disk are reported, once.
    stream->reportWriteFailuresAs(htmlFileName);
    htmlStream = std::move(stream);
    writeHtmlHeader();
    answerChannel().setStream(htmlStream.get());
    return true;
}

void PrettyPrinter::writeHtmlHeader() {
    for (const char* line : headerLines) *htmlStream << line << std::endl;
}

void PrettyPrinter::leaveAnswerChannel() {
    OutputChannel& answers = answerChannel();
    if (htmlStream == nullptr || answers.currentStream() != htmlStream) return;
    if (answers.stackedStreams() > 0) {
        answers.resetStream();
    } else {
        answers.releaseStreams();
    }
}

void PrettyPrinter::reportAnswerFile(const char* where, const std::string& cause) {
    const Error& error = err11::CannotOpenFile;
    centralErrorHandler().report(Error(error.getOrigin(), error.getNumber(), error.getSeriousness(),
                                       error.getName(),
                                       cause.empty() ? error.getMessage() : cause + ".", where,
                                       error.getExtra() + " " + htmlFileName));
}

std::string PrettyPrinter::htmlEscaped(const std::string& text) {
    // Quotes stay: the anchor marks around links depend on them.
    return escapeMarkup(text, false);
}

void PrettyPrinter::writeHtmlValue(const std::string& text) {
    // Each link runs from the quote of its prefix to the next quote, both included.
    std::vector<std::pair<std::size_t, std::size_t>> links;
    for (const char* prefix : linkPrefixes) {
        std::size_t from = 0;
        for (std::size_t at; (at = text.find(prefix, from)) != std::string::npos;) {
            const std::size_t close = text.find('"', at + 1);
            if (close == std::string::npos) break;
            links.emplace_back(at, close + 1);
            from = close + 1;
        }
    }
    std::sort(links.begin(), links.end());

    OutputChannel& channel = answerChannel();
    std::size_t written = 0;
    for (const auto& [begin, end] : links) {
        if (begin < written) continue;  // starts inside an earlier link
        const std::string link = htmlEscaped(text.substr(begin, end - begin));
        channel << htmlEscaped(text.substr(written, begin - written)) << "<A HREF=" << link << ">"
                << link << "</A>";
        written = end;
    }
    channel << htmlEscaped(text.substr(written)) << " "
            << " ";
}

void PrettyPrinter::showInBrowser() {
    if (style_ != Html) return;
    // The browser reads the file itself: what the stream still holds must be in it.
    if (htmlStream != nullptr) *htmlStream << std::flush;
    const std::string url = "file:" + workingFolder() + "/" + htmlFileName;
    if (browserIsRunning()) {
        startInBackground({browserProgram(), "-remote", "openURL(" + url + ")"});
    } else {
        startInBackground({browserProgram(), url});
    }
}
