// Loading URLs into files: libcurl for the network schemes, a plain copy for local files.
#include "xml/UrlLoader.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/InterruptFlag.h"
#include "xml/UrlText.h"

namespace {

// libcurl, opened the first time a network address is loaded. Linked at start, the library and
// the TLS, LDAP, SSH and Kerberos libraries it needs cost every run about 9 ms of relocations,
// a third of the start of a run that never leaves the disk; a run that does load a URL pays
// them once, at its first. The functions are declared by libcurl's own header, so a call
// through them is checked against its prototype.
struct LibCurl {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_reset) easyReset = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    // Why the library could not be opened; empty when every function was found.
    std::string missing;
};

template <class Function>
bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Opened once per process and never closed: handles made from it live until the end.
const LibCurl& libCurl() {
    static const LibCurl library = [] {
        LibCurl opened;
        // The name of libcurl's binary interface, stable since version 7.16.
        void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            opened.missing = why != nullptr ? why : "libcurl.so.4 cannot be opened";
            return opened;
        }
        const bool found = resolve(handle, "curl_global_init", opened.globalInit) &&
                           resolve(handle, "curl_easy_init", opened.easyInit) &&
                           resolve(handle, "curl_easy_cleanup", opened.easyCleanup) &&
                           resolve(handle, "curl_easy_reset", opened.easyReset) &&
                           resolve(handle, "curl_easy_setopt", opened.easySetopt) &&
                           resolve(handle, "curl_easy_perform", opened.easyPerform) &&
                           resolve(handle, "curl_easy_getinfo", opened.easyGetinfo) &&
                           resolve(handle, "curl_easy_strerror", opened.easyStrerror);
        if (!found) {
            opened.missing = "libcurl.so.4 lacks a function it should have";
            return opened;
        }
        opened.globalInit(CURL_GLOBAL_DEFAULT);
        return opened;
    }();
    return library;
}

// What the callbacks of one network load share.
struct Transfer {
    CURL* handle;
    std::FILE* file;
    std::int64_t maxBytes;
    // The header of the response being received; a new status line starts it again, so that
    // only the final response's header (after redirects and "100 Continue") reaches the file.
    std::string header;
    bool inHeader = false;
    bool bodyStarted = false;
    std::int64_t written = 0;
};

bool startsWithHttpVersion(const std::string& line) {
    return lowerCase(line.substr(0, 5)) == "http/";
}

// The scheme of the URL answering now: after a redirect it may be other than the one asked for.
bool answeringOverHttp(CURL* handle) {
    const char* scheme = nullptr;
    return libCurl().easyGetinfo(handle, CURLINFO_SCHEME, &scheme) == CURLE_OK &&
           scheme != nullptr && isWebScheme(std::string(scheme) + ":");
}

bool writeOut(Transfer& transfer, const char* data, std::size_t size) {
    transfer.written += static_cast<std::int64_t>(size);
    if (transfer.written > transfer.maxBytes) return false;
    return std::fwrite(data, 1, size, transfer.file) == size;
}

// Puts the kept header into the file once, before the first byte of the body.
bool flushHeader(Transfer& transfer) {
    if (transfer.bodyStarted) return true;
    transfer.bodyStarted = true;
    if (transfer.header.empty() || !answeringOverHttp(transfer.handle)) return true;
    return writeOut(transfer, transfer.header.data(), transfer.header.size());
}

std::size_t onHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer.bodyStarted) return bytes;  // trailers of a chunked body
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (startsWithHttpVersion(line)) {
        transfer.header = line + "\r\n";
        transfer.inHeader = true;
    } else if (!transfer.inHeader) {
        // A reply line of another protocol (FTP after a redirect): no HTTP header applies.
        transfer.header.clear();
    } else {
        transfer.header += line + "\r\n";
        if (line.empty()) transfer.inHeader = false;
    }
    return static_cast<std::int64_t>(transfer.header.size()) > transfer.maxBytes ? 0 : bytes;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (interruptFlag != 0) return 0;
    if (!flushHeader(transfer) || !writeOut(transfer, data, bytes)) return 0;
    return bytes;
}

// libcurl calls it at least once a second, also while nothing arrives.
int onProgress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return interruptFlag != 0 ? 1 : 0;
}

// The local path a file URL names, or nothing when it names another host.
bool localPath(const std::string& address, std::string& path) {
    std::string rest = address.substr(std::string("file:").size());
    rest = rest.substr(0, rest.find('#'));
    if (rest.compare(0, 2, "//") == 0) {
        const std::size_t slash = rest.find('/', 2);
        const std::string host = rest.substr(2, slash == std::string::npos ? slash : slash - 2);
        if (!host.empty() && lowerCase(host) != "localhost") return false;
        rest = slash == std::string::npos ? "" : rest.substr(slash);
    }
    path = percentDecoded(rest);
    return !path.empty();
}

}  // namespace

UrlLoader::UrlLoader(UrlLoaderLimits limits) : bounds(limits) {}

UrlLoader::~UrlLoader() {
    // A handle exists only once the library was opened.
    if (handle != nullptr) libCurl().easyCleanup(static_cast<CURL*>(handle));
}

void UrlLoader::clear() {
    if (handle != nullptr) libCurl().easyReset(static_cast<CURL*>(handle));
    failure.clear();
}

int UrlLoader::load(const std::string& address, std::FILE* file) {
    failure.clear();
    if (file == nullptr || interruptFlag != 0) return 0;
    if (lowerCase(splitUrl(address).scheme) == "file:") return loadLocalFile(address, file);
    return loadRemote(address, file);
}

int UrlLoader::loadLocalFile(const std::string& address, std::FILE* file) const {
    std::string path;
    if (!localPath(address, path)) return 0;
    std::error_code error;
    // Only regular files: a pipe or a device could block or never end.
    if (!std::filesystem::is_regular_file(path, error)) return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::vector<char> buffer(64 * 1024);
    std::int64_t copied = 0;
    while (in) {
        if (interruptFlag != 0) return 0;
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        copied += static_cast<std::int64_t>(got);
        if (copied > bounds.maxBytes) return 0;
        if (std::fwrite(buffer.data(), 1, got, file) != got) return 0;
    }
    return in.bad() ? 0 : 1;
}

int UrlLoader::loadRemote(const std::string& address, std::FILE* file) {
    const LibCurl& lib = libCurl();
    if (!lib.missing.empty()) {
        failure = lib.missing;
        return 0;
    }
    if (handle == nullptr) handle = lib.easyInit();
    auto* curl = static_cast<CURL*>(handle);
    if (curl == nullptr) return 0;
    Transfer transfer{curl, file, bounds.maxBytes, {}};
    lib.easySetopt(curl, CURLOPT_URL, address.c_str());
    lib.easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib.easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    lib.easySetopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    lib.easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    lib.easySetopt(curl, CURLOPT_MAXREDIRS, bounds.maxRedirects);
    lib.easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    lib.easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(bounds.connectTimeout.count()));
    lib.easySetopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(bounds.transferTimeout.count()));
    lib.easySetopt(curl, CURLOPT_LOW_SPEED_LIMIT, bounds.lowSpeedBytes);
    lib.easySetopt(curl, CURLOPT_LOW_SPEED_TIME, bounds.lowSpeedSeconds);
    lib.easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bounds.maxBytes));
    lib.easySetopt(curl, CURLOPT_HEADERFUNCTION, onHeaderLine);
    lib.easySetopt(curl, CURLOPT_HEADERDATA, &transfer);
    lib.easySetopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    lib.easySetopt(curl, CURLOPT_WRITEDATA, &transfer);
    lib.easySetopt(curl, CURLOPT_NOPROGRESS, 0L);
    lib.easySetopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    // A reply without a body still brings its header.
    const CURLcode code = lib.easyPerform(curl);
    const bool loaded = code == CURLE_OK && flushHeader(transfer);
    if (code != CURLE_OK && interruptFlag == 0) {
        switch (code) {
            case CURLE_TOO_MANY_REDIRECTS:
                failure = "too many redirects";
                break;
            case CURLE_FILESIZE_EXCEEDED:
                failure = "document larger than " + std::to_string(bounds.maxBytes) + " bytes";
                break;
            case CURLE_WRITE_ERROR:
                failure = transfer.written > transfer.maxBytes
                              ? "document larger than " + std::to_string(bounds.maxBytes) + " bytes"
                              : "cannot write the document";
                break;
            case CURLE_OPERATION_TIMEDOUT:
                failure = "no data within the time limit";
                break;
            case CURLE_COULDNT_CONNECT:
                failure = "connection refused";
                break;
            case CURLE_COULDNT_RESOLVE_HOST:
                failure = "unknown host";
                break;
            case CURLE_GOT_NOTHING:
                failure = "empty reply from server";
                break;
            case CURLE_UNSUPPORTED_PROTOCOL:
                failure = "redirected to a scheme that is not fetched";
                break;
            default:
                failure = lib.easyStrerror(code);
                break;
        }
    }
    // Callbacks must not outlive the transfer they point into.
    lib.easyReset(curl);
    return loaded && std::fflush(file) == 0 ? 1 : 0;
}
