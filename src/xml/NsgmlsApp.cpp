// The command-line parser application that turns one document into the event stream, run
// in-process.
#include "xml/NsgmlsApp.h"

#include <OpenSP/ErrnoMessageArg.h>
#include <OpenSP/LiteralStorage.h>
#include <OpenSP/MessageArg.h>
#include <OpenSP/MessageEventHandler.h>
#include <OpenSP/NotationStorage.h>
#include <OpenSP/PosixStorage.h>
#include <OpenSP/SOEntityCatalog.h>

#include <cstdlib>

#include "xml/MyOutputCharStream.h"
#include "xml/NsgmlsMessages.h"
#include "xml/OfflineUrlStorageManager.h"
#include "xml/SgmlsEventHandler.h"

using namespace OpenSP;

namespace {

// The message-only handler of a prolog-only parse: it stops the parse where the prolog ends.
class PrologMessageEventHandler : public MessageEventHandler {
  public:
    using MessageEventHandler::MessageEventHandler;
    void endProlog(EndPrologEvent* event) override {
        cancel();
        delete event;
    }
};

// Appends the parts of a colon-separated list of paths.
void appendPathList(const char* list, Vector<StringC>& out, CmdLineApp& app) {
    std::string rest = list;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find(PATH_SEPARATOR, start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        if (end > start) {
            out.push_back(app.convertInput(rest.substr(start, end - start).c_str()));
        }
        start = end + 1;
    }
}

}  // namespace

NsgmlsApp::NsgmlsApp() {
    // Internal characters are Unicode whatever the document's character set, so UTF-8 out gives a
    // UTF-8 document's bytes back.
    internalCharsetIsDocCharset_ = false;
    registerOption('B', "batch-mode", NsgmlsMessages::helpBatch);
    registerOption('d', "warn-duplicate-entities", NsgmlsMessages::helpDuplicate);
    registerOption('l', "line-numbers", NsgmlsMessages::helpLine);
    registerOption('m', "catalog-sysid", NsgmlsMessages::argCatalog, NsgmlsMessages::helpCatalog);
    registerOption('o', "output-option", NsgmlsMessages::argOutput, NsgmlsMessages::helpOutput);
    registerOption('p', "prolog-only", NsgmlsMessages::helpProlog);
    registerOption('r', "warn-default-entities", NsgmlsMessages::helpDefaulted);
    registerOption('s', "no-output", NsgmlsMessages::helpSuppress);
    registerOption('t', "rast-file", NsgmlsMessages::argRast, NsgmlsMessages::helpRast);
    registerOption('u', "warn-undefined-elements", NsgmlsMessages::helpUndefined);
}

NsgmlsApp::~NsgmlsApp() = default;

void NsgmlsApp::processOption(AppChar opt, const AppChar* arg) {
    switch (opt) {
        case 'B':
            batchMode = true;
            unsupportedBatch = true;
            break;
        case 'd':
            options_.warnDuplicateEntity = 1;
            break;
        case 'l':
            outputFlags_ |= esisLine;
            break;
        case 'm':
            catalogs.push_back(arg);
            break;
        case 'o':
            if (unsigned flag = esisOutputFlagNamed(arg)) {
                outputFlags_ |= flag;
            } else {
                badOutputOptions.push_back(arg);
            }
            break;
        case 'p':
            prologOnly = true;
            break;
        case 'r':
            options_.warnDefaultEntityReference = 1;
            break;
        case 's':
            suppressOutput = true;
            break;
        case 't':
            rastFile = arg;
            unsupportedRast = true;
            break;
        case 'u':
            options_.warnUndefinedElement = 1;
            break;
        default:
            // The library's own options; those of the entity manager are noted as well, since
            // this application builds that manager itself.
            if (opt == 'c') {
                catalogs.push_back(arg);
            } else if (opt == 'D') {
                searchDirs.push_back(arg);
            } else if (opt == 'R') {
                restrictFileReading = true;
            } else if (opt == 'C') {
                mapCatalogDocument = true;
            }
            ParserApp::processOption(opt, arg);
            break;
    }
}

int NsgmlsApp::processArguments(int argc, AppChar** files) {
    // Options are read before the library opens the error file; their faults are told here, so
    // that they land in it.
    for (const std::string& name : badOutputOptions) {
        message(NsgmlsMessages::unknownOutputOption, StringMessageArg(convertInput(name.c_str())));
    }
    if (unsupportedBatch) {
        message(NsgmlsMessages::batchNotSupported);
    }
    if (unsupportedRast) {
        message(NsgmlsMessages::rastNotSupported);
    }
    if (!badOutputOptions.empty() || unsupportedBatch || unsupportedRast) {
        return 1;
    }
    installOfflineEntityManager();
    if (!prologOnly && !suppressOutput) {
        output = std::make_unique<MyOutputCharStream>(outputFileName);
        if (!output->isOpen()) {
            // Rather than flooding standard output with the document, the run fails.
            message(openFileErrorMessage(), StringMessageArg(convertInput(outputFileName)),
                    ErrnoMessageArg(output->openError()));
            output.reset();
            return 1;
        }
    }
    int result = EntityApp::processArguments(argc, files);
    if (output) {
        output->flush();
    }
    return result;
}

ErrorCountEventHandler* NsgmlsApp::makeEventHandler() {
    if (prologOnly) {
        return new PrologMessageEventHandler(this, &parser());
    }
    if (suppressOutput || !output) {
        return new MessageEventHandler(this, &parser());
    }
    return new SgmlsEventHandler(&parser(), output.get(), this, outputFlags_, entityManager(),
                                 systemCharset());
}

void NsgmlsApp::allLinkTypesActivated() {
    if (!rastFile) {
        ParserApp::allLinkTypesActivated();
    }
}

void NsgmlsApp::installOfflineEntityManager() {
    // The library builds its own manager on first request; it is replaced before any use.
    Ptr<ExtendEntityManager>& manager = entityManager();
    const CharsetInfo& charset = systemCharset();
    auto* files =
        new PosixStorageManager("OSFILE", &charset, codingSystem(), 5, restrictFileReading);
    for (const AppChar* dir : searchDirs) {
        files->addSearchDir(convertInput(dir));
    }
    if (const char* path = std::getenv("SGML_SEARCH_PATH")) {
        Vector<StringC> dirs;
        appendPathList(path, dirs, *this);
        for (size_t i = 0; i < dirs.size(); ++i) {
            files->addSearchDir(dirs[i]);
        }
    }
    // Documents are read as XML reads them: UTF-8 unless a byte-order mark or an encoding
    // declaration says otherwise.
    const char* staticName = nullptr;
    const InputCodingSystem* input =
        codingSystemKit_->makeInputCodingSystem(convertInput("XML"), charset, false, staticName);
    if (!input) {
        input = codingSystem();
    }
    manager = ExtendEntityManager::make(files, input, inputCodingSystemKit(),
                                        internalCharsetIsDocCharset_);
    manager->registerStorageManager(new PosixFdStorageManager("OSFD", &charset));
    manager->registerStorageManager(new OfflineUrlStorageManager(&charset));
    manager->registerStorageManager(new LiteralStorageManager("LITERAL"));
    manager->registerStorageManager(new NotationStorageManager("CLSID"));
    manager->registerStorageManager(new NotationStorageManager("MIMETYPE"));

    // Catalogs: those of the arguments first (they must exist), then the machine's.
    Vector<StringC> catalogIds;
    for (const AppChar* catalog : catalogs) {
        catalogIds.push_back(convertInput(catalog));
    }
    size_t mustExist = catalogIds.size();
    const char* machine = std::getenv("SGML_CATALOG_FILES");
    appendPathList(machine ? machine : SGML_CATALOG_FILES_DEFAULT, catalogIds, *this);
    manager->setCatalogManager(
        SOCatalogManager::make(catalogIds, mustExist, &charset, &charset, mapCatalogDocument));
}
