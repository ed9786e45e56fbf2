// Test helpers that run the parser application with argument vectors of the import's form.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "xml/NsgmlWrapper.h"
#include "xml/XmlDeclaration.h"

namespace nsgmltest {

inline std::filesystem::path dataDir() {
    return std::filesystem::path(QUORIN_SOURCE_DIR) / "tests" / "xml" / "data";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Replaces every occurrence of the test-data folder by "DATA", so streams naming files compare.
inline std::string maskDataDir(std::string text) {
    const std::string dir = dataDir().string();
    for (size_t at = text.find(dir); at != std::string::npos; at = text.find(dir, at)) {
        text.replace(at, dir.size(), "DATA");
    }
    return text;
}

struct RunResult {
    int status;
    std::string stream;
    std::string errors;
};

// A scratch folder with the error file, the stream file and the import's catalog file.
class ParseRun {
  public:
    ParseRun() {
        char pattern[] = "/tmp/quorin-esis-XXXXXX";
        dir = mkdtemp(pattern);
        writeFile(catalog(), "\n\n\n\n");  // a catalog whose four entries were never set
    }
    ~ParseRun() { std::filesystem::remove_all(dir); }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    std::filesystem::path path(const std::string& name) const { return dir / name; }
    std::filesystem::path catalog() const { return path("catalog.flc"); }
    std::string errorFile() const { return path("errors").string(); }
    std::string streamFile() const { return path("stream").string(); }

    // The import's vector for an XML or SGML document, with further options before the files.
    std::vector<std::string> xmlArgs(const std::string& document,
                                     const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> args{"  ",   "-f" + errorFile(),
                                      "-E0",  std::string("-c") + builtinXmlCatalog,
                                      "-oid", "-wxml"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(catalog().string());
        args.push_back(document);
        return args;
    }
    // The import's vector for an HTML page: "-c" three times, so the catalog file is a catalog.
    std::vector<std::string> htmlArgs(const std::string& document) const {
        return {"  ", "-f" + errorFile(), "-E0", "-c", "-c", "-c", catalog().string(), document};
    }

    RunResult run(NsgmlWrapper& wrapper, std::vector<std::string> args) const {
        std::filesystem::remove(errorFile());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int status = wrapper.run(static_cast<int>(args.size()), argv.data());
        return {status, readFile(streamFile()), readFile(errorFile())};
    }
    RunResult run(std::vector<std::string> args) const {
        NsgmlWrapper wrapper;
        std::string out = streamFile();
        wrapper.setOutputFile(out.c_str());
        return run(wrapper, std::move(args));
    }

  private:
    std::filesystem::path dir;
};

// Sends standard output to a file for as long as it lives.
class StdoutCapture {
  public:
    explicit StdoutCapture(const std::string& file) : file(file) {
        std::fflush(stdout);
        saved = dup(1);
        sink = std::fopen(file.c_str(), "w");
        dup2(fileno(sink), 1);
    }
    ~StdoutCapture() { restore(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Puts standard output back and answers what was written meanwhile.
    std::string text() {
        restore();
        return readFile(file);
    }

  private:
    void restore() {
        if (saved >= 0) {
            std::fflush(stdout);
            dup2(saved, 1);
            close(saved);
            std::fclose(sink);
            saved = -1;
        }
    }
    std::string file;
    int saved = -1;
    FILE* sink = nullptr;
};

}  // namespace nsgmltest
