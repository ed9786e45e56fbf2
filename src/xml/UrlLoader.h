// UrlLoader: loads the document of a URL into an open file, over HTTP, HTTPS and FTP through
// libcurl, and from local files itself, within limits of time and size.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// The bounds of one load. A server that stalls or never ends would otherwise hang the shell or
// fill the disk; the defaults are generous for real pages, tests lower them.
struct UrlLoaderLimits {
    std::chrono::milliseconds connectTimeout{30'000};
    // A transfer slower than lowSpeedBytes a second for lowSpeedSeconds is abandoned.
    long lowSpeedBytes = 1;
    long lowSpeedSeconds = 60;
    std::chrono::milliseconds transferTimeout{600'000};
    // Counts the body, and the header of a fetched page as well.
    std::int64_t maxBytes = std::int64_t{256} * 1024 * 1024;
    long maxRedirects = 10;
};

class UrlLoader {
  public:
    explicit UrlLoader(UrlLoaderLimits limits = {});
    ~UrlLoader();
    UrlLoader(const UrlLoader&) = delete;
    UrlLoader& operator=(const UrlLoader&) = delete;

    // Forgets everything the previous load set, so the next starts afresh.
    void clear();

    // Writes the document of the address into the file and answers 1, or 0 when the load failed
    // or was abandoned (the file may then hold a part). Blocks until done; prints nothing.
    // For "http:" and "https:" the file receives the final response's status line and header
    // lines, each ended by "\r\n", an empty line, then the body. "file:///p",
    // "file://localhost/p" and "file:p" copy the local file p (%XX decoded); a file URL with
    // another host is not loaded. A raised interrupt flag abandons the load.
    int load(const std::string& address, std::FILE* file);

    // Why the last network load failed, in words ("too many redirects", "document larger than
    // 268435456 bytes", ...); empty after a success, a local file or an interrupt.
    const std::string& lastFailure() const { return failure; }

    const UrlLoaderLimits& limits() const { return bounds; }
    void setLimits(const UrlLoaderLimits& limits) { bounds = limits; }

  private:
    int loadLocalFile(const std::string& address, std::FILE* file) const;
    int loadRemote(const std::string& address, std::FILE* file);

    // The libcurl easy handle, made at the first network load; void keeps libcurl's header out of every includer.
    void* handle = nullptr;
    UrlLoaderLimits bounds;
    std::string failure;
};
