// CPath: the host of paths and molecules, its variables, order and relative start.
#include "language/CPath.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

CPath::CPath(ParseTreeClass kind, Path* host) : Path(kind), host(Ref<Path>::share(host)) {
    if (host == nullptr) centralErrorHandler().report(err3::CPathConstructor);
}

CPath::CPath(const CPath& other) : Path(other), host(nullptr) {
    if (other.host != nullptr) {
        host = Ref<Path>::adopt(static_cast<Path*>(other.host->clone()));
        if (host == nullptr) markIncomplete();
    }
}

CPath::~CPath() = default;

bool CPath::isA(const std::string& className) const {
    return className == "CPath" || Path::isA(className);
}

bool CPath::deepEqual(const ParseTreeNode& other) const {
    const auto* path = dynamic_cast<const CPath*>(&other);
    return path != nullptr && className() == other.className() && deepEqualOrNull(host, path->host);
}

void CPath::collectVars(VarList& vars) const {
    if (host != nullptr) host->collectVars(vars);
}

int CPath::compareSameClass(const ParseTreeNode& other) const {
    return compareOrNull(host, static_cast<const CPath&>(other).host);
}

int CPath::startKind() const {
    return host != nullptr ? host->startKind() : 2;
}

void CPath::replaceStart(Path* start) {
    if (host != nullptr && host->pathLength() > 1) {
        host->replaceStart(start);
    } else {
        setHost(start);
    }
}

void CPath::setHost(Path* newHost) {
    host = Ref<Path>::share(newHost);
}
