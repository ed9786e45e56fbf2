// The embedded Perl interpreter and the handles on its values: the only file that sees Perl.
#include "access/wPerl.h"

#include <locale.h>

#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "access/PerlGlue.h"
#include "access/PerlPatternText.h"

// clang-format off
#include <EXTERN.h>
#include <perl.h>
// clang-format on

EXTERN_C void boot_DynaLoader(pTHX_ CV* cv);

namespace {

wPerl* currentPerl = nullptr;
bool creationFailed = false;

void registerDynaLoader(pTHX) {
    newXS("DynaLoader::boot_DynaLoader", boot_DynaLoader, __FILE__);
}

// Perl takes its locale from the environment when an interpreter is made; the rest of the
// system runs under the locale it had before, for the process and for this thread.
class LocaleGuard {
  public:
    LocaleGuard() : threadLocale(uselocale(static_cast<locale_t>(0))) {
        const char* current = std::setlocale(LC_ALL, nullptr);
        if (current != nullptr) processLocale = current;
    }
    ~LocaleGuard() {
        // Perl may have given this thread a locale object of its own; it stays alive (kept
        // here) in case Perl still refers to it.
        const locale_t perlLocale = uselocale(threadLocale);
        if (perlLocale != threadLocale && perlLocale != LC_GLOBAL_LOCALE)
            perlLocales().push_back(perlLocale);
        if (!processLocale.empty()) std::setlocale(LC_ALL, processLocale.c_str());
    }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

  private:
    static std::vector<locale_t>& perlLocales() {
        static auto* objects = new std::vector<locale_t>();
        return *objects;
    }

    locale_t threadLocale;
    std::string processLocale;
};

// The current interpreter, made the context of this thread; null when there is none. Handles
// always belong to it.
PerlInterpreter* currentContext() {
    wPerl* perl = wPerl::current();
    PerlInterpreter* native = perl != nullptr ? perl->nativeInterpreter() : nullptr;
    if (native != nullptr) PERL_SET_CONTEXT(native);
    return native;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// wPerl

std::unique_ptr<wPerl> wPerl::create() {
    std::unique_ptr<wPerl> perl(new wPerl());
    const bool becomesCurrent = currentPerl == nullptr;
    if (becomesCurrent) currentPerl = perl.get();
    if (!perl->start()) return nullptr;  // its end clears currentPerl
    return perl;
}

wPerl* wPerl::current() {
    if (currentPerl == nullptr && !creationFailed) {
        // Made once and never destroyed: the interpreter serves the run to its end.
        wPerl* made = create().release();
        // An interpreter Perl could not allocate is as good as none, for the rest of the run.
        if (made == nullptr || !made->hasInterpreter()) creationFailed = true;
    }
    return creationFailed ? nullptr : currentPerl;
}

bool wPerl::start() {
    static bool systemReady = false;
    if (!systemReady) {
        static int argc = 0;
        static char* argvStorage[] = {nullptr};
        static char** argv = argvStorage;
        static char* envStorage[] = {nullptr};
        static char** env = envStorage;
        PERL_SYS_INIT3(&argc, &argv, &env);
        systemReady = true;
    }
    LocaleGuard locale;
    interpreter = perl_alloc();
    if (interpreter == nullptr) return true;
    dTHXa(interpreter);
    PERL_SET_CONTEXT(my_perl);
    perl_construct(my_perl);
    PL_exit_flags |= PERL_EXIT_DESTRUCT_END;
    // Perl keeps the argument vector and writes into it (assigning $0 does), so every
    // interpreter has one of its own, living as long as it does.
    arguments = {"embedded_perl", "-e", perlGlueText};
    argumentVector.clear();
    for (std::string& argument : arguments) argumentVector.push_back(argument.data());
    argumentVector.push_back(nullptr);
    if (perl_parse(my_perl, registerDynaLoader, 3, argumentVector.data(), nullptr) != 0)
        return false;
    if (perl_run(my_perl) != 0) return false;
    for (const char* subroutine : perlGlueSubroutines) {
        const std::string full = std::string("ExtUtils::Embed::Glue::") + subroutine;
        CV* code = get_cv(full.c_str(), 0);
        if (code == nullptr) return false;
        const std::string_view short_name = subroutine;
        if (short_name == "t_eval") tEval = code;
        if (short_name == "t_pos") tPos = code;
        if (short_name == "t_compile_find") tCompileFind = code;
    }
    return true;
}

wPerl::~wPerl() {
    if (interpreter != nullptr && !keepAlive) {
        LocaleGuard locale;
        dTHXa(interpreter);
        PERL_SET_CONTEXT(my_perl);
        perl_destruct(my_perl);
        perl_free(my_perl);
    }
    if (currentPerl == this) {
        currentPerl = nullptr;
    } else if (currentPerl != nullptr && currentPerl->interpreter != nullptr) {
        PERL_SET_CONTEXT(currentPerl->interpreter);
    }
}

wScalar wPerl::eval(const char* code) {
    if (interpreter == nullptr || code == nullptr) return wScalar();
    // What the program wrote before goes out before what the code prints, and what the code
    // prints goes out before the program writes on: both share the standard output.
    std::cout.flush();
    std::fflush(stdout);
    dTHXa(interpreter);
    PERL_SET_CONTEXT(my_perl);
    dSP;
    ENTER;
    SAVETMPS;
    PUSHMARK(SP);
    XPUSHs(sv_2mortal(newSVpv(code, 0)));
    PUTBACK;
    // t_eval traps errors itself; G_KEEPERR keeps its $@ for the test below.
    const int count = call_sv(reinterpret_cast<SV*>(tEval), G_SCALAR | G_EVAL | G_KEEPERR);
    SPAGAIN;
    SV* value = count == 1 ? POPs : nullptr;
    wScalar result;
    if (SvTRUE(ERRSV)) {
        PerlIO_printf(PerlIO_stderr(), "eval '%s' failed: %s\n", code, SvPV_nolen(ERRSV));
        PerlIO_flush(PerlIO_stderr());
    } else if (value != nullptr) {
        result = wScalar::adopt(newSVsv(value));
    }
    PUTBACK;
    FREETMPS;
    LEAVE;
    PerlIO_flush(PerlIO_stdout());
    return result;
}

wArray wPerl::getArray(const char* name, int create) {
    dTHXa(currentContext());
    if (my_perl == nullptr || name == nullptr) return wArray(nullptr);
    AV* array = get_av(name, create == 1 ? GV_ADD : 0);
    if (array == nullptr) return wArray(nullptr);
    SvREFCNT_inc_simple_void_NN(array);
    return wArray(array);
}

// ---------------------------------------------------------------------------------------------
// wScalar

wScalar wScalar::adopt(SV* owned) {
    wScalar handle;
    handle.scalar = owned;
    return handle;
}

wScalar::wScalar(const wScalar& other) {
    assign(other.scalar);
}

wScalar& wScalar::operator=(const wScalar& other) {
    assign(other.scalar);
    return *this;
}

wScalar::~wScalar() {
    release();
}

void wScalar::assign(SV* other) {
    if (other == scalar) return;
    release();
    if (other == nullptr) return;
    dTHXa(currentContext());
    if (my_perl == nullptr) return;
    SvREFCNT_inc_simple_void_NN(other);
    scalar = other;
}

char* wScalar::set(const char* text, std::size_t length) {
    dTHXa(currentContext());
    if (my_perl == nullptr) return nullptr;
    if (scalar == nullptr) scalar = newSV(0);
    if (text == nullptr && length > 0) {
        SvUPGRADE(scalar, SVt_PV);
        return SvGROW(scalar, length + 1);
    }
    sv_setpvn(scalar, text != nullptr ? text : "", text != nullptr ? length : 0);
    return SvPVX(scalar);
}

void wScalar::release() {
    if (scalar == nullptr) return;
    dTHXa(currentContext());
    if (my_perl != nullptr) SvREFCNT_dec(scalar);
    scalar = nullptr;
}

std::string wScalar::asString() const {
    dTHXa(currentContext());
    if (my_perl == nullptr || scalar == nullptr) return "";
    STRLEN length = 0;
    const char* bytes = SvPV(scalar, length);
    return std::string(bytes, length);
}

long wScalar::asInt() const {
    dTHXa(currentContext());
    if (my_perl == nullptr || scalar == nullptr) return -1;
    return static_cast<long>(SvIV(scalar));
}

double wScalar::asDouble() const {
    dTHXa(currentContext());
    if (my_perl == nullptr || scalar == nullptr) return -1.0;
    return static_cast<double>(SvNV(scalar));
}

bool wScalar::isTrue(SV* value) {
    if (value == nullptr) return false;
    dTHXa(currentContext());
    if (my_perl == nullptr) return false;
    return SvTRUE(value);
}

int wScalar::pos() const {
    wPerl* perl = wPerl::current();
    dTHXa(currentContext());
    if (my_perl == nullptr || scalar == nullptr) return 0;
    dSP;
    ENTER;
    SAVETMPS;
    PUSHMARK(SP);
    XPUSHs(scalar);
    PUTBACK;
    const int count = call_sv(reinterpret_cast<SV*>(perl->tPos), G_SCALAR | G_EVAL);
    SPAGAIN;
    int position = 0;
    if (count == 1) {
        SV* value = POPs;
        if (SvOK(value)) position = static_cast<int>(SvIV(value));
    }
    PUTBACK;
    FREETMPS;
    LEAVE;
    return position;
}

bool wScalar::find(const wPattern& pattern, wArray* groups) const {
    dTHXa(currentContext());
    if (my_perl == nullptr || scalar == nullptr || pattern.code == nullptr) return false;
    if (groups != nullptr) groups->clear();
    dSP;
    ENTER;
    SAVETMPS;
    PUSHMARK(SP);
    // The scalar itself, not a copy: the match keeps its position in the scalar's pos.
    XPUSHs(scalar);
    XPUSHs(groups != nullptr ? sv_2mortal(groups->reference()) : &PL_sv_undef);
    PUTBACK;
    const int count = call_sv(pattern.code, G_SCALAR | G_EVAL);
    SPAGAIN;
    bool found = false;
    if (count == 1) found = SvTRUE(POPs);
    PUTBACK;
    FREETMPS;
    LEAVE;
    return found;
}

// ---------------------------------------------------------------------------------------------
// wArray

wArray::wArray() {
    dTHXa(currentContext());
    if (my_perl != nullptr) array = newAV();
}

wArray::wArray(const wArray& other) : array(nullptr) {
    *this = other;
}

wArray& wArray::operator=(const wArray& other) {
    if (other.array == array) return *this;
    dTHXa(currentContext());
    if (my_perl == nullptr) return *this;
    if (array != nullptr) SvREFCNT_dec(reinterpret_cast<SV*>(array));
    array = other.array;
    if (array != nullptr) SvREFCNT_inc_simple_void_NN(array);
    return *this;
}

wArray::~wArray() {
    if (array == nullptr) return;
    dTHXa(currentContext());
    if (my_perl != nullptr) SvREFCNT_dec(reinterpret_cast<SV*>(array));
}

void wArray::clear() {
    dTHXa(currentContext());
    if (my_perl == nullptr) return;
    if (array == nullptr) {
        array = newAV();
        return;
    }
    av_clear(array);
}

SV* wArray::reference() const {
    dTHXa(currentContext());
    if (my_perl == nullptr) return nullptr;
    if (array == nullptr) return &PL_sv_undef;
    return newRV_inc(reinterpret_cast<SV*>(array));
}

int wArray::size() const {
    dTHXa(currentContext());
    if (my_perl == nullptr || array == nullptr) return 0;
    return static_cast<int>(av_count(array));
}

wScalar wArray::at(int index) const {
    dTHXa(currentContext());
    if (my_perl == nullptr || array == nullptr || index < 0) return wScalar();
    SV** element = av_fetch(array, index, 0);
    wScalar handle;
    if (element != nullptr && *element != nullptr) handle.assign(*element);
    return handle;
}

void wArray::append(const std::string& text) {
    dTHXa(currentContext());
    if (my_perl == nullptr) return;
    if (array == nullptr) array = newAV();
    av_push(array, newSVpvn(text.data(), text.size()));
}

void wArray::append(long value) {
    dTHXa(currentContext());
    if (my_perl == nullptr) return;
    if (array == nullptr) array = newAV();
    av_push(array, newSViv(static_cast<IV>(value)));
}

void wArray::append(double value) {
    dTHXa(currentContext());
    if (my_perl == nullptr) return;
    if (array == nullptr) array = newAV();
    av_push(array, newSVnv(static_cast<NV>(value)));
}

// ---------------------------------------------------------------------------------------------
// wPattern

wPattern::wPattern(const char* text) {
    compile(text);
}

wPattern::wPattern(const wPattern& other) {
    *this = other;
}

wPattern& wPattern::operator=(const wPattern& other) {
    if (other.code == code) return *this;
    release();
    dTHXa(currentContext());
    if (my_perl == nullptr || other.code == nullptr) return *this;
    code = other.code;
    SvREFCNT_inc_simple_void_NN(code);
    return *this;
}

wPattern::~wPattern() {
    release();
}

void wPattern::compile(const char* text) {
    release();
    wPerl* perl = wPerl::current();
    dTHXa(currentContext());
    if (my_perl == nullptr || text == nullptr) return;
    std::string body;
    std::string flags;
    if (!splitPerlPattern(text, body, flags)) return;
    dSP;
    ENTER;
    SAVETMPS;
    PUSHMARK(SP);
    XPUSHs(sv_2mortal(newSVpvn(body.data(), body.size())));
    XPUSHs(sv_2mortal(newSVpvn(flags.data(), flags.size())));
    PUTBACK;
    const int count = call_sv(reinterpret_cast<SV*>(perl->tCompileFind), G_SCALAR | G_EVAL);
    SPAGAIN;
    if (count == 1) {
        SV* value = POPs;
        if (SvTRUE(value)) code = newSVsv(value);
    }
    PUTBACK;
    FREETMPS;
    LEAVE;
}

void wPattern::release() {
    if (code == nullptr) return;
    dTHXa(currentContext());
    if (my_perl != nullptr) SvREFCNT_dec(code);
    code = nullptr;
}
