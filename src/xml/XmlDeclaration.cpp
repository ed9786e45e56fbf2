// The SGML declaration under which documents are parsed as XML, built into the program.
#include "xml/XmlDeclaration.h"

#include <string_view>

#ifdef QUORIN_XML_CATALOG
static_assert(std::string_view(QUORIN_XML_CATALOG) == builtinXmlCatalog);
#endif

const char* builtinXmlCatalogText() {
    return "SGMLDECL \"<BUILTIN>xml-declaration\"\n";
}

// The character numbers are decimal. NAMESTRT lists the name start characters beyond the
// letters, NAMECHAR the further name characters beyond the digits (letters and digits are name
// characters in every declaration). The rest follows the declaration the SGML standard's
// annex for XML gives.
const char* builtinXmlDeclarationText() {
    return R"dcl(<!SGML "ISO 8879:1986 (WWW)"
     CHARSET
         BASESET
             "ISO Registration Number 177//CHARSET
              ISO/IEC 10646-1:1993 UCS-4 with implementation
              level 3//ESC 2/5 2/15 4/6"
         DESCSET
                 0        9  UNUSED
                 9        2       9
                11        2  UNUSED
                13        1      13
                14       18  UNUSED
                32    55264      32
             55296     2048  UNUSED
             57344     8190   57344
             65534        2  UNUSED
             65536  1048576   65536
     CAPACITY NONE
     SCOPE DOCUMENT
     SYNTAX
         SHUNCHAR NONE
         BASESET "ISO Registration Number 177//CHARSET
                  ISO/IEC 10646-1:1993 UCS-4 with implementation
                  level 3//ESC 2/5 2/15 4/6"
         DESCSET
             0 1114112 0
         FUNCTION
             RE    13
             RS    10
             SPACE 32
             TAB   SEPCHAR 9
         NAMING
             LCNMSTRT ""
             UCNMSTRT ""
             NAMESTRT
                 58 95 192-214 216-246 248-767 880-893 895-8191
                 8204-8205 8304-8591 11264-12271 12289-55295
                 63744-64975 65008-65533 65536-983039
             LCNMCHAR ""
             UCNMCHAR ""
             NAMECHAR
                 45-46 183 768-879 8255-8256
             NAMECASE
                 GENERAL NO
                 ENTITY  NO
         DELIM
             GENERAL  SGMLREF
             HCRO     "&#38;#x"
             NESTC    "/"
             NET      ">"
             PIC      "?>"
             SHORTREF NONE
         NAMES
             SGMLREF
         QUANTITY
             NONE
         ENTITIES
             "amp"  38
             "lt"   60
             "gt"   62
             "quot" 34
             "apos" 39
     FEATURES
         MINIMIZE
             DATATAG NO
             OMITTAG NO
             RANK    NO
             SHORTTAG
                 STARTTAG
                     EMPTY    NO
                     UNCLOSED NO
                     NETENABL IMMEDNET
                 ENDTAG
                     EMPTY    NO
                     UNCLOSED NO
                 ATTRIB
                     DEFAULT  YES
                     OMITNAME NO
                     VALUE    NO
             EMPTYNRM  YES
             IMPLYDEF
                 ATTLIST  NO
                 DOCTYPE  NO
                 ELEMENT  NO
                 ENTITY   NO
                 NOTATION NO
         LINK
             SIMPLE   NO
             IMPLICIT NO
             EXPLICIT NO
         OTHER
             CONCUR   NO
             SUBDOC   NO
             FORMAL   NO
             URN      NO
             KEEPRSRE YES
             VALIDITY TYPE
             ENTITIES
                 REF      ANY
                 INTEGRAL YES
     APPINFO NONE
     SEEALSO "ISO 8879//NOTATION Extensible Markup Language (XML) 1.0//EN"
>
)dcl";
}
