// Fetching documents by URL: refusals, the load into a temporary file, the HTTP header and the
// resolution of links.
#include "xml/WebFetcher.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

#include "access/OMAccess.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/SymTab.h"
#include "xml/LeftoverFiles.h"

namespace {

struct RefusedExtension {
    const char* extension;
    const char* message;
};

// In test order: a path ending in ".gz" is refused as ".gz" and as ".Z".
constexpr std::array<RefusedExtension, 25> refusedExtensions{{
    {".ps", "\".ps files are not processed\""},     {".dvi", "\".dvi files are not processed\""},
    {".tar", "\".tar files are not processed\""},   {".pdf", "\".pdf files are not processed\""},
    {".mpeg", "\".mpeg files are not processed\""}, {".jpeg", "\".jpeg files are not processed\""},
    {".jpg", "\".jpg files are not processed\""},   {".exe", "\".exe files are not processed\""},
    {".bin", "\".bin files are not processed\""},   {".ppt", "\".ppt files are not processed\""},
    {".dat", "\".dat files are not processed\""},   {".doc", "\".doc files are not processed\""},
    {".gz", "\".gz files are not processed\""},     {".au", "\".au files are not processed\""},
    {".z", "\".Z files are not processed\""},       {".zip", "\".zip files are not processed\""},
    {".gif", "\".gif files are not processed\""},   {".dtx", "\".dtx files are not processed\""},
    {".mov", "\".mov files are not processed\""},   {".cls", "\".cls files are not processed\""},
    {".sty", "\".sty files are not processed\""},   {".tex", "\".tex files are not processed\""},
    {".clo", "\".clo files are not processed\""},   {".c", "\".c files are not processed\""},
    {".java", "\".java files are not processed\""},
}};

// Status codes of a reply whose body is the document.
constexpr std::array<const char*, 12> acceptedStatus{"200", "201", "202", "203", "204", "205",
                                                     "300", "301", "302", "303", "304", "305"};

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool startsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

// The value of a header line that starts with the field name: the rest, leading blanks off.
std::string fieldValue(const std::string& line, const std::string& field) {
    const std::size_t start = line.find_first_not_of(" \t", field.size());
    return start == std::string::npos ? "" : line.substr(start);
}

std::int32_t fileLength(const std::string& name) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(name, error);
    if (error) return 0;
    return static_cast<std::int32_t>(
        std::min<std::uintmax_t>(size, std::numeric_limits<std::int32_t>::max()));
}

// Moves everything after the first count bytes of the file to its start and cuts the rest off.
void dropLeadingBytes(const std::string& name, std::int64_t count) {
    std::FILE* file = std::fopen(name.c_str(), "r+b");
    if (file == nullptr) return;
    std::vector<char> buffer(64 * 1024);
    std::int64_t from = count;
    std::int64_t to = 0;
    while (std::fseek(file, static_cast<long>(from), SEEK_SET) == 0) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got == 0 || std::fseek(file, static_cast<long>(to), SEEK_SET) != 0 ||
            std::fwrite(buffer.data(), 1, got, file) != got) {
            break;
        }
        from += static_cast<std::int64_t>(got);
        to += static_cast<std::int64_t>(got);
    }
    std::fclose(file);
    std::error_code error;
    std::filesystem::resize_file(name, static_cast<std::uintmax_t>(to), error);
}

}  // namespace

WebFetcher::WebFetcher(OMAccess& access, UrlLoaderLimits limits)
    : access(access), urlLoader(limits) {}

int WebFetcher::accessWeb(const FSymbol& url, FetchRecord& record) {
    SymTab* table = access.giveSymTab();
    std::string text = table != nullptr ? table->giveName(url) : "";
    text = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
    urlLoader.clear();
    setCurrentUrl(text);
    const std::optional<std::string> address = simplifyUrl(text);
    if (!address) {
        centralErrorHandler().report(
            Error(5, 50, 2, "Unable", "Unable to access Web", "WebOMAccess::accessWeb", ""));
        return 0;
    }
    if (trace != 0) debugChannel() << "access  : " << *address << " ... ";
    if (!current.path.empty()) {
        record.fileName += "_" + current.path.substr(current.path.rfind('/') + 1);
    }
    if (!takeKept(*address, record) &&
        fetchDocument(*address, record.fileName, record.errors, record.scheme) == 0) {
        record.errors.emplace_back("\"internal error while accessing\"");
    }
    if (trace != 0) debugChannel() << " done " << std::endl;
    record.length = fileLength(record.fileName);
    if (trace != 0) {
        debugChannel() << "process : " << *address << "  (" << static_cast<int>(record.length)
                       << " bytes) ... ";
    }
    if (!urlLoader.lastFailure().empty()) {
        // What went wrong, rather than a connection that may well have been made.
        record.errors.push_back("\"" + urlLoader.lastFailure() + "\"");
    } else if (record.length == 0) {
        if (record.scheme != "file:") {
            record.errors.emplace_back("\"connect failed\"");
        } else if (std::error_code error;
                   !std::filesystem::exists(percentDecoded(current.path), error)) {
            record.errors.emplace_back("\"no such file\"");
        }
    }
    return 1;
}

int WebFetcher::fetchDocument(const std::string& address, const std::string& fileName,
                              std::vector<std::string>& messages, std::string& scheme) {
    if (address.empty() || fileName.empty()) return 0;
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        centralErrorHandler().report(
            Error(5, 100, 2, "CantWrite", "can't write to file : " + fileName, "WebOMAccess", ""));
        return 0;
    }
    const std::size_t before = messages.size();
    scheme = lowerCase(current.scheme);
    if (scheme.empty()) messages.emplace_back("\"no access scheme e.g. http defined\"");
    if (scheme != "http:" && scheme != "https:" && scheme != "file:" && scheme != "ftp:") {
        messages.push_back("\"access scheme " + scheme + " is not supported\"");
    }
    if (current.host.empty() && isWebScheme(scheme)) {
        messages.emplace_back("\"no host specified, unable to locate the server\"");
    }
    const std::string path = lowerCase(current.path);
    for (const RefusedExtension& refused : refusedExtensions) {
        if (endsWith(path, refused.extension)) messages.emplace_back(refused.message);
    }
    int result = 1;
    if (messages.size() == before) result = urlLoader.load(address, file);
    std::fclose(file);
    return result;
}

bool WebFetcher::fetchPart(const std::string& address, const std::string& fileName,
                           const std::string& keptFile) {
    const UrlParts document = current;
    urlLoader.clear();
    setCurrentUrl(address);
    if (trace != 0) debugChannel() << "access  : " << address << " ... ";
    FetchRecord record;
    record.fileName = fileName;
    const int loaded = fetchDocument(address, fileName, record.errors, record.scheme);
    record.length = fileLength(fileName);
    const bool came = loaded != 0 && record.errors.empty() && urlLoader.lastFailure().empty() &&
                      record.length > 0;
    if (came && !keptFile.empty()) {
        // The answer as a load of its own would see it, an error status included.
        std::error_code error;
        leftoverFiles::remember(keptFile);
        if (std::filesystem::copy_file(fileName, keptFile,
                                       std::filesystem::copy_options::overwrite_existing, error)) {
            kept[simplifyUrl(address).value_or(address)] = keptFile;
        } else {
            std::remove(keptFile.c_str());
            leftoverFiles::forget(keptFile);
        }
    }
    if (came && record.scheme != "file:") readHttpHeader(record);
    current = document;
    if (trace != 0) debugChannel() << " done " << std::endl;
    return loaded != 0 && record.errors.empty() && urlLoader.lastFailure().empty() &&
           record.length > 0;
}

void WebFetcher::forgetKept(const std::string& keptFile) {
    for (auto entry = kept.begin(); entry != kept.end();) {
        entry = entry->second == keptFile ? kept.erase(entry) : std::next(entry);
    }
    std::remove(keptFile.c_str());
    leftoverFiles::forget(keptFile);
}

bool WebFetcher::takeKept(const std::string& address, FetchRecord& record) {
    const auto entry = kept.find(address);
    if (entry == kept.end()) return false;
    const std::string file = entry->second;
    kept.erase(entry);
    std::error_code error;
    std::filesystem::rename(file, record.fileName, error);
    if (error) {
        error.clear();
        std::filesystem::copy_file(file, record.fileName,
                                   std::filesystem::copy_options::overwrite_existing, error);
        std::remove(file.c_str());
    }
    leftoverFiles::forget(file);
    if (error) return false;
    // What fetchDocument would have set: the answer came from this scheme without a refusal.
    record.scheme = lowerCase(current.scheme);
    return true;
}

void WebFetcher::readHttpHeader(FetchRecord& record) {
    std::ifstream in(record.fileName, std::ios::binary);
    std::string line;
    // A file without a status line (a local or FTP file) has no header to read.
    if (!std::getline(in, line) || lowerCase(line.substr(0, 5)) != "http/") return;
    std::vector<std::string> lines;
    std::int64_t headerSize = 0;
    do {
        headerSize += static_cast<std::int64_t>(line.size()) + (in.eof() ? 0 : 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) break;
        lines.push_back(lowerCase(line));
    } while (std::getline(in, line));
    in.close();
    record.length = static_cast<std::int32_t>(
        std::max<std::int64_t>(0, static_cast<std::int64_t>(record.length) - headerSize));
    const std::string& status = lines.front();
    const std::size_t blank = status.find(' ');
    const std::string statusText = blank == std::string::npos ? "" : status.substr(blank + 1);
    bool accepted = false;
    for (const char* code : acceptedStatus) {
        accepted = accepted || statusText.find(code) != std::string::npos;
    }
    if (!accepted) {
        record.errors.push_back("\"" + statusText + "\"");
        return;
    }
    for (const std::string& field : lines) {
        if (startsWith(field, "last-modified:")) {
            record.modif = "\"" + fieldValue(field, "last-modified:") + "\"";
        } else if (startsWith(field, "content-type:")) {
            record.type = "\"" + fieldValue(field, "content-type:") + "\"";
        }
    }
    dropLeadingBytes(record.fileName, headerSize);
}

InternalName& WebFetcher::normalizeUrl(InternalName& out, const std::string& link) {
    return access.nameFromString(out, resolveUrl(link, current), InternalName::String);
}
