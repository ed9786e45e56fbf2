/* The DTD grammar: element, attribute-list and subclass declarations between comments,
   processing instructions and empty declarations, read into an InternalDTD. The actions hand
   their parts to the DTDBuilder; the first syntax error ends the parse. */
%require "3.5"
%define api.pure full
%define api.prefix {DTD}
%define api.token.prefix {DTD_}
%parse-param {InternalDTDParser& parser}
%lex-param {InternalDTDParser& parser}

%code requires {
#include "xml/DTDBuilder.h"
class InternalDTDParser;
}

%code top {
/* Before the prefix's renaming macros, which would rename the parser's yylex and yyerror. */
#include "xml/InternalDTDParser.h"
}

%code {
#include <cstring>

/* The driver's stack: 200 entries, doubled as needed up to 10000. */
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

/* The driver calls these two under their plain names. */
#undef yylex
#undef yyerror
static int yylex(DTDSTYPE* value, InternalDTDParser& parser) {
    return parser.yylex(value);
}
static void yyerror(InternalDTDParser& parser, const char* message) {
    /* The driver knows two failures: a token no rule accepts, and a full stack. */
    parser.yyerror(std::strcmp(message, "memory exhausted") == 0 ? "parser stack overflow"
                                                                 : "parse error");
}
#define BUILD parser.builder()
}

%union {
    int code;
    char* text;
    const char* word;
    DTDPropSpecList* entries;
    DTDPropSpec* definition;
    DTDElemSpec* declaration;
    dtd::NameList* names;
    dtd::AttributeDefault* fallback;
}

%token DECLARATION_END 258 LPAREN 259 RPAREN 260 LBRACKET 261 RBRACKET 262 COMMENT 263
%token INSTRUCTION_OPEN 264 INSTRUCTION_END 265 EQUALS 266 PARAMETER 267
%token ELEMENT_OPEN 268 DOCTYPE_OPEN 269 COMMENT_OPEN 270 EMPTY_DECLARATION 271
%token ATTLIST_OPEN 272 SUBCLASS_OPEN 273 ENTITY_OPEN 274 NOTATION_OPEN 275
%token AND 276 OR 277 SEQUENCE 278 OPTIONAL 279 AT_LEAST_ONCE 280 REPEATED 281 MINUS 282
%token <word> OMIT 283
%token RPAREN_OPTIONAL 284 RPAREN_REPEATED 285 RPAREN_AT_LEAST_ONCE 286
%token INCLUSIONS 287 EXCLUSIONS 288 COLON 289
%token <word> CDATA 290 RCDATA 291 EMPTY 292 ANY 293
%token PCDATA 294
%token <word> SYSTEM 295 PUBLIC 296
%token HASH_NOTATION 297
%token <word> ENTITY 298 ENTITIES 299 ID 300 IDREF 301 IDREFS 302 NAME_KEYWORD 303 NAMES 304
%token <word> NMTOKEN 305 NMTOKENS 306 NUMBER 307 NUMBERS 308 NUTOKEN 309 NUTOKENS 310
%token <word> NOTATION 311 SDATA 312 PI 313 STARTTAG 314 ENDTAG 315 MS 316 MD 317 NDATA 318
%token <word> SUBDOC 319
%token FIXED 320 REQUIRED 321 CURRENT 322 CONREF 323 IMPLIED 324 DEFAULT 325
%token <text> NAME 326 LITERAL 327 TEXT 328

%type <text> name
%type <word> keyword content_keyword type_keyword
%type <code> occurrence group_end
%type <entries> group group_body sequence_body choice_body and_body member attributes
%type <declaration> content
%type <names> declared_names name_group name_list
%type <definition> attribute type
%type <fallback> default

%destructor { delete[] $$; } <text>
%destructor { dtd::release($$); } <entries> <definition> <declaration>
%destructor { delete $$; } <names> <fallback>

/* Every conflict is an error of the grammar. */
%expect 0

%%

dtd
    : %empty
    | dtd declaration
    ;

declaration
    : ELEMENT_OPEN declared_names minimisation content exceptions DECLARATION_END
                               { BUILD.elementDeclaration($2, $4); }
    | ATTLIST_OPEN declared_names attributes DECLARATION_END
                               { BUILD.attributeListDeclaration($2, $3); }
    | SUBCLASS_OPEN name name DECLARATION_END
                               { BUILD.subclassDeclaration($2, $3); }
    | COMMENT_OPEN DECLARATION_END
    | INSTRUCTION_OPEN texts INSTRUCTION_END
    | EMPTY_DECLARATION
    ;

texts
    : %empty
    | texts TEXT               { delete[] $2; }
    ;

/* A keyword or the minimisation letter stands for a name wherever a name may stand. */
name
    : NAME                     { $$ = $1; }
    | keyword                  { $$ = dtd::copyText($1); }
    ;

keyword
    : OMIT | CDATA | RCDATA | EMPTY | ANY | SYSTEM | PUBLIC | ENTITY | ENTITIES | ID | IDREF
    | IDREFS | NAME_KEYWORD | NAMES | NMTOKEN | NMTOKENS | NUMBER | NUMBERS | NUTOKEN
    | NUTOKENS | NOTATION | SDATA | PI | STARTTAG | ENDTAG | MS | MD | NDATA | SUBDOC
    ;

declared_names
    : name                     { $$ = BUILD.names($1); }
    | name_group               { $$ = $1; }
    ;

name_group
    : LPAREN name_list RPAREN  { $$ = $2; }
    ;

name_list
    : NAME                     { $$ = BUILD.names($1); }
    | name_list connector NAME { $$ = BUILD.addName($1, $3); }
    ;

connector
    : SEQUENCE | OR | AND
    ;

minimisation
    : %empty
    | omission omission
    ;

omission
    : MINUS | OMIT
    ;

content
    : content_keyword          { $$ = BUILD.keywordContent($1); }
    | group                    { $$ = BUILD.groupContent($1); }
    ;

content_keyword
    : CDATA | RCDATA | EMPTY | ANY
    ;

group
    : LPAREN group_body group_end
                               { $$ = BUILD.closeGroup($2, $3); }
    ;

group_end
    : RPAREN                   { $$ = dtd::once; }
    | RPAREN_OPTIONAL          { $$ = dtd::optional; }
    | RPAREN_REPEATED          { $$ = dtd::repeated; }
    | RPAREN_AT_LEAST_ONCE     { $$ = dtd::atLeastOnce; }
    ;

group_body
    : member                   { $$ = $1; }
    | sequence_body            { $$ = $1; }
    | choice_body              { $$ = $1; }
    | and_body                 { $$ = $1; }
    ;

/* One connector a group: "," and "&" add the members' bounds, "|" chooses between them. */
sequence_body
    : member SEQUENCE member   { $$ = BUILD.sequence($1, $3); }
    | sequence_body SEQUENCE member
                               { $$ = BUILD.sequence($1, $3); }
    ;

choice_body
    : member OR member         { $$ = BUILD.choice($1, $3); }
    | choice_body OR member    { $$ = BUILD.choice($1, $3); }
    ;

and_body
    : member AND member        { $$ = BUILD.sequence($1, $3); }
    | and_body AND member      { $$ = BUILD.sequence($1, $3); }
    ;

member
    : NAME occurrence          { $$ = BUILD.member($1, $2); }
    | PCDATA                   { $$ = BUILD.pcdataMember(); }
    | group                    { $$ = $1; }
    ;

occurrence
    : %empty                   { $$ = dtd::once; }
    | OPTIONAL                 { $$ = dtd::optional; }
    | REPEATED                 { $$ = dtd::repeated; }
    | AT_LEAST_ONCE            { $$ = dtd::atLeastOnce; }
    ;

/* Exclusions come before inclusions; neither changes the model. */
exceptions
    : %empty
    | EXCLUSIONS name_list RPAREN
                               { delete $2; }
    | INCLUSIONS name_list RPAREN
                               { delete $2; }
    | EXCLUSIONS name_list RPAREN INCLUSIONS name_list RPAREN
                               { delete $2; delete $5; }
    ;

attributes
    : %empty                   { $$ = new DTDPropSpecList(); }
    | attributes attribute     { $$ = BUILD.addAttribute($1, $2); }
    ;

attribute
    : name type default        { $$ = BUILD.attribute($1, $2, $3); }
    ;

type
    : type_keyword             { $$ = BUILD.attributeType($1); }
    | name_group               { $$ = BUILD.enumeration($1, ""); }
    | NOTATION name_group      { $$ = BUILD.enumeration($2, $1); }
    ;

type_keyword
    : CDATA | ID | IDREF | IDREFS | NMTOKEN | NMTOKENS | ENTITY | ENTITIES | NAME_KEYWORD
    | NAMES | NUMBER | NUMBERS | NUTOKEN | NUTOKENS
    ;

default
    : LITERAL                  { $$ = BUILD.literalDefault($1, "default"); }
    | name                     { $$ = BUILD.nameDefault($1); }
    | FIXED LITERAL            { $$ = BUILD.literalDefault($2, "fixed"); }
    | REQUIRED                 { $$ = BUILD.keywordDefault(1); }
    | IMPLIED                  { $$ = BUILD.keywordDefault(0); }
    | CURRENT                  { $$ = BUILD.keywordDefault(-1); }
    | CONREF                   { $$ = BUILD.keywordDefault(-1); }
    ;

%%
