// The F-Logic walk over a KavumFactsDumpFormatter.
#include "shell/KavumFactsExportHandler.h"

#include "access/OMAccess.h"
#include "shell/KavumFactsDumpFormatter.h"

KavumFactsExportHandler::KavumFactsExportHandler(OMAccess* access) : FLExportHandler(access) {
    replaceFormatter(Ref<KavumFactsDumpFormatter>::make(access->om()));
}

bool KavumFactsExportHandler::isA(const std::string& className) const {
    return className == "KavumFactsExportHandler" || FLExportHandler::isA(className);
}
