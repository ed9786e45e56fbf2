// InternalDTD: a parsed DTD, as three lists of declarations in the order of the DTD text:
// element declarations, attribute-list declarations and subclass declarations. The mappings
// read the first list; the parser has attached the other two to it.
#pragma once

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "xml/DTDElemSpec.h"

class InternalDTD : public ManagedObject {
  public:
    InternalDTD() = default;
    InternalDTD(const InternalDTD&) = delete;
    InternalDTD& operator=(const InternalDTD&) = delete;

    const clib_list<DTDElemSpec*>& getList1() const { return elements; }
    const clib_list<DTDElemSpec*>& getList2() const { return attributeLists; }
    const clib_list<DTDElemSpec*>& getList3() const { return subclassLists; }
    // Each takes over the handle's reference to the declaration.
    void append1(Ref<DTDElemSpec> spec);
    void append2(Ref<DTDElemSpec> spec);
    void append3(Ref<DTDElemSpec> spec);

  protected:
    ~InternalDTD() override;

  private:
    clib_list<DTDElemSpec*> elements;
    clib_list<DTDElemSpec*> attributeLists;
    clib_list<DTDElemSpec*> subclassLists;
};
