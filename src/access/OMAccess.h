// OMAccess: the shell-visible access layer over the object base; for now its attachment to the
// object manager and the part the object manager calls back into, the name-mapping dictionary.
#pragma once

#include <string>

#include "foundation/FLSysObject.h"
#include "foundation/clib_dictionary.h"
#include "objectbase/InternalName.h"
#include "objectbase/NameRemapListener.h"

class OM;

class OMAccess : public FLSysObject, public NameRemapListener {
  public:
    // Takes a reference to the object manager (null allowed) and registers itself with it, so
    // that the manager can hand on the names it rewrites.
    explicit OMAccess(OM* om = nullptr);
    OMAccess(const OMAccess&) = delete;
    OMAccess& operator=(const OMAccess&) = delete;
    // Withdraws its registration when it is still the manager's access layer, so the manager
    // never calls into a destroyed one, then releases the manager.
    ~OMAccess() override;

    // "anOMAccess".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // The attached object manager; null when there is none.
    virtual OM* om() const { return attachedOM; }

    // True when the name has an entry in the name-mapping dictionary.
    virtual bool isMapped(const InternalName& name) const;
    // The name the entry maps to; the name itself when it has none.
    virtual InternalName mappedName(const InternalName& name) const;
    // Moves the entry of oldName, if there is one, to the key rep (replacing rep's own entry);
    // without an entry for oldName nothing happens. The object manager calls it for every pair
    // of names it rewrites while it applies equalities.
    void remapName(InternalName oldName, InternalName rep) override;

  protected:
    // A name with an entry stands for the name it maps to.
    clib_dictionary<InternalName, InternalName> nameMap;

  private:
    OM* attachedOM;
};
