// The operator base: names, keys, records, the shared debug flag and the shared debug texts.
#include "compile/Operator.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"

std::int32_t Operator::debugFlag = 0;

Operator::Operator(std::string typeName, int arity, const clib_list<FSymbol>& variables)
    : typeName(std::move(typeName)),
      arity(arity),
      variables(variables),
      kindValue(kindOf(this->typeName)) {}

Operator::Operator(std::string typeName, int arity)
    : typeName(std::move(typeName)), arity(arity), kindValue(kindOf(this->typeName)) {}

OperatorKind Operator::kindOf(const std::string& typeName) {
    if (typeName == "pi") return OperatorKind::Projection;
    if (typeName == "multipi") return OperatorKind::MultiProjection;
    if (typeName == "merge") return OperatorKind::Join;
    return OperatorKind::Other;
}

Operator::~Operator() {
    for (int* record : records) delete[] record;
}

void Operator::setRecords(const clib_list<int*>& newRecords) {
    for (int* record : records) delete[] record;
    records = newRecords;
}

void setOperatorDebug() {
    Operator::debugFlag = 1;
}

void clearOperatorDebug() {
    Operator::debugFlag = 0;
}

void Operator::printContents(int number, Operand* operand, OMAccess* access) {
    OutputChannel& out = debugChannel();
    out << "contents of op#" << number << std::endl;
    operand->printLexical(out, access);
    out << std::endl;
}

void Operator::printResult(Operand* result, OMAccess* access) {
    OutputChannel& out = debugChannel();
    out << "RESULT : " << std::endl;
    result->printLexical(out, access);
}
