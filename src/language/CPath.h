// CPath, the base of every term that has a host: path steps and molecules.
#pragma once

#include "language/Path.h"

class CPath : public Path {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::CPath;
    bool isA(const std::string& className) const override;
    // The same class and a deep-equal host.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By host.
    int compareSameClass(const ParseTreeNode& other) const override;
    // The host's start kind.
    int startKind() const override;
    // Replaces the start of the host's path, or the host itself when it is a single term.
    void replaceStart(Path* start) override;

    Path* getHost() const { return host.get(); }
    // Takes a reference to the new host and releases the old one.
    void setHost(Path* newHost);

  protected:
    // Takes a reference to the host; a null host is reported (CPathConstructor) and kept.
    CPath(ParseTreeClass kind, Path* host);
    // Clones the host.
    CPath(const CPath& other);
    ~CPath() override;

  private:
    Ref<Path> host;
};
