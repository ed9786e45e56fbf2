// FLSysOStream, the shell's reference-counted output stream, and FLSysOStreamImpl, which writes
// to a standard stream, a file stream or a string stream.
#pragma once

#include <ios>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "foundation/FLSysObject.h"

class FLSysOStream : public FLSysObject {
  public:
    ~FLSysOStream() override = default;

    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // The wrapped standard stream; null when there is none.
    virtual std::ostream* stream() const = 0;

    // Each output operation writes its value to the wrapped stream and returns this object.
    virtual FLSysOStream& operator<<(const std::string& value) = 0;
    virtual FLSysOStream& operator<<(std::ios_base& (*manipulator)(std::ios_base&)) = 0;
    virtual FLSysOStream& operator<<(std::ostream& (*manipulator)(std::ostream&)) = 0;
    virtual FLSysOStream& operator<<(std::streambuf* buffer) = 0;
    virtual FLSysOStream& operator<<(const void* pointer) = 0;
    virtual FLSysOStream& operator<<(unsigned long value) = 0;
    virtual FLSysOStream& operator<<(unsigned int value) = 0;
    virtual FLSysOStream& operator<<(unsigned short value) = 0;
    virtual FLSysOStream& operator<<(char value) = 0;
    virtual FLSysOStream& operator<<(double value) = 0;
    virtual FLSysOStream& operator<<(float value) = 0;
    virtual FLSysOStream& operator<<(long value) = 0;
    virtual FLSysOStream& operator<<(int value) = 0;
    virtual FLSysOStream& operator<<(short value) = 0;
    // Written as a character, like char.
    virtual FLSysOStream& operator<<(unsigned char value) = 0;
    virtual FLSysOStream& operator<<(const char* text) = 0;

  protected:
    FLSysOStream() = default;
};

// Reports once that the stream over the named file failed to write ("Can't write to " and the
// name).
void reportStreamWriteFailure(const std::string& fileName);

// S is std::ostream, std::ofstream, std::ostringstream or another output stream class. An object
// handed its stream owns it and destroys it (closing a file) when it goes itself; one given a
// plain pointer borrows a stream that outlives it.
template <class S = std::ostream>
class FLSysOStreamImpl : public FLSysOStream {
  public:
    explicit FLSysOStreamImpl(S* borrowed) : out(borrowed) {}
    explicit FLSysOStreamImpl(std::unique_ptr<S> stream)
        : held(std::move(stream)), out(held.get()) {}
    FLSysOStreamImpl(const FLSysOStreamImpl&) = delete;
    FLSysOStreamImpl& operator=(const FLSysOStreamImpl&) = delete;

    bool isOk() const override { return out != nullptr; }
    bool isA(const std::string& className) const override {
        return className == "FLSysOStreamImpl" || FLSysOStream::isA(className);
    }

    std::ostream* stream() const override { return out; }
    // A stream over a file the user opened: its first failed write (a full disk) is reported
    // with the file's name, not ignored; later ones are not reported again. Where others report
    // the same file's failures too, `reported` is the flag they share (it must outlive the
    // stream).
    void reportWriteFailuresAs(std::string fileName, bool* reported = nullptr) {
        target = std::move(fileName);
        if (reported != nullptr) failureReported = reported;
    }
    // The stream with its own type, for callers that made it.
    S* typedStream() const { return out; }

    FLSysOStream& operator<<(const std::string& value) override { return put(value); }
    FLSysOStream& operator<<(std::ios_base& (*manipulator)(std::ios_base&)) override {
        return put(manipulator);
    }
    FLSysOStream& operator<<(std::ostream& (*manipulator)(std::ostream&)) override {
        return put(manipulator);
    }
    FLSysOStream& operator<<(std::streambuf* buffer) override {
        // A null buffer would set the stream's bad bit, and an exhausted one its fail bit: either
        // would silence the stream for good, so neither may leave a mark on a good stream.
        if (buffer == nullptr || out == nullptr) return *this;
        const bool wasGood = out->good();
        put(buffer);
        if (wasGood && !out->bad()) out->clear(out->rdstate() & ~std::ios_base::failbit);
        return *this;
    }
    FLSysOStream& operator<<(const void* pointer) override { return put(pointer); }
    FLSysOStream& operator<<(unsigned long value) override { return put(value); }
    FLSysOStream& operator<<(unsigned int value) override { return put(value); }
    FLSysOStream& operator<<(unsigned short value) override { return put(value); }
    FLSysOStream& operator<<(char value) override { return put(value); }
    FLSysOStream& operator<<(double value) override { return put(value); }
    FLSysOStream& operator<<(float value) override { return put(value); }
    FLSysOStream& operator<<(long value) override { return put(value); }
    FLSysOStream& operator<<(int value) override { return put(value); }
    FLSysOStream& operator<<(short value) override { return put(value); }
    FLSysOStream& operator<<(unsigned char value) override { return put(static_cast<char>(value)); }
    FLSysOStream& operator<<(const char* text) override {
        // A null C string would set the stream's bad bit; it writes nothing instead.
        return text != nullptr ? put(text) : *this;
    }

    ~FLSysOStreamImpl() override {
        if (out != nullptr && !target.empty()) {
            out->flush();
            checkWrite();
        }
    }

  private:
    template <class V>
    FLSysOStream& put(const V& value) {
        if (out != nullptr) {
            static_cast<std::ostream&>(*out) << value;
            checkWrite();
        }
        return *this;
    }

    void checkWrite() {
        if (target.empty() || *failureReported || !out->bad()) return;
        *failureReported = true;
        reportStreamWriteFailure(target);
    }

    std::unique_ptr<S> held;  // empty when the stream is borrowed
    S* out;
    std::string target;  // empty: failures are not reported
    bool ownFailureReported = false;
    bool* failureReported = &ownFailureReported;
};
